#include "kwpack_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

using kwtest::CapturedConsole;
using kwtest::Contains;
using kwtest::RawRecord;
using kwtest::TempFolder;

namespace {

struct Listing {
    TempFolder package;
    CapturedConsole captured;

    int Run(const std::string& index, const std::string& data, unsigned codePage = 1252,
            kwpack::ListFormat format = kwpack::ListFormat::Text)
    {
        kwtest::WriteBytes(package.Path() + "pelmora.kwi", index);
        kwtest::WriteBytes(package.Path() + "pelmora.kwf", data);
        return kwpack::RunList(package.Path(), captured.console, codePage, format);
    }
};

// What a run told on standard error, as the JSON document holds it.
std::string ToldAsJson(const CapturedConsole& captured)
{
    const std::string told = captured.err.str();
    EXPECT_EQ(told.rfind("kwpack: ", 0), 0u);
    EXPECT_EQ(told.back(), '\n');
    return kwpack::JsonString(told.substr(8, told.size() - 9));
}

// The end of a JSON listing that a problem stopped, at `place` as the text reports it.
std::string JsonPlace(const std::string& place)
{
    std::size_t record = 0;
    unsigned long long offset = 0;
    if (std::sscanf(place.c_str(), "record %zu at index offset %llu", &record, &offset) == 2)
        return "\"record\": " + std::to_string(record) + ", \"indexOffset\": " + std::to_string(offset) + "}}\n";
    EXPECT_EQ(std::sscanf(place.c_str(), "after the last record, at index offset %llu", &offset), 1);
    return "\"record\": null, \"indexOffset\": " + std::to_string(offset) + "}}\n";
}

const auto kJson = kwpack::ListFormat::Json;

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
    Listing json;
    EXPECT_EQ(json.Run("", "", 1252, kJson), kwpack::kExitOk);
    EXPECT_EQ(json.captured.out.str(), "{\"entries\": [], \"count\": 0, \"totalSize\": 0}\n");
}

