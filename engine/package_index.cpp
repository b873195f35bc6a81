#include "package_index.h"

namespace {

std::uint32_t LoadLittleEndian32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void StoreLittleEndian32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

[[noreturn]] void RaiseMalformed(const plat::File& index, const std::string& what)
{
    throw plat::FileError(plat::kCauseEndOfFile, index.Path(), what);
}

} // namespace

IndexRecord ReadIndexRecord(plat::File& index, plat::FileSize remaining)
{
    unsigned char header[kRecordHeaderSize];
    if (remaining < kRecordHeaderSize || index.Read(header, sizeof header) != sizeof header)
        RaiseMalformed(index, "the index ends inside a record header");

    IndexRecord record;
    record.dataSize = LoadLittleEndian32(header);
    record.nameLength = LoadLittleEndian32(header + 4);
    if (record.nameLength > remaining - kRecordHeaderSize)
        RaiseMalformed(index, "the name length " + std::to_string(record.nameLength) +
                                  " runs past the end of the index");

    record.name.resize(record.nameLength);
    if (index.Read(record.name.data(), record.nameLength) != record.nameLength)
        RaiseMalformed(index, "the index ends inside a name");
    const std::size_t zero = record.name.find('\0');
    if (zero != std::string::npos)
        record.name.resize(zero);
    return record;
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
