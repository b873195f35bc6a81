#include "installer_fixture.h"

#include <algorithm>

namespace e2e {
namespace {

using InstallTest = InstallerTest;

std::vector<std::string> Names(const std::vector<kwtest::Entry>& entries)
{
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Question(const std::string& folder)
{
    return folder + "\n\nThe specified folder does not exist.\nDo you want to create it?";
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

TEST_F(InstallTest, CreatesMissingFolderExtractsAndStartsTheProgram)
{
    const Window dialog = StartInstaller();
    const std::string folder = m_target.Path() + "Pelmora\\Data";
    dialog.SetText(kDestinationId, folder);
    dialog.Click(kInstallId);

    const MessageBoxView question = m_installer->WaitForMessageBox();
    // The question names the folder completed with its backslash.
    ExpectMessageBox(question, Question(folder + "\\"), IDI_QUESTION);
    EXPECT_TRUE(question.HasButton(IDYES));
    EXPECT_TRUE(question.HasButton(IDNO));
    EXPECT_EQ(question.owner, dialog.Handle());
    question.Answer(IDYES);

    ASSERT_NO_THROW(WaitForStatus(dialog, "Installation Complete!!"));
    EXPECT_FALSE(m_installer->HasMessageBox());
    EXPECT_EQ(dialog.Text(kDestinationId), folder) << "the box keeps the text as typed";

    const std::vector<kwtest::Entry> entries = SampleEntries();
    EXPECT_EQ(kwtest::ListTree(m_target.Path()),
              (std::vector<std::string>{"Pelmora", "Pelmora/Data", "Pelmora/Data/data.bin", "Pelmora/Data/empty.cfg",
                                        "Pelmora/Data/pelmora.exe", "Pelmora/Data/readme.txt"}));
    EXPECT_EQ(kwtest::ListTree(folder), Names(entries));
    for (const auto& entry : entries)
        EXPECT_TRUE(kwtest::ReadBytes(folder + "\\" + entry.name) == entry.contents) << entry.name << " differs";

    const std::vector<LaunchRecord> launches = WaitForLaunches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(Upper(launches[0].program), Upper(folder + "\\pelmora.exe"));
    EXPECT_EQ(Upper(launches[0].folder), Upper(folder));
    const std::string& command = launches[0].commandLine;
    EXPECT_TRUE(command.size() > 7 && command.compare(command.size() - 7, 7, " /setup") == 0) << command;

    ExpectBarFull(dialog);
}

TEST_F(InstallTest, AnswerNoCreatesNothing)
{
    const Window dialog = StartInstaller();
    const std::string folder = m_target.Path() + "Refused\\";
    dialog.SetText(kDestinationId, folder);
    dialog.Click(kInstallId);

    const MessageBoxView question = m_installer->WaitForMessageBox();
    ExpectMessageBox(question, Question(folder), IDI_QUESTION);
    question.Answer(IDNO);

    // Nothing follows the answer: no box, no status, no folder, no launch.
    ExpectNoMessageBox();
    EXPECT_EQ(dialog.Text(kStatusId), "Standing by...");
    EXPECT_TRUE(kwtest::ListTree(m_target.Path()).empty());
    EXPECT_TRUE(Launches().empty());
    EXPECT_FALSE(m_installer->HasExited());
    ExpectBarEmpty(dialog);
}

TEST_F(InstallTest, ExistingFolderIsUsedWithoutQuestionAndReinstallOverwrites)
{
    const Window dialog = StartInstaller();
    const std::string folder = m_target.Path();
    dialog.SetText(kDestinationId, folder);
    ASSERT_NO_FATAL_FAILURE(InstallWithoutQuestions(dialog, "Installation Complete!!"));
    EXPECT_EQ(WaitForLaunches(1).size(), 1u);

    // Damage the installed files; a second Install writes them afresh.
    kwtest::WriteBytes(folder + "readme.txt", std::string(5000, 'x'));
    kwtest::WriteBytes(folder + "empty.cfg", "not empty any more");
    // The status line already shows the end: the second launch tells that the run is through.
    dialog.Click(kInstallId);
    EXPECT_EQ(WaitForLaunches(2).size(), 2u);
    EXPECT_FALSE(m_installer->HasMessageBox());
    ASSERT_NO_THROW(WaitForStatus(dialog, "Installation Complete!!"));
    for (const auto& entry : SampleEntries())
        EXPECT_TRUE(kwtest::ReadBytes(folder + entry.name) == entry.contents) << entry.name << " differs";
    ExpectBarFull(dialog);
}

} // namespace
} // namespace e2e
