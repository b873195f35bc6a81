// The built installer under attack, driven through its window: DLLs planted
// beside it, and a package file another process holds at Install time.

#include "installer_fixture.h"
#include "other_process_lock.h"
#include "planted_node.h"
#include "symbolic_link.h"
#include "test_handles_win32.h"

#include <cctype>
#include <iostream>
#include <set>
#include <sstream>

namespace e2e {
namespace {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The DLLs that the system's own copies of the installer's imports import in
// turn, all the way down. A DLL among them is loaded before the installer's
// first instruction, by whatever search the system makes then.
std::set<std::string> LoadedBeforeTheProgramRuns(const std::string& program)
{
    std::set<std::string> seen;
    std::vector<std::string> pending;
    const auto* image = reinterpret_cast<const BYTE*>(LoadLibraryExA(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    pending.push_back(program);
    while (!pending.empty()) {
        const std::string name = pending.back();
        pending.pop_back();
        const auto* base = name == program ? image : reinterpret_cast<const BYTE*>(LoadLibraryA(name.c_str()));
        if (base == nullptr)
            continue;
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (imports.VirtualAddress == 0)
            continue;
        for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             entry->Name != 0; ++entry) {
            const std::string imported = Lower(reinterpret_cast<const char*>(base + entry->Name));
            if (seen.insert(imported).second)
                pending.push_back(imported);
        }
    }
    return seen;
}

// Wine takes its own copy of some system DLLs even when one lies beside the
// exe; "native, then built-in" for a program makes it search the way Windows
// does, so a planted DLL is found unless the program keeps the search in
// System32. Windows ignores the key. Returns the DLLs so set.
std::vector<std::string> SearchLikeWindows(const std::string& program, const std::vector<std::string>& names,
                                           const std::set<std::string>& exceptions)
{
    std::vector<std::string> set;
    const std::string path = "Software\\Wine\\AppDefaults\\" + program + "\\DllOverrides";
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str()); // what an earlier run set
    HKEY created = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create " << path;
        return set;
    }
    const kwtest::UniqueRegistryKey key(created);
    static const char kOrder[] = "native,builtin";
    for (const std::string& name : names) {
        if (exceptions.count(name + ".dll") != 0)
            continue;
        EXPECT_EQ(RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrder),
                                 sizeof kOrder),
                  ERROR_SUCCESS);
        set.push_back(name);
    }
    return set;
}

// Copies the marker DLLs into a folder; returns the markers they would leave there.
std::vector<std::string> Plant(const std::string& folder, const std::vector<std::string>& names)
{
    std::vector<std::string> markers;
    for (const std::string& name : names) {
        const std::string from = HostPathToWindows(KW_PLANTED_DLL_DIR) + "\\" + name + ".dll";
        const std::string to = folder + name + ".dll";
        EXPECT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE)) << "cannot copy " << from;
        markers.push_back(to + ".loaded");
    }
    return markers;
}

std::vector<std::string> Present(const std::vector<std::string>& paths)
{
    std::vector<std::string> present;
    for (const std::string& path : paths) {
        if (kwtest::Exists(path))
            present.push_back(path);
    }
    return present;
}

// A program that loads the DLLs by bare name, unguarded, from a folder
// where they are planted: the markers of those the system searches for beside
// the program must appear, or the check below would prove nothing.
void ExpectUnguardedProgramLoads(const std::vector<std::string>& names)
{
    kwtest::TempFolder folder;
    Plant(folder.Path(), names);
    const std::string loader = folder.Path() + "kwdllloader.exe";
    ASSERT_TRUE(CopyFileA(HostPathToWindows(KW_DLL_LOADER).c_str(), loader.c_str(), FALSE));
    std::string commandLine = "\"" + loader + "\"";
    std::vector<std::string> markers;
    for (const std::string& name : names) {
        commandLine += " " + name + ".dll";
        markers.push_back(folder.Path() + name + ".dll.loaded");
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.Path().c_str(), &startup, &started));
    const kwtest::UniqueHandle process(started.hProcess);
    const kwtest::UniqueHandle thread(started.hThread);
    ASSERT_EQ(WaitForSingleObject(process.Get(), 30000), WAIT_OBJECT_0);
    EXPECT_EQ(Present(markers), markers);
}

