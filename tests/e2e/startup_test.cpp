#include "installer_fixture.h"

namespace e2e {
namespace {

using StartupTest = InstallerTest;

TEST_F(StartupTest, ShowsDefaultDestinationAndStandingBy)
{
    const Window dialog = StartInstaller();
    EXPECT_EQ(dialog.Text(), kCaption);
    EXPECT_EQ(dialog.Text(kDestinationId), "C:\\Program\\KW\\Pelmora\\");
    EXPECT_EQ(dialog.Text(kStatusId), "Standing by...");
    EXPECT_EQ(dialog.Text(kInstallId), "&Install");
    EXPECT_EQ(dialog.Text(kCloseId), "&Close");
    EXPECT_EQ(dialog.Text(kBrowseId), "...");
    EXPECT_FALSE(m_installer->HasMessageBox());
    ExpectBarEmpty(dialog);
}

TEST_F(StartupTest, DialogShowsCentredOnTheScreen)
{
    const Window dialog = StartInstaller();
    RECT window;
    GetWindowRect(dialog.Handle(), &window);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    // The template asks for 0, 0; the dialog is centred all the same.
    EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 2);
    EXPECT_NE(GetWindowLongA(dialog.Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
}

struct MissingCase {
    InstallerTest::Package package;
    const char* message;
};

class MissingPackageTest : public InstallerTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingPackageTest, TellsTheFirstMissingFileAndEnds)
{
    StartWithout(GetParam().package);
    const MessageBoxView box = m_installer->WaitForMessageBox(kStartTimeout);
    ExpectMessageBox(box, GetParam().message, IDI_HAND);
    EXPECT_TRUE(box.HasButton(IDOK));
    EXPECT_FALSE(IsWindowVisible(box.owner)) << "the dialog must not show before the package is checked";

    box.Answer(IDOK);
    // Only one file is reported: no second box, and the program ends.
    bool anotherBox = false;
    WaitUntil([&] { return (anotherBox = m_installer->HasMessageBox()) || m_installer->HasExited(); }, kStepTimeout);
    EXPECT_FALSE(anotherBox) << "a second box appeared";
    ExpectEndsSoon();
}

INSTANTIATE_TEST_SUITE_P(
    Package, MissingPackageTest,
    ::testing::Values(MissingCase{InstallerTest::Package::WithoutData, "Could not find Pelmora.kwf!!"},
                      MissingCase{InstallerTest::Package::WithoutIndex, "Could not find Pelmora.kwi!!"},
                      MissingCase{InstallerTest::Package::WithoutEither, "Could not find Pelmora.kwf!!"}),
    [](const auto& info) {
        switch (info.param.package) {
        case InstallerTest::Package::WithoutData: return std::string("DataFile");
        case InstallerTest::Package::WithoutIndex: return std::string("IndexFile");
        default: return std::string("BothFiles");
        }
    });

} // namespace
} // namespace e2e
