#include "code_page.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using kwtest::Entry;
using kwtest::FakeInstaller;
using kwtest::RawRecord;
using kwtest::ReadBytes;
using kwtest::TempFolder;
using kwtest::WriteBytes;
using kwtest::Log;

namespace {

const std::string& kFileError = kwtest::kFileErrorLine;

// A source folder holding a package, and an empty destination beside it.
struct Extraction {
    TempFolder source;
    TempFolder destination;
    FakeInstaller installer;

    void Package(const std::string& index, const std::string& data)
    {
        WriteBytes(source.Path() + "pelmora.kwi", index);
        WriteBytes(source.Path() + "pelmora.kwf", data);
    }
    int Run() { return installer.ExtractFiles(source.Path(), destination.Path()); }
    std::vector<std::string> Written() const { return kwtest::ListTree(destination.Path()); }
};

} // namespace

TEST(ExtractFiles, WritesTheWorkedExample)
{
    Extraction x;
    const std::string index("\x03\0\0\0\x05\0\0\0a.txt\0\0\0\0\x06\0\0\0readme", 27);
    x.Package(index, "abc");
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(x.installer.log, (Log{"status 0 Extracting a.txt", "status 100 Extracting readme"}));
    EXPECT_EQ(ReadBytes(x.destination.Path() + "a.txt"), "abc");
    EXPECT_EQ(ReadBytes(x.destination.Path() + "readme"), "");
}

TEST(ExtractFiles, CutsANameAtItsZeroByteAndReadsOnAfterTheWholeField)
{
    Extraction x;
    x.Package(RawRecord(2, 5, std::string("ab\0cd", 5)) + RawRecord(1, 4, "next"), "12Z");
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(x.Written(), (Log{"ab", "next"}));
    EXPECT_EQ(ReadBytes(x.destination.Path() + "ab"), "12");
    EXPECT_EQ(ReadBytes(x.destination.Path() + "next"), "Z");
}

TEST(ExtractFiles, EmptyIndexWritesNothingAndReportsNothing)
{
    Extraction x;
    x.Package("", "");
    EXPECT_EQ(x.Run(), 0);
    EXPECT_TRUE(x.installer.log.empty());
    EXPECT_TRUE(x.Written().empty());
}

TEST(ExtractFiles, EmptyEntryTruncatesAnExistingFileAndOthersAreOverwritten)
{
    Extraction x;
    WriteBytes(x.destination.Path() + "empty", "old contents");
    WriteBytes(x.destination.Path() + "full", "old contents, longer than the new");
    kwtest::WritePackage(x.source.Path(), {{"empty", ""}, {"full", "new"}});
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(ReadBytes(x.destination.Path() + "empty"), "");
    EXPECT_EQ(ReadBytes(x.destination.Path() + "full"), "new");
}

TEST(ExtractFiles, WritesIntoAnExistingSubfolderButCreatesNone)
{
    Extraction x;
    kwtest::WritePackage(x.source.Path(), {{"sub\\file.txt", "inside"}});
    std::filesystem::create_directory(kwtest::Native(x.destination.Path() + "sub"));
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(ReadBytes(x.destination.Path() + "sub\\file.txt"), "inside");

    Extraction without;
    kwtest::WritePackage(without.source.Path(), {{"sub\\file.txt", "inside"}});
    EXPECT_NE(without.Run(), 0);
    EXPECT_EQ(without.installer.log, (Log{"status 0 Extracting sub\\file.txt", kFileError}));
    EXPECT_TRUE(without.Written().empty());
}

TEST(ExtractFiles, ProgressCountsOnlyTheEntriesBefore)
{
    Extraction quarters;
    kwtest::WritePackage(quarters.source.Path(),
                         {{"a", std::string(250, 'a')}, {"b", std::string(250, 'b')}, {"c", std::string(500, 'c')}});
    EXPECT_EQ(quarters.Run(), 0);
    EXPECT_EQ(quarters.installer.percents, (std::vector<int>{0, 25, 50}));

    Extraction thirds;
    kwtest::WritePackage(thirds.source.Path(), {{"a", "1"}, {"b", "2"}, {"c", "3"}});
    EXPECT_EQ(thirds.Run(), 0);
    EXPECT_EQ(thirds.installer.percents, (std::vector<int>{0, 33, 66}));
}

TEST(ExtractFiles, DividesBeforeScalingSo29Of100Shows28)
{
    Extraction x;
    kwtest::WritePackage(x.source.Path(), {{"a", std::string(29, 'a')}, {"b", std::string(71, 'b')}});
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(x.installer.percents, (std::vector<int>{0, 28}));

    Extraction y;
    kwtest::WritePackage(y.source.Path(), {{"a", std::string(57, 'a')}, {"b", std::string(43, 'b')}});
    EXPECT_EQ(y.Run(), 0);
    EXPECT_EQ(y.installer.percents, (std::vector<int>{0, 56}));
}

TEST(ExtractFiles, EmptyDataFileShowsZeroForEveryEntry)
{
    Extraction x;
    kwtest::WritePackage(x.source.Path(), {{"a", ""}, {"b", ""}});
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(x.installer.percents, (std::vector<int>{0, 0}));
}

