#pragma once

// Where the installer's progress bar paints, and what the screen shows there.

#include "installer_driver.h"
#include "screen_capture.h"

namespace e2e {

constexpr COLORREF kBarBlue = RGB(0, 0, 255);

// The area a bar at 100 percent fills blue: the bar's client area without its one-pixel
// border, reaching one pixel further right to the client area's edge.
RECT BarFillArea(const Window& dialog);
// The area inside the border that every repaint of the bar clears first.
RECT BarClearedArea(const Window& dialog);

int CountPixels(const ScreenImage& image, COLORREF colour);

// Waits until every pixel of the fill area is blue, or until no pixel of the cleared
// area is blue; the installer's drawing reaches the screen a moment after it is made.
// The last capture is left in `bar`.
bool WaitForFullBar(const Window& dialog, ScreenImage& bar, Millis timeout = Millis{3000});
bool WaitForEmptyBar(const Window& dialog, ScreenImage& bar, Millis timeout = Millis{3000});

} // namespace e2e
