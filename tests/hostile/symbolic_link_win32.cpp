#include "symbolic_link.h"

#include "test_handles_win32.h"
#include "test_support.h"
#include "unix_shell.h"
#include "win32_handles.h"
#include "win32_text.h"

#include <windows.h>

namespace kwtest {
namespace {

// Wine's own call for the Unix path of a Windows one; absent on Windows.
using UnixNameFunction = char*(CDECL*)(LPCWSTR);

UnixNameFunction UnixName()
{
    return reinterpret_cast<UnixNameFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
}

} // namespace

// Wine gives no handle to wait on for a Unix process, so the command leaves a mark.
bool RunUnixCommand(const std::string& folder, const std::string& command)
{
    char temp[MAX_PATH];
    char mark[MAX_PATH];
    if (::GetTempPathA(MAX_PATH, temp) == 0 || ::GetTempFileNameA(temp, "kwl", 0, mark) == 0)
        return false;
    ::DeleteFileA(mark);
    const std::string line = "Z:\\bin\\sh -c \"" + command + "; : >'" + SystemPath(mark) + "'\"";
    std::string commandLine = line;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &started))
        return false;
    const kwtest::UniqueHandle process(started.hProcess);
    const kwtest::UniqueHandle thread(started.hThread);
    for (int waited = 0; waited < 1000; ++waited) {
        if (::DeleteFileA(mark))
            return true;
        ::Sleep(10);
    }
    return false;
}

// Wine makes no link through the Windows call but sees the Unix ones, which a
// Unix program started from Wine can make and remove; Windows itself needs a
// privilege for links, which tests do not have.
SymbolicLink::SymbolicLink(const std::string& folder, const std::string& name, const std::string& target)
    : m_folder(folder), m_name(name),
      m_made(UnixName() != nullptr && RunUnixCommand(folder, "ln -s '" + target + "' '" + name + "'"))
{
}

SymbolicLink::~SymbolicLink()
{
    if (m_made)
        RunUnixCommand(m_folder, "rm -f '" + m_name + "'");
}

std::string SystemPath(const std::string& enginePath)
{
    const UnixNameFunction unixName = UnixName();
    if (unixName == nullptr)
        return enginePath;
    plat::WideText wide;
    if (!plat::ToWide(enginePath, CP_ACP, 0, wide))
        return enginePath;
    wide.push_back(L'\0');
    char* name = unixName(wide.data());
    if (name == nullptr)
        return enginePath;
    std::string path = name;
    ::HeapFree(::GetProcessHeap(), 0, name);
    return path;
}

bool SystemOpensLinksThemselves()
{
    static const bool themselves = [] {
        const TempFolder folder;
        WriteBytes(folder.Path() + "target", "x");
        const SymbolicLink link(folder.Path(), "link", "target");
        if (!link.Made())
            return true;
        const plat::UniqueCreatedFile opened(::CreateFileA((folder.Path() + "link").c_str(), FILE_READ_ATTRIBUTES,
                                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                           nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                                           nullptr));
        FILE_ATTRIBUTE_TAG_INFO tag{};
        return opened && ::GetFileInformationByHandleEx(opened.Get(), FileAttributeTagInfo, &tag, sizeof tag) &&
               (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }();
    return themselves;
}

} // namespace kwtest
