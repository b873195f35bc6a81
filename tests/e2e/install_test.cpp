#include "code_page.h"
#include "code_page_text.h"
#include "installer_fixture.h"
#include "progress_bar.h"

#include <algorithm>
#include <set>

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
    ExpectMessageBox(question, CreateFolderQuestion(folder + "\\"), IDI_QUESTION);
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
    ExpectMessageBox(question, CreateFolderQuestion(folder), IDI_QUESTION);
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

// Blue pixels in the middle row of the bar, counted from its left edge.
int BlueWidth(const ScreenImage& bar)
{
    int width = 0;
    while (width < bar.width && bar.At(width, bar.height / 2) == kBarBlue)
        ++width;
    return width;
}

TEST_F(InstallTest, BarAdvancesWhileFilesAreExtracted)
{
    // Large entries keep each stage on the screen long enough to be seen.
    constexpr size_t kPartSize = 24 * 1024 * 1024;
    std::vector<kwtest::Entry> entries;
    for (char part = '1'; part <= '4'; ++part)
        entries.push_back({std::string("part") + part + ".bin", std::string(kPartSize, part)});
    entries.push_back(SampleEntries().back()); // pelmora.exe
    const Window dialog = StartInstaller(entries);
    dialog.SetText(kDestinationId, m_target.Path());

    // The widths the bar may show: each entry's share of the bytes before it, then 99 and 100.
    const RECT area = BarFillArea(dialog);
    // At p percent the blue covers (client width - 1) * p / 100 columns, the fill area's width at 100.
    const int span = area.right - area.left;
    std::uint64_t total = 0;
    for (const auto& entry : entries)
        total += entry.contents.size();
    std::set<int> allowed{0, span * 99 / 100, span};
    std::uint64_t done = 0;
    for (const auto& entry : entries) {
        const int percent = static_cast<int>(static_cast<double>(done) / static_cast<double>(total) * 100.0);
        allowed.insert(span * percent / 100);
        done += entry.contents.size();
    }

    // Looked at as fast as the screen can be read: the whole run takes a fraction of a second.
    dialog.Click(kInstallId);
    std::set<int> seen;
    int samples = 0;
    const auto deadline = std::chrono::steady_clock::now() + kStepTimeout;
    while (seen.count(span) == 0 && std::chrono::steady_clock::now() < deadline) {
        ++samples;
        seen.insert(BlueWidth(CaptureScreen(area)));
    }
    ASSERT_NO_THROW(WaitForStatus(dialog, "Installation Complete!!"));

    for (int width : seen)
        EXPECT_TRUE(allowed.count(width) > 0) << "the bar showed " << width << " blue pixels of " << span;
    const bool between = std::any_of(seen.begin(), seen.end(), [&](int width) { return width > 0 && width < span; });
    EXPECT_TRUE(between) << "the bar showed no stage between empty and full in " << samples << " looks";
    EXPECT_TRUE(seen.count(span) > 0) << "the bar never became full";
}

} // namespace
} // namespace e2e

