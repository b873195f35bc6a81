#pragma once

// Checking a folder against a package: the publisher's check before shipping,
// and the support desk's check of an installed folder.

#include "code_page.h"
#include "commands.h"
#include "package_listing.h"

#include <optional>
#include <string>
#include <vector>

namespace kwpack {

struct EntryFault {
    std::string name; // decoded, UTF-8
    bool missing = false;
    plat::FileSize offset = 0; // of the first byte that differs, when the file is there
    plat::FileSize fileSize = 0;
    std::uint32_t entrySize = 0;
    std::string unreadable;    // why the file could not be read, or empty
};

struct VerifyReport {
    std::size_t entries = 0;
    std::vector<EntryFault> faults;          // in the package's order
    std::vector<std::string> extra;          // in the folder, not in the package; UTF-8, sorted
    std::vector<std::string> unlisted;       // why a folder could not be searched for extra files
    std::optional<IndexProblem> problem;     // a malformed package; nothing was compared
};

// Compares every entry of the package in `package`, with names in `codePage`,
// with the file of that name in `folder` (both ending in `\`), reading both in
// pieces and shared with anyone else, a running program included. Files are
// opened by names in the path code page. Raises plat::FileError when the
// package cannot be read.
VerifyReport VerifyFolder(const std::string& package, const std::string& folder,
                          unsigned codePage = plat::kDefaultCodePage);

int RunVerify(const std::string& packageFolder, const std::string& folder, Console& console,
              CodePageOption codePage = {});

} // namespace kwpack
