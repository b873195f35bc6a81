#pragma once

#include <string>

namespace kwtest {

// Under Wine, runs a Unix shell command in the engine folder `folder` and
// waits until it has run; false where there is no Unix below (Windows), or
// when it did not run. Windows-only.
bool RunUnixCommand(const std::string& folder, const std::string& command);

} // namespace kwtest
