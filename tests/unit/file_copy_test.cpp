#include "test_support.h"

#include <gtest/gtest.h>

using kwtest::Pattern;
using kwtest::ReadBytes;
using kwtest::TempFolder;
using kwtest::WriteBytes;

namespace {

constexpr std::size_t kMiB = 1 << 20;

} // namespace

TEST(FileCopyTo, CopiesFromBothPositionsAndAdvancesThem)
{
    TempFolder folder;
    WriteBytes(folder.Path() + "in", "0123456789abcdef");
    std::vector<char> buffer;
    {
        plat::File source(folder.Path() + "in", plat::File::Mode::Read);
        plat::File target(folder.Path() + "out", plat::File::Mode::CreateWrite);
        char skipped[3];
        ASSERT_EQ(source.Read(skipped, sizeof skipped), 3u);
        target.Write("<", 1);

        EXPECT_EQ(source.CopyTo(target, 5, buffer), 5u);
        EXPECT_EQ(source.GetPosition(), 8u);
        EXPECT_EQ(target.GetPosition(), 6u);
        target.Write("|", 1);
        EXPECT_EQ(source.CopyTo(target, 2, buffer), 2u);
        EXPECT_EQ(source.CopyTo(target, 0, buffer), 0u);
    }
    EXPECT_EQ(ReadBytes(folder.Path() + "out"), "<34567|89");
}

TEST(FileCopyTo, StopsShortOnlyWhereTheSourceEnds)
{
    TempFolder folder;
    WriteBytes(folder.Path() + "in", "tail");
    std::vector<char> buffer;
    {
        plat::File source(folder.Path() + "in", plat::File::Mode::Read);
        plat::File target(folder.Path() + "out", plat::File::Mode::CreateWrite);
        EXPECT_EQ(source.CopyTo(target, 100, buffer), 4u);
        EXPECT_EQ(source.CopyTo(target, 100, buffer), 0u);
    }
    EXPECT_EQ(ReadBytes(folder.Path() + "out"), "tail");
}

TEST(FileCopyTo, ALargeCopyCutShortLeavesOnlyWhatWasWritten)
{
    // Space set aside for the whole copy must not show up as length.
    TempFolder folder;
    const std::string bytes = Pattern(kMiB + kMiB / 2);
    WriteBytes(folder.Path() + "in", bytes);
    std::vector<char> buffer;
    {
        plat::File source(folder.Path() + "in", plat::File::Mode::Read);
        plat::File target(folder.Path() + "out", plat::File::Mode::CreateWrite);
        EXPECT_EQ(source.CopyTo(target, 3 * kMiB, buffer), bytes.size());
        EXPECT_EQ(target.GetLength(), bytes.size());
    }
    EXPECT_EQ(ReadBytes(folder.Path() + "out"), bytes);
}

TEST(FileCopyTo, LargeCopiesArriveWholeThroughABoundedBuffer)
{
    TempFolder folder;
    const std::string bytes = Pattern(5 * kMiB + 4099);
    WriteBytes(folder.Path() + "in", bytes);
    std::vector<char> buffer;
    {
        plat::File source(folder.Path() + "in", plat::File::Mode::Read);
        plat::File first(folder.Path() + "first", plat::File::Mode::CreateWrite);
        plat::File second(folder.Path() + "second", plat::File::Mode::CreateWrite);
        EXPECT_EQ(source.CopyTo(first, 3 * kMiB + 1, buffer), 3 * kMiB + 1);
        EXPECT_EQ(source.CopyTo(second, bytes.size(), buffer), bytes.size() - (3 * kMiB + 1));
    }
    // The buffer is reused, never sized by what is copied.
    EXPECT_LE(buffer.size(), kMiB);
    EXPECT_EQ(ReadBytes(folder.Path() + "first"), bytes.substr(0, 3 * kMiB + 1));
    EXPECT_EQ(ReadBytes(folder.Path() + "second"), bytes.substr(3 * kMiB + 1));
}

TEST(FileCopyTo, AFailingWriteIsTheTargetsFileError)
{
    TempFolder folder;
    WriteBytes(folder.Path() + "in", "contents");
    WriteBytes(folder.Path() + "read-only use", "");
    std::vector<char> buffer;
    plat::File source(folder.Path() + "in", plat::File::Mode::Read);
    plat::File target(folder.Path() + "read-only use", plat::File::Mode::Read);
    try {
        source.CopyTo(target, 8, buffer);
        FAIL() << "copying into a file opened for reading succeeded";
    } catch (const plat::FileError& error) {
        EXPECT_NE(error.Cause(), 0);
        EXPECT_EQ(error.Path(), folder.Path() + "read-only use");
    }
}
