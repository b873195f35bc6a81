#pragma once

#include <windows.h>

namespace ui {

// Paints the progress bar on the control's own device context at once: the
// control redraws its frame, the inner area is cleared to the button-face
// colour, then filled with blue up to `percent`. Nothing else redraws the bar.
void PaintProgress(HWND bar, int percent);

} // namespace ui
