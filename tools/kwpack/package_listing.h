#pragma once

// Reading a package pair back for the publisher: every record, through the
// engine's own reader, checked the way the installer would need it to be.

#include "file_error.h"
#include "package_index.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kwpack {

struct ListedEntry {
    std::string bytes; // the name as the index stores it
    std::uint32_t size = 0;
    std::string text; // the name decoded from the package's code page, UTF-8
};

using ListedEntrySink = std::function<void(const ListedEntry&)>;

// Reads pelmora.kwi and pelmora.kwf in `folder` (ending in `\`), with names
// in `codePage`, and gives each sound entry to `onEntry` as it is read;
// returns the first thing found wrong, after which nothing more is read.
// Memory does not grow with what a record claims. The files are opened for
// reading shared with anyone else. Raises plat::FileError when a file cannot
// be opened or read.
std::optional<IndexProblem> ReadPackageListing(const std::string& folder, unsigned codePage,
                                               const ListedEntrySink& onEntry);

// The line, as the user reads it, that tells a publisher what is wrong with the package in `folder`.
std::string DescribeProblem(const std::string& folder, const IndexProblem& problem);

} // namespace kwpack
