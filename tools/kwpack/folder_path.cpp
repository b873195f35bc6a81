#include "folder_path.h"

#include "code_page.h"
#include "code_page_text.h"
#include "installer_engine.h"

namespace kwpack {

std::string ToFolderPath(std::string argument)
{
    if (argument.empty())
        argument = ".";
    // Both systems take `/` too; the conversion writes `\`, so the engine finds its own separator.
    std::string folder;
    if (!plat::ToEnginePath(argument, folder)) {
        std::string unused;
        throw UnusableFolder("cannot use the folder '" + Printable(argument) + "': " +
                             EncodeName(argument, plat::PathCodePage(), unused));
    }
    CInstallEngine::EnsureTrailingBackslash(folder);
    return folder;
}

} // namespace kwpack
