#include "kwpack_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

using kwtest::CapturedConsole;
using kwtest::Contains;
using kwtest::TempFolder;

namespace {

struct Extracting {
    TempFolder package;
    TempFolder destination;
    CapturedConsole captured;

    explicit Extracting(bool terminal = false) : captured(terminal) {}
    int Run() { return Run(destination.Path()); }
    int Run(const std::string& to) { return kwpack::RunExtract(package.Path(), to, captured.console); }
};

} // namespace

TEST(Extract, PrintsALinePerEntryWhenOutputIsNoTerminal)
{
    Extracting x;
    kwtest::WritePackage(x.package.Path(), {{"a.txt", "abc"}, {"readme", ""}});
    EXPECT_EQ(x.Run(), kwpack::kExitOk);
    EXPECT_EQ(x.captured.out.str(), "[  0%] Extracting a.txt\n"
                                    "[100%] Extracting readme\n"
                                    "Extracted 2 entries into '" + x.destination.Path() + "'\n");
    EXPECT_EQ(kwtest::ReadBytes(x.destination.Path() + "a.txt"), "abc");
    EXPECT_EQ(kwtest::ReadBytes(x.destination.Path() + "readme"), "");
}

TEST(Extract, RewritesOneLineOnATerminal)
{
    Extracting x(true);
    kwtest::WritePackage(x.package.Path(), {{"a-long-name.txt", "abc"}, {"b", "d"}});
    EXPECT_EQ(x.Run(), kwpack::kExitOk);
    // The shorter second line blanks out what is left of the first.
    EXPECT_EQ(x.captured.out.str(), "\r[  0%] Extracting a-long-name.txt"
                                    "\r[ 75%] Extracting b              \n"
                                    "Extracted 2 entries into '" + x.destination.Path() + "'\n");
}

TEST(Extract, ClipsATerminalLineThatWouldWrap)
{
    Extracting x(true);
    kwtest::WritePackage(x.package.Path(), {{std::string(100, 'n'), "abc"}});
    EXPECT_EQ(x.Run(), kwpack::kExitOk);
    const std::string line = x.captured.out.str().substr(0, x.captured.out.str().find('\n'));
    EXPECT_EQ(line.size(), 1u + 79u); // `\r` and the clipped line
    EXPECT_EQ(line.substr(line.size() - 3), "...");
}

TEST(Extract, FileErrorExitsWithOneAndNamesTheFile)
{
    Extracting x;
    kwtest::WritePackage(x.package.Path(), {{"pelmora.exe", "MZ"}, {"sub\\file.txt", "abc"}});
    EXPECT_EQ(x.Run(), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(x.captured.err.str(), "extraction stopped"));
    EXPECT_TRUE(Contains(x.captured.err.str(), x.destination.Path() + "sub\\file.txt"));
    EXPECT_FALSE(Contains(x.captured.out.str(), "Extracted"));
    EXPECT_EQ(kwtest::ReadBytes(x.destination.Path() + "pelmora.exe"), "MZ");
}

TEST(Extract, MalformedRecordIsReportedWithTheFileConcerned)
{
    Extracting x;
    kwtest::WriteBytes(x.package.Path() + "pelmora.kwi", kwtest::RawRecord(9, 1, "a"));
    kwtest::WriteBytes(x.package.Path() + "pelmora.kwf", "abc");
    EXPECT_EQ(x.Run(), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(x.captured.err.str(), "extraction stopped: entry 'a'"));
    EXPECT_TRUE(Contains(x.captured.err.str(), "pelmora.kwf"));
}

TEST(Extract, MissingPackageNamesTheFileAndTheCause)
{
    Extracting x;
    EXPECT_EQ(x.Run(), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(x.captured.err.str(), x.package.Path() + "pelmora.kwi"));
    EXPECT_TRUE(Contains(x.captured.err.str(), "file not found"));
    EXPECT_EQ(x.captured.out.str(), "");
}

TEST(Extract, CreatesAMissingDestinationFolder)
{
    Extracting x;
    kwtest::WritePackage(x.package.Path(), {{"pelmora.exe", "MZ"}});
    EXPECT_EQ(x.Run(x.destination.Path() + "new"), kwpack::kExitOk);
    EXPECT_EQ(kwtest::ReadBytes(x.destination.Path() + "new\\pelmora.exe"), "MZ");
}

TEST(Extract, DestinationWhoseParentIsMissingFailsWithoutExtracting)
{
    Extracting x;
    kwtest::WritePackage(x.package.Path(), {{"pelmora.exe", "MZ"}});
    EXPECT_EQ(x.Run(x.destination.Path() + "no\\such"), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(x.captured.err.str(), "cannot create the folder"));
    EXPECT_EQ(x.captured.out.str(), "");
}
