#include "kwpack_test_support.h"
#include "planted_node.h"
#include "test_support.h"
#include "verify.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

using kwtest::CapturedConsole;
using kwtest::Contains;
using kwtest::HostForm;
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

// Progress goes to standard error, the result to standard output.
TEST(Extract, PrintsALinePerEntryWhenStandardErrorIsNoTerminal)
{
    Extracting x;
    kwtest::WritePackage(x.package.Path(), {{"a.txt", "abc"}, {"readme", ""}});
    EXPECT_EQ(x.Run(), kwpack::kExitOk);
    EXPECT_EQ(x.captured.err.str(), "[  0%] Extracting a.txt\n"
                                    "[100%] Extracting readme\n");
    EXPECT_EQ(x.captured.out.str(), "Extracted 2 entries into '" + HostForm(x.destination.Path()) + "'\n");
    EXPECT_EQ(kwtest::ReadBytes(x.destination.Path() + "a.txt"), "abc");
    EXPECT_EQ(kwtest::ReadBytes(x.destination.Path() + "readme"), "");

    // More lines than go out at once: each still once, in order.
    Extracting many;
    std::vector<kwtest::Entry> entries;
    std::string lines;
    for (int i = 0; i < 400; ++i) {
        entries.push_back({"entry-with-a-longer-name-" + std::to_string(1000 + i), ""});
        lines += "[  0%] Extracting " + entries.back().name + "\n";
    }
    kwtest::WritePackage(many.package.Path(), entries);
    EXPECT_EQ(many.Run(), kwpack::kExitOk);
    EXPECT_EQ(many.captured.err.str(), lines);

    // Quiet, on a terminal or not: no progress, and the same result.
    for (const bool terminal : {false, true}) {
        Extracting quiet(terminal);
        quiet.captured.console.quiet = true;
        kwtest::WritePackage(quiet.package.Path(), {{"a.txt", "abc"}});
        EXPECT_EQ(quiet.Run(), kwpack::kExitOk);
        EXPECT_EQ(quiet.captured.err.str(), "");
        EXPECT_EQ(quiet.captured.out.str(), "Extracted 1 entry into '" + HostForm(quiet.destination.Path()) + "'\n");
        EXPECT_EQ(kwtest::ReadBytes(quiet.destination.Path() + "a.txt"), "abc");
    }
}

TEST(Extract, RewritesOneLineOnATerminal)
{
    Extracting x(true);
    kwtest::WritePackage(x.package.Path(), {{"a-long-name.txt", "abc"}, {"b", "d"}});
    EXPECT_EQ(x.Run(), kwpack::kExitOk);
    // The shorter second line blanks out what is left of the first.
    EXPECT_EQ(x.captured.err.str(), "\r[  0%] Extracting a-long-name.txt"
                                    "\r[ 75%] Extracting b              \n");
}

// 79 characters: the status prefix, 58 of the name's, and "...". A character is
// never cut in two.
TEST(Extract, ClipsATerminalLineThatWouldWrap)
{
    const std::string ae = "\xC3\xA4"; // ä in UTF-8; E4 in the package's code page 1252
    struct Case {
        std::string name;
        std::string shown;
    };
    std::string manyAe;
    for (int i = 0; i < 58; ++i)
        manyAe += ae;
    const Case cases[] = {{std::string(100, 'n'), std::string(58, 'n')}, {std::string(100, '\xE4'), manyAe}};
    const kwtest::PathCodePageScope scope(1252);
    if (!scope.Active())
        GTEST_SKIP() << "the names are written in code page 1252";
    for (const Case& c : cases) {
        Extracting x(true);
        kwtest::WritePackage(x.package.Path(), {{c.name, "abc"}});
        EXPECT_EQ(x.Run(), kwpack::kExitOk);
        const std::string line = x.captured.err.str().substr(0, x.captured.err.str().find('\n'));
        EXPECT_EQ(line, "\r[  0%] Extracting " + c.shown + "...");
    }
}

// Quiet, the reason is told all the same, and alone.
TEST(Extract, FileErrorExitsWithOneAndNamesTheFile)
{
    for (const bool quiet : {false, true}) {
        SCOPED_TRACE(quiet ? "quiet" : "with progress");
        Extracting x;
        x.captured.console.quiet = quiet;
        kwtest::WritePackage(x.package.Path(), {{"pelmora.exe", "MZ"}, {"sub\\file.txt", "abc"}});
        EXPECT_EQ(x.Run(), kwpack::kExitFailed);
        EXPECT_TRUE(Contains(x.captured.err.str(), "extraction stopped"));
        EXPECT_TRUE(Contains(x.captured.err.str(), HostForm(x.destination.Path() + "sub\\file.txt")));
        EXPECT_EQ(x.captured.err.str().rfind("kwpack: extraction stopped", 0) == 0, quiet);
        EXPECT_FALSE(Contains(x.captured.out.str(), "Extracted"));
        EXPECT_EQ(kwtest::ReadBytes(x.destination.Path() + "pelmora.exe"), "MZ");
    }
}

