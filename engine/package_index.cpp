#include "package_index.h"

#include "counted.h"

#include <algorithm>

namespace {

const char* const kShrunk = "the index file got shorter while it was read";

void StoreLittleEndian32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

} // namespace

std::string IndexProblem::Describe() const
{
    const std::string place = record > 0 ? "record " + std::to_string(record) + " at index offset "
                                         : std::string("after the last record, at index offset ");
    return place + std::to_string(offset) + ": " + what;
}

IndexReader::IndexReader(plat::File& index)
    : m_index(index), m_length(index.GetLength()), m_position(index.GetPosition()), m_buffer(64 * 1024)
{
}

bool IndexReader::Next(IndexRecord& record, IndexProblem& problem)
{
    problem = IndexProblem{++m_records, m_position, std::string()};
    record = IndexRecord();
    const plat::FileSize remaining = m_length - m_position;
    unsigned char header[kRecordHeaderSize];
    if (remaining < kRecordHeaderSize) {
        problem.what = "the index ends inside the record's header (" + CountBytes(remaining) + " of " +
                       std::to_string(kRecordHeaderSize) + ")";
    } else if (Read(header, sizeof header) != sizeof header) {
        problem.what = kShrunk;
    } else {
        record.dataSize = LoadLittleEndian32(header);
        record.nameLength = LoadLittleEndian32(header + 4);
        const plat::FileSize nameRoom = remaining - kRecordHeaderSize;
        if (record.nameLength > nameRoom)
            problem.what = "the name length " + std::to_string(record.nameLength) +
                           " runs past the end of the index (" + CountBytes(nameRoom) + " left)";
        else
            problem.what = ReadName(record);
    }
    return problem.what.empty();
}

IndexRecord IndexReader::ReadRecord()
{
    IndexRecord record;
    IndexProblem problem;
    if (!Next(record, problem))
        throw plat::FileError(plat::kCauseEndOfFile, m_index.Path(), problem.Describe());
    return record;
}

// Reads the whole name field but keeps only the bytes before its first zero,
// and never more than a path can hold, so a huge field allocates nothing.
std::string IndexReader::ReadName(IndexRecord& record)
{
    char chunk[4096];
    bool cut = false;
    for (std::uint32_t left = record.nameLength; left > 0;) {
        const std::size_t ask = left < sizeof chunk ? left : sizeof chunk;
        if (Read(chunk, ask) != ask)
            return kShrunk;
        left -= static_cast<std::uint32_t>(ask);
        if (cut)
            continue;
        const std::size_t kept = std::find(chunk, chunk + ask, '\0') - chunk;
        cut = kept < ask;
        if (record.name.size() + kept > kMaxNameLength)
            return "the name is longer than " + std::to_string(kMaxNameLength) + " bytes, more than a path can hold";
        record.name.append(chunk, kept);
    }
    return std::string();
}

std::size_t IndexReader::Read(void* out, std::size_t count)
{
    auto* bytes = static_cast<char*>(out);
    std::size_t done = 0;
    while (done < count) {
        if (m_begin == m_end) {
            m_begin = 0;
            m_end = m_index.Read(m_buffer.data(), m_buffer.size());
            if (m_end == 0)
                break;
        }
        const std::size_t take = std::min(count - done, m_end - m_begin);
        std::copy(m_buffer.data() + m_begin, m_buffer.data() + m_begin + take, bytes + done);
        m_begin += take;
        done += take;
    }
    m_position += done;
    return done;
}

std::uint32_t LoadLittleEndian32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void AppendIndexRecord(std::string& index, std::uint32_t dataSize, const std::string& name)
{
    StoreLittleEndian32(index, dataSize);
    StoreLittleEndian32(index, static_cast<std::uint32_t>(name.size()));
    index += name;
}

int ProgressPercent(plat::FileSize done, plat::FileSize total)
{
    if (total == 0)
        return 0;
    return static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}
