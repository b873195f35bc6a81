#include "destination.h"
#include "entry_name.h"
#include "file_error.h"
#include "hard_link.h"
#include "paths.h"
#include "planted_node.h"
#include "symbolic_link.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <memory>

namespace {

struct Case {
    const char* name;
    bool inside;
};

} // namespace

// The full-path check on its own, with names the name check already refuses
// among them: it must hold even where the name check would have a gap.
TEST(DestinationPath, AsksTheSystemWhereTheJoinedPathLeads)
{
    const kwtest::TempFolder folder;
    const Case cases[] = {
        {"readme.txt", true},
        {"sub\\file.txt", true},
        {"sub/file.txt", true},
        {"a..b", true},
        {".profile", true},
        {"sub\\..\\file.txt", true}, // climbs, but comes back inside
        {"..\\x", false},
        {"../x", false},
        {"sub\\..\\..\\x", false},
        {"sub\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\x", false},
        {"..", false},
        {".", false},
        {"", false},
        {"sub\\..", false}, // the folder itself is no file inside it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(plat::DestinationPath(folder.Path()).Contains(c.name), c.inside);
    }
}

// A destination whose name is no text in the path code page has no full path
// to compare with, so nothing is inside it: every entry is refused unwritten.
TEST(DestinationPath, ANameThatIsNoTextHoldsNothing)
{
    const kwtest::PathCodePageScope japanese(932);
    if (!japanese.Active())
        GTEST_SKIP() << "the path code page here is the system's";
    const kwtest::TempFolder folder;
    const std::string lone = folder.Path() + "a\x81 \\"; // a lead byte whose second byte no character has
    EXPECT_FALSE(plat::DestinationPath(lone).Contains("readme.txt"));
    kwtest::WritePackage(folder.Path(), {{"readme.txt", "text"}});
    kwtest::FakeInstaller installer;
    EXPECT_EQ(installer.ExtractFiles(folder.Path(), lone), plat::kCauseBadPath);
    EXPECT_EQ(kwtest::ListTree(folder.Path()), (std::vector<std::string>{"pelmora.kwf", "pelmora.kwi"}));
}

TEST(DestinationPath, ComparesWithTheFoldersOwnFullPath)
{
    const kwtest::TempFolder folder;
    // The folder as the user may type it: with a `.` level, a doubled
    // separator, or without its final separator.
    const std::string spelled[] = {folder.Path() + ".\\", folder.Path() + "\\",
                                   folder.Path().substr(0, folder.Path().size() - 1)};
    for (const std::string& path : spelled) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(plat::DestinationPath(path).Contains("\\readme.txt"));
        EXPECT_FALSE(plat::DestinationPath(path).Contains("\\..\\readme.txt"));
    }
    // A sibling whose name begins with the folder's is not inside it.
    const std::string trimmed = folder.Path().substr(0, folder.Path().size() - 1);
    EXPECT_FALSE(plat::DestinationPath(trimmed + "\\").Contains("..\\" + trimmed.substr(trimmed.rfind('\\') + 1) + "-x\\y"));
}

// Every name the name check accepts must also pass the full-path check, or
// good packages would fail to install.
TEST(DestinationPath, AgreesWithTheNameCheckOnAcceptedNames)
{
    const kwtest::TempFolder folder;
    const char* const accepted[] = {"readme.txt", "sub\\file.txt", "a..b", ".profile", "x\\y\\z.dat", "..a", "a b.c"};
    for (const char* name : accepted) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(IsSafeEntryName(name));
        EXPECT_TRUE(plat::DestinationPath(folder.Path()).Contains(name));
    }
}

