#include "kwpack_test_support.h"
#include "pack.h"
#include "symbolic_link.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

using kwpack::FolderItem;
using kwpack::ItemKind;
using kwtest::CapturedConsole;
using kwtest::ReadBytes;
using kwtest::TempFolder;
using kwtest::WriteBytes;
using kwtest::Contains;
using Names = std::vector<std::string>;

namespace {

const std::string kWorkedIndex("\x03\0\0\0\x05\0\0\0a.txt\0\0\0\0\x06\0\0\0readme", 27);

struct Packing {
    TempFolder app;
    TempFolder out;
    CapturedConsole captured;

    void Add(const std::string& name, const std::string& contents) { WriteBytes(app.Path() + name, contents); }
    int Run() { return Run(out.Path()); }
    int Run(const std::string& outFolder) { return kwpack::RunPack(app.Path(), outFolder, captured.console); }
};

Names NamesOf(const kwpack::PackPlan& plan)
{
    Names names;
    for (const auto& entry : plan.entries)
        names.push_back(entry.name);
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

TEST(Pack, ReplacesAnOldPairAndTakesAwayOnlyWhatDeadPacksLeft)
{
    enum class Kind {
        LeftByADeadPack,
        HeldByARunningPack,
        LinkOut, // to a file outside the output folder
    };
    struct Left {
        std::string name;
        Kind kind;
    };
    struct Case {
        const char* what;
        std::vector<Left> left;
        Names kept; // besides the pair
    };
    const std::string ours = ".kwpack-partial-" + kwpack::ProcessTag();
    const Case cases[] = {
        {"the partial file of a pack killed by an older kwpack", {{"pelmora.kwf.kwpack-partial", Kind::LeftByADeadPack}}, {}},
        {"partial files of two dead packs",
         {{"pelmora.kwf.kwpack-partial-4242", Kind::LeftByADeadPack},
          {"pelmora.kwi.kwpack-partial-4243", Kind::LeftByADeadPack}},
         {}},
        {"a running pack's partial file",
         {{"pelmora.kwf.kwpack-partial-77777", Kind::HeldByARunningPack}},
         {"pelmora.kwf.kwpack-partial-77777"}},
        {"links at every name this pack writes",
         {{"pelmora.kwf" + ours, Kind::LinkOut},
          {"pelmora.kwi" + ours, Kind::LinkOut},
          {"pelmora.kwf.kwpack-partial", Kind::LinkOut},
          {"pelmora.kwi", Kind::LinkOut}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Packing p;
        TempFolder outside;
        WriteBytes(outside.Path() + "precious", "precious");
        kwtest::WritePackage(p.out.Path(), {{"old.txt", "old contents"}});
        std::vector<std::unique_ptr<plat::File>> held;
        std::vector<std::unique_ptr<kwtest::SymbolicLink>> links;
        for (const Left& left : c.left) {
            if (left.kind == Kind::LeftByADeadPack)
                WriteBytes(p.out.Path() + left.name, "left by a pack that died");
            if (left.kind == Kind::HeldByARunningPack)
                held.push_back(std::make_unique<plat::File>(p.out.Path() + left.name, plat::File::Mode::CreateNew));
            if (left.kind == Kind::LinkOut) {
                std::filesystem::remove(kwtest::Native(p.out.Path() + left.name));
                links.push_back(std::make_unique<kwtest::SymbolicLink>(
                    p.out.Path(), left.name, kwtest::SystemPath(outside.Path() + "precious")));
                if (!links.back()->Made())
                    GTEST_SKIP() << "this system makes no symbolic links here";
            }
        }
        p.Add("readme", "");
        p.Add("a.txt", "abc");
        // A link is removed as itself where the system opens it so; elsewhere
        // it stays, and the pack is refused rather than touch what it leads to.
        if (!links.empty() && !kwtest::SystemOpensLinksThemselves()) {
            EXPECT_EQ(p.Run(), kwpack::kExitFailed);
            EXPECT_TRUE(Contains(p.captured.err.str(), "cannot"));
        } else {
            EXPECT_EQ(p.Run(), kwpack::kExitOk) << p.captured.err.str();
            EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), kWorkedIndex);
            EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "abc");
            Names expected{"pelmora.kwf", "pelmora.kwi"};
            expected.insert(expected.end(), c.kept.begin(), c.kept.end());
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(kwtest::ListTree(p.out.Path()), expected);
        }
        EXPECT_EQ(kwtest::ListTree(outside.Path()), Names{"precious"});
        EXPECT_EQ(ReadBytes(outside.Path() + "precious"), "precious");
    }
}

namespace {

// Runs a pack on a thread of its own; Join() rethrows what it raised.
class PackThread {
public:
    PackThread(const Packing& p, kwpack::PackProgress progress)
        : m_plan(kwpack::PlanPackage(p.app.Path())), m_thread([this, &p, progress] {
              try {
                  kwpack::WritePackage(p.app.Path(), m_plan, p.out.Path(), progress);
              } catch (...) {
                  m_failure = std::current_exception();
              }
          })
    {
    }
    void Join()
    {
        m_thread.join();
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    kwpack::PackPlan m_plan;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

// One side's word to the other, waited for.
class Signal {
public:
    void Give()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_given = true;
        m_changed.notify_all();
    }
    void Wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_given; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_given = false;
};

Names PartialFiles(const std::string& folder)
{
    Names partial;
    for (const std::string& name : kwtest::ListTree(folder)) {
        if (name.find(".kwpack-partial") != std::string::npos)
            partial.push_back(name);
    }
    return partial;
}

} // namespace

// Another pack, or anyone else, holding the folder: the pack waits before
// making its partial files and before putting them in place, and gives up
// with a message when kept waiting too long. The old pair stays whole meanwhile.
TEST(Pack, TakesTurnsWithAnotherWritingIntoTheSameFolder)
{
    Packing p;
    const std::vector<kwtest::Entry> old{{"old.txt", "old contents"}};
    kwtest::WritePackage(p.out.Path(), old);
    const std::string oldIndex = ReadBytes(p.out.Path() + "pelmora.kwi");
    p.Add("readme", "");
    p.Add("a.txt", "abc");
    const auto expectOldPair = [&] {
        EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), oldIndex);
        EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "old contents");
    };
    {
        const kwpack::FolderLock other(p.out.Path(), 0);
        try {
            kwpack::WritePackage(p.app.Path(), kwpack::PlanPackage(p.app.Path()), p.out.Path(), {}, 100);
            ADD_FAILURE() << "the pack did not wait for the folder";
        } catch (const plat::FileError& error) {
            EXPECT_TRUE(Contains(error.what(), "another kwpack is writing a package into"));
        }
        expectOldPair();
        EXPECT_EQ(PartialFiles(p.out.Path()), Names{});
    }

    // Held while the pack writes its partial files, so it waits to put them in place.
    Signal writing;
    Signal held;
    std::optional<kwpack::FolderLock> other;
    PackThread pack(p, [&](int, const std::string& name) {
        if (name != "a.txt")
            return;
        writing.Give();
        held.Wait();
    });
    writing.Wait();
    other.emplace(p.out.Path(), 0);
    held.Give();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    expectOldPair();
    EXPECT_EQ(PartialFiles(p.out.Path()).size(), 2u) << "the new pair is written whole before it waits";
    other.reset();
    ASSERT_NO_THROW(pack.Join());
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), kWorkedIndex);
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "abc");
    EXPECT_EQ(kwtest::ListTree(p.out.Path()), (Names{"pelmora.kwf", "pelmora.kwi"}));
}

TEST(Pack, FileThatChangesWhilePackedLeavesTheOldPairAsItWas)
{
    Packing p;
    const std::vector<kwtest::Entry> old{{"pelmora.exe", "old program"}};
    kwtest::WritePackage(p.out.Path(), old);
    const std::string oldIndex = ReadBytes(p.out.Path() + "pelmora.kwi");
    p.Add("pelmora.exe", "MZ");
    p.Add("zz.dat", "12345");
    const kwpack::PackPlan plan = kwpack::PlanPackage(p.app.Path());
    p.Add("zz.dat", "123");
    try {
        kwpack::WritePackage(p.app.Path(), plan, p.out.Path());
        ADD_FAILURE() << "a changed file was packed";
    } catch (const plat::FileError& error) {
        EXPECT_TRUE(Contains(error.what(), "zz.dat"));
    }
    EXPECT_EQ(kwtest::ListTree(p.out.Path()), (Names{"pelmora.kwf", "pelmora.kwi"}));
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwi"), oldIndex);
    EXPECT_EQ(ReadBytes(p.out.Path() + "pelmora.kwf"), "old program");
}
