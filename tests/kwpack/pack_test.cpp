#include "kwpack_test_support.h"
#include "pack.h"
#include "symbolic_link.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using kwpack::FolderItem;
using kwpack::ItemKind;
using kwtest::CapturedConsole;
using kwtest::Contains;
using kwtest::Packing;
using kwtest::ReadBytes;
using kwtest::TempFolder;
using kwtest::WriteBytes;
using kwtest::kWorkedIndex;
using Names = std::vector<std::string>;

namespace {

Names NamesOf(const kwpack::PackPlan& plan)
{
    Names names;
    for (const auto& entry : plan.entries)
        names.push_back(entry.text);
    return names;
}

} // namespace

TEST(Pack, WritesTheWorkedExampleByteForByte)
{
    Packing p;
    p.Add("readme", "");
    p.Add("a.txt", "abc");
    EXPECT_EQ(p.Run(), kwpack::kExitOk);
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), kWorkedIndex);
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "abc");
    EXPECT_TRUE(Contains(p.captured.out.str(), "Packed 2 entries, 3 bytes"));
    EXPECT_EQ(kwtest::ListTree(p.out.Path()), (Names{"pelmora.kwf", "pelmora.kwi"})) << "no partial file is left";
}

// Progress goes to standard error, so what a script reads from standard output is the result alone.
TEST(Pack, ShowsALinePerEntryOneRewrittenLineOnATerminalOrNoneWhenQuiet)
{
    struct Shown {
        bool terminal;
        bool quiet;
        std::string lines;
    };
    const Shown cases[] = {
        {false, false, "[  0%] Packing a-long-name.txt\n[ 75%] Packing pelmora.exe\n"},
        {true, false, "\r[  0%] Packing a-long-name.txt\r[ 75%] Packing pelmora.exe    \n"},
        {false, true, ""},
        {true, true, ""},
    };
    for (const Shown& c : cases) {
        SCOPED_TRACE(std::string(c.terminal ? "terminal" : "no terminal") + (c.quiet ? ", quiet" : ""));
        Packing p;
        p.captured.console.errIsTerminal = c.terminal;
        p.captured.console.quiet = c.quiet;
        p.Add("a-long-name.txt", "abc");
        p.Add("pelmora.exe", "M");
        EXPECT_EQ(p.Run(), kwpack::kExitOk);
        EXPECT_EQ(p.captured.err.str(), c.lines);
        EXPECT_EQ(p.captured.out.str(), "Packed 2 entries, 4 bytes, into '" + kwtest::HostForm(p.out.Path()) + "'\n");
    }
}

TEST(Pack, CountsAgreeWithTheirNouns)
{
    Packing p;
    p.Add("pelmora.exe", "M");
    EXPECT_EQ(p.Run(), kwpack::kExitOk);
    EXPECT_TRUE(Contains(p.captured.out.str(), "Packed 1 entry, 1 byte, into"));
}

TEST(Pack, SortsEntriesByByteValueNotByCase)
{
    Packing p;
    for (const char* name : {"alpha", "_under", "Zeta", "pelmora.exe", "Beta"})
        p.Add(name, name);
    EXPECT_EQ(NamesOf(kwpack::PlanPackage(p.app.Path())), (Names{"Beta", "Zeta", "_under", "alpha", "pelmora.exe"}));
}

TEST(Pack, SameFolderGivesTheSameBytesEveryTime)
{
    Packing p;
    p.Add("pelmora.exe", "MZ program");
    p.Add("data.bin", std::string(3000, '\x7f'));
    TempFolder second;
    ASSERT_EQ(p.Run(), kwpack::kExitOk);
    ASSERT_EQ(p.Run(second.Path()), kwpack::kExitOk);
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), ReadBytes(second.Path() + "pelmora.kwi"));
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), ReadBytes(second.Path() + "pelmora.kwf"));
}

