#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using kwtest::Exists;
using kwtest::FakeInstaller;
using kwtest::TempFolder;

namespace {

std::string Completed(std::string path)
{
    CInstallEngine::EnsureTrailingBackslash(path);
    return path;
}

std::string CurrentFolder()
{
    std::string path = std::filesystem::current_path().lexically_normal().generic_string();
    return path;
}

} // namespace

TEST(EnsureTrailingBackslash, AddsOnlyWhenTheLastByteIsNotABackslash)
{
    EXPECT_EQ(Completed(""), "\\");
    EXPECT_EQ(Completed("C:\\x"), "C:\\x\\");
    EXPECT_EQ(Completed("C:\\x\\"), "C:\\x\\");
    EXPECT_EQ(Completed("D:\\"), "D:\\");
    EXPECT_EQ(Completed("C:/x/"), "C:/x/\\");
}

TEST(GetInstallerFolder, KeepsThePathUpToItsLastBackslash)
{
    FakeInstaller installer;
    installer.modulePath = "C:\\Downloads\\Pelmora\\PelmoraInstaller.exe";
    EXPECT_EQ(installer.GetInstallerFolder(), "C:\\Downloads\\Pelmora\\");
    installer.modulePath = "PelmoraInstaller.exe";
    EXPECT_EQ(installer.GetInstallerFolder(), "");
    EXPECT_TRUE(installer.log.empty());
}

TEST(GetInstallerFolder, WarnsAndGoesOnWhenThePathIsUnavailable)
{
    FakeInstaller installer;
    EXPECT_EQ(installer.GetInstallerFolder(), "");
    EXPECT_EQ(installer.log, std::vector<std::string>{"message 0x30 GetModuleFileName failed!!"});
}

TEST(GetInstallerFolder, RealExecutablePathEndsInBackslash)
{
    std::string path;
    ASSERT_TRUE(plat::GetExecutablePath(path));
    EXPECT_NE(path.find("engine_tests"), std::string::npos) << path;
    EXPECT_EQ(path.find('/'), std::string::npos) << path;
}

TEST(FileExists, CountsFilesAndFoldersAlike)
{
    TempFolder temp;
    kwtest::WriteBytes(temp.Path() + "file.txt", "x");
    std::filesystem::create_directory(kwtest::Native(temp.Path() + "folder"));
    EXPECT_TRUE(CInstallEngine::FileExists(temp.Path() + "file.txt"));
    EXPECT_TRUE(CInstallEngine::FileExists(temp.Path() + "folder"));
    EXPECT_FALSE(CInstallEngine::FileExists(temp.Path() + "missing.txt"));
}

TEST(FolderExists, MovesTheCurrentFolderOnlyOnSuccess)
{
    kwtest::CurrentFolderGuard guard;
    TempFolder temp;
    kwtest::WriteBytes(temp.Path() + "plain", "x");
    ASSERT_TRUE(CInstallEngine::FolderExists(temp.Path()));
    const std::string there = CurrentFolder();
    EXPECT_FALSE(CInstallEngine::FolderExists(temp.Path() + "plain"));
    EXPECT_FALSE(CInstallEngine::FolderExists(temp.Path() + "missing"));
    EXPECT_EQ(CurrentFolder(), there);
}

TEST(CreateFolders, CreatesEachMissingLevelAndLeavesTheDeepestExistingOneCurrent)
{
    kwtest::CurrentFolderGuard guard;
    TempFolder temp;
    ASSERT_TRUE(CInstallEngine::FolderExists(temp.Path()));
    const std::string tempFolder = CurrentFolder();
    std::filesystem::create_directory(kwtest::Native(temp.Path() + "Program"));
    std::filesystem::current_path(std::filesystem::temp_directory_path());

    EXPECT_TRUE(CInstallEngine::CreateFolders(temp.Path() + "Program\\KW\\Pelmora\\"));
    EXPECT_TRUE(Exists(temp.Path() + "Program\\KW\\Pelmora"));
    EXPECT_EQ(CurrentFolder(), tempFolder + "/Program");
}

TEST(CreateFolders, LeavesTheLastLevelAloneWithoutAFinalBackslash)
{
    TempFolder temp;
    EXPECT_TRUE(CInstallEngine::CreateFolders(temp.Path() + "a\\b"));
    EXPECT_TRUE(Exists(temp.Path() + "a"));
    EXPECT_FALSE(Exists(temp.Path() + "a\\b"));
}

TEST(CreateFolders, DoesNothingForAPathWhoseOnlyBackslashIsFinal)
{
    kwtest::CurrentFolderGuard guard;
    TempFolder temp;
    ASSERT_TRUE(CInstallEngine::FolderExists(temp.Path()));
    EXPECT_TRUE(CInstallEngine::CreateFolders("Setup\\"));
    EXPECT_TRUE(CInstallEngine::CreateFolders("nothing"));
    EXPECT_FALSE(Exists(temp.Path() + "Setup"));
}

TEST(CreateFolders, FailsOnAPlainFileAndKeepsTheLevelsMadeBefore)
{
    TempFolder temp;
    std::filesystem::create_directory(kwtest::Native(temp.Path() + "a"));
    kwtest::WriteBytes(temp.Path() + "a\\file", "x");
    EXPECT_FALSE(CInstallEngine::CreateFolders(temp.Path() + "a\\file\\b\\"));
    EXPECT_FALSE(Exists(temp.Path() + "a\\file\\b"));

    // A level no file system accepts: the one made before it stays.
    EXPECT_FALSE(CInstallEngine::CreateFolders(temp.Path() + "made\\" + std::string(300, 'x') + "\\"));
    EXPECT_TRUE(Exists(temp.Path() + "made"));
}
