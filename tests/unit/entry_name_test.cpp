#include "entry_name.h"
#include "test_support.h"

#include <gtest/gtest.h>

TEST(EntryName, AcceptsOrdinaryRelativeNames)
{
    const char* const accepted[] = {"readme.txt", "sub\\file.txt", "a..b", ".profile", "pelmora.exe",
                                    "deep\\er\\file", "CONSOLE.txt", "com10", "LPT", "auxiliary", "x/y",
                                    "name with spaces.txt", "COM0"};
    for (const char* name : accepted)
        EXPECT_TRUE(IsSafeEntryName(name)) << name << ": " << RefusedEntryNameReason(name);
}

TEST(EntryName, RefusesNamesThatLeaveTheFolderOrReachADevice)
{
    const char* const refused[] = {
        "", "\\x", "/x", "\\\\server\\share\\x", "C:\\x", "C:x", "file.txt:stream", "..", "..\\x", "a\\..\\..\\x",
        "a/../x", "a\\..", ".", ".\\x", "a\\.\\b", "CON", "con", "Con.txt", "sub\\NUL", "nul.tar.gz", "PRN",
        "AUX", "COM1", "com9.log", "LPT1", "lpt9", "CONIN$", "conout$.txt", "CON .txt",
        // Characters the system refuses or treats as wildcards, and control bytes.
        "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "tab\there", "bell\x07", "\x1F",
        // Empty parts and parts the system would silently trim.
        "a\\\\b", "a//b", "sub\\", "trailing.", "trailing ", "dir.\\x", "dir \\x"};
    for (const char* name : refused)
        EXPECT_FALSE(IsSafeEntryName(name)) << '"' << name << '"';
}

// Names are judged by the characters they decode to: in code page 932 the
// second byte of a character may be 0x5C or 0x7C, and in 1250 the byte B9 is
// the letter a with ogonek, not the superscript one of a port name.
class EntryNameRows : public kwtest::CodePageRows {};
INSTANTIATE_TEST_SUITE_P(, EntryNameRows, ::testing::Values(1252u, 932u, 1250u), kwtest::CodePageName);

TEST_P(EntryNameRows, JudgesTheCharactersOfThePathCodePage)
{
    struct Case {
        unsigned codePage;
        const char* name;
        bool accepted;
    };
    const Case cases[] = {
        {932, "\x83\x7C\x83X\x83^\x81[.txt", true}, // ポスター.txt: 83 7C is no '|'
        {932, "\x95\x5C", true},                    // 表: 95 5C is no empty part
        {932, "\x94\x5C\x97\xCD.dat", true},        // 能力.dat
        {932, "\x95\x5C\\a.txt", true},             // 表\a.txt
        {932, "\x83\x7C|", false},                  // ポ and a real '|'
        {932, "\x95\x5C\\", false},                 // 表\ has an empty part after all
        {932, "a\x95", false},                      // a lone lead byte is no character
        {1250, "COM\xB9", true},                    // COMą
        {1250, "\xA3\xF3" "d\x9F.txt", true},       // Łódź.txt
        {1252, "\xE5\xE4\xF6.txt", true},            // åäö.txt
        {1252, "\x81\x8D.txt", true},              // U+0081 U+008D, as Windows reads the bytes 1252 leaves unassigned
        {1252, "COM\xB9", false},                   // COM¹
        {1252, "LPT\xB2", false},                   // LPT²
        {1252, "com\xB3.txt", false},               // com³.txt
    };
    for (const Case& c : cases) {
        if (!InThisRun(c.codePage))
            continue;
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsSafeEntryName(c.name), c.accepted) << RefusedEntryNameReason(c.name);
    }
}
