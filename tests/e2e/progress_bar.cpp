#include "progress_bar.h"

#include <algorithm>

namespace e2e {

RECT BarFillArea(const Window& dialog)
{
    RECT area = BarClearedArea(dialog);
    area.right += 1;
    return area;
}

RECT BarClearedArea(const Window& dialog)
{
    RECT area = dialog.ClientRectOnScreen(kProgressId);
    InflateRect(&area, -1, -1);
    return area;
}

int CountPixels(const ScreenImage& image, COLORREF colour)
{
    return static_cast<int>(std::count(image.pixels.begin(), image.pixels.end(), colour));
}

bool WaitForFullBar(const Window& dialog, ScreenImage& bar, Millis timeout)
{
    const RECT area = BarFillArea(dialog);
    return WaitUntil(
        [&] {
            bar = CaptureScreen(area);
            return CountPixels(bar, kBarBlue) == static_cast<int>(bar.pixels.size());
        },
        timeout);
}

bool WaitForEmptyBar(const Window& dialog, ScreenImage& bar, Millis timeout)
{
    const RECT area = BarClearedArea(dialog);
    return WaitUntil(
        [&] {
            bar = CaptureScreen(area);
            return CountPixels(bar, kBarBlue) == 0;
        },
        timeout);
}

} // namespace e2e
