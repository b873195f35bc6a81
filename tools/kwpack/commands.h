#pragma once

// The commands, each taking its folders as given on the command line and
// returning the process's exit status.

#include "listing_output.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace kwpack {

constexpr int kExitOk = 0;
// Anything that went wrong with files or folders: one that cannot be read,
// written or packed, a malformed package, a missing or different file, output
// that could not be written.
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2; // the command line is wrong; nothing was done

struct Console {
    std::ostream& out; // the results, UTF-8 as are all texts the commands write
    std::ostream& err; // progress, warnings and errors
    bool errIsTerminal = false; // progress is then one line rewritten in place
    // Why writing `out` failed, in the system's words, once it has; empty when it cannot tell.
    std::function<std::string()> outFailure;
    bool quiet = false; // no progress; warnings and errors still go to `err`
};

// The code page named with --codepage, if any. Packages are written and read
// in it, 1252 when none is named. Extraction writes names in the path code
// page, which is the named one where the process may choose (POSIX) and the
// system's ANSI code page on Windows, as in the installer.
using CodePageOption = std::optional<unsigned>;

struct PackOptions {
    CodePageOption codePage;
    bool strict = false; // every warning is an error, and nothing is written
};

int RunPack(const std::string& folder, const std::string& outFolder, Console& console,
            const PackOptions& options = {});
int RunList(const std::string& packageFolder, Console& console, CodePageOption codePage = {},
            ListFormat format = ListFormat::Text);
int RunExtract(const std::string& packageFolder, const std::string& destinationFolder, Console& console,
               CodePageOption codePage = {});

// Makes the named code page, or 1252, that of paths where the process may
// choose; tells the user when it cannot, for a code page named on the command line.
void UsePathCodePage(CodePageOption codePage, Console& console);

} // namespace kwpack
