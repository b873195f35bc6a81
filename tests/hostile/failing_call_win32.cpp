#include "failing_call.h"

#include <windows.h>
#include <winternl.h>

#include <cstring>

namespace kwtest {
namespace {

constexpr NTSTATUS kStatusDeviceError = static_cast<NTSTATUS>(0xC0000185); // STATUS_IO_DEVICE_ERROR

BOOL Failed()
{
    ::SetLastError(ERROR_IO_DEVICE);
    return FALSE;
}

BOOL WINAPI ReadFails(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) { return Failed(); }
BOOL WINAPI WriteFails(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) { return Failed(); }
BOOL WINAPI WriteWritesNothing(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED)
{
    *written = 0;
    return TRUE;
}
BOOL WINAPI FlushFails(HANDLE) { return Failed(); }
BOOL WINAPI SizeFails(HANDLE, PLARGE_INTEGER) { return Failed(); }
BOOL WINAPI PointerFails(HANDLE, LARGE_INTEGER, PLARGE_INTEGER, DWORD) { return Failed(); }
BOOL WINAPI EndFails(HANDLE) { return Failed(); }
DWORD WINAPI FinalPathFails(HANDLE, LPWSTR, DWORD, DWORD) { return Failed(); }
BOOL WINAPI InformationFails(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) { return Failed(); }
HANDLE WINAPI CreateFails(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    Failed();
    return INVALID_HANDLE_VALUE;
}
BOOL WINAPI DispositionFails(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) { return Failed(); }
BOOL WINAPI MoveFails(LPCSTR, LPCSTR, DWORD) { return Failed(); }
BOOL WINAPI FindNextFails(HANDLE, LPWIN32_FIND_DATAW) { return Failed(); }
HANDLE WINAPI FindFails(LPCWSTR, LPWIN32_FIND_DATAW)
{
    Failed();
    return INVALID_HANDLE_VALUE;
}
NTSTATUS NTAPI QueryFails(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS) { return kStatusDeviceError; }

struct Stand {
    const char* name;     // as the stand-in is asked for
    const char* imported; // the function whose place it takes
    void* function;
};

const Stand kStands[] = {
    {"ReadFile", "ReadFile", reinterpret_cast<void*>(&ReadFails)},
    {"WriteFile", "WriteFile", reinterpret_cast<void*>(&WriteFails)},
    {"WriteFile:nothing", "WriteFile", reinterpret_cast<void*>(&WriteWritesNothing)},
    {"FlushFileBuffers", "FlushFileBuffers", reinterpret_cast<void*>(&FlushFails)},
    {"GetFileSizeEx", "GetFileSizeEx", reinterpret_cast<void*>(&SizeFails)},
    {"SetFilePointerEx", "SetFilePointerEx", reinterpret_cast<void*>(&PointerFails)},
    {"SetEndOfFile", "SetEndOfFile", reinterpret_cast<void*>(&EndFails)},
    {"GetFinalPathNameByHandleW", "GetFinalPathNameByHandleW", reinterpret_cast<void*>(&FinalPathFails)},
    {"GetFileInformationByHandleEx", "GetFileInformationByHandleEx", reinterpret_cast<void*>(&InformationFails)},
    {"CreateFileA", "CreateFileA", reinterpret_cast<void*>(&CreateFails)},
    {"NtQueryInformationFile", "NtQueryInformationFile", reinterpret_cast<void*>(&QueryFails)},
    {"FindFirstFileW", "FindFirstFileW", reinterpret_cast<void*>(&FindFails)},
    {"FindNextFileW", "FindNextFileW", reinterpret_cast<void*>(&FindNextFails)},
    {"SetFileInformationByHandle", "SetFileInformationByHandle", reinterpret_cast<void*>(&DispositionFails)},
    {"MoveFileExA", "MoveFileExA", reinterpret_cast<void*>(&MoveFails)},
};

// Where this program's calls of `function` look its address up: its slot in
// the program's own import table, which the system fills at start-up.
void** ImportSlot(const char* function)
{
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); module->Name != 0;
         ++module) {
        const DWORD listed = module->OriginalFirstThunk != 0 ? module->OriginalFirstThunk : module->FirstThunk;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + listed);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

bool Swap(void** slot, void*& function)
{
    DWORD was = 0;
    if (!::VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was))
        return false;
    void* const previous = *slot;
    *slot = function;
    function = previous;
    ::VirtualProtect(slot, sizeof *slot, was, &was);
    return true;
}

} // namespace

// The program's own calls of the function go to a stand-in that fails for as
// long as `act` runs; the system's own calls of it are left alone.
std::optional<std::string> WithFailingCall(const char*, const char* windows, const std::function<std::string()>& act)
{
    for (const Stand& stand : kStands) {
        if (windows == nullptr || std::strcmp(stand.name, windows) != 0)
            continue;
        void** const slot = ImportSlot(stand.imported);
        void* function = stand.function;
        if (slot == nullptr || !Swap(slot, function))
            return std::nullopt;
        std::string told;
        try {
            told = act();
        } catch (...) {
            Swap(slot, function);
            throw;
        }
        Swap(slot, function);
        return told;
    }
    return std::nullopt;
}

} // namespace kwtest
