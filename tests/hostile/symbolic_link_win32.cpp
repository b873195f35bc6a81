#include "symbolic_link.h"

#include "win32_handles.h"

#include <windows.h>

#include <vector>

namespace kwtest {
namespace {

// Wine's own call for the Unix path of a Windows one; absent on Windows.
using UnixNameFunction = char*(CDECL*)(LPCWSTR);

UnixNameFunction UnixName()
{
    return reinterpret_cast<UnixNameFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    return wide;
}

} // namespace

// Wine makes no link through the Windows call but sees the Unix ones, which
// a Unix program started from Wine can make; Windows itself needs a
// privilege for links, which tests do not have.
bool MakeSymbolicLink(const std::string& folder, const std::string& link, const std::string& target)
{
    if (UnixName() == nullptr)
        return false;
    std::string command = "Z:\\bin\\ln -s \"" + target + "\" \"" + link + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &started))
        return false;
    const plat::UniqueHandle process(started.hProcess);
    const plat::UniqueHandle thread(started.hThread);
    // Wine reports no useful exit code for a Unix program; the tests see whether the link works.
    return ::WaitForSingleObject(process.Get(), INFINITE) == WAIT_OBJECT_0;
}

std::string SystemPath(const std::string& enginePath)
{
    const UnixNameFunction unixName = UnixName();
    if (unixName == nullptr)
        return enginePath;
    char* name = unixName(Wide(enginePath).c_str());
    if (name == nullptr)
        return enginePath;
    std::string path = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return path;
}

} // namespace kwtest