namespace e2e {
namespace {

using CodePageInstallTest = InstallerTest;

// In code page 932 表 is 95 5C: a search for `\` byte by byte would take
// "...\表" for a folder path that already ends in `\`, and install beside 表.
TEST_F(CodePageInstallTest, InstallsIntoAFolderWhoseLastByteIs5C)
{
    if (GetACP() != 932)
        GTEST_SKIP() << "needs the system code page 932, as LC_ALL=ja_JP.UTF-8 gives under Wine";
    std::vector<kwtest::Entry> entries{{"\x95\x5C.txt", "table"}, {"\x83\x7C\x83X\x83^\x81[.txt", "poster"}};
    entries.push_back(SampleEntries().back());
    const Window dialog = StartInstaller(entries);
    const std::string folder = m_target.Path() + "\x95\x5C";
    dialog.SetText(kDestinationId, folder);
    dialog.Click(kInstallId);

    const MessageBoxView question = m_installer->WaitForMessageBox();
    ExpectMessageBox(question, CreateFolderQuestion(folder + "\\"), IDI_QUESTION);
    question.Answer(IDYES);
    ASSERT_NO_THROW(WaitForStatus(dialog, "Installation Complete!!"));
    EXPECT_EQ(WideNames(AnsiToWide(m_target.Path())), std::vector<std::wstring>{L"表"});
    EXPECT_EQ(WideNames(AnsiToWide(folder + "\\")),
              (std::vector<std::wstring>{L"pelmora.exe", L"ポスター.txt", L"表.txt"}));
    EXPECT_EQ(WaitForLaunches(1).size(), 1u);
}

// Names as `kwpack pack --codepage 65001` writes them.
std::string PackedInUtf8(const std::string& text)
{
    std::string bytes;
    EXPECT_EQ(kwpack::EncodeName(text, plat::kUtf8CodePage, bytes), "");
    return bytes;
}

TEST_F(CodePageInstallTest, Utf8InstallsItsNamesExactly)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "needs the system code page 65001, as LC_ALL=hi_IN.UTF-8 gives under Wine";
    std::vector<kwtest::Entry> entries;
    for (const char* name : {"नमस्ते.txt", "Läs 表 Ёж.txt", "\xF0\x9F\x98\x80.dat"})
        entries.push_back({PackedInUtf8(name), name});
    entries.push_back(SampleEntries().back());
    const Window dialog = StartInstaller(entries);
    dialog.SetText(kDestinationId, m_target.Path());
    ASSERT_NO_FATAL_FAILURE(InstallWithoutQuestions(dialog, "Installation Complete!!"));
    EXPECT_EQ(WideNames(AnsiToWide(m_target.Path())),
              (std::vector<std::wstring>{L"L\u00E4s \u8868 \u0401\u0436.txt", L"pelmora.exe",
                                         L"\u0928\u092E\u0938\u094D\u0924\u0947.txt", L"\U0001F600.dat"}));
    for (const kwtest::Entry& entry : entries)
        EXPECT_EQ(kwtest::ReadBytes(m_target.Path() + entry.name), entry.contents);
    EXPECT_EQ(WaitForLaunches(1).size(), 1u);
}

// "Läs mig.txt" as code page 1252 writes it is no UTF-8: the file error
// stops the install before it, and nothing is written under a look-alike.
TEST_F(CodePageInstallTest, Utf8RefusesANameWrittenFor1252WithTheFileError)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "needs the system code page 65001, as LC_ALL=hi_IN.UTF-8 gives under Wine";
    ASSERT_NO_FATAL_FAILURE(InstallStoppedByAFileError(
        {{"readme.txt", "first"}, {"L\xE4s mig.txt", "written for 1252"}, SampleEntries().back()}));
    EXPECT_EQ(WideNames(AnsiToWide(m_target.Path())), std::vector<std::wstring>{L"readme.txt"});
}

// The installer's own path holds Ł, which the system's code page cannot write:
// the best-fit "...\Lukasz\" names another folder, here one with a package of
// its own. The short form of the path names the right one.
TEST_F(CodePageInstallTest, FindsItsPackageFromAFolderTheCodePageCannotWrite)
{
    if (CodePageWrites(L"\u0141"))
        GTEST_SKIP() << "the system's code page writes \u0141";
    CreateDirectoryA((m_source.Path() + "Lukasz").c_str(), nullptr);
    kwtest::WritePackage(m_source.Path() + "Lukasz\\", {{"readme.txt", "the wrong package"}});

    const Window dialog = StartInstallerInFolder(L"\u0141ukasz");
    dialog.SetText(kDestinationId, m_target.Path());
    ASSERT_NO_FATAL_FAILURE(InstallWithoutQuestions(dialog, "Installation Complete!!"));
    for (const auto& entry : SampleEntries())
        EXPECT_TRUE(kwtest::ReadBytes(m_target.Path() + entry.name) == entry.contents) << entry.name << " differs";
}

} // namespace
} // namespace e2e
