#include "destination_check.h"
#include "entry_name.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* name;
    bool inside;
};

} // namespace

// The full-path check on its own, with names the name check already refuses
// among them: it must hold even where the name check would have a gap.
TEST(DestinationFolder, AsksTheSystemWhereTheJoinedPathLeads)
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
        EXPECT_EQ(DestinationFolder(folder.Path()).Contains(c.name), c.inside);
    }
}

TEST(DestinationFolder, ComparesWithTheFoldersOwnFullPath)
{
    const kwtest::TempFolder folder;
    // The folder as the user may type it: with a `.` level, a doubled
    // separator, or without its final separator.
    const std::string spelled[] = {folder.Path() + ".\\", folder.Path() + "\\",
                                   folder.Path().substr(0, folder.Path().size() - 1)};
    for (const std::string& path : spelled) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(DestinationFolder(path).Contains("\\readme.txt"));
        EXPECT_FALSE(DestinationFolder(path).Contains("\\..\\readme.txt"));
    }
    // A sibling whose name begins with the folder's is not inside it.
    const std::string trimmed = folder.Path().substr(0, folder.Path().size() - 1);
    EXPECT_FALSE(DestinationFolder(trimmed + "\\").Contains("..\\" + trimmed.substr(trimmed.rfind('\\') + 1) + "-x\\y"));
}

// Every name the name check accepts must also pass the full-path check, or
// good packages would fail to install.
TEST(DestinationFolder, AgreesWithTheNameCheckOnAcceptedNames)
{
    const kwtest::TempFolder folder;
    const char* const accepted[] = {"readme.txt", "sub\\file.txt", "a..b", ".profile", "x\\y\\z.dat", "..a", "a b.c"};
    for (const char* name : accepted) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(IsSafeEntryName(name));
        EXPECT_TRUE(DestinationFolder(folder.Path()).Contains(name));
    }
}
