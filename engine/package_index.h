#pragma once

#include "platform.h"

#include <cstdint>
#include <string>

// One record of the index file: two little-endian 32-bit counts, then the name's bytes.
struct IndexRecord {
    std::uint32_t dataSize = 0;
    std::uint32_t nameLength = 0;
    std::string name; // cut at its first zero byte
};

constexpr plat::FileSize kRecordHeaderSize = 8;
// The longest path the system can open; a longer name could never be written.
constexpr std::size_t kMaxNameLength = 32767;

// Reads the record at the index's current position, with `remaining` bytes left
// in the index. A record that does not fit is a file error, raised before
// anything is allocated by the record's word.
IndexRecord ReadIndexRecord(plat::File& index, plat::FileSize remaining);

// The record as the packer writes it.
void AppendIndexRecord(std::string& index, std::uint32_t dataSize, const std::string& name);

// Bytes done of the whole as a percentage: divided first, then scaled and
// truncated, so 29 of 100 shows 28. An empty whole shows 0.
int ProgressPercent(plat::FileSize done, plat::FileSize total);
