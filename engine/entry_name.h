#pragma once

#include <string>

// Why an entry name may not be written below the destination folder, or null
// when it may. Names are relative paths whose parts are separated by `\` (or
// `/`, which the system also takes as a separator).
const char* RefusedEntryNameReason(const std::string& name);

inline bool IsSafeEntryName(const std::string& name) { return RefusedEntryNameReason(name) == nullptr; }
