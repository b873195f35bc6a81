#pragma once

#include <algorithm>
#include <cstdint>

namespace ui {

// The exclusive right edge of the progress bar's blue part, given the bar's
// inner rectangle (its client area shrunk by one pixel): left + right *
// percent / 100, truncating. At 100 it reaches one pixel past the inner
// rectangle, to the client area's edge. Percentages beyond 0..100 would paint
// no more than 0 or 100 do, since the control clips; clamping them keeps the
// product in range.
constexpr int ProgressFillRight(int left, int right, int percent)
{
    const std::int64_t clamped = std::clamp(percent, 0, 100);
    return left + static_cast<int>(right * clamped / 100);
}

// Where a window of `length` starts so that it is centred in the area from
// `areaStart` to `areaEnd`; a window larger than the area starts at the
// area's start, so its caption stays reachable.
constexpr int CentredStart(int length, int areaStart, int areaEnd)
{
    return std::max(areaStart, areaStart + (areaEnd - areaStart - length) / 2);
}

} // namespace ui
