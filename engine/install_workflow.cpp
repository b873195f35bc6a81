#include "installer_engine.h"
#include "message_box.h"

namespace {

// No drive and no leading separator: the system would resolve it against the
// current folder, which the folder test moves.
bool IsRelativePath(const std::string& path)
{
    if (!path.empty() && (path[0] == '\\' || path[0] == '/'))
        return false;
    return !(path.size() >= 2 && path[1] == ':');
}

} // namespace

bool CInstallEngine::CheckPackagePresent()
{
    const std::string sourceFolder = GetInstallerFolder();
    if (!FileExists(sourceFolder + kDataFileName)) {
        ShowMessage("Could not find Pelmora.kwf!!", mb::kIconStop);
        return false;
    }
    if (!FileExists(sourceFolder + kIndexFileName)) {
        ShowMessage("Could not find Pelmora.kwi!!", mb::kIconStop);
        return false;
    }
    return true;
}

void CInstallEngine::RunInstall()
{
    const std::string sourceFolder = GetInstallerFolder();
    std::string destinationFolder = GetDestinationText();
    if (destinationFolder.empty()) {
        ShowMessage("You must enter a destination folder!", mb::kIconStop);
        return;
    }
    EnsureTrailingBackslash(destinationFolder);
    // Pin a relative folder to the installer's own folder, so that where the
    // files go cannot depend on where an earlier folder test left us.
    if (IsRelativePath(destinationFolder))
        destinationFolder = sourceFolder + destinationFolder;

    if (!FolderExists(destinationFolder)) {
        const std::string question =
            destinationFolder + "\n\nThe specified folder does not exist.\nDo you want to create it?";
        if (ShowMessage(question, mb::kYesNoQuestion) != mb::kIdYes)
            return;
        if (!CreateFolders(destinationFolder)) {
            ShowMessage("Could not create destination folder!!", mb::kIconStop);
            return;
        }
    }

    SetStatus(0, "Preparing...");
    if (ExtractFiles(sourceFolder, destinationFolder) != 0) {
        SetStatus(0, "Error while extracting!!");
        return;
    }

    SetStatus(99, "Registering...");
    const std::intptr_t launched = Launch(kLaunchVerb, destinationFolder + kProgramName, kLaunchParameters,
                                          destinationFolder, kShowDefault);
    if (launched <= 32)
        ShowMessage("ShellExecute failed!!", mb::kIconInformation);
    SetStatus(100, "Installation Complete!!");
}
