#include "installer_engine.h"
#include "message_box.h"

std::string CInstallEngine::GetInstallerFolder()
{
    std::string path;
    if (!GetModulePath(path)) {
        ShowMessage("GetModuleFileName failed!!", mb::kIconExclamation);
        path.clear(); // the package files are then looked for under their bare names
    }
    const std::size_t last = path.rfind('\\');
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

void CInstallEngine::EnsureTrailingBackslash(std::string& path)
{
    if (path.empty() || path.back() != '\\')
        path += '\\';
}

bool CInstallEngine::FileExists(const std::string& path) { return plat::FindEntry(path); }

bool CInstallEngine::FolderExists(const std::string& path) { return plat::SetCurrentFolder(path); }

bool CInstallEngine::CreateFolders(const std::string& path)
{
    const std::size_t last = path.rfind('\\');
    std::size_t pos = path.find('\\');
    if (pos == std::string::npos)
        return true;
    // The text before the first `\` (a drive such as `C:`) is never tested or created.
    while (pos < last) {
        pos = path.find('\\', pos + 1);
        const std::string prefix = path.substr(0, pos);
        if (FolderExists(prefix))
            continue;
        if (!plat::CreateFolder(prefix))
            return false;
    }
    return true;
}
