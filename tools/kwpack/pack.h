#pragma once

// Making the package pair from a flat folder of the application's files.

#include "code_page.h"
#include "host_system.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kwpack {

struct PackEntry {
    std::string text; // the name as listed, UTF-8
    std::uint64_t size = 0;
    std::string bytes; // the name as the index stores it, in the package's code page
};

struct PackPlan {
    std::vector<PackEntry> entries;     // sorted by index name, byte by byte
    std::vector<std::string> refusals;  // why the folder cannot be packed; empty when it can
    std::vector<std::string> warnings;  // packable, but the install would go wrong
};

// Why an item of the folder cannot become an entry of a package in
// `codePage`, or an empty text when it can.
std::string PackRefusal(const FolderItem& item, unsigned codePage = plat::kDefaultCodePage);
// Entries whose names differ only in case, in any letter, which Windows takes for one file.
std::vector<std::string> FindCaseTwins(const std::vector<PackEntry>& entries);

// What packing `folder` (ending in `\`) into a package in `codePage` would
// write. Reads no file's contents. Raises plat::FileError when the folder
// cannot be listed.
PackPlan PlanPackage(const std::string& folder, unsigned codePage = plat::kDefaultCodePage);

// Told before each entry is copied: the percent of the bytes already packed, and the entry's name.
using PackProgress = std::function<void(int percent, const std::string& name)>;

// Writes the index and data files of a plan without refusals into `outFolder`,
// in place of a pair that is there, through files named like them with
// ".kwpack-partial-" and the process's tag added, which are made new. Takes
// away the partial files of packs that died. Raises plat::FileError; its own
// partial files are then removed, and `outFolder` holds the old pair, the new
// pair, or data without an index.
// Packs writing into one folder take turns; a pack waits for another's turn
// `lockPatience` milliseconds at most.
constexpr unsigned kLockPatience = 30000;

void WritePackage(const std::string& folder, const PackPlan& plan, const std::string& outFolder,
                  const PackProgress& progress = {}, unsigned lockPatience = kLockPatience);

} // namespace kwpack
