#include "installer_fixture.h"

#include "progress_bar.h"

#include <sstream>
#include <stdexcept>

namespace e2e {
namespace {

std::string DescribeBar(const ScreenImage& image)
{
    std::ostringstream text;
    text << CountPixels(image, kBarBlue) << " of " << image.pixels.size() << " pixels blue; top left 0x" << std::hex
         << image.At(0, 0) << ", bottom right 0x" << image.At(image.width - 1, image.height - 1);
    return text.str();
}

} // namespace

std::vector<kwtest::Entry> InstallerTest::SampleEntries()
{
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7 + i / 256) & 0xFF);
    return {
        {"readme.txt", "Pelmora\r\nreads this first.\r\n"},
        {"data.bin", binary},
        {"empty.cfg", ""},
        {"pelmora.exe", kwtest::ReadBytes(HostPathToWindows(KW_E2E_LAUNCH_STUB))},
    };
}

void InstallerTest::CopyInstaller() const
{
    const std::string installer = InstallerUnderTest();
    const std::string copy = m_source.Path() + "PelmoraInstaller.exe";
    if (!CopyFileA(installer.c_str(), copy.c_str(), FALSE)) {
        const DWORD error = GetLastError();
        FAIL() << "cannot copy " << installer << ": error " << error;
    }
}

Window InstallerTest::StartInstaller(const std::vector<kwtest::Entry>& entries)
{
    kwtest::WritePackage(m_source.Path(), entries);
    CopyInstaller();
    SetEnvironmentVariableA("KW_E2E_LAUNCH_RECORD", LaunchRecordPath().c_str());
    m_installer = std::make_unique<InstallerProcess>(m_source.Path() + "PelmoraInstaller.exe", m_source.Path());
    return m_installer->WaitForDialog();
}

void InstallerTest::StartWithout(Package package)
{
    kwtest::WritePackage(m_source.Path(), SampleEntries());
    if (package == Package::WithoutIndex || package == Package::WithoutEither)
        DeleteFileA((m_source.Path() + CInstallEngine::kIndexFileName).c_str());
    if (package == Package::WithoutData || package == Package::WithoutEither)
        DeleteFileA((m_source.Path() + CInstallEngine::kDataFileName).c_str());
    CopyInstaller();
    m_installer = std::make_unique<InstallerProcess>(m_source.Path() + "PelmoraInstaller.exe", m_source.Path());
}

Window InstallerTest::StartInstallerInFolder(const std::wstring& name)
{
    // Made under a name of ASCII, then renamed: the helpers that write files take ANSI paths.
    const std::string made = m_source.Path() + "made";
    CreateDirectoryA(made.c_str(), nullptr);
    kwtest::WritePackage(made + "\\", SampleEntries());
    const std::string installer = InstallerUnderTest();
    CopyFileA(installer.c_str(), (made + "\\PelmoraInstaller.exe").c_str(), FALSE);
    const std::wstring folder = AnsiToWide(m_source.Path()) + name;
    if (!MoveFileW(AnsiToWide(made).c_str(), folder.c_str())) {
        const DWORD error = GetLastError();
        throw std::runtime_error("cannot rename the installer's folder: error " + std::to_string(error));
    }
    SetEnvironmentVariableA("KW_E2E_LAUNCH_RECORD", LaunchRecordPath().c_str());
    m_installer = std::make_unique<InstallerProcess>(folder + L"\\PelmoraInstaller.exe", m_source.Path());
    return m_installer->WaitForDialog();
}

void InstallerTest::InstallWithoutQuestions(const Window& dialog, const std::string& status)
{
    dialog.Click(kInstallId);
    std::string shown;
    const bool settled = WaitUntil(
        [&] { return m_installer->HasMessageBox() || (shown = dialog.Text(kStatusId)) == status; }, kStepTimeout);
    if (m_installer->HasMessageBox())
        FAIL() << "unexpected message box:" << m_installer->DescribeWindows();
    ASSERT_TRUE(settled) << "status line shows \"" << shown << "\", not \"" << status << "\"";
}

void InstallerTest::InstallStoppedByAFileError(const std::vector<kwtest::Entry>& entries)
{
    const Window dialog = StartInstaller(entries);
    dialog.SetText(kDestinationId, m_target.Path());
    dialog.Click(kInstallId);
    const MessageBoxView box = m_installer->WaitForMessageBox();
    ExpectMessageBox(box, "Caught a file exception!!", IDI_HAND);
    box.Answer(IDOK);
    ASSERT_NO_THROW(WaitForStatus(dialog, "Error while extracting!!"));
    EXPECT_EQ(kwtest::ReadBytes(m_target.Path() + entries.front().name), entries.front().contents);
    EXPECT_TRUE(Launches().empty());
}

std::vector<LaunchRecord> InstallerTest::Launches() const
{
    std::vector<LaunchRecord> launches;
    if (!kwtest::Exists(LaunchRecordPath()))
        return launches;
    std::istringstream lines(kwtest::ReadBytes(LaunchRecordPath()));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t first = line.find('|');
        const size_t last = line.rfind('|');
        if (first == std::string::npos || first == last)
            continue;
        launches.push_back({line.substr(0, first), line.substr(first + 1, last - first - 1), line.substr(last + 1)});
    }
    return launches;
}

std::vector<LaunchRecord> InstallerTest::WaitForLaunches(size_t count) const
{
    std::vector<LaunchRecord> launches;
    WaitUntil([&] { return (launches = Launches()).size() >= count; }, kStepTimeout);
    return launches;
}

void InstallerTest::ExpectBarFull(const Window& dialog) const
{
    ScreenImage bar;
    EXPECT_TRUE(WaitForFullBar(dialog, bar)) << "bar not full: " << DescribeBar(bar);
}

void InstallerTest::ExpectBarEmpty(const Window& dialog) const
{
    ScreenImage bar;
    EXPECT_TRUE(WaitForEmptyBar(dialog, bar)) << "bar not empty: " << DescribeBar(bar);
}

void InstallerTest::ExpectEndsSoon() const
{
    EXPECT_TRUE(m_installer->HasExited(kStepTimeout)) << "the installer is still running";
}

void InstallerTest::ExpectNoMessageBox() const
{
    EXPECT_FALSE(WaitUntil([&] { return m_installer->HasMessageBox(); }, Millis{300}))
        << "unexpected message box:" << m_installer->DescribeWindows();
}

void ExpectMessageBox(const MessageBoxView& box, const std::string& text, LPCSTR icon)
{
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, kCaption);
    EXPECT_EQ(box.icon, icon) << "the box shows another icon than the one expected";
}

std::string CreateFolderQuestion(const std::string& completedFolder)
{
    return completedFolder + kwtest::kQuestionTail;
}

} // namespace e2e
