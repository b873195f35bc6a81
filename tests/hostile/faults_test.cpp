// Failing disks and files that change under the installer: each ends in the
// installer's file-error message with the files written before intact. And
// the publisher's tool, which only reads, in the way of nobody.

#include "commands.h"
#include "message_box.h"
#include "other_process_lock.h"
#include "verify.h"
#include "test_support.h"
#include "tiny_volume.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>

namespace fs = std::filesystem;
using kwtest::Entry;
using kwtest::ReadBytes;
using kwtest::TempFolder;
using kwtest::WriteBytes;
using kwtest::Log;
using kwtest::Pattern;

namespace {

const std::string& kFileError = kwtest::kFileErrorLine;
const std::string kExtractFailed = "status 0 Error while extracting!!";

bool Contains(const Log& log, const std::string& line) { return std::find(log.begin(), log.end(), line) != log.end(); }

// An installer beside its package, installing into `destination`, which exists.
struct Install {
    TempFolder source;
    kwtest::FakeInstaller installer;

    explicit Install(const std::string& destination)
    {
        installer.modulePath = source.Path() + "PelmoraInstaller.exe";
        installer.destinationText = destination;
    }
    void Package(const std::vector<Entry>& entries) { kwtest::WritePackage(source.Path(), entries); }
    // The run as the dialog makes it: the start-up check, then Install.
    void Run()
    {
        ASSERT_TRUE(installer.CheckPackagePresent());
        installer.RunInstall();
    }
    // The run must have ended in the file-error message with nothing launched.
    void ExpectFileErrorEnding() const
    {
        const Log& log = installer.log;
        EXPECT_TRUE(Contains(log, kFileError)) << ::testing::PrintToString(log);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), kExtractFailed);
        EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("launch", 0) == 0; }),
                  0);
    }
};

const std::vector<Entry> kThreeFiles = {{"first", Pattern(3000, 1)}, {"second", Pattern(5000, 2)}, {"third", "3"}};

} // namespace

TEST(DiskFull, EarlierFilesStayWholeAndThePartlyWrittenOneKeepsWhatGotThere)
{
    kwtest::TinyVolume volume(256 * 1024);
    if (volume.Path().empty())
        GTEST_SKIP() << volume.SkipReason();
    const std::size_t room = static_cast<std::size_t>(fs::space(kwtest::Native(volume.Path())).available);
    ASSERT_GT(room, 16u * 1024);
    const std::vector<Entry> entries = {
        {"first", Pattern(room / 4, 1)}, {"second", Pattern(room / 4, 2)}, {"big", Pattern(room, 3)}, {"after", "x"}};

    Install install(volume.Path());
    install.Package(entries);
    install.Run();
    install.ExpectFileErrorEnding();
    EXPECT_TRUE(ReadBytes(volume.Path() + "first") == entries[0].contents);
    EXPECT_TRUE(ReadBytes(volume.Path() + "second") == entries[1].contents);
    const std::string partial = ReadBytes(volume.Path() + "big");
    EXPECT_GT(partial.size(), 0u);
    EXPECT_LT(partial.size(), entries[2].contents.size());
    EXPECT_TRUE(partial == entries[2].contents.substr(0, partial.size())) << "the partly written file is not a prefix";
    EXPECT_FALSE(kwtest::Exists(volume.Path() + "after"));

    // The cause the extraction returns, run again over what is there.
    EXPECT_EQ(install.installer.ExtractFiles(install.source.Path(), volume.Path()), plat::kCauseDiskFull);
}

TEST(LockedFiles, APackageFileHeldByAnotherProcessStopsTheRunBeforeAnythingIsWritten)
{
    for (const char* file : {"pelmora.kwi", "pelmora.kwf"}) {
        SCOPED_TRACE(file);
        TempFolder destination;
        Install install(destination.Path());
        install.Package(kThreeFiles);
        {
            kwtest::OtherProcessLock lock(install.source.Path() + file);
            install.Run();
            install.ExpectFileErrorEnding();
            EXPECT_EQ(install.installer.ExtractFiles(install.source.Path(), destination.Path()),
                      plat::kCauseSharingViolation);
        }
        EXPECT_TRUE(kwtest::ListTree(destination.Path()).empty());
    }
}

