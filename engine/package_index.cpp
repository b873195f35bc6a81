#include "package_index.h"

#include <algorithm>

namespace {

void StoreLittleEndian32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

} // namespace

IndexReader::IndexReader(plat::File& index)
    : m_index(index), m_length(index.GetLength()), m_position(index.GetPosition()), m_buffer(64 * 1024)
{
}

IndexRecord IndexReader::ReadRecord()
{
    const plat::FileSize remaining = m_length - m_position;
    unsigned char header[kRecordHeaderSize];
    if (remaining < kRecordHeaderSize || Read(header, sizeof header) != sizeof header)
        RaiseMalformed("the index ends inside a record header");

    IndexRecord record;
    record.dataSize = LoadLittleEndian32(header);
    record.nameLength = LoadLittleEndian32(header + 4);
    if (record.nameLength > remaining - kRecordHeaderSize)
        RaiseMalformed("the name length " + std::to_string(record.nameLength) + " runs past the end of the index");
    ReadName(record);
    return record;
}

// Reads the whole name field but keeps only the bytes before its first zero,
// and never more than a path can hold, so a huge field allocates nothing.
void IndexReader::ReadName(IndexRecord& record)
{
    char chunk[4096];
    bool cut = false;
    for (std::uint32_t left = record.nameLength; left > 0;) {
        const std::size_t ask = left < sizeof chunk ? left : sizeof chunk;
        if (Read(chunk, ask) != ask)
            RaiseMalformed("the index ends inside a name");
        left -= static_cast<std::uint32_t>(ask);
        if (cut)
            continue;
        const std::size_t kept = std::find(chunk, chunk + ask, '\0') - chunk;
        cut = kept < ask;
        if (record.name.size() + kept > kMaxNameLength)
            RaiseMalformed("the name is longer than " + std::to_string(kMaxNameLength) + " bytes");
        record.name.append(chunk, kept);
    }
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

void IndexReader::RaiseMalformed(const std::string& what) const
{
    throw plat::FileError(plat::kCauseEndOfFile, m_index.Path(), what);
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
