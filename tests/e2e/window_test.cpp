#include "installer_fixture.h"

namespace e2e {
namespace {

using WindowTest = InstallerTest;

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

} // namespace
} // namespace e2e
