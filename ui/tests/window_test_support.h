#pragma once

#include <windows.h>

namespace uitest {

// True when this process can make windows: Wine needs a display for that.
// Tests that paint or run the dialog skip themselves without one.
bool CanCreateWindows();

#define SKIP_WITHOUT_WINDOWS()                                                                   \
    do {                                                                                         \
        if (!uitest::CanCreateWindows())                                                         \
            GTEST_SKIP() << "no window can be made here (under Wine: no display)";               \
    } while (false)

// The colour of one pixel of a window's client area, as painted so far.
COLORREF PixelAt(HWND window, int x, int y);

} // namespace uitest
