#pragma once

#include <string>

namespace kwpack {

// A folder named on the command line, written as the engine writes folders:
// `\` between parts and one at the end. An empty name is the current folder.
std::string ToFolderPath(std::string argument);

} // namespace kwpack