TEST(LockedFiles, AnOutputFileHeldByAnotherProcessKeepsItsContentsAndTheEarlierFiles)
{
    TempFolder destination;
    WriteBytes(destination.Path() + "second", "held by someone else");
    Install install(destination.Path());
    install.Package(kThreeFiles);
    {
        kwtest::OtherProcessLock lock(destination.Path() + "second");
        install.Run();
    }
    install.ExpectFileErrorEnding();
    EXPECT_TRUE(ReadBytes(destination.Path() + "first") == kThreeFiles[0].contents);
    EXPECT_EQ(ReadBytes(destination.Path() + "second"), "held by someone else");
    EXPECT_FALSE(kwtest::Exists(destination.Path() + "third"));
}

// kwpack's list and verify share the package with another reader, and an
// installed folder with the program that runs from it: reading takes no file
// for itself. Only the installer does.
TEST(LockedFiles, TheToolsReadsShareWithAnotherReaderAndARunningProgram)
{
    struct Case {
        const char* what;
        const char* held;
        bool heldByTheProgram; // a file of the installed folder; else one of the package, by another reader
        bool verify;
    };
    const Case cases[] = {
        {"a list while another reads the index", "pelmora.kwi", false, false},
        {"a verify while another reads the data", "pelmora.kwf", false, true},
        {"a verify while the installed program holds its file", "second", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder package;
        TempFolder installed;
        kwtest::WritePackage(package.Path(), kThreeFiles);
        for (const Entry& entry : kThreeFiles)
            WriteBytes(installed.Path() + entry.name, entry.contents);
        std::optional<plat::File> reader;
        std::optional<kwtest::OtherProcessLock> program;
        if (c.heldByTheProgram)
            program.emplace(installed.Path() + c.held, kwtest::OtherProcessLock::Hold::AsARunningProgram);
        else
            reader.emplace(package.Path() + c.held, plat::File::Mode::SharedRead);

        std::ostringstream out;
        std::ostringstream err;
        kwpack::Console console{out, err, false, {}};
        const int status = c.verify ? kwpack::RunVerify(package.Path(), installed.Path(), console)
                                    : kwpack::RunList(package.Path(), console);
        EXPECT_EQ(status, kwpack::kExitOk) << err.str();
        EXPECT_EQ(err.str(), "");
        EXPECT_TRUE(out.str().find(c.verify ? "Every entry matches" : "3 entries, 8001 bytes") != std::string::npos)
            << out.str();
    }
}

void MakeReadOnly(const std::string& path)
{
    fs::permissions(kwtest::Native(path), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

// Windows refuses to open a read-only file for writing, whoever asks; Wine
// run as root lets root through, as the system below it does.
bool SystemOpensReadOnlyFilesForWriting(const std::string& folder)
{
    const std::string probe = folder + "read-only probe";
    WriteBytes(probe, "x");
    MakeReadOnly(probe);
    std::FILE* file = std::fopen(kwtest::Native(probe).c_str(), "r+b");
    if (file == nullptr)
        return false;
    std::fclose(file);
    return true;
}

TEST(ReadOnlyFile, AnExistingReadOnlyFileIsAFileErrorAndStaysAsItWas)
{
    TempFolder destination;
    {
        TempFolder scratch;
        if (SystemOpensReadOnlyFilesForWriting(scratch.Path()))
            GTEST_SKIP() << "this system lets the process write to read-only files (Wine run as root does)";
    }
    const std::string readOnly = destination.Path() + "second";
    WriteBytes(readOnly, "read-only contents");
    MakeReadOnly(readOnly);
    Install install(destination.Path());
    install.Package(kThreeFiles);
    install.Run();
    install.ExpectFileErrorEnding();
    EXPECT_EQ(install.installer.ExtractFiles(install.source.Path(), destination.Path()), plat::kCauseAccessDenied);
    EXPECT_TRUE(ReadBytes(destination.Path() + "first") == kThreeFiles[0].contents);
    EXPECT_EQ(ReadBytes(readOnly), "read-only contents");
    EXPECT_FALSE(kwtest::Exists(destination.Path() + "third"));
}

TEST(PackageChangedAfterStartUp, ARemovedDataFileIsAFileErrorAndWritesNothing)
{
    TempFolder destination;
    Install install(destination.Path());
    install.Package(kThreeFiles);
    ASSERT_TRUE(install.installer.CheckPackagePresent());
    fs::remove(kwtest::Native(install.source.Path() + "pelmora.kwf"));
    install.installer.RunInstall();
    install.ExpectFileErrorEnding();
    EXPECT_TRUE(kwtest::ListTree(destination.Path()).empty());
}

TEST(PackageChangedAfterStartUp, AShortenedPackageStopsBeforeTheEntryItCannotFill)
{
    struct Case {
        const char* what;
        const char* file;
        std::size_t keep; // bytes left of the file
        Log written;
    };
    // The index holds records of 13, 14 and 13 bytes.
    const Case cases[] = {
        {"data file cut inside the second entry", "pelmora.kwf", 3000 + 100, {"first"}},
        {"data file cut to nothing", "pelmora.kwf", 0, {}},
        {"index cut inside the second record", "pelmora.kwi", 13 + 5, {"first"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder destination;
        Install install(destination.Path());
        install.Package(kThreeFiles);
        ASSERT_TRUE(install.installer.CheckPackagePresent());
        const std::string path = install.source.Path() + c.file;
        WriteBytes(path, ReadBytes(path).substr(0, c.keep));
        install.installer.RunInstall();
        install.ExpectFileErrorEnding();
        EXPECT_EQ(kwtest::ListTree(destination.Path()), c.written);
        if (!c.written.empty()) {
            EXPECT_TRUE(ReadBytes(destination.Path() + "first") == kThreeFiles[0].contents);
        }
    }
}

// Past 260 characters a system may refuse the path; what it must never do is
// write to a cut-down path. Either the files land whole at the full path, or
// the run ends in one of the installer's failure messages. The destination is
// tried both missing (the installer creates it) and made beforehand by other
// means, so that the extraction itself meets the long path.
TEST(LongDestination, EndsWholeOrInAStatedFailureAndNeverWritesToACutPath)
{
    for (const bool madeBefore : {false, true}) {
        SCOPED_TRACE(madeBefore ? "destination made beforehand" : "destination created by the installer");
        TempFolder root;
        std::string relative;
        while (root.Path().size() + relative.size() < 300)
            relative += std::string(40, 'd') + "\\";
        const std::string destination = root.Path() + relative;
        ASSERT_GT(destination.size(), 260u);
        std::error_code error;
        if (madeBefore && !fs::create_directories(kwtest::Native(destination), error)) {
            std::cout << "cannot make a destination of " << destination.size() << " characters: " << error.message()
                      << "\n";
            continue;
        }

        Install install(destination);
        install.installer.answers = {mb::kIdYes};
        install.Package({{"file.txt", "contents"}, {"pelmora.exe", "MZ"}});
        install.Run();

        const Log& log = install.installer.log;
        ASSERT_FALSE(log.empty());
        const bool completed = log.back() == "status 100 Installation Complete!!";
        const bool failed = Contains(log, "message 0x10 Could not create destination folder!!") ||
                            (Contains(log, kFileError) && log.back() == kExtractFailed);
        EXPECT_TRUE(completed != failed) << ::testing::PrintToString(log);
        std::cout << "destination of " << destination.size() << " characters"
                  << (madeBefore ? ", made beforehand: " : ": ")
                  << (completed ? "installed" : "refused with " + ::testing::PrintToString(log.back())) << "\n";
        if (completed) {
            EXPECT_EQ(ReadBytes(destination + "file.txt"), "contents");
        }
        if (madeBefore) {
            // The extraction on its own, whatever the folder test made of the path.
            install.installer.log.clear();
            const int result = install.installer.ExtractFiles(install.source.Path(), destination);
            EXPECT_EQ(result != 0, Contains(install.installer.log, kFileError));
            std::cout << "  extracting into it: " << (result == 0 ? "written" : "refused with a file error") << "\n";
            if (result == 0) {
                EXPECT_EQ(ReadBytes(destination + "file.txt"), "contents");
            }
        }

        // A cut-down path is a beginning of a full one: none may be a file.
        for (const char* name : {"file.txt", "pelmora.exe"}) {
            const std::string full = kwtest::Native(destination + name);
            for (std::size_t length = root.Path().size(); length < full.size(); ++length) {
                const std::string cut = full.substr(0, length);
                EXPECT_TRUE(!fs::exists(cut, error) || fs::is_directory(cut, error)) << "a file at " << cut;
            }
        }
    }
}
