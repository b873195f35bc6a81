#include "cli.h"
#include "kw_version.h"
#include "kwpack_test_support.h"
#include "paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(Cli, HelpForTheToolAndEachCommandExitsZero)
{
    struct Ask {
        std::vector<std::string> arguments;
        std::vector<std::string> told; // options and code pages the help names
    };
    const Ask asks[] = {
        {{"--help"}, {"pack", "list", "extract", "verify"}},
        {{"pack", "--help"}, {"-q,--quiet", "--strict", "--codepage", "65001 (UTF-8)", "without pelmora.exe"}},
        {{"list", "--help"}, {"--json", "as hex", "--codepage", "1258 or 65001"}},
        {{"extract", "--help"}, {"-q,--quiet", "--codepage"}},
        {{"verify", "--help"}, {"--codepage", "874, 932"}},
    };
    for (const Ask& ask : asks) {
        SCOPED_TRACE(ask.arguments.front() + " " + ask.arguments.back());
        CapturedConsole captured;
        EXPECT_EQ(Kwpack(captured, ask.arguments), kwpack::kExitOk);
        EXPECT_TRUE(Contains(captured.out.str(), "Usage: kwpack"));
        EXPECT_TRUE(Contains(captured.out.str(), "Exit status: 0 when"));
        for (const std::string& told : ask.told)
            EXPECT_TRUE(Contains(captured.out.str(), told));
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
        {"extract", "a", "b", "--codepage"}, {"list", "a", "--codepage", "65000"}, {"list", "a", "--quiet"},
        {"verify", "a", "b", "-q"}, {"extract", "a", "b", "--strict"}, {"pack", "a", "-o", "b", "--json"}};
    for (const auto& wrong : wrongs) {
        CapturedConsole captured;
        EXPECT_EQ(Kwpack(captured, wrong), kwpack::kExitUsage);
        EXPECT_TRUE(Contains(captured.err.str(), "--help"));
    }
    CapturedConsole unknown;
    EXPECT_EQ(Kwpack(unknown, {"frob", "x"}), kwpack::kExitUsage);
    EXPECT_TRUE(Contains(unknown.err.str(), "unknown command 'frob'; the commands are pack, list, extract and verify"));
}

// As when standard output is a full disk: the command did its work, but the
// user never saw the result.
TEST(Cli, OutputThatCannotBeWrittenFailsTheCommandWithTheReason)
{
    kwtest::TempFolder package;
    kwtest::WritePackage(package.Path(), {{"pelmora.exe", "MZ"}});
    CapturedConsole captured;
    captured.out.setstate(std::ios::badbit);
    captured.console.outFailure = [] { return std::string("No space left on device"); };
    EXPECT_EQ(Kwpack(captured, {"list", package.Path()}), kwpack::kExitFailed);
    EXPECT_EQ(captured.err.str(), "kwpack: cannot write the output: No space left on device\n");
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
    // An empty folder is the current one.
    const kwtest::CurrentFolderGuard back;
    ASSERT_TRUE(plat::SetCurrentFolder(package));
    CapturedConsole here;
    EXPECT_EQ(Kwpack(here, {"list", ""}), kwpack::kExitOk);
    EXPECT_EQ(here.out.str(), listing.out.str());
}

// What a publisher's pipeline asks for: no progress, warnings as errors,
// UTF-8 names and a listing a script reads.
TEST(Cli, PipelineOptionsReachTheirCommands)
{
    kwtest::TempFolder app;
    kwtest::TempFolder work;
    kwtest::WriteBytes(app.Path() + "pelmora.exe", "MZ");
    const std::string package = work.Path() + "package";

    CapturedConsole packing;
    EXPECT_EQ(Kwpack(packing, {"pack", app.Path(), "-o", package, "-q", "--strict", "--codepage", "65001"}),
              kwpack::kExitOk);
    EXPECT_EQ(packing.err.str(), "");
    CapturedConsole listing;
    EXPECT_EQ(Kwpack(listing, {"list", package, "--json", "--codepage", "65001"}), kwpack::kExitOk);
    EXPECT_EQ(listing.out.str(), "{\"entries\": [\n"
                                 "  {\"name\": \"pelmora.exe\", \"bytes\": \"70656c6d6f72612e657865\", \"size\": 2}\n"
                                 "], \"count\": 1, \"totalSize\": 2}\n");
    CapturedConsole extracting;
    EXPECT_EQ(Kwpack(extracting, {"extract", "--quiet", package, work.Path() + "installed"}), kwpack::kExitOk);
    EXPECT_EQ(extracting.err.str(), "");
    EXPECT_TRUE(Contains(extracting.out.str(), "Extracted 1 entry"));

    kwtest::TempFolder empty;
    CapturedConsole strict;
    EXPECT_EQ(Kwpack(strict, {"pack", "--strict", empty.Path(), "-o", work.Path() + "strict"}), kwpack::kExitFailed);
    EXPECT_TRUE(Contains(strict.err.str(), "kwpack: error: the folder holds no pelmora.exe"));
    EXPECT_FALSE(kwtest::Exists(work.Path() + "strict"));
}

// Where paths are written in the package's code page (POSIX), a folder whose
// name it cannot write is told, and nothing is done.
TEST(Cli, FoldersTheCodePageCannotWriteAreToldAndNothingIsDone)
{
    kwtest::TempFolder work;
    const std::string folder = "\xC5\x81\xC3\xB3" "d\xC5\xBA"; // "Łódź", which 1252 cannot write
    std::string unused;
    if (plat::ToEnginePath(folder, unused))
        GTEST_SKIP() << "paths here are in the system's own code page, which takes the name byte by byte";
    const std::vector<std::vector<std::string>> commands{
        {"list", folder}, {"extract", folder, work.Path() + "out"}, {"verify", folder, work.Path()},
        {"pack", work.Path(), "-o", folder}};
    for (const auto& command : commands) {
        SCOPED_TRACE(command.front());
        CapturedConsole captured;
        EXPECT_EQ(Kwpack(captured, command), kwpack::kExitFailed);
        EXPECT_EQ(captured.err.str(),
                  "kwpack: cannot use the folder '" + folder + "': '\xC5\x81' (U+0141) has no code in code page 1252\n");
        EXPECT_EQ(captured.out.str(), "");
    }
    EXPECT_EQ(kwtest::ListTree(work.Path()), std::vector<std::string>{});
}
