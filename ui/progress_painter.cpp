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
    // A full bar's blue covers the frame's right edge, which the clearing
    // below leaves alone: have the control draw its frame afresh first, so
    // that a lower percentage after a full bar leaves no blue behind.
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
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
