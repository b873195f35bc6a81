#pragma once

#include <string>

// Why a name whose bytes are no text in the code page is refused.
constexpr const char* kUndecodableNameReason = "it holds bytes that are no text in the code page";

// Why an entry name may not be written below the destination folder, or null
// when it may. Names are relative paths whose parts are separated by `\` (or
// `/`, which the system also takes as a separator), in bytes of the path code
// page; they are judged by the characters they decode to.
const char* RefusedEntryNameReason(const std::string& name);
// The same for a name already decoded, as UTF-8.
const char* RefusedEntryTextReason(const std::string& text);

inline bool IsSafeEntryName(const std::string& name) { return RefusedEntryNameReason(name) == nullptr; }
