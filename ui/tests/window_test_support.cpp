#include "window_test_support.h"

namespace uitest {

bool CanCreateWindows()
{
    static const bool can = [] {
        HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        if (probe == nullptr)
            return false;
        DestroyWindow(probe);
        return true;
    }();
    return can;
}

COLORREF PixelAt(HWND window, int x, int y)
{
    HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

} // namespace uitest
