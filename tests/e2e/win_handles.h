#pragma once

#include "unique_any.h"

#include <windows.h>

namespace e2e {

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type handle) noexcept { CloseHandle(handle); }
};
using UniqueHandle = plat::UniqueAny<KernelHandleTraits>;

struct LibraryTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type module) noexcept { FreeLibrary(module); }
};
using UniqueLibrary = plat::UniqueAny<LibraryTraits>;

// The whole screen's device context, from GetDC(NULL).
struct ScreenDcTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type dc) noexcept { ReleaseDC(nullptr, dc); }
};
using UniqueScreenDc = plat::UniqueAny<ScreenDcTraits>;

struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type dc) noexcept { DeleteDC(dc); }
};
using UniqueMemoryDc = plat::UniqueAny<MemoryDcTraits>;

struct GdiObjectTraits {
    using Type = HGDIOBJ;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type object) noexcept { DeleteObject(object); }
};
using UniqueGdiObject = plat::UniqueAny<GdiObjectTraits>;

} // namespace e2e
