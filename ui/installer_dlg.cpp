#include "installer_dlg.h"

#include "folder_browser.h"
#include "progress_painter.h"
#include "resource.h"

#include <shellapi.h>

namespace {

std::string LoadAppTitle()
{
    char title[256] = {};
    LoadStringA(GetModuleHandleA(nullptr), IDS_APP_TITLE, title, sizeof title);
    return title;
}

} // namespace

CInstallerDlg::CInstallerDlg(HWND parent)
    : CModalDialog(IDD_INSTALLER, parent),
      m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_title(LoadAppTitle())
{
}

void CInstallerDlg::DoDataExchange()
{
    m_status.Bind(m_hWnd, IDC_STATUS);
    m_progress.Bind(m_hWnd, IDC_PROGRESS);
    m_destination.Bind(m_hWnd, IDC_DESTINATION);
}

BOOL CInstallerDlg::OnInitDialog()
{
    CModalDialog::OnInitDialog();
    m_destination.SetText(kDefaultDestination);
    if (!CheckPackagePresent()) {
        CModalDialog::OnCancel();
        return FALSE;
    }
    return TRUE;
}

// Install runs the whole install and leaves the dialog open.
void CInstallerDlg::OnOK()
{
    ForgetPaintedProgress();
    RunInstall();
}

void CInstallerDlg::OnCancel() { CModalDialog::OnCancel(); }

bool CInstallerDlg::OnCommand(int id, int code)
{
    if (id != IDC_BROWSE || code != BN_CLICKED)
        return false;
    OnBrowse();
    return true;
}

// The bar is not part of the dialog's painting: only SetStatus draws it.
bool CInstallerDlg::OnPaint() { return false; }

HICON CInstallerDlg::OnQueryDragIcon() { return m_hIcon; }

void CInstallerDlg::OnBrowse()
{
    std::string folder;
    if (ui::BrowseForFolder(m_hWnd, kBrowseTitle, folder))
        m_destination.SetText(folder);
}

void CInstallerDlg::SetStatus(int percent, const std::string& text)
{
    m_status.SetText(text);
    // An install pumps no messages, so the new text must be painted now.
    UpdateWindow(m_status.GetHwnd());
    DrawProgress(percent);
}

// An install shows thousands of statuses without processing a message; a bar
// already painted at this percent would come out pixel for pixel the same.
void CInstallerDlg::DrawProgress(int percent)
{
    if (percent == m_paintedPercent)
        return;
    ui::PaintProgress(m_progress.GetHwnd(), percent);
    m_paintedPercent = percent;
}

std::string CInstallerDlg::GetDestinationText() { return m_destination.GetText(); }

// Owned by the dialog, which is disabled while the box is shown.
int CInstallerDlg::ShowMessage(const std::string& text, unsigned type)
{
    const int answer = MessageBoxA(m_hWnd, text.c_str(), m_title.c_str(), type);
    ForgetPaintedProgress();
    return answer;
}

std::intptr_t CInstallerDlg::Launch(const std::string& verb, const std::string& file, const std::string& parameters,
                                    const std::string& directory, int show)
{
    const HINSTANCE result =
        ShellExecuteA(m_hWnd, verb.c_str(), file.c_str(), parameters.c_str(), directory.c_str(), show);
    ForgetPaintedProgress(); // the shell may process messages while it starts the program
    return reinterpret_cast<std::intptr_t>(result);
}
