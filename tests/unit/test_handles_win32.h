#pragma once

// Owners of Win32 resources that only the tests hold, one type for each way
// a resource is released.

#include "unique_any.h"

#include <windows.h>

namespace kwtest {

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type handle) noexcept { ::CloseHandle(handle); }
};
using UniqueHandle = plat::UniqueAny<KernelHandleTraits>;

struct LibraryTraits {
    using Type = HMODULE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type module) noexcept { ::FreeLibrary(module); }
};
using UniqueLibrary = plat::UniqueAny<LibraryTraits>;

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type key) noexcept { ::RegCloseKey(key); }
};
using UniqueRegistryKey = plat::UniqueAny<RegistryKeyTraits>;

struct MemoryDCTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type dc) noexcept { ::DeleteDC(dc); }
};
using UniqueMemoryDC = plat::UniqueAny<MemoryDCTraits>;

} // namespace kwtest
