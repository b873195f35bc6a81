#include "installer_fixture.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace e2e {
namespace {

using WindowTest = InstallerTest;

HTREEITEM NextItem(HWND tree, UINT relation, HTREEITEM item)
{
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

// The first child of `parent` (the tree's top level for nullptr) whose text ends in `suffix`.
HTREEITEM FindItem(const InstallerProcess& process, HWND tree, HTREEITEM parent, const std::string& suffix)
{
    HTREEITEM item = NextItem(tree, TVGN_ROOT, nullptr);
    if (parent != nullptr) {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
        item = NextItem(tree, TVGN_CHILD, parent);
    }
    for (; item != nullptr; item = NextItem(tree, TVGN_NEXT, item)) {
        const std::string text = process.TreeItemText(tree, item);
        if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
            return item;
    }
    throw std::runtime_error("no folder item ending in " + suffix);
}

// Opens the folder browser, picks the item found by the suffixes, one per level, and presses OK.
void BrowseTo(const InstallerProcess& process, const Window& dialog, const std::vector<std::string>& path)
{
    dialog.Click(kBrowseId);
    const Window browser = process.WaitForFolderBrowser();
    const HWND tree = FindWindowExA(browser.Handle(), nullptr, "SysTreeView32", nullptr);
    HTREEITEM item = nullptr;
    for (const std::string& suffix : path)
        item = FindItem(process, tree, item, suffix);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    browser.Click(IDOK);
    if (!WaitUntil([&] { return !process.HasFolderBrowser(); }, kStepTimeout))
        throw std::runtime_error("the folder browser stayed open");
}

// The browser's items on the way to a folder of drive C, then the item ending in `last`.
std::vector<std::string> ItemsTo(const std::string& folder, const std::string& last)
{
    if (folder.compare(0, 3, "C:\\") != 0)
        throw std::runtime_error("not on drive C: " + folder);
    std::vector<std::string> items{"Desktop", "My Computer", "(C:)"};
    for (std::size_t start = 3, end; start < folder.size(); start = end + 1) {
        end = folder.find('\\', start);
        items.push_back(folder.substr(start, end - start));
    }
    items.push_back(last);
    return items;
}

TEST_F(WindowTest, CloseButtonEndsTheProgram)
{
    const Window dialog = StartInstaller();
    dialog.Click(kCloseId);
    ExpectEndsSoon();
}

TEST_F(WindowTest, EscapeEndsTheProgram)
{
    const Window dialog = StartInstaller();
    dialog.PressKey(kDestinationId, VK_ESCAPE);
    ExpectEndsSoon();
}

TEST_F(WindowTest, CaptionCloseBoxEndsTheProgram)
{
    const Window dialog = StartInstaller();
    dialog.PressCloseBox();
    ExpectEndsSoon();
}

TEST_F(WindowTest, EnterInDestinationStartsInstall)
{
    const Window dialog = StartInstaller();
    const std::string folder = m_target.Path() + "ByEnter\\";
    dialog.SetText(kDestinationId, folder);
    dialog.PressKey(kDestinationId, VK_RETURN);

    const MessageBoxView question = m_installer->WaitForMessageBox();
    EXPECT_EQ(question.text, CreateFolderQuestion(folder));
    question.Answer(IDNO);
    ExpectNoMessageBox();
    // Install never closes the dialog.
    EXPECT_FALSE(m_installer->HasExited(Millis{300}));
    EXPECT_TRUE(dialog.IsVisible());
}

TEST_F(WindowTest, CancelledBrowseKeepsTheDestination)
{
    const Window dialog = StartInstaller();
    dialog.SetText(kDestinationId, "D:\\Somewhere Else");
    dialog.Click(kBrowseId);

    const Window browser = m_installer->WaitForFolderBrowser();
    EXPECT_EQ(GetWindow(browser.Handle(), GW_OWNER), dialog.Handle());
    EXPECT_TRUE(browser.HasControlWithText("Select destination:"));
    EXPECT_FALSE(IsWindowEnabled(dialog.Handle())) << "the browser is modal to the dialog";
    browser.Click(IDCANCEL);

    ASSERT_TRUE(WaitUntil([&] { return !m_installer->HasFolderBrowser(); }, kStepTimeout));
    EXPECT_EQ(dialog.Text(kDestinationId), "D:\\Somewhere Else");
    EXPECT_FALSE(m_installer->HasMessageBox());
    EXPECT_EQ(dialog.Text(kStatusId), "Standing by...");
}

TEST_F(WindowTest, BrowsedFolderReplacesTheDestinationAsTheShellGivesIt)
{
    const Window dialog = StartInstaller();
    // A drive root comes with its backslash.
    ASSERT_NO_THROW(BrowseTo(*m_installer, dialog, {"Desktop", "My Computer", "(C:)"}));
    EXPECT_EQ(dialog.Text(kDestinationId), "C:\\");

    // Any other folder without one, and none is added.
    ASSERT_NO_THROW(BrowseTo(*m_installer, dialog, {"Desktop", "My Computer", "(C:)", "windows"}));
    EXPECT_EQ(dialog.Text(kDestinationId), "C:\\windows");
    EXPECT_EQ(dialog.Text(kStatusId), "Standing by...");
}

// The code page writes Ł by no code of its own, only by the look-alike L,
// which names another folder. The box gets the folder's short name, which
// names the folder itself, and the files land there.
TEST_F(WindowTest, BrowsedFolderTheCodePageCannotWriteIsInstalledIntoUnderItsRealName)
{
    if (CodePageWrites(L"\u0141"))
        GTEST_SKIP() << "the system's code page writes \u0141";
    const std::wstring folder = AnsiToWide(m_target.Path()) + L"\u0141ukasz";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    wchar_t shortPath[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(folder.c_str(), shortPath, MAX_PATH), 0u);

    const Window dialog = StartInstaller();
    ASSERT_NO_THROW(BrowseTo(*m_installer, dialog, ItemsTo(m_target.Path(), "ukasz")));
    EXPECT_EQ(AnsiToWide(dialog.Text(kDestinationId)), shortPath);
    ASSERT_NO_FATAL_FAILURE(InstallWithoutQuestions(dialog, "Installation Complete!!"));

    EXPECT_EQ(WideNames(AnsiToWide(m_target.Path())), std::vector<std::wstring>{L"\u0141ukasz"});
    std::vector<std::wstring> installed;
    for (const auto& entry : SampleEntries())
        installed.push_back(AnsiToWide(entry.name));
    std::sort(installed.begin(), installed.end());
    EXPECT_EQ(WideNames(folder + L"\\"), installed);
    EXPECT_EQ(WaitForLaunches(1).size(), 1u);
}

} // namespace
} // namespace e2e
