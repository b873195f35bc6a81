// A package of more than 4 GiB, with one entry of 3 GiB, extracted for real:
// the data file is sparse, with a few written pieces whose bytes are checked
// at their places in the output. In a 32-bit program a size or an offset held
// in 32 bits turns at 2 GiB and wraps at 4 GiB, and an entry held whole in
// memory cannot even be allocated.

#include "large_extraction.h"
#include "package_index.h"
#include "test_support.h"
#include "tiny_volume.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kGiB = 1024 * kMiB;
constexpr std::uint64_t kPeakLimitKib = 16 * 1024;

struct Piece {
    std::uint64_t offset; // in the data file
    std::string bytes;
};

struct PackedEntry {
    std::string name;
    std::uint64_t size;
    std::uint64_t offset; // in the data file
};

std::string Marker(std::size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 29 + i / 256);
    return bytes;
}

// Only the pieces are written: the stretches between them stay holes.
void WritePieces(const std::string& path, const std::vector<Piece>& pieces)
{
    kwtest::WriteBytes(path, "");
    std::fstream file(kwtest::Native(path), std::ios::in | std::ios::out | std::ios::binary);
    for (const Piece& piece : pieces) {
        file.seekp(static_cast<std::streamoff>(piece.offset));
        file.write(piece.bytes.data(), static_cast<std::streamsize>(piece.bytes.size()));
    }
    ASSERT_TRUE(file.flush()) << path;
}

std::string ReadAt(const std::string& path, std::uint64_t offset, std::size_t size)
{
    std::ifstream file(path, std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(size, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}

} // namespace

TEST(LargePackage, MoreThan4GiBStreamsExactlyWithSteadyProgressAndLittleMemory)
{
    // Room for the sparse data file and 4 GiB of output: in memory when there
    // is that much to spare, else on the disk.
    std::optional<kwtest::TinyVolume> volume;
    std::string whyNotInMemory;
    if (kwtest::MemoryToSpare(6 * kGiB, whyNotInMemory)) {
        volume.emplace(6 * kGiB);
        whyNotInMemory = volume->SkipReason();
    }
    std::optional<kwtest::TempFolder> fallback;
    std::string root = volume ? volume->Path() : std::string();
    if (root.empty()) {
        const fs::path temp = fs::temp_directory_path();
        if (fs::space(temp).available < 5 * kGiB)
            GTEST_SKIP() << "no tmpfs (" << whyNotInMemory << "), and " << temp << " has less than 5 GiB free";
        root = fallback.emplace().Path();
    }
    const std::string source = root + "source\\";
    const std::string destination = root + "dest\\";
    fs::create_directories(kwtest::Native(source));
    fs::create_directories(kwtest::Native(destination));

    const std::vector<PackedEntry> entries = {
        {"head.txt", 4096, 0},
        {"three.bin", 3 * kGiB, 4096},
        {"more.bin", 1 * kGiB + 4096, 3 * kGiB + 4096},
        {"tail.txt", 4096, 4 * kGiB + 8192},
    };
    const std::uint64_t total = 4 * kGiB + 3 * 4096;
    const std::vector<Piece> pieces = {
        {0, Marker(4096, 'h')},                      // all of head.txt
        {4096, Marker(512, 'a')},                    // the start of three.bin
        {4096 + kMiB - 100, Marker(300, 'b')},       // across the first copy-buffer boundary
        {4096 + 2 * kGiB - 7, Marker(64, 'c')},      // across 2 GiB, where signed 32-bit counts turn
        {4096 + 3 * kGiB - 200, Marker(400, 'd')},   // the end of three.bin and the start of more.bin
        {4 * kGiB - 50, Marker(100, 'e')},           // across 4 GiB, where 32-bit counts wrap
        {4 * kGiB + 8192, Marker(4096, 't')},        // all of tail.txt, up to the end of the data
    };

    std::string index;
    for (const PackedEntry& entry : entries)
        AppendIndexRecord(index, static_cast<std::uint32_t>(entry.size), entry.name);
    kwtest::WriteBytes(source + "pelmora.kwi", index);
    WritePieces(source + "pelmora.kwf", pieces);
    ASSERT_EQ(fs::file_size(kwtest::Native(source + "pelmora.kwf")), total);

    const auto started = std::chrono::steady_clock::now();
    const kwtest::MeasuredExtraction extraction = kwtest::ExtractMeasured(source, destination);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << "extracted " << total << " bytes in " << seconds << " s, peak "
              << (extraction.peakKib ? std::to_string(*extraction.peakKib) + " KiB\n" : "not measured\n");

    EXPECT_EQ(extraction.result, 0);
    // Bytes done before each entry over the whole, truncated: 0, 0, 74.99..., 99.99...
    EXPECT_EQ(extraction.percents, (std::vector<int>{0, 0, 74, 99}));
    if (extraction.peakKib) {
        EXPECT_GT(*extraction.peakKib, 0u);
        EXPECT_LT(*extraction.peakKib, kPeakLimitKib);
    }

    for (const PackedEntry& entry : entries) {
        SCOPED_TRACE(entry.name);
        const std::string path = kwtest::Native(destination + entry.name);
        ASSERT_EQ(fs::file_size(path), entry.size);
        for (const Piece& piece : pieces) {
            // The part of the piece that falls in this entry, where it lands in the output.
            const std::uint64_t from = std::max(piece.offset, entry.offset);
            const std::uint64_t to = std::min(piece.offset + piece.bytes.size(), entry.offset + entry.size);
            if (from >= to)
                continue;
            EXPECT_EQ(ReadAt(path, from - entry.offset, static_cast<std::size_t>(to - from)),
                      piece.bytes.substr(static_cast<std::size_t>(from - piece.offset),
                                         static_cast<std::size_t>(to - from)))
                << "at data offset " << from;
        }
    }
    // A stretch that was never written comes out as zeros.
    EXPECT_EQ(ReadAt(kwtest::Native(destination + "three.bin"), kGiB, 4096), std::string(4096, '\0'));
    fs::remove_all(kwtest::Native(source));
    fs::remove_all(kwtest::Native(destination));
}
