#include "entry_name.h"

#include <gtest/gtest.h>

TEST(EntryName, AcceptsOrdinaryRelativeNames)
{
    const char* const accepted[] = {"readme.txt", "sub\\file.txt", "a..b", ".profile", "pelmora.exe",
                                    "deep\\er\\file", "CONSOLE.txt", "com10", "LPT", "auxiliary", "x/y",
                                    "name with spaces.txt", "\xE5\xE4\xF6.txt", "COM0"};
    for (const char* name : accepted)
        EXPECT_TRUE(IsSafeEntryName(name)) << name << ": " << RefusedEntryNameReason(name);
}

TEST(EntryName, RefusesNamesThatLeaveTheFolderOrReachADevice)
{
    const char* const refused[] = {
        "", "\\x", "/x", "\\\\server\\share\\x", "C:\\x", "C:x", "file.txt:stream", "..", "..\\x", "a\\..\\..\\x",
        "a/../x", "a\\..", ".", ".\\x", "a\\.\\b", "CON", "con", "Con.txt", "sub\\NUL", "nul.tar.gz", "PRN",
        "AUX", "COM1", "com9.log", "LPT1", "lpt9", "CONIN$", "conout$.txt", "COM\xB9", "LPT\xB2", "com\xB3.txt",
        "CON .txt",
        // Characters the system refuses or treats as wildcards, and control bytes.
        "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "tab\there", "bell\x07", "\x1F",
        // Empty parts and parts the system would silently trim.
        "a\\\\b", "a//b", "sub\\", "trailing.", "trailing ", "dir.\\x", "dir \\x"};
    for (const char* name : refused)
        EXPECT_FALSE(IsSafeEntryName(name)) << '"' << name << '"';
}
