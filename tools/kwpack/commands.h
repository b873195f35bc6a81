#pragma once

// The three commands, each taking its folders as given on the command line and
// returning the process's exit status.

#include <iosfwd>
#include <string>

namespace kwpack {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a file error, or a malformed package
constexpr int kExitRefused = 2; // the command line or the folder to pack is unusable; nothing written

struct Console {
    std::ostream& out;
    std::ostream& err;
    bool outIsTerminal = false;
};

int RunPack(const std::string& folder, const std::string& outFolder, Console& console);
int RunList(const std::string& packageFolder, Console& console);
int RunExtract(const std::string& packageFolder, const std::string& destinationFolder, Console& console);

} // namespace kwpack
