#pragma once

#include "unique_any.h"

#include <windows.h>
#include <shlobj.h>

namespace ui {

// A window's device context; ReleaseDC needs the window as well as the DC.
struct WindowDC {
    HWND window = nullptr;
    HDC dc = nullptr;
};
// Identified by the DC alone: a failed GetDC gives no DC to release.
inline bool operator==(WindowDC a, WindowDC b) { return a.dc == b.dc; }
inline bool operator!=(WindowDC a, WindowDC b) { return a.dc != b.dc; }

struct WindowDCTraits {
    using Type = WindowDC;
    static Type Invalid() noexcept { return {}; }
    static void Close(Type value) noexcept { ReleaseDC(value.window, value.dc); }
};
using UniqueWindowDC = plat::UniqueAny<WindowDCTraits>;

template <typename Handle>
struct GdiObjectTraits {
    using Type = Handle;
    static constexpr Type Invalid() noexcept { return nullptr; }
    static void Close(Type value) noexcept { DeleteObject(value); }
};
using UniqueBrush = plat::UniqueAny<GdiObjectTraits<HBRUSH>>;

// An item list handed out by the shell, freed with the task allocator.
struct ItemListTraits {
    using Type = LPITEMIDLIST;
    static constexpr Type Invalid() noexcept { return nullptr; }
    static void Close(Type value) noexcept { CoTaskMemFree(value); }
};
using UniqueItemList = plat::UniqueAny<ItemListTraits>;

} // namespace ui