TEST(ExtractFiles, MissingPackageFilesAreFileErrors)
{
    Extraction noData;
    WriteBytes(noData.source.Path() + "pelmora.kwi", RawRecord(0, 1, "a"));
    EXPECT_NE(noData.Run(), 0);
    EXPECT_EQ(noData.installer.log, Log{kFileError});

    Extraction noIndex;
    WriteBytes(noIndex.source.Path() + "pelmora.kwf", "abc");
    EXPECT_NE(noIndex.Run(), 0);
    EXPECT_EQ(noIndex.installer.log, Log{kFileError});
}

TEST(ExtractFiles, EmptyNameIsAFileError)
{
    Extraction x;
    x.Package(RawRecord(1, 0, "") + RawRecord(0, 1, "b"), "a");
    EXPECT_NE(x.Run(), 0);
    EXPECT_EQ(x.installer.log, (Log{"status 0 Extracting ", kFileError}));
    EXPECT_TRUE(x.Written().empty());
}

class ExtractRows : public kwtest::CodePageRows {};
INSTANTIATE_TEST_SUITE_P(, ExtractRows, ::testing::Values(1252u, 932u), kwtest::CodePageName);

// Malformed records stop the extraction before the bad entry's file is made;
// the entries before it stay.
TEST_P(ExtractRows, MalformedRecordsStopBeforeTheirFileIsCreated)
{
    const std::string good = RawRecord(2, 4, "good");
    struct Case {
        const char* what;
        std::string index;
        std::string data;
        Log log;
        unsigned codePage = plat::kDefaultCodePage;
    };
    const Case cases[] = {
        {"index ends inside a header", good + std::string("\x01\0\0", 3), "ok",
         {"status 0 Extracting good", kFileError}},
        {"name runs past the index", good + RawRecord(0, 50, "bad"), "ok",
         {"status 0 Extracting good", kFileError}},
        {"huge name length", good + RawRecord(0, 0xFFFFFFFF, "bad"), "ok",
         {"status 0 Extracting good", kFileError}},
        {"data runs past the data file", good + RawRecord(9, 3, "bad"), "ok12345",
         {"status 0 Extracting good", "status 28 Extracting bad", kFileError}},
        {"huge data size in a 10-byte data file", good + RawRecord(0xFFFFFFFF, 3, "bad"), "ok12345678",
         {"status 0 Extracting good", "status 20 Extracting bad", kFileError}},
        {"a name ending in a lone lead byte", good + RawRecord(1, 4, "bad\x95"), "ok1",
         {"status 0 Extracting good", "status 66 Extracting bad\x95", kFileError}, 932},
    };
    for (const Case& c : cases) {
        if (!InThisRun(c.codePage))
            continue;
        SCOPED_TRACE(c.what);
        Extraction x;
        x.Package(c.index, c.data);
        EXPECT_NE(x.Run(), 0);
        EXPECT_EQ(x.installer.log, c.log);
        EXPECT_EQ(x.Written(), Log{"good"});
        EXPECT_EQ(ReadBytes(x.destination.Path() + "good"), "ok");
    }
}

TEST(ExtractFiles, UnsafeNamesWriteNothingOutsideTheDestination)
{
    const char* const names[] = {"..\\x", "../x", "sub\\..\\..\\x", "C:\\x", "\\x", "/x", "CON", "nul.txt", "a:stream"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        TempFolder outer;
        std::filesystem::create_directory(kwtest::Native(outer.Path() + "source"));
        std::filesystem::create_directory(kwtest::Native(outer.Path() + "dest"));
        std::filesystem::create_directory(kwtest::Native(outer.Path() + "dest\\sub"));
        kwtest::WritePackage(outer.Path() + "source\\", {{"first", "1"}, {name, "evil"}});

        FakeInstaller installer;
        EXPECT_NE(installer.ExtractFiles(outer.Path() + "source\\", outer.Path() + "dest\\"), 0);
        EXPECT_EQ(installer.log.back(), kFileError);
        EXPECT_EQ(kwtest::ListTree(outer.Path()),
                  (Log{"dest", "dest/first", "dest/sub", "source", "source/pelmora.kwf", "source/pelmora.kwi"}));
    }
}

TEST(ExtractFiles, StreamsAnEntryLargerThanTheCopyBuffer)
{
    // One entry larger than the copy buffer, so it is streamed in pieces.
    Extraction x;
    const std::string big(3 * 1024 * 1024 + 17, 'q');
    kwtest::WritePackage(x.source.Path(), {{"big", big}, {"small", "s"}});
    EXPECT_EQ(x.Run(), 0);
    EXPECT_EQ(ReadBytes(x.destination.Path() + "big"), big);
    EXPECT_EQ(x.installer.percents, (std::vector<int>{0, 99}));
}

TEST(ExtractFiles, LongNameFieldsKeepOnlyTheBytesBeforeTheirZero)
{
    Extraction padded;
    padded.Package(RawRecord(1, 40000, std::string("ab\0", 3) + std::string(39997, 'x')), "1");
    EXPECT_EQ(padded.Run(), 0);
    EXPECT_EQ(padded.Written(), Log{"ab"});

    Extraction endless;
    endless.Package(RawRecord(1, 40000, std::string(40000, 'x')), "1");
    EXPECT_NE(endless.Run(), 0);
    EXPECT_EQ(endless.installer.log, Log{kFileError});
}
