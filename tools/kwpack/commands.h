#pragma once

// The commands, each taking its folders as given on the command line and
// returning the process's exit status.

#include <iosfwd>
#include <optional>
#include <string>

namespace kwpack {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a file error, or a malformed package
constexpr int kExitRefused = 2; // the command line or the folder to pack is unusable; nothing written

struct Console {
    std::ostream& out; // UTF-8, as are all texts the commands write
    std::ostream& err;
    bool outIsTerminal = false;
};

// The code page named with --codepage, if any. Packages are written and read
// in it, 1252 when none is named. Extraction writes names in the path code
// page, which is the named one where the process may choose (POSIX) and the
// system's ANSI code page on Windows, as in the installer.
using CodePageOption = std::optional<unsigned>;

int RunPack(const std::string& folder, const std::string& outFolder, Console& console, CodePageOption codePage = {});
int RunList(const std::string& packageFolder, Console& console, CodePageOption codePage = {});
int RunExtract(const std::string& packageFolder, const std::string& destinationFolder, Console& console,
               CodePageOption codePage = {});

// Makes the named code page, or 1252, that of paths where the process may
// choose; tells the user when it cannot, for a code page named on the command line.
void UsePathCodePage(CodePageOption codePage, Console& console);

} // namespace kwpack