TEST(Pack, WhatItWritesTheEngineExtractsUnchanged)
{
    Packing p;
    std::string large(2 * 1024 * 1024 + 17, '\0'); // more than one copy buffer
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 % 251);
    p.Add("pelmora.exe", large);
    p.Add("empty.dat", "");
    p.Add("notes.txt", "line one\r\nline two\r\n");
    ASSERT_EQ(p.Run(), kwpack::kExitOk);

    TempFolder destination;
    kwtest::FakeInstaller installer;
    ASSERT_EQ(installer.ExtractFiles(p.out.Path(), destination.Path()), 0);
    EXPECT_EQ(kwtest::ListTree(destination.Path()), (Names{"empty.dat", "notes.txt", "pelmora.exe"}));
    EXPECT_EQ(ReadBytes(destination.Path() + "pelmora.exe"), large);
    EXPECT_EQ(ReadBytes(destination.Path() + "notes.txt"), "line one\r\nline two\r\n");
}

TEST(Pack, EmptyFolderMakesAnEmptyPairAndWarnsOfTheMissingProgram)
{
    Packing p;
    EXPECT_EQ(p.Run(), kwpack::kExitOk);
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), "");
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "");
    EXPECT_TRUE(Contains(p.captured.err.str(), "warning: the folder holds no pelmora.exe"));
}

