#include "installer_dlg.h"
#include "message_box.h"
#include "resource.h"
#include "test_support.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

constexpr INT_PTR kStuck = 99;
constexpr COLORREF kBlue = RGB(0, 0, 255);
using kwtest::kQuestionTail;

// A message posted once the dialog is up, to the dialog or to one of its controls.
struct Step {
    UINT message;
    WPARAM wParam;
    int controlId = 0;
};

Step Command(int id) { return {WM_COMMAND, MAKEWPARAM(id, BN_CLICKED)}; }

std::string ControlText(HWND dialog, int id)
{
    char text[512] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// The bar's left- and rightmost inner pixels right after a status change.
struct BarSample {
    int percent;
    COLORREF left;
    COLORREF right;
};

void CALLBACK EndStuckDialog(HWND dialog, UINT, UINT_PTR, DWORD) { EndDialog(dialog, kStuck); }

// Keeps the text that the status line had when it last painted.
WNDPROC g_statusProc = nullptr;
std::string g_paintedStatus;

LRESULT CALLBACK RecordingStatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT)
        g_paintedStatus = ControlText(GetParent(window), IDC_STATUS);
    return CallWindowProcA(g_statusProc, window, message, wParam, lParam);
}

// The real dialog, driven by posted messages, with the installer's folder,
// the message boxes and the launch replaced by a script and a record.
class ScriptedDialog : public CInstallerDlg {
public:
    std::string installerFolder;
    std::optional<std::string> typedDestination;
    std::vector<Step> steps;
    std::deque<int> answers; // message box answers; OK when they run out
    bool failOnMessage = false; // the next box raises instead of showing

    RECT placement{};
    std::string initialDestination;
    HICON dragIcon = nullptr;
    std::vector<std::string> messages;
    std::vector<unsigned> messageTypes;
    std::vector<std::string> launches;
    std::vector<std::string> statusLines; // as the status control shows them
    std::vector<BarSample> bars;
    std::vector<std::string> stops; // where a run waited or ended, and whether its status line was painted then

    void SetStatus(int percent, const std::string& text) override
    {
        CInstallerDlg::SetStatus(percent, text);
        statusLines.push_back(ControlText(m_hWnd, IDC_STATUS));
        HWND bar = GetDlgItem(m_hWnd, IDC_PROGRESS);
        RECT client{};
        GetClientRect(bar, &client);
        bars.push_back({percent, uitest::PixelAt(bar, 1, client.bottom / 2),
                        uitest::PixelAt(bar, client.right - 1, client.bottom / 2)});
    }

protected:
    BOOL OnInitDialog() override
    {
        GetWindowRect(m_hWnd, &placement);
        const BOOL result = CInstallerDlg::OnInitDialog();
        initialDestination = ControlText(m_hWnd, IDC_DESTINATION);
        if (!result)
            return result;
        dragIcon = reinterpret_cast<HICON>(SendMessageA(m_hWnd, WM_QUERYDRAGICON, 0, 0));
        g_paintedStatus.clear();
        g_statusProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            GetDlgItem(m_hWnd, IDC_STATUS), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingStatusProc)));
        if (typedDestination)
            SetDlgItemTextA(m_hWnd, IDC_DESTINATION, typedDestination->c_str());
        for (const Step& step : steps) {
            HWND target = step.controlId != 0 ? GetDlgItem(m_hWnd, step.controlId) : m_hWnd;
            PostMessageA(target, step.message, step.wParam, 0);
        }
        // A dialog that does not end fails the test instead of hanging it.
        SetTimer(m_hWnd, 1, 20000, EndStuckDialog);
        return result;
    }

    void OnOK() override
    {
        CInstallerDlg::OnOK();
        RecordStop("end");
    }

    int ShowMessageBox(const std::string& text, unsigned type) override
    {
        RecordStop("box");
        if (failOnMessage) {
            failOnMessage = false;
            throw std::runtime_error("out of luck");
        }
        messages.push_back(text);
        messageTypes.push_back(type);
        if (answers.empty())
            return mb::kIdOk;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::intptr_t ShellExecuteFile(const std::string& verb, const std::string& file, const std::string& parameters,
                                   const std::string& directory, int show) override
    {
        RecordStop("launch");
        launches.push_back(verb + "|" + file + "|" + parameters + "|" + directory + "|" + std::to_string(show));
        return 42;
    }

    bool GetModulePath(std::string& path) override
    {
        path = installerFolder + "PelmoraInstaller.exe";
        return true;
    }

private:
    void RecordStop(const std::string& where)
    {
        const bool painted = g_paintedStatus == ControlText(m_hWnd, IDC_STATUS);
        stops.push_back(where + (painted ? " painted" : " not painted"));
    }
};

class InstallerDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_WINDOWS();
        m_dialog.installerFolder = m_source.Path();
    }
    void WriteDemoPackage()
    {
        kwtest::WritePackage(m_source.Path(), {{"pelmora.exe", "MZ not really"}, {"readme.txt", "hello"}});
    }

    kwtest::TempFolder m_source;
    kwtest::TempFolder m_destination;
    ScriptedDialog m_dialog;
};

TEST_F(InstallerDialog, MissingPackageEndsTheDialogAtOnce)
{
    m_dialog.steps = {Command(IDOK)};
    EXPECT_EQ(m_dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(m_dialog.messages, std::vector<std::string>{"Could not find Pelmora.kwf!!"});
    EXPECT_EQ(m_dialog.initialDestination, "C:\\Program\\KW\\Pelmora\\") << "the box is filled before the check";
    EXPECT_TRUE(m_dialog.statusLines.empty());
    EXPECT_TRUE(m_dialog.launches.empty());
}

TEST_F(InstallerDialog, InstallLeavesTheDialogOpenAndShowsEachStage)
{
    WriteDemoPackage();
    m_dialog.typedDestination = m_destination.Path();
    m_dialog.steps = {Command(IDOK), Command(IDOK), Command(IDCANCEL)};

    EXPECT_EQ(m_dialog.DoModal(), IDCANCEL) << "only Close ends the dialog";

    EXPECT_EQ(m_dialog.initialDestination, CInstallerDlg::kDefaultDestination);
    EXPECT_TRUE(m_dialog.messages.empty());
    const std::vector<std::string> oneRun = {"Preparing...", "Extracting pelmora.exe", "Extracting readme.txt",
                                             "Registering...", "Installation Complete!!"};
    std::vector<std::string> twoRuns = oneRun;
    twoRuns.insert(twoRuns.end(), oneRun.begin(), oneRun.end());
    EXPECT_EQ(m_dialog.statusLines, twoRuns);
    const std::string launch = "open|" + m_destination.Path() + "pelmora.exe|/setup|" + m_destination.Path() + "|10";
    EXPECT_EQ(m_dialog.launches, (std::vector<std::string>{launch, launch}));
    EXPECT_EQ(kwtest::ReadBytes(m_destination.Path() + "readme.txt"), "hello");
    ASSERT_EQ(m_dialog.bars.size(), 10u);
    EXPECT_NE(m_dialog.bars[5].right, kBlue) << "the second run starts from an empty bar";
}

TEST_F(InstallerDialog, BarIsPaintedWithEachStatus)
{
    WriteDemoPackage();
    m_dialog.typedDestination = m_destination.Path();
    m_dialog.steps = {Command(IDOK), Command(IDCANCEL)};
    ASSERT_EQ(m_dialog.DoModal(), IDCANCEL);

    ASSERT_EQ(m_dialog.bars.size(), 5u);
    const BarSample& preparing = m_dialog.bars.front();
    EXPECT_EQ(preparing.percent, 0);
    EXPECT_EQ(preparing.left, GetSysColor(COLOR_BTNFACE) & 0xFFFFFF) << "an empty bar at 0";
    const BarSample& registering = m_dialog.bars[3];
    EXPECT_EQ(registering.left, kBlue);
    EXPECT_NE(registering.right, kBlue) << "99 stops short of the right edge";
    const BarSample& complete = m_dialog.bars.back();
    EXPECT_EQ(complete.percent, 100);
    EXPECT_EQ(complete.left, kBlue);
    EXPECT_EQ(complete.right, kBlue) << "a full bar reaches the client's right edge";
}

// Statuses that come quickly are set but painted later; whatever stays on
// screen while the user reads a box, or after the run, is the last status.
TEST_F(InstallerDialog, TheLastStatusIsPaintedWhereverTheRunWaitsOrEnds)
{
    struct Row {
        std::vector<kwtest::Entry> package;
        std::vector<std::string> stops;
    };
    const std::vector<Row> rows = {
        {{{"pelmora.exe", "MZ"}, {"a.txt", "a"}, {"b.txt", "b"}}, {"launch painted", "end painted"}},
        {{{"a.txt", "a"}, {"..\\b.txt", "b"}}, {"box painted", "end painted"}},
    };
    for (const Row& row : rows) {
        kwtest::TempFolder source;
        kwtest::TempFolder destination;
        kwtest::WritePackage(source.Path(), row.package);
        ScriptedDialog dialog;
        dialog.installerFolder = source.Path();
        dialog.typedDestination = destination.Path();
        dialog.steps = {Command(IDOK), Command(IDCANCEL)};
        ASSERT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(dialog.stops, row.stops) << dialog.statusLines.back();
    }
}

TEST_F(InstallerDialog, EnterInTheDestinationBoxInstalls)
{
    WriteDemoPackage();
    m_dialog.typedDestination = m_destination.Path();
    m_dialog.steps = {{WM_KEYDOWN, VK_RETURN, IDC_DESTINATION}, Command(IDCANCEL)};
    EXPECT_EQ(m_dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(m_dialog.launches.size(), 1u);
    EXPECT_EQ(m_dialog.statusLines.back(), "Installation Complete!!");
}

TEST_F(InstallerDialog, DestinationIsReadWhole)
{
    WriteDemoPackage();
    // Longer than MAX_PATH, missing, and without its final backslash.
    const std::string typed = m_destination.Path() + std::string(300, 'x');
    m_dialog.typedDestination = typed;
    m_dialog.answers = {mb::kIdNo};
    m_dialog.steps = {Command(IDOK), Command(IDCANCEL)};
    EXPECT_EQ(m_dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(m_dialog.messages, std::vector<std::string>{typed + "\\" + kQuestionTail});
    EXPECT_TRUE(m_dialog.statusLines.empty()) << "answering No changes nothing";
}

TEST_F(InstallerDialog, CloseBoxAndEscapeEndTheDialogLikeClose)
{
    WriteDemoPackage();
    const std::vector<Step> closers = {
        {WM_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE}, {WM_KEYDOWN, VK_ESCAPE, IDC_DESTINATION}};
    for (const Step& closer : closers) {
        ScriptedDialog dialog;
        dialog.installerFolder = m_source.Path();
        dialog.steps = {closer};
        EXPECT_EQ(dialog.DoModal(), IDCANCEL) << "message " << closer.message;
        EXPECT_TRUE(dialog.statusLines.empty());
    }
}

TEST_F(InstallerDialog, FailureInAHandlerIsToldAndEndsTheDialogInsteadOfEscaping)
{
    WriteDemoPackage();
    m_dialog.typedDestination = "";
    m_dialog.failOnMessage = true; // "You must enter a destination folder!" raises
    m_dialog.steps = {Command(IDOK)};
    EXPECT_EQ(m_dialog.DoModal(), -1);
    EXPECT_EQ(m_dialog.messages, std::vector<std::string>{"Unexpected error!!"});
    EXPECT_EQ(m_dialog.messageTypes, std::vector<unsigned>{mb::kIconStop});
}

TEST_F(InstallerDialog, AppearsCentredOnTheWorkAreaWithItsIcon)
{
    WriteDemoPackage();
    m_dialog.steps = {Command(IDCANCEL)};
    ASSERT_EQ(m_dialog.DoModal(), IDCANCEL);

    RECT area{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0));
    const RECT& window = m_dialog.placement;
    EXPECT_NEAR(window.left - area.left, area.right - window.right, 1);
    EXPECT_NEAR(window.top - area.top, area.bottom - window.bottom, 1);
    EXPECT_NE(m_dialog.dragIcon, nullptr) << "the drag icon is the program's icon";
}

} // namespace
