#pragma once

// Owners of the Win32 resources the platform, the window and kwpack.exe hold,
// one type for each way a resource is released. For Windows-only code: the
// engine never includes this.

#include "unique_any.h"

#include <windows.h>

namespace plat {

// CreateFileA reports failure with INVALID_HANDLE_VALUE, not null.
struct CreatedFileTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type handle) noexcept { ::CloseHandle(handle); }
};
using UniqueCreatedFile = UniqueAny<CreatedFileTraits>;

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type handle) noexcept { ::FindClose(handle); }
};
using UniqueFindHandle = UniqueAny<FindHandleTraits>;

// A window's device context (the screen's when the window is null); ReleaseDC
// needs the window as well as the DC.
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
    static void Close(Type value) noexcept { ::ReleaseDC(value.window, value.dc); }
};
using UniqueWindowDC = UniqueAny<WindowDCTraits>;

template <typename Handle>
struct GdiObjectTraits {
    using Type = Handle;
    static constexpr Type Invalid() noexcept { return nullptr; }
    static void Close(Type value) noexcept { ::DeleteObject(value); }
};
template <typename Handle>
using UniqueGdiObject = UniqueAny<GdiObjectTraits<Handle>>;

} // namespace plat
