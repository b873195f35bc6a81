#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

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

class PathRows : public kwtest::CodePageRows {};
INSTANTIATE_TEST_SUITE_P(, PathRows, ::testing::Values(1252u, 932u), kwtest::CodePageName);

} // namespace

// Paths in code page 932, where 表 is 95 5C and ソ is 83 5C: their second byte is no `\\`.
struct PathCase {
    unsigned codePage;
    std::string path;
    std::string expected;
};

TEST_P(PathRows, EnsureTrailingBackslashAddsOnlyWhenTheLastCharacterIsNotABackslash)
{
    const PathCase cases[] = {
        {1252, "", "\\"},
        {1252, "C:\\x", "C:\\x\\"},
        {1252, "C:\\x\\", "C:\\x\\"},
        {1252, "D:\\", "D:\\"},
        {1252, "C:/x/", "C:/x/\\"},
        {932, "C:\\\x95\x5C", "C:\\\x95\x5C\\"},
        {932, "C:\\\x95\x5C\\", "C:\\\x95\x5C\\"},
        {932, "C:\\a\x95", "C:\\a\x95\\"}, // a lone lead byte at the end
    };
    for (const PathCase& c : cases) {
        if (!InThisRun(c.codePage))
            continue;
        SCOPED_TRACE(c.path);
        EXPECT_EQ(Completed(c.path), c.expected);
    }
}

TEST_P(PathRows, GetInstallerFolderKeepsThePathUpToItsLastBackslash)
{
    const PathCase cases[] = {
        {1252, "C:\\Downloads\\Pelmora\\PelmoraInstaller.exe", "C:\\Downloads\\Pelmora\\"},
        {1252, "PelmoraInstaller.exe", ""},
        {932, "C:\\\x95\x5C\\PelmoraInstaller.exe", "C:\\\x95\x5C\\"},
        {932, "C:\\x\\\x83\x5C.exe", "C:\\x\\"},
    };
    for (const PathCase& c : cases) {
        if (!InThisRun(c.codePage))
            continue;
        SCOPED_TRACE(c.path);
        FakeInstaller installer;
        installer.modulePath = c.path;
        EXPECT_EQ(installer.GetInstallerFolder(), c.expected);
        EXPECT_TRUE(installer.log.empty());
    }
}

TEST(GetInstallerFolder, WarnsAndGoesOnWhenThePathIsUnavailable)
{
    FakeInstaller installer;
    EXPECT_EQ(installer.GetInstallerFolder(), "");
    EXPECT_EQ(installer.log, std::vector<std::string>{"message 0x30 GetModuleFileName failed!!"});
}

TEST(GetExecutablePath, NamesThisProgramWithBackslashes)
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

TEST(CreateFolders, CreatesLevelsNamedInADoubleByteCodePage)
{
    const kwtest::PathCodePageScope scope(932);
    if (!scope.Active())
        GTEST_SKIP() << "paths are in the system's code page, not 932";
    TempFolder temp;
    // 表\能\: each level ends in the byte 5C, which is no `\`.
    EXPECT_TRUE(CInstallEngine::CreateFolders(temp.Path() + "\x95\x5C\\\x94\x5C\\"));
    const std::filesystem::path root = std::filesystem::u8path(kwtest::Native(temp.Path()));
    EXPECT_TRUE(std::filesystem::is_directory(root / std::filesystem::u8path("表/能")));
    const auto levels = std::distance(std::filesystem::recursive_directory_iterator(root), {});
    EXPECT_EQ(levels, 2) << "nothing but 表 and 能";
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