// A record that does not fit in the index is told in the words list uses.
TEST(Extract, MalformedRecordIsReportedWithTheFileConcerned)
{
    struct Case {
        std::string index;
        std::string told;
        const char* file;
    };
    const Case cases[] = {
        {kwtest::RawRecord(9, 1, "a"), "extraction stopped: entry 'a': its data runs past", "pelmora.kwf"},
        {kwtest::RawRecord(0, 100, "a"),
         "extraction stopped: record 1 at index offset 0: the name length 100 runs past the end of the index "
         "(1 byte left)",
         "pelmora.kwi"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        Extracting x;
        kwtest::WriteBytes(x.package.Path() + "pelmora.kwi", c.index);
        kwtest::WriteBytes(x.package.Path() + "pelmora.kwf", "abc");
        EXPECT_EQ(x.Run(), kwpack::kExitFailed);
        EXPECT_TRUE(Contains(x.captured.err.str(), c.told));
        EXPECT_TRUE(Contains(x.captured.err.str(), c.file));
    }
}

TEST(Extract, MissingPackageNamesTheFileAndTheCause)
{
    Extracting x;
    EXPECT_EQ(x.Run(), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(x.captured.err.str(), HostForm(x.package.Path() + "pelmora.kwi")));
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

TEST(Extract, DestinationThatIsAFileIsSaidToBeOne)
{
    Extracting x;
    kwtest::WritePackage(x.package.Path(), {{"pelmora.exe", "MZ"}});
    kwtest::WriteBytes(x.destination.Path() + "afile", "x");
    EXPECT_EQ(x.Run(x.destination.Path() + "afile"), kwpack::kExitFailed);
    EXPECT_EQ(x.captured.err.str(), "kwpack: '" + HostForm(x.destination.Path() + "afile") + "' is a file, not a folder\n");
    EXPECT_EQ(kwtest::ReadBytes(x.destination.Path() + "afile"), "x");
}

TEST(Extract, DestinationWhoseParentIsMissingFailsWithTheSystemsReason)
{
    Extracting x;
    kwtest::WritePackage(x.package.Path(), {{"pelmora.exe", "MZ"}});
    EXPECT_EQ(x.Run(x.destination.Path() + "no\\such"), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(x.captured.err.str(), "cannot create the folder '" + HostForm(x.destination.Path() + "no\\such\\") + "': "));
    // The reason follows in the system's words, which differ from system to system.
    EXPECT_GT(x.captured.err.str().size(), x.captured.err.str().find("': ") + 4);
    EXPECT_EQ(x.captured.out.str(), "");
}

namespace {

// A folder written as an install of the package would leave it, then altered by one case.
struct Verifying {
    TempFolder package;
    TempFolder folder;
    CapturedConsole captured;
    std::vector<kwtest::Entry> entries{{"a.txt", "abcdef"},
                                       {"big.bin", kwtest::Pattern(200000)}, // several reading pieces
                                       {"empty", ""},
                                       {"pelmora.exe", "MZ program"},
                                       {"sub\\b.txt", "xyz"}};

    Verifying()
    {
        kwtest::WritePackage(package.Path(), entries);
        std::filesystem::create_directory(kwtest::Native(folder.Path() + "sub"));
        for (const kwtest::Entry& entry : entries)
            kwtest::WriteBytes(folder.Path() + entry.name, entry.contents);
    }
    int Run() { return kwpack::RunVerify(package.Path(), folder.Path(), captured.console); }
};

struct Alteration {
    const char* why;
    std::function<void(const std::string& folder)> alter;
    int status;
    std::vector<std::string> told; // lines of standard output, each one whole
};

std::string Changed(std::string bytes, std::size_t offset)
{
    bytes[offset] = static_cast<char>(bytes[offset] ^ 0x20);
    return bytes;
}

} // namespace

TEST(Verify, FindsEachFileThatIsMissingOrDifferent)
{
    using kwtest::WriteBytes;
    const std::string big = kwtest::Pattern(200000);
    std::unique_ptr<kwtest::PlantedNode> planted;
    const auto plant = [&](const std::string& f, const char* name) {
        std::filesystem::remove(kwtest::Native(f + name));
        planted = std::make_unique<kwtest::PlantedNode>(f, name, kwtest::PlantedNode::Kind::Pipe);
        ASSERT_TRUE(planted->Made());
    };
    const Alteration cases[] = {
        {"unchanged", [](const std::string&) {}, kwpack::kExitOk, {"Every entry matches in '@' (5 entries)"}},
        {"a changed byte", [](const std::string& f) { WriteBytes(f + "a.txt", "abcDef"); }, kwpack::kExitFailed,
         {"different: a.txt: first difference at offset 3", "Missing or different in '@': 1 of 5 entries"}},
        {"a changed byte in a later piece",
         [&](const std::string& f) { WriteBytes(f + "big.bin", Changed(big, 140001)); }, kwpack::kExitFailed,
         {"different: big.bin: first difference at offset 140001"}},
        {"a missing file", [](const std::string& f) { std::filesystem::remove(kwtest::Native(f + "pelmora.exe")); },
         kwpack::kExitFailed, {"missing: pelmora.exe"}},
        {"a missing file in a subfolder", [](const std::string& f) { std::filesystem::remove_all(kwtest::Native(f + "sub")); },
         kwpack::kExitFailed, {"missing: sub\\b.txt"}},
        // Opening a pipe to read it would wait for a writer: it is refused unopened.
        {"a pipe in place of a file", [&](const std::string& f) { plant(f, "a.txt"); }, kwpack::kExitFailed,
         {"unreadable: a.txt: cannot open '@a.txt': it is a pipe, not a file",
          "Missing or different in '@': 1 of 5 entries"}},
        {"a truncated file", [&](const std::string& f) { WriteBytes(f + "big.bin", big.substr(0, 65536)); },
         kwpack::kExitFailed,
         {"different: big.bin: first difference at offset 65536; the file has 65536 bytes, the entry 200000"}},
        {"a longer file", [](const std::string& f) { WriteBytes(f + "empty", "x"); }, kwpack::kExitFailed,
         {"different: empty: first difference at offset 0; the file has 1 byte, the entry 0"}},
        {"extra files and folders",
         [](const std::string& f) {
             WriteBytes(f + "settings.ini", "x");
             WriteBytes(f + "sub\\c.txt", "x");
             std::filesystem::create_directory(kwtest::Native(f + "logs"));
         },
         kwpack::kExitOk,
         {"extra: logs\\ (not in the package)", "extra: settings.ini (not in the package)",
          "extra: sub\\c.txt (not in the package)", "Every entry matches in '@' (5 entries)"}},
        {"two faults and an extra file",
         [](const std::string& f) {
             WriteBytes(f + "a.txt", "abc");
             WriteBytes(f + "pelmora.ex_", "MZ program");
             std::filesystem::remove(kwtest::Native(f + "pelmora.exe"));
         },
         kwpack::kExitFailed,
         {"different: a.txt: first difference at offset 3; the file has 3 bytes, the entry 6", "missing: pelmora.exe",
          "extra: pelmora.ex_ (not in the package)", "Missing or different in '@': 2 of 5 entries"}},
    };
    for (const Alteration& c : cases) {
        SCOPED_TRACE(c.why);
        Verifying v;
        c.alter(v.folder.Path());
        EXPECT_EQ(v.Run(), c.status);
        for (std::string line : c.told) {
            const std::size_t at = line.find('@');
            if (at != std::string::npos)
                line.replace(at, 1, v.folder.Path());
            EXPECT_TRUE(Contains("\n" + v.captured.out.str(), "\n" + HostForm(line) + "\n"));
        }
        EXPECT_EQ(v.captured.err.str(), "");
        planted.reset(); // before its folder goes
    }
}

TEST(Verify, MalformedPackageIsReportedAsListReportsIt)
{
    Verifying v;
    kwtest::WriteBytes(v.package.Path() + "pelmora.kwi", kwtest::RawRecord(3, 5, "a.txt") + kwtest::RawRecord(9, 1, "b"));
    kwtest::WriteBytes(v.package.Path() + "pelmora.kwf", "abc");
    CapturedConsole listed;
    ASSERT_EQ(kwpack::RunList(v.package.Path(), listed.console), kwpack::kExitFailed);
    EXPECT_EQ(v.Run(), kwpack::kExitFailed);
    EXPECT_EQ(v.captured.err.str(), listed.err.str());
    EXPECT_EQ(v.captured.out.str(), "");
}

TEST(Verify, MissingPackageNamesTheFile)
{
    Verifying v;
    std::filesystem::remove(kwtest::Native(v.package.Path() + "pelmora.kwf"));
    EXPECT_EQ(v.Run(), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(v.captured.err.str(), HostForm(v.package.Path() + "pelmora.kwf")));
}
