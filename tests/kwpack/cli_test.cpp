#include "cli.h"
#include "kw_version.h"
#include "kwpack_test_support.h"
#include "package_index.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using kwtest::CapturedConsole;
using kwtest::Contains;

namespace {

int Kwpack(CapturedConsole& captured, std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), "kwpack");
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    return kwpack::RunKwpack(static_cast<int>(argv.size()), argv.data(), captured.console);
}

// A file named by UTF-8 text, as the system names it.
std::filesystem::path HostFile(const std::string& folder, const std::string& name)
{
    return std::filesystem::u8path(kwtest::Native(folder)) / std::filesystem::u8path(name);
}

void WriteHostFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadHostFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> IndexNames(const std::string& package)
{
    plat::File index(package + "\\" + CInstallEngine::kIndexFileName, plat::File::Mode::Read);
    IndexReader records(index);
    std::vector<std::string> names;
    while (records.Position() < records.Length())
        names.push_back(records.ReadRecord().name);
    return names;
}

} // namespace

TEST(Cli, HelpForTheToolAndEachCommandExitsZero)
{
    const std::vector<std::vector<std::string>> asks{
        {"--help"}, {"pack", "--help"}, {"list", "--help"}, {"extract", "--help"}, {"verify", "--help"}};
    for (const auto& ask : asks) {
        SCOPED_TRACE(ask.front() + " " + ask.back());
        CapturedConsole captured;
        EXPECT_EQ(Kwpack(captured, ask), kwpack::kExitOk);
        EXPECT_TRUE(Contains(captured.out.str(), "Usage: kwpack"));
    }
}

TEST(Cli, VersionIsTheProjectsNotTheBuildsAndNeedsNoCommand)
{
    CapturedConsole captured;
    EXPECT_EQ(Kwpack(captured, {"--version"}), kwpack::kExitOk);
    EXPECT_EQ(captured.out.str(), std::string("kwpack ") + KW_VERSION_TEXT + "\n");
    EXPECT_EQ(std::string(KW_VERSION_TEXT), std::to_string(KW_VERSION_MAJOR) + "." + std::to_string(KW_VERSION_MINOR));
}

TEST(Cli, UnusableCommandLinesExitTwo)
{
    const std::vector<std::vector<std::string>> wrongs{
        {}, {"unpack", "x"}, {"pack", "folder"}, {"list"}, {"extract", "package"}, {"list", "a", "b"},
        {"verify", "package"}, {"list", "a", "--codepage", "437"}, {"pack", "a", "-o", "b", "--codepage", "utf8"},
        {"extract", "a", "b", "--codepage"}};
    for (const auto& wrong : wrongs) {
        CapturedConsole captured;
        EXPECT_EQ(Kwpack(captured, wrong), kwpack::kExitRefused);
        EXPECT_TRUE(Contains(captured.err.str(), "--help"));
    }
}

TEST(Cli, CommandsRunWithTheirArguments)
{
    kwtest::TempFolder app;
    kwtest::TempFolder work;
    kwtest::WriteBytes(app.Path() + "pelmora.exe", "MZ");
    const std::string package = work.Path() + "package";
    const std::string installed = work.Path() + "installed";

    CapturedConsole packing;
    EXPECT_EQ(Kwpack(packing, {"pack", app.Path(), "-o", package}), kwpack::kExitOk);
    CapturedConsole listing;
    EXPECT_EQ(Kwpack(listing, {"list", package}), kwpack::kExitOk);
    EXPECT_EQ(listing.out.str(), "         2  pelmora.exe\n1 entry, 2 bytes\n");
    CapturedConsole extracting;
    EXPECT_EQ(Kwpack(extracting, {"extract", package, installed}), kwpack::kExitOk);
    EXPECT_EQ(kwtest::ReadBytes(installed + "\\pelmora.exe"), "MZ");
    CapturedConsole verifying;
    EXPECT_EQ(Kwpack(verifying, {"verify", package, installed}), kwpack::kExitOk);
    EXPECT_TRUE(Contains(verifying.out.str(), "Every entry matches"));
}

// Each name goes into the index as Python's codecs write it (name.encode("cp1252")
// and so on), sorted by those bytes, and comes back as it was in list and extract.
TEST(Cli, NamesTravelInTheCodePageNamed)
{
    struct Case {
        const char* codePage;
        std::vector<std::string> names;
        std::vector<std::string> indexNames;
    };
    const Case cases[] = {
        {"1252", {"Läs mig.txt", "Årö.bin", "€uro.txt"}, {"L\xE4s mig.txt", "\x80uro.txt", "\xC5r\xF6.bin"}},
        {"1250", {"Łódź.txt", "Żółw.txt"}, {"\xA3\xF3" "d\x9F.txt", "\xAF\xF3\xB3w.txt"}},
        {"1251", {"Привет.txt", "Ёж.dat"}, {"\xA8\xE6.dat", "\xCF\xF0\xE8\xE2\xE5\xF2.txt"}},
        {"932", {"表.txt", "能力.dat", "ポスター.txt"},
         {"\x83\x7C\x83X\x83^\x81[.txt", "\x94\x5C\x97\xCD.dat", "\x95\x5C.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        kwtest::TempFolder app;
        kwtest::TempFolder work;
        for (const std::string& name : c.names)
            WriteHostFile(HostFile(app.Path(), name), name);
        const std::string package = work.Path() + "package";

        CapturedConsole packing;
        ASSERT_EQ(Kwpack(packing, {"pack", app.Path(), "-o", package, "--codepage", c.codePage}), kwpack::kExitOk)
            << packing.err.str();
        EXPECT_EQ(IndexNames(package), c.indexNames);
        CapturedConsole listing;
        EXPECT_EQ(Kwpack(listing, {"list", package, "--codepage", c.codePage}), kwpack::kExitOk);
        for (const std::string& name : c.names)
            EXPECT_TRUE(Contains(listing.out.str(), "  " + name + "\n"));

        // Windows extracts in its own code page only, as the installer does.
        const kwtest::PathCodePageScope scope(static_cast<unsigned>(std::stoul(c.codePage)));
        if (!scope.Active())
            continue;
        const std::string installed = work.Path() + "installed";
        CapturedConsole extracting;
        EXPECT_EQ(Kwpack(extracting, {"extract", package, installed, "--codepage", c.codePage}), kwpack::kExitOk);
        EXPECT_TRUE(Contains(extracting.out.str(), "Extracting " + c.names.front()));
        for (const std::string& name : c.names)
            EXPECT_EQ(ReadHostFile(HostFile(installed, name)), name);
    }
}
