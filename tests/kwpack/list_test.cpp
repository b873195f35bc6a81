#include "kwpack_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

using kwtest::CapturedConsole;
using kwtest::Contains;
using kwtest::RawRecord;
using kwtest::TempFolder;

namespace {

struct Listing {
    TempFolder package;
    CapturedConsole captured;

    int Run(const std::string& index, const std::string& data, unsigned codePage = 1252)
    {
        kwtest::WriteBytes(package.Path() + "pelmora.kwi", index);
        kwtest::WriteBytes(package.Path() + "pelmora.kwf", data);
        return kwpack::RunList(package.Path(), captured.console, codePage);
    }
};

struct Malformed {
    const char* why;
    std::string index;
    std::string data;
    std::string place;   // record and offset as reported
    std::string problem; // what is said to be wrong
    unsigned codePage = 1252;
};

} // namespace

TEST(List, ShowsEachEntryThenTheCountAndTotal)
{
    Listing l;
    kwtest::WritePackage(l.package.Path(), {{"pelmora.exe", std::string(1234, 'x')}, {"readme", ""}});
    EXPECT_EQ(kwpack::RunList(l.package.Path(), l.captured.console), kwpack::kExitOk);
    EXPECT_EQ(l.captured.out.str(), "      1234  pelmora.exe\n"
                                    "         0  readme\n"
                                    "2 entries, 1234 bytes\n");
    EXPECT_EQ(l.captured.err.str(), "");
}

TEST(List, EmptyPackageHasNoEntries)
{
    Listing l;
    EXPECT_EQ(l.Run("", ""), kwpack::kExitOk);
    EXPECT_EQ(l.captured.out.str(), "0 entries, 0 bytes\n");
}

TEST(List, ReportsTheRecordItsOffsetAndTheFault)
{
    const std::string good = RawRecord(3, 5, "a.txt"); // 13 bytes, claims "abc"
    const Malformed cases[] = {
        {"index ends inside a header", good + std::string("\x01\0", 2), "abc", "record 2 at index offset 13",
         "the index ends inside the record's header (2 bytes of 8)"},
        {"name runs past the index", good + RawRecord(0, 100, "abc"), "abc", "record 2 at index offset 13",
         "the name length 100 runs past the end of the index (3 bytes left)"},
        {"name length near 4 GiB", RawRecord(0, 0xFFFFFFFFu, "x"), "", "record 1 at index offset 0",
         "the name length 4294967295 runs past the end of the index (1 byte left)"},
        {"zero byte inside a name", RawRecord(0, 5, std::string("ab\0cd", 5)), "", "record 1 at index offset 0",
         "zero byte at position 2, so the installer would write 'ab'"},
        {"name longer than a path", RawRecord(0, 40000, std::string(40000, 'n')), "", "record 1 at index offset 0",
         "the name is longer than 32767 bytes, more than a path can hold"},
        {"empty name", good + RawRecord(0, 0, ""), "abc", "record 2 at index offset 13",
         "refuses the name '': it is empty"},
        {"name leaving the destination", RawRecord(0, 8, "..\\x.txt"), "", "record 1 at index offset 0",
         "refuses the name '..\\x.txt'"},
        {"data past the end of the data file", good + RawRecord(5, 1, "b"), "abcde", "record 2 at index offset 13",
         "its 5 bytes of data run past the end of the data file (2 bytes left)"},
        {"data nobody claims", good, "abcdef", "after the last record, at index offset 13",
         "the data file holds 3 bytes that no record claims"},
        // The byte is shown by its value, "\x95", whose `\` is no separator to map.
        {"a lone lead byte", RawRecord(0, 2, "a\x95"), "", "record 1 at index offset 0",
         "x95' holds bytes that are no text in code page 932", 932},
        {"'|' after a character whose second byte is 7C", RawRecord(0, 3, "\x83\x7C|"), "",
         "record 1 at index offset 0", "the installer refuses the name 'ポ|': it holds one of", 932},
    };
    for (const Malformed& c : cases) {
        SCOPED_TRACE(c.why);
        Listing l;
        EXPECT_EQ(l.Run(c.index, c.data, c.codePage), kwpack::kExitFailed);
        EXPECT_TRUE(Contains(l.captured.err.str(), "malformed package"));
        EXPECT_TRUE(Contains(l.captured.err.str(), c.place + ": "));
        EXPECT_TRUE(Contains(l.captured.err.str(), kwtest::HostForm(c.problem)));
        EXPECT_FALSE(Contains(l.captured.out.str(), " bytes\n")) << "no total for a malformed package";
    }
    // A byte's value keeps its `\` where the separators become the system's.
    Listing l;
    EXPECT_EQ(l.Run(RawRecord(0, 4, "d\\a\x95"), "", 932), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(l.captured.err.str(), kwtest::HostForm("the name 'd\\a") + "\\x95'"));
}

TEST(List, EntriesBeforeTheFaultAreStillShown)
{
    Listing l;
    EXPECT_EQ(l.Run(RawRecord(3, 5, "a.txt") + RawRecord(9, 1, "b"), "abc"), kwpack::kExitFailed);
    EXPECT_EQ(l.captured.out.str(), "         3  a.txt\n");
}

TEST(List, MissingDataFileNamesTheFileAndTheCause)
{
    Listing l;
    kwtest::WriteBytes(l.package.Path() + "pelmora.kwi", "");
    EXPECT_EQ(kwpack::RunList(l.package.Path(), l.captured.console), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(l.captured.err.str(), kwtest::HostForm(l.package.Path() + "pelmora.kwf")));
    EXPECT_TRUE(Contains(l.captured.err.str(), "file not found"));
}
