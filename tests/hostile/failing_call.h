#pragma once

#include <functional>
#include <optional>
#include <string>

namespace kwtest {

// Runs `act` while one system call fails as a failing disk makes it fail,
// with the system's own code for an I/O error (a write on POSIX: with the
// code for a file grown past the process's limit), and returns what `act`
// returned. `posix` names the call on POSIX (a system call: "read",
// "newfstatat", ...), `windows` on Windows (an imported function:
// "ReadFile", ...; "WriteFile:nothing" has WriteFile succeed having written
// nothing); a null name has no counterpart there. Nothing when the call
// cannot be made to fail here. On POSIX `act` runs in a child process, so
// only what it leaves on the disk outlives it.
std::optional<std::string> WithFailingCall(const char* posix, const char* windows,
                                           const std::function<std::string()>& act);

} // namespace kwtest
