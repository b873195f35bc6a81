#pragma once

// Making the package pair from a flat folder of the application's files.

#include "host_system.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kwpack {

struct PackEntry {
    std::string name;
    std::uint64_t size = 0;
};

struct PackPlan {
    std::vector<PackEntry> entries;     // sorted by name, byte by byte
    std::vector<std::string> refusals;  // why the folder cannot be packed; empty when it can
    std::vector<std::string> warnings;  // packable, but the install would go wrong
};

// Why an item of the folder cannot become an entry, or an empty text when it can.
std::string PackRefusal(const FolderItem& item);
// Entries whose names differ only in case, which Windows takes for one file.
std::vector<std::string> FindCaseTwins(const std::vector<PackEntry>& entries);

// What packing `folder` (ending in `\`) would write. Reads no file's contents.
// Raises plat::FileError when the folder cannot be listed.
PackPlan PlanPackage(const std::string& folder);

// Told before each entry is copied: the percent of the bytes already packed, and the entry's name.
using PackProgress = std::function<void(int percent, const std::string& name)>;

// Writes the index and data files of a plan without refusals into `outFolder`.
// Raises plat::FileError; the output files it had opened are then removed.
void WritePackage(const std::string& folder, const PackPlan& plan, const std::string& outFolder,
                  const PackProgress& progress = {});

} // namespace kwpack
