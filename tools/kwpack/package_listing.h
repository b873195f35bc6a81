#pragma once

// Reading a package pair back for the publisher: every record, checked the way
// the installer would need it to be.

#include "platform.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kwpack {

struct ListedEntry {
    std::string name; // the index's bytes
    std::uint32_t size = 0;
    std::string text; // the name decoded from the package's code page, UTF-8
};

// The first thing found wrong with a package.
struct PackageProblem {
    std::size_t record = 0;     // counted from 1; 0 when the fault lies after the last record
    plat::FileSize offset = 0;  // of the record, or of the end, in the index file
    std::string what;
};

struct PackageListing {
    std::vector<ListedEntry> entries; // every record read before the problem, if any
    plat::FileSize dataBytes = 0;     // the data file's length
    std::optional<PackageProblem> problem;
};

// Reads pelmora.kwi and pelmora.kwf in `folder` (ending in `\`), with names in
// `codePage`. Raises plat::FileError when a file cannot be opened or read.
PackageListing ReadPackageListing(const std::string& folder, unsigned codePage = plat::kDefaultCodePage);

// The line, as the user reads it, that tells a publisher what is wrong with the package in `folder`.
std::string DescribeProblem(const std::string& folder, const PackageProblem& problem);

} // namespace kwpack