class PlantedDllTest : public InstallerTest {
protected:
    // Plants the DLLs beside the installer, runs a whole install with a look
    // into the folder browser, and expects none of them to have been loaded.
    void InstallBesidePlanted(const std::vector<std::string>& names)
    {
        // Wine's own user32 imports version.dll, which the real one does not:
        // searched beside the exe, it would be loaded into every GUI program
        // before its first instruction. Such DLLs keep Wine's usual order.
        const std::set<std::string> early = LoadedBeforeTheProgramRuns(InstallerUnderTest());
        const std::vector<std::string> searched = SearchLikeWindows("PelmoraInstaller.exe", names, early);
        SearchLikeWindows("kwdllloader.exe", names, early);
        std::cout << "searched for beside the exe:";
        for (const std::string& name : searched)
            std::cout << " " << name;
        std::cout << "\n";
        ASSERT_NO_FATAL_FAILURE(ExpectUnguardedProgramLoads(searched));

        const std::vector<std::string> markers = Plant(m_source.Path(), names);
        const Window dialog = StartInstaller();
        // The folder browser brings in much of the shell: open it and cancel.
        dialog.Click(kBrowseId);
        const Window browser = m_installer->WaitForFolderBrowser();
        browser.Click(IDCANCEL);
        ASSERT_TRUE(WaitUntil([&] { return !m_installer->HasFolderBrowser(); }, kStepTimeout));

        dialog.SetText(kDestinationId, m_target.Path());
        ASSERT_NO_FATAL_FAILURE(InstallWithoutQuestions(dialog, "Installation Complete!!"));
        EXPECT_EQ(WaitForLaunches(1).size(), 1u);
        dialog.Click(kCloseId);
        ExpectEndsSoon();
        EXPECT_EQ(Present(markers), std::vector<std::string>{});
    }
};

TEST_F(PlantedDllTest, NoDllBesideTheInstallerIsLoadedThroughAWholeInstall)
{
    InstallBesidePlanted({"version", "uxtheme", "dwmapi", "shfolder", "winmm"});
}

// Wine 8's shell32 loads comctl32.dll for the folder browser by a search that
// ignores the default DLL directories; the installer has loaded it from
// System32 at start-up, so the copy beside it is never taken.
TEST_F(PlantedDllTest, NoCommonControlsDllBesideTheInstallerIsLoadedByTheFolderBrowser)
{
    InstallBesidePlanted({"comctl32"});
}

using LockedPackageTest = InstallerTest;

TEST_F(LockedPackageTest, ADataFileHeldByAnotherProcessAtInstallTimeIsAFileErrorAndWritesNothing)
{
    const Window dialog = StartInstaller();
    dialog.SetText(kDestinationId, m_target.Path());
    const kwtest::OtherProcessLock lock(m_source.Path() + CInstallEngine::kDataFileName);
    dialog.Click(kInstallId);

    const MessageBoxView box = m_installer->WaitForMessageBox();
    ExpectMessageBox(box, "Caught a file exception!!", IDI_HAND);
    box.Answer(IDOK);
    ASSERT_NO_THROW(WaitForStatus(dialog, "Error while extracting!!"));
    EXPECT_TRUE(kwtest::ListTree(m_target.Path()).empty());
    EXPECT_FALSE(m_installer->HasExited());
}

// What others planted in the destination beforehand, as a user without rights
// could plant it where an administrator will install.
class PlantedLinkTest : public InstallerTest {};

// A folder link out of the destination.
TEST_F(PlantedLinkTest, AFolderLinkOutOfTheDestinationStopsTheInstallAndWritesNothingOutside)
{
    const kwtest::TempFolder outside;
    const std::string outsideFolder = outside.Path().substr(0, outside.Path().size() - 1);
    const kwtest::SymbolicLink link(m_target.Path(), "sub", kwtest::SystemPath(outsideFolder));
    if (!link.Made())
        GTEST_SKIP() << "this system makes no symbolic links here";
    InstallStoppedByAFileError({{"a.txt", "a"}, {"sub\\evil.txt", "evil"}});
    EXPECT_TRUE(kwtest::ListTree(outside.Path()).empty());
}

// A pipe planted under an entry's name, with a reader waiting outside for
// what the installer would write into it: nothing reaches the reader.
TEST_F(PlantedLinkTest, APipeUnderAnEntrysNameStopsTheInstallAndCarriesNothingOut)
{
    kwtest::PlantedNode pipe(m_target.Path(), "b.txt", kwtest::PlantedNode::Kind::PipeWithReader);
    if (!pipe.Made())
        GTEST_SKIP() << "this system plants no pipes here";
    InstallStoppedByAFileError({{"a.txt", "a"}, {"b.txt", "evil"}});
    EXPECT_EQ(pipe.Received(), "");
}

} // namespace
} // namespace e2e
