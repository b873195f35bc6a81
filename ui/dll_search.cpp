#include "dll_search.h"

#include <windows.h>

#include <string>

namespace ui {
namespace {

// The shell's folder browser loads this by bare name, past the restricted
// search order on some systems. Once loaded from System32 it is found by name, so
// a copy planted beside the installer is never mapped. Kept for the process's
// life on purpose.
void PreloadFromSystemFolder(const char* dllName)
{
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const std::string path = std::string(folder, length) + "\\" + dllName;
    LoadLibraryA(path.c_str());
}

} // namespace

void RestrictDllSearch()
{
    // Looked up, not imported: systems before Windows 8 without the update lack it.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(found));
    if (setDefaultDllDirectories != nullptr)
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
    PreloadFromSystemFolder("comctl32.dll");
}

} // namespace ui