namespace {

// A link made in the destination. A target starting with '/' names a file or
// folder below the test's outer folder, written as an absolute link.
struct Link {
    const char* name;
    const char* target;
};

// A folder of the destination moved out, to the outer folder's "moved",
// when an entry's status is set: between that entry and the one before; or,
// `during` the entry, between two pieces of its contents.
struct Move {
    const char* entry = nullptr;
    const char* folder = nullptr;
    std::vector<std::string> carried; // what it holds then
    bool during = false;
};

// A pipe or a socket planted below the outer folder.
struct Node {
    const char* name;
    kwtest::PlantedNode::Kind kind;
};

struct LinkCase {
    const char* what;
    std::vector<Link> links;
    std::vector<kwtest::Entry> entries;
    std::vector<kwtest::Entry> installed; // what the destination then holds, for a package that installs
    std::vector<Link> hardLinks = {}; // targets always start with '/'
    Move move = {};
    bool leavesInnerFile = false; // a refusal leaves real\\file.txt as it was
    std::vector<Node> nodes = {};
    const char* why = nullptr; // what a refusal says
};

using Kind = kwtest::PlantedNode::Kind;
const std::string kLarge = kwtest::Pattern(3 * 1024 * 1024 + 5, 9); // copied in several pieces

// A source with the package, a destination with real subfolders, and two
// folders outside it that links may point at.
struct LinkedDestination {
    kwtest::TempFolder outer;
    std::string destination = outer.Path() + "dest\\";
    std::vector<std::unique_ptr<kwtest::SymbolicLink>> links; // gone before the folders are

    LinkedDestination()
    {
        for (const char* folder :
             {"source", "dest", "dest\\real", "dest\\real\\deep", "outside", "outside2", "outside2\\b", "elsewhere"})
            std::filesystem::create_directory(kwtest::Native(outer.Path() + folder));
        kwtest::WriteBytes(outer.Path() + "dest\\real\\file.txt", "inner");
        kwtest::WriteBytes(outer.Path() + "outside\\target.txt", "precious");
    }

    bool Make(const Link& link)
    {
        std::string target = link.target;
        if (target[0] == '/')
            target = kwtest::SystemPath(outer.Path() + target.substr(1));
        links.push_back(std::make_unique<kwtest::SymbolicLink>(destination, link.name, target));
        return links.back()->Made();
    }

    bool MakeHard(const Link& link)
    {
        return kwtest::MakeHardLink(destination + link.name, outer.Path() + (link.target + 1));
    }

    void ExpectOutsideUntouched()
    {
        EXPECT_EQ(kwtest::ListTree(outer.Path() + "outside"), std::vector<std::string>{"target.txt"});
        EXPECT_EQ(kwtest::ReadBytes(outer.Path() + "outside\\target.txt"), "precious");
        EXPECT_EQ(kwtest::ListTree(outer.Path() + "outside2"), std::vector<std::string>{"b"});
    }
};

} // namespace