// The name as the package holds it, `\` and all, decoded; the bytes, which are the truth, as hex.
TEST(List, JsonHoldsEachEntryInIndexOrderThenTheTotals)
{
    struct Case {
        unsigned codePage;
        std::string name;
        std::string json;
    };
    const Case cases[] = {
        {1252, "docs\\L\xE4s mig.txt", R"({"name": "docs\\Läs mig.txt", "bytes": "646f63735c4ce473206d69672e747874")"},
        {932, "\x95\x5C.txt", R"({"name": "表.txt", "bytes": "955c2e747874")"},
        {65001, "\xE8\xA1\xA8 \xF0\x9F\x98\x80", R"({"name": "表 😀", "bytes": "e8a1a820f09f9880")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        Listing l;
        const std::string index = RawRecord(3, 5, "z.txt") + RawRecord(2, static_cast<std::uint32_t>(c.name.size()), c.name);
        EXPECT_EQ(l.Run(index, "abcde", c.codePage, kJson), kwpack::kExitOk);
        EXPECT_EQ(l.captured.out.str(), "{\"entries\": [\n"
                                        "  {\"name\": \"z.txt\", \"bytes\": \"7a2e747874\", \"size\": 3},\n"
                                        "  " + c.json + ", \"size\": 2}\n"
                                        "], \"count\": 2, \"totalSize\": 5}\n");
        EXPECT_EQ(l.captured.err.str(), "");
    }
}

TEST(List, JsonStringsEscapeWhatJsonMustAndStayUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain.txt", R"("plain.txt")"},
        {"a\"b\\c/d", R"("a\"b\\c/d")"},
        {"\n\t\x01\x1F\x7F", R"("\u000A\u0009\u0001\u001F\u007F")"},
        {"Läs 表 \xF0\x9F\x98\x80 \xE2\x80\xA8", "\"Läs 表 \xF0\x9F\x98\x80 \xE2\x80\xA8\""},
        // Bytes that are no UTF-8 are shown by their values, as kwpack shows them elsewhere.
        {"a\xFF", R"("a\\xFF")"},
        {"\xED\xA0\x80", R"("\\xED\\xA0\\x80")"},
        {std::string("a\0b", 3), R"("a\u0000b")"},
    };
    for (const auto& [text, json] : cases)
        EXPECT_EQ(kwpack::JsonString(text), json);
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
        // The installer's order: a record's data is judged before its name.
        {"data past the end and a refused name", good + RawRecord(5, 6, "..\\x.y"), "abcde",
         "record 2 at index offset 13", "its 5 bytes of data run past the end of the data file (2 bytes left)"},
        {"data nobody claims", good, "abcdef", "after the last record, at index offset 13",
         "the data file holds 3 bytes that no record claims"},
        // The byte is shown by its value, "\x95", whose `\` is no separator to map.
        {"a lone lead byte", RawRecord(0, 2, "a\x95"), "", "record 1 at index offset 0",
         "x95' holds bytes that are no text in code page 932", 932},
        {"'|' after a character whose second byte is 7C", RawRecord(0, 3, "\x83\x7C|"), "",
         "record 1 at index offset 0", "the installer refuses the name 'ポ|': it holds one of", 932},
        {"a name written for 1252, read as UTF-8", good + RawRecord(0, 7, "L\xE4s.txt"), "abc",
         "record 2 at index offset 13", "xE4s.txt' holds bytes that are no text in code page 65001", 65001},
        {"a surrogate in UTF-8", RawRecord(0, 3, "\xED\xA0\x80"), "", "record 1 at index offset 0",
         "x80' holds bytes that are no text in code page 65001", 65001},
        {"an overlong '/' in UTF-8", RawRecord(0, 3, "a\xC0\xAF"), "", "record 1 at index offset 0",
         "xAF' holds bytes that are no text in code page 65001", 65001},
        {"'\"' in UTF-8", RawRecord(0, 5, "\xC3\xA4\"b\""), "", "record 1 at index offset 0",
         "the installer refuses the name 'ä\"b\"': it holds one of", 65001},
    };
    for (const Malformed& c : cases) {
        SCOPED_TRACE(c.why);
        Listing l;
        EXPECT_EQ(l.Run(c.index, c.data, c.codePage), kwpack::kExitFailed);
        EXPECT_TRUE(Contains(l.captured.err.str(), "malformed package"));
        EXPECT_TRUE(Contains(l.captured.err.str(), c.place + ": "));
        EXPECT_TRUE(Contains(l.captured.err.str(), kwtest::HostForm(c.problem)));
        EXPECT_FALSE(Contains(l.captured.out.str(), " bytes\n")) << "no total for a malformed package";
        CapturedConsole json;
        EXPECT_EQ(kwpack::RunList(l.package.Path(), json.console, c.codePage, kJson), kwpack::kExitFailed);
        EXPECT_EQ(json.err.str(), l.captured.err.str());
        const std::string out = json.out.str();
        EXPECT_TRUE(Contains(out, "\"error\": {\"message\": " + ToldAsJson(json) + ", " + JsonPlace(c.place)));
        EXPECT_FALSE(Contains(out, "totalSize"));
    }
    // A byte's value keeps its `\` where the separators become the system's.
    Listing l;
    EXPECT_EQ(l.Run(RawRecord(0, 4, "d\\a\x95"), "", 932), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(l.captured.err.str(), kwtest::HostForm("the name 'd\\a") + "\\x95'"));
}

TEST(List, EntriesBeforeTheFaultAreStillShown)
{
    const std::string index = RawRecord(3, 5, "a.txt") + RawRecord(9, 1, "b");
    Listing l;
    EXPECT_EQ(l.Run(index, "abc"), kwpack::kExitFailed);
    EXPECT_EQ(l.captured.out.str(), "         3  a.txt\n");
    Listing json;
    EXPECT_EQ(json.Run(index, "abc", 1252, kJson), kwpack::kExitFailed);
    EXPECT_EQ(json.captured.out.str(), "{\"entries\": [\n"
                                       "  {\"name\": \"a.txt\", \"bytes\": \"612e747874\", \"size\": 3}\n"
                                       "], \"error\": {\"message\": " + ToldAsJson(json.captured) +
                                       ", \"record\": 2, \"indexOffset\": 13}}\n");
}

// A file error, or a folder that cannot be named, has no place in the index.
TEST(List, MissingDataFileNamesTheFileAndTheCause)
{
    for (const kwpack::ListFormat format : {kwpack::ListFormat::Text, kJson}) {
        Listing l;
        kwtest::WriteBytes(l.package.Path() + "pelmora.kwi", "");
        EXPECT_EQ(kwpack::RunList(l.package.Path(), l.captured.console, {}, format), kwpack::kExitFailed);
        EXPECT_TRUE(Contains(l.captured.err.str(), kwtest::HostForm(l.package.Path() + "pelmora.kwf")));
        EXPECT_TRUE(Contains(l.captured.err.str(), "file not found"));
        EXPECT_EQ(l.captured.out.str(),
                  format == kJson ? "{\"entries\": [], \"error\": {\"message\": " + ToldAsJson(l.captured) +
                                        ", \"record\": null, \"indexOffset\": null}}\n"
                                  : "");
    }
}