// Under --strict the warning is the error, told as it would be warned of, and
// neither the old pair nor a missing output folder is touched.
TEST(Pack, StrictMakesEveryWarningAnErrorAndWritesNothing)
{
    const std::string warning =
        "the folder holds no pelmora.exe: the installer will fail to start the program after installing\n";
    struct Case {
        const char* what;
        Names files;
        bool strict;
        int status;
        std::string told;
    };
    const Case cases[] = {
        {"a warning", {"readme"}, false, kwpack::kExitOk, "kwpack: warning: " + warning},
        {"a warning under --strict", {"readme"}, true, kwpack::kExitFailed,
         "kwpack: error: " + warning + "kwpack: nothing written\n"},
        {"a refusal and a warning under --strict", {"docs\\"}, true, kwpack::kExitFailed,
         "kwpack: refused: 'docs' is a folder: the installer creates no folders for entries\n"
         "kwpack: nothing written\n"},
        {"nothing to warn of under --strict", {"PELMORA.exe"}, true, kwpack::kExitOk, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Packing p;
        p.captured.console.quiet = true;
        kwtest::WritePackage(p.out.Path(), {{"old.txt", "old"}});
        const std::string oldIndex = ReadBytes(p.out.Path() + "pelmora.kwi");
        for (const std::string& file : c.files) {
            if (file.back() == '\\')
                std::filesystem::create_directory(kwtest::Native(p.app.Path() + file));
            else
                p.Add(file, "new");
        }
        const kwpack::PackOptions options{{}, c.strict};
        EXPECT_EQ(kwpack::RunPack(p.app.Path(), p.out.Path(), p.captured.console, options), c.status);
        EXPECT_EQ(p.captured.err.str(), c.told);
        EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi") == oldIndex, c.status != kwpack::kExitOk);
        EXPECT_EQ(kwtest::ListTree(p.out.Path()), (Names{"pelmora.kwf", "pelmora.kwi"}));
        CapturedConsole again;
        const std::string missing = p.out.Path() + "new\\";
        EXPECT_EQ(kwpack::RunPack(p.app.Path(), missing, again.console, options), c.status);
        EXPECT_EQ(kwtest::Exists(missing), c.status == kwpack::kExitOk);
    }
}

TEST(Pack, ProgramInAnyCaseSatisfiesTheLaunch)
{
    Packing p;
    p.Add("PelMora.EXE", "MZ");
    EXPECT_EQ(p.Run(), kwpack::kExitOk);
    EXPECT_FALSE(Contains(p.captured.err.str(), "warning"));
}

TEST(Pack, SubfolderIsRefusedAndNothingIsWritten)
{
    Packing p;
    p.Add("pelmora.exe", "MZ");
    std::filesystem::create_directory(kwtest::Native(p.app.Path() + "docs"));
    EXPECT_EQ(p.Run(), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(p.captured.err.str(), "'docs' is a folder"));
    EXPECT_TRUE(Contains(p.captured.err.str(), "nothing written"));
    EXPECT_EQ(kwtest::ListTree(p.out.Path()), Names{});
}

TEST(Pack, RefusalLeavesAMissingOutputFolderUncreated)
{
    Packing p;
    std::filesystem::create_directory(kwtest::Native(p.app.Path() + "docs"));
    EXPECT_EQ(p.Run(p.out.Path() + "new\\"), kwpack::kExitFailed);
    EXPECT_FALSE(kwtest::Exists(p.out.Path() + "new"));
}

TEST(Pack, CreatesAMissingOutputFolder)
{
    Packing p;
    p.Add("pelmora.exe", "MZ");
    EXPECT_EQ(p.Run(p.out.Path() + "new"), kwpack::kExitOk);
    EXPECT_EQ(ReadBytes(p.out.Path() + "new\\pelmora.kwf"), "MZ");
}

TEST(Pack, RefusesToWriteIntoTheFolderItPacks)
{
    Packing p;
    p.Add("pelmora.exe", "MZ");
    // Spelt differently, so only asking the system shows it is the same folder.
    EXPECT_EQ(p.Run(p.app.Path() + "."), kwpack::kExitUsage);
    EXPECT_TRUE(Contains(p.captured.err.str(), "folder being packed"));
    EXPECT_EQ(kwtest::ListTree(p.app.Path()), Names{"pelmora.exe"});
}

TEST(Pack, MissingFolderIsAFileErrorNamingIt)
{
    Packing p;
    EXPECT_EQ(kwpack::RunPack(p.app.Path() + "absent", p.out.Path(), p.captured.console), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(p.captured.err.str(), "absent"));
}

TEST(Pack, RefusesWhatTheInstallerCouldNotWrite)
{
    const auto refusal = [](const std::string& name, ItemKind kind = ItemKind::File, std::uint64_t size = 1,
                            unsigned codePage = 1252) {
        return kwpack::PackRefusal(FolderItem{name, kind, size}, codePage);
    };
    const auto inCodePage = [&](const std::string& name, unsigned codePage) {
        return refusal(name, ItemKind::File, 1, codePage);
    };
    EXPECT_EQ(refusal("pelmora.exe"), "");
    EXPECT_EQ(refusal("big.bin", ItemKind::File, 0xFFFFFFFFull), "");
    EXPECT_TRUE(Contains(refusal("big.bin", ItemKind::File, 0x100000000ull), "smaller than 4 GiB"));
    EXPECT_TRUE(Contains(refusal("docs", ItemKind::Folder), "is a folder"));
    EXPECT_TRUE(Contains(refusal("fifo", ItemKind::Other), "not a plain file"));
    EXPECT_TRUE(Contains(refusal("sub\\file.txt"), "backslash"));
    EXPECT_TRUE(Contains(refusal("con.txt"), "names a device"));
    EXPECT_TRUE(Contains(refusal("trailing."), "ends in a dot"));
    EXPECT_TRUE(Contains(refusal("what?.txt"), "installer refuses"));
    EXPECT_TRUE(Contains(refusal("line\nbreak"), "control character"));
    // What the system names in bytes that are no text is shown by their values, never as they are.
    EXPECT_TRUE(Contains(refusal("line\nbreak"), "'line\\x0Abreak'"));
    EXPECT_TRUE(Contains(refusal("a\xFF.txt"), "'a\\xFF.txt': byte 0xFF is no UTF-8"));
    // Names are written in the code page strictly: no look-alike, no substitute.
    EXPECT_EQ(refusal("Łódź.txt"), "'Łódź.txt': 'Ł' (U+0141) has no code in code page 1252; "
                                   "choose another --codepage or rename the file");
    EXPECT_EQ(inCodePage("Łódź.txt", 1250), "");
    EXPECT_TRUE(Contains(refusal("Läs 表.txt"), "'表' (U+8868) has no code in code page 1252"));
    EXPECT_EQ(inCodePage("ポスター.txt", 932), "");
    EXPECT_TRUE(Contains(inCodePage("波〜.txt", 932), "'〜' (U+301C) has no code in code page 932"));
    EXPECT_TRUE(Contains(inCodePage("a|ポ", 932), "installer refuses"));
    // Windows writes no letter of 1258 joined with its accent: "ế" is refused,
    // while "ê" followed by the accent on its own is written as the two codes.
    EXPECT_TRUE(Contains(inCodePage("ế.txt", 1258), "'ế' (U+1EBF) has no code in code page 1258"));
    EXPECT_EQ(inCodePage("\u00EA\u0301.txt", 1258), "");
    // UTF-8 writes every character, beyond the BMP too, but only as well-formed
    // UTF-8: no surrogate, overlong form or code beyond U+10FFFF.
    EXPECT_EQ(inCodePage("Läs 表 नमस्ते ế.txt", 65001), "");
    EXPECT_EQ(inCodePage("\xF0\x9F\x98\x80.txt", 65001), "");
    EXPECT_TRUE(Contains(inCodePage("\xF0\x9F\x98\x80.txt", 932), "(U+1F600) has no code in code page 932"));
    const std::pair<const char*, const char*> notUtf8[] = {
        {"a\xE4.txt", "byte 0xE4"},        {"\xED\xA0\x80.txt", "byte 0xED"},  {"\xC0\xAF.txt", "byte 0xC0"},
        {"\xE0\x80\xAF.txt", "byte 0xE0"}, {"\xF4\x90\x80\x80", "byte 0xF4"}, {"\xE3\x81", "byte 0xE3"}};
    for (const auto& [name, byte] : notUtf8)
        EXPECT_TRUE(Contains(inCodePage(name, 65001), std::string(byte) + " is no UTF-8; choose another --codepage"));
    EXPECT_TRUE(Contains(inCodePage("a|b.txt", 65001), "installer refuses"));
}

TEST(Pack, RefusesNamesThatWindowsTakesForOneFile)
{
    struct Case {
        Names names;
        Names twins;
    };
    const Case cases[] = {
        {{"README.txt", "notes", "readme.TXT"}, {"'README.txt' and 'readme.TXT'"}},
        {{"Ärende.txt", "ärende.txt"}, {"'Ärende.txt' and 'ärende.txt'"}},
        {{"ÉTÉ.txt", "été.txt", "ete.txt"}, {"'ÉTÉ.txt' and 'été.txt'"}},
        {{"Привет.txt", "пРИВЕТ.txt"}, {"'Привет.txt' and 'пРИВЕТ.txt'"}},
        {{"a", "b", "Łódź", "lodz"}, {}},
        // Windows' own upper case, not the C library's, which differs on these.
        {{"σ.txt", "Σ.txt", "ς.txt"}, {"'Σ.txt' and 'σ.txt'"}},
        {{"ı.txt", "I.txt", "ſ.txt", "S.txt", "µ.txt", "Μ.txt"}, {}},
        {{"ǅ", "Ǆ", "ǆ"}, {"'Ǆ' and 'ǆ'"}},
        {{"\u1C80.txt", "В.txt"}, {}},
        {{"Ա.txt", "ա.txt", "ა.txt", "Ა.txt"}, {"'Ա.txt' and 'ա.txt'", "'ა.txt' and 'Ა.txt'"}},
        // Names are compared a UTF-16 unit at a time: beyond the BMP nothing has case.
        {{"\U00010400.txt", "\U00010428.txt"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.front());
        std::vector<kwpack::PackEntry> entries;
        for (const std::string& name : c.names)
            entries.push_back({name, 1, name});
        const Names twins = kwpack::FindCaseTwins(entries);
        ASSERT_EQ(twins.size(), c.twins.size());
        for (std::size_t i = 0; i < twins.size(); ++i)
            EXPECT_TRUE(Contains(twins[i], c.twins[i] + " are one file on Windows"));
    }
}
