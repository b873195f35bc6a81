#pragma once

#include "win32_handles.h"

#include <windows.h>
#include <shlobj.h>

namespace ui {

using plat::UniqueWindowDC;
using plat::WindowDC;
using UniqueBrush = plat::UniqueGdiObject<HBRUSH>;

// An item list handed out by the shell, freed with the task allocator.
struct ItemListTraits {
    using Type = LPITEMIDLIST;
    static constexpr Type Invalid() noexcept { return nullptr; }
    static void Close(Type value) noexcept { CoTaskMemFree(value); }
};
using UniqueItemList = plat::UniqueAny<ItemListTraits>;

} // namespace ui
