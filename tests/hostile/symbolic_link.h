#pragma once

#include <string>

namespace kwtest {

// Makes `link`, a name in the engine folder `folder`, a symbolic link to
// `target`, written as the system's own link text (relative to the link's
// folder, or absolute). False when this system cannot make one here.
bool MakeSymbolicLink(const std::string& folder, const std::string& link, const std::string& target);

// `enginePath` as the system's own absolute path, for an absolute link's text.
std::string SystemPath(const std::string& enginePath);

} // namespace kwtest
