#include "progress_painter.h"

#include "geometry.h"
#include "win_handles.h"

namespace ui {
namespace {

void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

} // namespace

void PaintProgress(HWND bar, int percent)
{
    if (bar == nullptr) // GetDC would hand out the whole screen
        return;
    const UniqueWindowDC dc(WindowDC{bar, GetDC(bar)});
    const UniqueBrush blue(CreateSolidBrush(RGB(0, 0, 255)));
    RECT rect{};
    if (!dc || !blue || !GetClientRect(bar, &rect))
        return;
    InflateRect(&rect, -1, -1);
    FillSolidRect(dc.Get().dc, rect, GetSysColor(COLOR_BTNFACE));
    rect.right = ProgressFillRight(rect.left, rect.right, percent);
    FillRect(dc.Get().dc, &rect, blue.Get());
}

} // namespace ui