// The system follows links when it opens a file: an entry must not be written
// wherever a link planted in the destination points, only where it stays
// inside. A hard link is a second name of a file, which may lie anywhere, and
// a folder in use may be moved away while the entries in it are written.
TEST(DestinationRoot, WritesNothingOutsideThroughLinksInTheDestination)
{
    const LinkCase cases[] = {
        {"a file link out", {{"a.txt", "../outside/target.txt"}}, {{"a.txt", "evil"}}, {}},
        {"a folder link out", {{"sub", "../outside2"}}, {{"sub\\evil.txt", "evil"}}, {}},
        {"a link in the middle", {{"a", "../outside2"}}, {{"a\\b\\c.txt", "evil"}}, {}},
        {"an absolute folder link out", {{"abs", "/outside2"}}, {{"abs\\x.txt", "evil"}}, {}},
        {"an empty entry named by a link out", {{"empty", "../outside/target.txt"}}, {{"empty", ""}}, {}},
        {"a dangling link out", {{"new.txt", "../outside/new.txt"}}, {{"new.txt", "evil"}}, {}},
        {"links that stay inside",
         {{"in", "real"}, {"alias.txt", "real/file.txt"}, {"absin", "/dest/real"}, {"up", "real/.."}},
         {{"in\\f.txt", "f"}, {"alias.txt", "through"}, {"absin\\g.txt", "g"}, {"up\\real\\h.txt", "h"}},
         {{"real\\f.txt", "f"}, {"real\\file.txt", "through"}, {"real\\g.txt", "g"}, {"real\\h.txt", "h"}}},
        {"a hard link to a file outside", {}, {{"a.txt", "evil"}}, {}, {{"a.txt", "/outside/target.txt"}}},
        {"an empty entry over a hard link out", {}, {{"real\\e", ""}}, {}, {{"real\\e", "/outside/target.txt"}}},
        {"a link inside to a hard link out",
         {{"alias.txt", "real/h.txt"}},
         {{"alias.txt", "evil"}},
         {},
         {{"real\\h.txt", "/outside/target.txt"}}},
        // No system lists a file's names for the installer, so it cannot know they all lie inside.
        {"a hard link whose names both lie inside", {}, {{"twin.txt", "both"}}, {}, {{"twin.txt", "/dest/real/file.txt"}},
         {}, true},
        {"the folder in use moved out between two entries",
         {},
         {{"real\\a.txt", "a"}, {"real\\b.txt", "b"}},
         {{"real\\a.txt", "a"}, {"real\\b.txt", "b"}},
         {},
         {"real\\b.txt", "real", {"a.txt", "deep", "file.txt"}}},
        {"a folder above the one in use moved out between two entries",
         {},
         {{"real\\deep\\a.txt", "a"}, {"real\\deep\\b.txt", "b"}},
         {{"real\\deep\\a.txt", "a"}, {"real\\deep\\b.txt", "b"}},
         {},
         {"real\\deep\\b.txt", "real", {"deep", "deep/a.txt", "file.txt"}}},
        {"the folder in use moved out while its new file is written",
         {},
         {{"real\\big.bin", kLarge}},
         {{"real\\big.bin", kLarge}},
         {},
         {"real\\big.bin", "real", {"deep", "file.txt"}, true},
         false,
         {},
         "its folder was moved out"},
        {"the folder in use moved out while a file that was there is written",
         {},
         {{"real\\file.txt", kLarge}},
         {{"real\\file.txt", kLarge}},
         {},
         {"real\\file.txt", "real", {"deep", "file.txt"}, true},
         false,
         {},
         "its folder was moved out"},
        {"a pipe", {}, {{"p", "evil"}}, {}, {}, {}, false, {{"dest\\p", Kind::Pipe}}, "it is a pipe, not a file"},
        {"a pipe that a reader waits on",
         {},
         {{"p", "evil"}},
         {},
         {},
         {},
         false,
         {{"dest\\p", Kind::PipeWithReader}},
         "it is a pipe, not a file"},
        {"an empty entry named by a pipe", {}, {{"p", ""}}, {}, {}, {}, false, {{"dest\\p", Kind::PipeWithReader}}},
        {"a socket", {}, {{"s", "evil"}}, {}, {}, {}, false, {{"dest\\s", Kind::Socket}}},
        {"a link to a pipe inside",
         {{"alias", "real/p"}},
         {{"alias", "evil"}},
         {},
         {},
         {},
         false,
         {{"dest\\real\\p", Kind::PipeWithReader}},
         "it is a pipe, not a file"},
        {"a link to a socket inside", {{"alias", "real/s"}}, {{"alias", "evil"}}, {}, {}, {}, false,
         {{"dest\\real\\s", Kind::Socket}}},
        {"a link to a pipe outside", {{"p", "/elsewhere/p"}}, {{"p", "evil"}}, {}, {}, {}, false,
         {{"elsewhere\\p", Kind::PipeWithReader}}},
        {"a plain file where a folder must be", {}, {{"real\\file.txt\\x", "x"}}, {}, {}, {}, false, {},
         "file.txt' is a file, not a folder"},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.what);
        LinkedDestination d;
        std::vector<std::unique_ptr<kwtest::PlantedNode>> nodes;
        for (const Node& node : c.nodes) {
            nodes.push_back(std::make_unique<kwtest::PlantedNode>(d.outer.Path(), node.name, node.kind));
            if (!nodes.back()->Made())
                GTEST_SKIP() << "this system plants no pipes or sockets here";
        }
        for (const Link& link : c.links) {
            if (!d.Make(link))
                GTEST_SKIP() << "this system makes no symbolic links here";
        }
        for (const Link& link : c.hardLinks)
            ASSERT_TRUE(d.MakeHard(link)) << link.name;
        kwtest::WritePackage(d.outer.Path() + "source\\", c.entries);
        kwtest::FakeInstaller installer;
        bool moved = false;
        std::string current;
        const auto move = [&] {
            if (moved || current != std::string("Extracting ") + c.move.entry)
                return;
            std::error_code error;
            std::filesystem::rename(kwtest::Native(d.destination + c.move.folder),
                                    kwtest::Native(d.outer.Path() + "moved"), error);
            moved = !error;
        };
        if (c.move.folder != nullptr) {
            installer.onStatus = [&](const std::string& status) {
                current = status;
                if (!c.move.during)
                    move();
            };
            if (c.move.during)
                installer.onStillExtracting = move;
        }
        const int result = installer.ExtractFiles(d.outer.Path() + "source\\", d.destination);
        // A move the system prevents leaves nothing to refuse; one it lets happen must be caught.
        const bool refused = c.installed.empty() || moved;
        if (refused) {
            EXPECT_NE(result, 0);
            EXPECT_EQ(installer.log.back(), kwtest::kFileErrorLine);
            if (c.why != nullptr) {
                EXPECT_NE(installer.fileError.find(c.why), std::string::npos) << installer.fileError;
            }
        } else {
            EXPECT_EQ(result, 0);
            for (const kwtest::Entry& file : c.installed)
                EXPECT_TRUE(kwtest::ReadBytes(d.destination + file.name) == file.contents) << file.name;
        }
        if (c.leavesInnerFile) {
            EXPECT_EQ(kwtest::ReadBytes(d.destination + "real\\file.txt"), "inner");
        }
        if (moved) {
            EXPECT_EQ(kwtest::ListTree(d.outer.Path() + "moved"), c.move.carried);
        }
        for (const auto& node : nodes)
            EXPECT_EQ(node->Received(), "") << "a pipe's reader received what an entry holds";
        std::cout << "  " << c.what << ": " << (result == 0 ? "installed" : "refused")
                  << (c.move.folder == nullptr ? "" : moved ? ", the folder moved" : ", the system kept the folder in place")
                  << "\n";
        d.ExpectOutsideUntouched();
    }
}

