#include "code_page.h"
#include "installer_engine.h"
#include "message_box.h"

namespace {

// Paths are searched character by character: in a double-byte code page the
// second byte of a character may be 0x5C, which is no `\`. A lead byte at the
// very end is a character of its own.
std::size_t NextCharacter(const std::string& path, std::size_t pos)
{
    const bool pair = plat::IsLeadByte(static_cast<unsigned char>(path[pos])) && pos + 1 < path.size();
    return pos + (pair ? 2 : 1);
}

// The first `\` at or after `from`, which must start a character; npos when there is none.
std::size_t FindBackslash(const std::string& path, std::size_t from)
{
    for (std::size_t pos = from; pos < path.size(); pos = NextCharacter(path, pos)) {
        if (path[pos] == '\\')
            return pos;
    }
    return std::string::npos;
}

std::size_t FindLastBackslash(const std::string& path)
{
    std::size_t last = std::string::npos;
    for (std::size_t pos = FindBackslash(path, 0); pos != std::string::npos; pos = FindBackslash(path, pos + 1))
        last = pos;
    return last;
}

} // namespace

std::string CInstallEngine::GetInstallerFolder()
{
    std::string path;
    if (!GetModulePath(path)) {
        ShowMessage("GetModuleFileName failed!!", mb::kIconExclamation);
        path.clear(); // the package files are then looked for under their bare names
    }
    const std::size_t last = FindLastBackslash(path);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

// The last character, not the last byte: "C:\表" in code page 932 ends in the byte 0x5C.
void CInstallEngine::EnsureTrailingBackslash(std::string& path)
{
    if (path.empty() || FindLastBackslash(path) != path.size() - 1)
        path += '\\';
}

bool CInstallEngine::FileExists(const std::string& path) { return plat::FindEntry(path); }

bool CInstallEngine::FolderExists(const std::string& path) { return plat::SetCurrentFolder(path); }

bool CInstallEngine::CreateFolders(const std::string& path)
{
    const std::size_t last = FindLastBackslash(path);
    std::size_t pos = FindBackslash(path, 0);
    if (pos == std::string::npos)
        return true;
    // The text before the first `\` (a drive such as `C:`) is never tested or created.
    while (pos < last) {
        pos = FindBackslash(path, pos + 1);
        const std::string prefix = path.substr(0, pos);
        if (FolderExists(prefix))
            continue;
        if (!plat::CreateFolder(prefix))
            return false;
    }
    return true;
}
