#include "data_stream.h"
#include "test_support.h"

#include <gtest/gtest.h>

using kwtest::Pattern;
using kwtest::ReadBytes;
using kwtest::TempFolder;
using kwtest::WriteBytes;

namespace {

constexpr std::size_t kMiB = 1 << 20;

// One copy: the bytes asked and copied, and the calls between its pieces.
struct Copy {
    plat::FileSize count;
    plat::FileSize copied;
    int pauses;
};

} // namespace

TEST(DataStream, ConsecutiveCopiesTakeConsecutiveBytesWhateverTheBufferHolds)
{
    TempFolder folder;
    const std::string bytes = "0123456789abcdefghij";
    WriteBytes(folder.Path() + "in", bytes);
    // Copies that end inside a filled buffer, on its edge, and across several refills.
    for (const std::size_t bufferSize : {std::size_t{4}, std::size_t{7}, std::size_t{64}}) {
        SCOPED_TRACE(bufferSize);
        std::string joined;
        {
            plat::File source(folder.Path() + "in", plat::File::Mode::Read);
            DataStream stream(source, bufferSize);
            int serial = 0;
            for (const plat::FileSize count : {3u, 0u, 5u, 1u, 11u}) {
                const std::string name = folder.Path() + "out" + std::to_string(bufferSize) + "-" + std::to_string(serial++);
                plat::File target(name, plat::File::Mode::CreateNew);
                EXPECT_EQ(stream.CopyTo(target, count, [] {}), count);
            }
        }
        for (int serial = 0; serial < 5; ++serial)
            joined += ReadBytes(folder.Path() + "out" + std::to_string(bufferSize) + "-" + std::to_string(serial));
        EXPECT_EQ(joined, bytes);
    }
}

TEST(DataStream, CallsBetweenPiecesOnlyWhileACopyGoesOn)
{
    TempFolder folder;
    WriteBytes(folder.Path() + "in", Pattern(40));
    plat::File source(folder.Path() + "in", plat::File::Mode::Read);
    plat::File target(folder.Path() + "out", plat::File::Mode::CreateNew);
    DataStream stream(source, 8);
    // Each row continues where the last ended: 2 bytes, then 8 from 6 left in
    // the buffer and 2 from a refill, then exactly the rest of a buffer, then
    // 26 asked of 24 left, then the end.
    const Copy rows[] = {{2, 2, 0}, {8, 8, 1}, {6, 6, 0}, {0, 0, 0}, {26, 24, 3}, {5, 0, 0}};
    for (const Copy& row : rows) {
        int pauses = 0;
        EXPECT_EQ(stream.CopyTo(target, row.count, [&] { ++pauses; }), row.copied) << row.count;
        EXPECT_EQ(pauses, row.pauses) << row.count;
    }
}

TEST(DataStream, ALargeCopyCutShortLeavesOnlyWhatWasWritten)
{
    // Space set aside for the whole copy must not show up as length.
    TempFolder folder;
    const std::string bytes = Pattern(kMiB + kMiB / 2);
    WriteBytes(folder.Path() + "in", bytes);
    {
        plat::File source(folder.Path() + "in", plat::File::Mode::Read);
        plat::File target(folder.Path() + "out", plat::File::Mode::CreateNew);
        DataStream stream(source);
        EXPECT_EQ(stream.CopyTo(target, 3 * kMiB, [] {}), bytes.size());
        EXPECT_EQ(target.GetLength(), bytes.size());
    }
    EXPECT_EQ(ReadBytes(folder.Path() + "out"), bytes);
}

TEST(DataStream, LargeCopiesArriveWholeThroughTheOneBuffer)
{
    TempFolder folder;
    const std::string bytes = Pattern(5 * kMiB + 4099);
    WriteBytes(folder.Path() + "in", bytes);
    {
        plat::File source(folder.Path() + "in", plat::File::Mode::Read);
        plat::File first(folder.Path() + "first", plat::File::Mode::CreateNew);
        plat::File second(folder.Path() + "second", plat::File::Mode::CreateNew);
        DataStream stream(source);
        int pauses = 0;
        EXPECT_EQ(stream.CopyTo(first, 3 * kMiB + 1, [&] { ++pauses; }), 3 * kMiB + 1);
        EXPECT_EQ(pauses, 3) << "one piece for each megabyte read";
        EXPECT_EQ(stream.CopyTo(second, bytes.size(), [] {}), bytes.size() - (3 * kMiB + 1));
    }
    EXPECT_EQ(ReadBytes(folder.Path() + "first"), bytes.substr(0, 3 * kMiB + 1));
    EXPECT_EQ(ReadBytes(folder.Path() + "second"), bytes.substr(3 * kMiB + 1));
}

TEST(DataStream, AFailingWriteIsTheTargetsFileError)
{
    TempFolder folder;
    WriteBytes(folder.Path() + "in", "contents");
    WriteBytes(folder.Path() + "read-only use", "");
    plat::File source(folder.Path() + "in", plat::File::Mode::Read);
    plat::File target(folder.Path() + "read-only use", plat::File::Mode::Read);
    DataStream stream(source);
    try {
        stream.CopyTo(target, 8, [] {});
        FAIL() << "copying into a file opened for reading succeeded";
    } catch (const plat::FileError& error) {
        EXPECT_EQ(error.Path(), folder.Path() + "read-only use");
        EXPECT_EQ(std::string(error.what()).rfind("cannot write '" + error.Path() + "': ", 0), 0u) << error.what();
    }
}
