#include "installer_fixture.h"

namespace e2e {
namespace {

using FailureTest = InstallerTest;

TEST_F(FailureTest, EmptyDestinationIsRefused)
{
    const Window dialog = StartInstaller();
    dialog.SetText(kDestinationId, "");
    dialog.Click(kInstallId);

    const MessageBoxView box = m_installer->WaitForMessageBox();
    ExpectMessageBox(box, "You must enter a destination folder!", IDI_HAND);
    EXPECT_EQ(box.owner, dialog.Handle());
    EXPECT_FALSE(IsWindowEnabled(dialog.Handle())) << "the box is modal to the dialog";
    box.Answer(IDOK);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(dialog.Handle()) != FALSE; }, kStepTimeout));
    ExpectNoMessageBox();
    EXPECT_EQ(dialog.Text(kStatusId), "Standing by...");
    EXPECT_FALSE(m_installer->HasExited());
}

TEST_F(FailureTest, DestinationNamingAFileCannotBeCreated)
{
    const Window dialog = StartInstaller();
    const std::string file = m_target.Path() + "plain.txt";
    kwtest::WriteBytes(file, "in the way");
    dialog.SetText(kDestinationId, file);
    dialog.Click(kInstallId);

    // The file is no folder, so the question comes first.
    const MessageBoxView question = m_installer->WaitForMessageBox();
    EXPECT_EQ(question.text, CreateFolderQuestion(file + "\\"));
    question.Answer(IDYES);

    const MessageBoxView failure = m_installer->WaitForMessageBox();
    ExpectMessageBox(failure, "Could not create destination folder!!", IDI_HAND);
    failure.Answer(IDOK);
    ExpectNoMessageBox();
    EXPECT_EQ(dialog.Text(kStatusId), "Standing by...");
    EXPECT_EQ(kwtest::ReadBytes(file), "in the way");
    EXPECT_EQ(kwtest::ListTree(m_target.Path()), std::vector<std::string>{"plain.txt"});
}

TEST_F(FailureTest, PackageWithoutProgramReportsFailedLaunchAndCompletes)
{
    const Window dialog = StartInstaller({{"readme.txt", "no program here"}});
    dialog.SetText(kDestinationId, m_target.Path());
    dialog.Click(kInstallId);

    const MessageBoxView box = m_installer->WaitForMessageBox();
    ExpectMessageBox(box, "ShellExecute failed!!", IDI_ASTERISK);
    EXPECT_EQ(dialog.Text(kStatusId), "Registering...");
    box.Answer(IDOK);

    ASSERT_NO_THROW(WaitForStatus(dialog, "Installation Complete!!"));
    EXPECT_EQ(kwtest::ReadBytes(m_target.Path() + "readme.txt"), "no program here");
    ExpectNoMessageBox();
    ExpectBarFull(dialog);
}

TEST_F(FailureTest, DataFileRemovedAfterStartReportsFileErrorAndEmptiesBar)
{
    const Window dialog = StartInstaller();
    dialog.SetText(kDestinationId, m_target.Path());
    // A first run fills the bar, so the failed one must visibly clear it.
    ASSERT_NO_FATAL_FAILURE(InstallWithoutQuestions(dialog, "Installation Complete!!"));
    ExpectBarFull(dialog);

    ASSERT_TRUE(DeleteFileA((m_source.Path() + CInstallEngine::kDataFileName).c_str()));
    dialog.Click(kInstallId);
    const MessageBoxView box = m_installer->WaitForMessageBox();
    ExpectMessageBox(box, "Caught a file exception!!", IDI_HAND);
    EXPECT_EQ(dialog.Text(kStatusId), "Preparing...");
    box.Answer(IDOK);

    ASSERT_NO_THROW(WaitForStatus(dialog, "Error while extracting!!"));
    ExpectNoMessageBox();
    EXPECT_FALSE(m_installer->HasExited());
    ExpectBarEmpty(dialog);
}

} // namespace
} // namespace e2e