// No check fails for the length of a path it might build: an entry is
// extracted as deep as its folders go, longer than the longest path the
// system takes in one piece, where the system makes a full path that long.
// (Windows' ANSI calls make none longer than MAX_PATH.)
TEST(DestinationRoot, ExtractsAnEntryAsDeepAsItsFoldersGo)
{
    const kwtest::TempFolder outer;
    std::string folders;
    for (int level = 0; level < 1400; ++level)
        folders += "a\\";
    std::string full;
    if (!plat::GetFullPath(outer.Path() + "dest\\" + folders + "deep.txt", full))
        GTEST_SKIP() << "this system makes no full path this long";
    std::error_code error;
    {
        // A level at a time from the one above, as no path this long can be taken at once.
        const kwtest::CurrentFolderGuard back;
        std::filesystem::create_directory(kwtest::Native(outer.Path() + "dest"), error);
        std::filesystem::current_path(kwtest::Native(outer.Path() + "dest"), error);
        for (int level = 0; level < 1400 && !error; ++level) {
            std::filesystem::create_directory("a", error);
            if (!error)
                std::filesystem::current_path("a", error);
        }
    }
    if (error)
        GTEST_SKIP() << "this system makes no folders this deep here: " << error.message();
    kwtest::WritePackage(outer.Path(), {{"a\\top.txt", "top"}, {folders + "deep.txt", "deep"}});
    kwtest::FakeInstaller installer;
    EXPECT_EQ(installer.ExtractFiles(outer.Path(), outer.Path() + "dest\\"), 0) << installer.fileError;
    EXPECT_EQ(kwtest::ReadBytes(outer.Path() + "dest\\" + folders + "deep.txt"), "deep");
}

// The user chose the folder, so it may itself be a link.
TEST(DestinationRoot, InstallsIntoADestinationThatIsALink)
{
    LinkedDestination d;
    const kwtest::SymbolicLink linked(d.outer.Path(), "linked", "dest");
    if (!linked.Made())
        GTEST_SKIP() << "this system makes no symbolic links here";
    kwtest::WritePackage(d.outer.Path() + "source\\", {{"a.txt", "a"}, {"real\\b.txt", "b"}});
    kwtest::FakeInstaller installer;
    EXPECT_EQ(installer.ExtractFiles(d.outer.Path() + "source\\", d.outer.Path() + "linked\\"), 0);
    EXPECT_EQ(kwtest::ReadBytes(d.destination + "a.txt"), "a");
    EXPECT_EQ(kwtest::ReadBytes(d.destination + "real\\b.txt"), "b");
    d.ExpectOutsideUntouched();
}
