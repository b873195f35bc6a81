#pragma once

#include "platform.h"

#include <cstdint>
#include <string>
#include <vector>

// One record of the index file: two little-endian 32-bit counts, then the name's bytes.
struct IndexRecord {
    std::uint32_t dataSize = 0;
    std::uint32_t nameLength = 0;
    std::string name; // cut at its first zero byte
};

constexpr plat::FileSize kRecordHeaderSize = 8;
// The longest path the system can open; a longer name could never be written.
constexpr std::size_t kMaxNameLength = 32767;

// Reads an open index file's records front to back through a buffer of its
// own, so a record costs no system call of its own. A record that does not fit
// in the index is a file error, raised before anything is allocated by the
// record's word.
class IndexReader {
public:
    explicit IndexReader(plat::File& index);

    plat::FileSize Length() const { return m_length; }
    // The offset of the next record.
    plat::FileSize Position() const { return m_position; }
    IndexRecord ReadRecord();

private:
    std::size_t Read(void* out, std::size_t count);
    void ReadName(IndexRecord& record);
    [[noreturn]] void RaiseMalformed(const std::string& what) const;

    plat::File& m_index;
    plat::FileSize m_length;
    plat::FileSize m_position;
    std::vector<char> m_buffer;
    std::size_t m_begin = 0; // unread bytes of the buffer lie in [m_begin, m_end)
    std::size_t m_end = 0;
};

// A record's 32-bit count, stored little-endian.
std::uint32_t LoadLittleEndian32(const unsigned char* bytes);

// The record as the packer writes it.
void AppendIndexRecord(std::string& index, std::uint32_t dataSize, const std::string& name);

// Bytes done of the whole as a percentage: divided first, then scaled and
// truncated, so 29 of 100 shows 28. An empty whole shows 0.
int ProgressPercent(plat::FileSize done, plat::FileSize total);
