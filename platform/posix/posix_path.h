#pragma once

// The one conversion from an engine path (bytes of the path code page, `\`
// between parts) to the system's (UTF-8, `/`), for POSIX-only code; the other
// way is plat::ToEnginePath.

#include <string>

namespace plat {

// False when the path holds bytes that are no text in the path code page.
bool ToPosix(const std::string& path, std::string& native);
// As above, but such a path raises FileError with kCauseBadPath.
std::string ToPosix(const std::string& path);

} // namespace plat
