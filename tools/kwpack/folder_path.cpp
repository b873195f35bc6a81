#include "folder_path.h"

#include "installer_engine.h"

#include <algorithm>

namespace kwpack {

std::string ToFolderPath(std::string argument)
{
    if (argument.empty())
        argument = ".";
    // Both systems take `/` too; turned into `\` here so the engine finds its own separator.
    std::replace(argument.begin(), argument.end(), '/', '\\');
    CInstallEngine::EnsureTrailingBackslash(argument);
    return argument;
}

} // namespace kwpack
