#pragma once

#include "file.h"

#include <cstdint>
#include <string>
#include <vector>

// One record of the index file: two little-endian 32-bit counts, then the name's bytes.
struct IndexRecord {
    std::uint32_t dataSize = 0;
    std::uint32_t nameLength = 0;
    std::string name; // cut at its first zero byte, so shorter than nameLength when the field holds one
};

constexpr plat::FileSize kRecordHeaderSize = 8;
// The longest path the system can open; a longer name could never be written.
constexpr std::size_t kMaxNameLength = 32767;

// What is wrong with a package, and where in its index.
struct IndexProblem {
    std::size_t record = 0;    // counted from 1; 0 when the fault lies after the last record
    plat::FileSize offset = 0; // of the record, or of the end, in the index file
    std::string what;

    // "record 2 at index offset 13: " and what is wrong.
    std::string Describe() const;
};

// Reads an open index file's records front to back through a buffer of its
// own, so a record costs no system call of its own. A record that does not
// fit in the index is found before anything is allocated by the record's
// word, and a name field is read through a small piece at a time, so memory
// stays the same whatever a record claims.
class IndexReader {
public:
    explicit IndexReader(plat::File& index);

    plat::FileSize Length() const { return m_length; }
    // The offset of the next record.
    plat::FileSize Position() const { return m_position; }

    // The next record; false, with `problem` saying what is wrong and where,
    // when it does not fit in the index. Raises plat::FileError only when the
    // file cannot be read.
    bool Next(IndexRecord& record, IndexProblem& problem);
    // The same, with a record that does not fit raised as a file error that
    // says what Next would.
    IndexRecord ReadRecord();

private:
    std::size_t Read(void* out, std::size_t count);
    // What is wrong with the name field, or an empty text.
    std::string ReadName(IndexRecord& record);

    plat::File& m_index;
    plat::FileSize m_length;
    plat::FileSize m_position;
    std::size_t m_records = 0;
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
