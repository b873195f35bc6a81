// A package of more than 4 GiB, with one entry of 3 GiB, extracted for real:
// the data file is sparse, with a few written pieces whose bytes are checked
// at their places in the output. The extraction runs in kwmemoryprobe (see
// there) so that its peak memory can be read.

#include "package_index.h"
#include "test_support.h"
#include "tiny_volume.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

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

void WriteAt(int fd, std::uint64_t offset, const std::string& bytes)
{
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
              static_cast<ssize_t>(bytes.size()));
}

std::string ReadAt(const std::string& path, std::uint64_t offset, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::string bytes(size, '\0');
    const ssize_t got = fd >= 0 ? ::pread(fd, bytes.data(), size, static_cast<off_t>(offset)) : -1;
    if (fd >= 0)
        ::close(fd);
    bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return bytes;
}

// What the system can hand out without swapping, page cache included.
std::uint64_t FreeMemory()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    while (meminfo >> key >> kib) {
        if (key == "MemAvailable:")
            return kib * 1024;
        meminfo.ignore(64, '\n');
    }
    return 0;
}

// Runs the probe and returns what it printed; its exit status must be 0.
std::string RunProbe(const std::string& source, const std::string& destination)
{
    const std::string output = kwtest::Native(destination) + "../probe.out";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const char* argv[] = {KW_MEMORY_PROBE, source.c_str(), destination.c_str(), nullptr};
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, KW_MEMORY_PROBE, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0);
    int status = -1;
    if (spawned == 0)
        ::waitpid(pid, &status, 0);
    EXPECT_EQ(status, 0);
    return kwtest::ReadBytes(output);
}

} // namespace

TEST(LargePackage, MoreThan4GiBStreamsExactlyWithSteadyProgressAndLittleMemory)
{
    // Room for the sparse data file and 4 GiB of output: in memory when there
    // is that much to spare, else on the disk.
    std::optional<kwtest::TinyVolume> volume;
    std::string whyNotInMemory = "less than 6 GiB of memory free";
    if (FreeMemory() >= 6 * kGiB) {
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
        {4 * kGiB + 8192, Marker(4096, 't')},        // all of tail.txt
    };

    std::string index;
    for (const PackedEntry& entry : entries)
        AppendIndexRecord(index, static_cast<std::uint32_t>(entry.size), entry.name);
    kwtest::WriteBytes(source + "pelmora.kwi", index);
    const int data = ::open(kwtest::Native(source + "pelmora.kwf").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(data, 0);
    ASSERT_EQ(::ftruncate(data, static_cast<off_t>(total)), 0);
    for (const Piece& piece : pieces)
        WriteAt(data, piece.offset, piece.bytes);
    ::close(data);

    const auto started = std::chrono::steady_clock::now();
    std::istringstream output(RunProbe(source, destination));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::vector<int> percents;
    std::string word;
    long long result = -1;
    long long peakKib = -1;
    while (output >> word) {
        if (word == "status") {
            int percent = 0;
            output >> percent;
            percents.push_back(percent);
        } else if (word == "result") {
            output >> result;
        } else if (word == "peak_kib") {
            output >> peakKib;
        }
        std::getline(output, word);
    }
    std::cout << "extracted " << total << " bytes in " << seconds << " s, peak " << peakKib << " KiB\n";

    EXPECT_EQ(result, 0);
    // Bytes done before each entry over the whole, truncated: 0, 0, 74.99..., 99.99...
    EXPECT_EQ(percents, (std::vector<int>{0, 0, 74, 99}));
    EXPECT_GT(peakKib, 0);
    EXPECT_LT(static_cast<std::uint64_t>(peakKib), kPeakLimitKib);

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
            EXPECT_EQ(ReadAt(path, from - entry.offset, to - from), piece.bytes.substr(from - piece.offset, to - from))
                << "at data offset " << from;
        }
    }
    // A stretch that was never written comes out as zeros.
    EXPECT_EQ(ReadAt(kwtest::Native(destination + "three.bin"), kGiB, 4096), std::string(4096, '\0'));
    fs::remove_all(kwtest::Native(source));
    fs::remove_all(kwtest::Native(destination));
}
