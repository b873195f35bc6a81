// A stand-in for a system DLL planted beside the installer. Whatever process
// loads it leaves "<the DLL's own path>.loaded" behind.

#include "win32_handles.h"

#include <windows.h>

namespace {

void LeaveMarker(HINSTANCE instance)
{
    char path[MAX_PATH + 16];
    const DWORD length = ::GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    ::lstrcpyA(path + length, ".loaded");
    plat::UniqueCreatedFile marker(
        ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        LeaveMarker(instance);
    return TRUE;
}
