#pragma once

#include <stdexcept>
#include <string>

namespace kwpack {

// A folder named on the command line that engine paths cannot write.
class UnusableFolder : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A folder named on the command line, written as the engine writes folders:
// in the path code page, `\` between parts and one at the end. An empty name
// is the current folder. Raises UnusableFolder when the code page cannot
// write the name.
std::string ToFolderPath(std::string argument);

} // namespace kwpack
