#include "message_box.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using kwtest::Exists;
using kwtest::FakeInstaller;
using kwtest::TempFolder;
using kwtest::kQuestionTail;
using kwtest::Log;

namespace {

// An installer in its own folder beside a package, installing into `target`.
struct Install {
    kwtest::CurrentFolderGuard guard;
    TempFolder source;
    TempFolder root;
    FakeInstaller installer;

    Install()
    {
        installer.modulePath = source.Path() + "PelmoraInstaller.exe";
        kwtest::WritePackage(source.Path(), {{"pelmora.exe", "MZ program"}, {"data.bin", "0123456789"}});
    }
    std::string Launched(const std::string& folder) const
    {
        return "launch open " + folder + "pelmora.exe /setup " + folder + " 10";
    }
};

} // namespace

TEST(CheckPackagePresent, TestsTheDataFileFirstAndReportsOnlyTheFirstMissing)
{
    FakeInstaller installer;
    TempFolder source;
    installer.modulePath = source.Path() + "PelmoraInstaller.exe";
    EXPECT_FALSE(installer.CheckPackagePresent());
    EXPECT_EQ(installer.log, Log{"message 0x10 Could not find Pelmora.kwf!!"});

    installer.log.clear();
    kwtest::WriteBytes(source.Path() + "pelmora.kwf", "");
    EXPECT_FALSE(installer.CheckPackagePresent());
    EXPECT_EQ(installer.log, Log{"message 0x10 Could not find Pelmora.kwi!!"});

    installer.log.clear();
    kwtest::WriteBytes(source.Path() + "pelmora.kwi", "");
    EXPECT_TRUE(installer.CheckPackagePresent());
    EXPECT_TRUE(installer.log.empty());

    std::filesystem::remove(kwtest::Native(source.Path() + "pelmora.kwf"));
    EXPECT_FALSE(installer.CheckPackagePresent());
    EXPECT_EQ(installer.log.back(), "message 0x10 Could not find Pelmora.kwf!!");
}

TEST(RunInstall, AsksBeforeCreatingAMissingFolderThenExtractsAndLaunches)
{
    Install x;
    const std::string target = x.root.Path() + "Program\\KW\\Pelmora\\";
    x.installer.destinationText = target.substr(0, target.size() - 1); // completed by the run
    x.installer.answers = {mb::kIdYes};
    x.installer.RunInstall();
    EXPECT_EQ(x.installer.log, (Log{"message 0x24 " + target + kQuestionTail, "status 0 Preparing...",
                                    "status 0 Extracting pelmora.exe", "status 50 Extracting data.bin",
                                    "status 99 Registering...", x.Launched(target),
                                    "status 100 Installation Complete!!"}));
    EXPECT_EQ(kwtest::ReadBytes(target + "pelmora.exe"), "MZ program");
    EXPECT_EQ(kwtest::ReadBytes(target + "data.bin"), "0123456789");
}

TEST(RunInstall, AnswerNoChangesNothing)
{
    Install x;
    const std::string target = x.root.Path() + "new\\";
    x.installer.destinationText = target;
    x.installer.answers = {mb::kIdNo};
    x.installer.RunInstall();
    EXPECT_EQ(x.installer.log, Log{"message 0x24 " + target + kQuestionTail});
    EXPECT_FALSE(Exists(target));
}

TEST(RunInstall, ExistingFolderIsNotQuestionedAndASecondRunOverwrites)
{
    Install x;
    x.installer.destinationText = x.root.Path();
    kwtest::WriteBytes(x.root.Path() + "data.bin", "stale contents, longer");
    x.installer.RunInstall();
    EXPECT_EQ(x.installer.log.front(), "status 0 Preparing...");
    EXPECT_EQ(x.installer.log.back(), "status 100 Installation Complete!!");
    EXPECT_EQ(kwtest::ReadBytes(x.root.Path() + "data.bin"), "0123456789");

    x.installer.log.clear();
    kwtest::WriteBytes(x.root.Path() + "data.bin", "changed");
    x.installer.RunInstall();
    EXPECT_EQ(x.installer.log.size(), 6u);
    EXPECT_EQ(kwtest::ReadBytes(x.root.Path() + "data.bin"), "0123456789");
}

TEST(RunInstall, RefusesOnlyAnEmptyDestination)
{
    Install x;
    x.installer.RunInstall();
    EXPECT_EQ(x.installer.log, Log{"message 0x10 You must enter a destination folder!"});
}

TEST(RunInstall, FailedLaunchIsToldWithTheInformationIconAndTheRunStillCompletes)
{
    Install x;
    x.installer.destinationText = x.root.Path();
    x.installer.launchResult = 2;
    x.installer.RunInstall();
    const Log tail(x.installer.log.end() - 4, x.installer.log.end());
    EXPECT_EQ(tail, (Log{"status 99 Registering...", x.Launched(x.root.Path()), "message 0x40 ShellExecute failed!!",
                         "status 100 Installation Complete!!"}));
}

TEST(RunInstall, ExtractionFailureStopsWithAnEmptyBar)
{
    Install x;
    x.installer.destinationText = x.root.Path();
    std::filesystem::remove(kwtest::Native(x.source.Path() + "pelmora.kwf"));
    x.installer.RunInstall();
    EXPECT_EQ(x.installer.log, (Log{"status 0 Preparing...", kwtest::kFileErrorLine,
                                    "status 0 Error while extracting!!"}));
}

TEST(RunInstall, DestinationNamingAPlainFileCannotBeCreated)
{
    Install x;
    const std::string target = x.root.Path() + "plain\\";
    kwtest::WriteBytes(x.root.Path() + "plain", "x");
    x.installer.destinationText = x.root.Path() + "plain";
    x.installer.answers = {mb::kIdYes};
    x.installer.RunInstall();
    EXPECT_EQ(x.installer.log, (Log{"message 0x24 " + target + kQuestionTail,
                                    "message 0x10 Could not create destination folder!!"}));
}

TEST(RunInstall, RelativeDestinationIsTakenFromTheInstallerFolder)
{
    Install x;
    // Leave the current folder somewhere else, as an earlier folder test would.
    ASSERT_TRUE(CInstallEngine::FolderExists(x.root.Path()));
    x.installer.destinationText = "App\\Sub";
    x.installer.answers = {mb::kIdYes};
    x.installer.RunInstall();
    const std::string target = x.source.Path() + "App\\Sub\\";
    EXPECT_EQ(x.installer.log.front(), "message 0x24 " + target + kQuestionTail);
    EXPECT_EQ(x.installer.log.back(), "status 100 Installation Complete!!");
    EXPECT_TRUE(Exists(target + "data.bin"));
    EXPECT_FALSE(Exists(x.root.Path() + "App"));
}
