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

// Install runs the whole install and leaves the dialog open, its last status on screen.
void CInstallerDlg::OnOK()
{
    ForgetPaintedProgress();
    RunInstall();
    PaintPendingStatus();
}

bool CInstallerDlg::OnCommand(int id, int code)
{
    if (id != IDC_BROWSE || code != BN_CLICKED)
        return false;
    OnBrowse();
    return true;
}

// The bar is not part of the dialog's painting: only SetStatus draws it.
HICON CInstallerDlg::OnQueryDragIcon() { return m_hIcon; }

// The user is told before the window goes, which it does at once afterwards.
void CInstallerDlg::OnHandlerFailed() { ShowMessageBox(kUnexpectedError, MB_ICONSTOP); }

void CInstallerDlg::OnBrowse()
{
    std::string folder;
    if (ui::BrowseForFolder(m_hWnd, kBrowseTitle, folder))
        m_destination.SetText(folder);
}

// An extraction may show thousands of statuses a second. Under Wine, painting
// the line for every one made an install of small files a fifth slower than
// the extraction alone.
void CInstallerDlg::SetStatus(int percent, const std::string& text)
{
    m_status.StoreText(text);
    m_statusPending = true;
    PaintStatusIfDue();
    DrawProgress(percent);
}

// A status that stands while a large entry is copied reaches the screen in time.
void CInstallerDlg::OnStillExtracting() { PaintStatusIfDue(); }

void CInstallerDlg::PaintStatusIfDue()
{
    if (m_statusPending && GetTickCount() - m_statusPaintedAt >= kStatusPaintMs)
        PaintStatus();
}

void CInstallerDlg::PaintPendingStatus()
{
    if (m_statusPending)
        PaintStatus();
}

// An install pumps no messages, so the text set is painted here or not until it ends.
void CInstallerDlg::PaintStatus()
{
    m_status.Repaint();
    m_statusPending = false;
    m_statusPaintedAt = GetTickCount();
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

int CInstallerDlg::ShowMessage(const std::string& text, unsigned type)
{
    PaintPendingStatus();
    const int answer = ShowMessageBox(text, type);
    ForgetPaintedProgress();
    return answer;
}

std::intptr_t CInstallerDlg::Launch(const std::string& verb, const std::string& file, const std::string& parameters,
                                    const std::string& directory, int show)
{
    PaintPendingStatus();
    const std::intptr_t result = ShellExecuteFile(verb, file, parameters, directory, show);
    ForgetPaintedProgress(); // the shell may process messages while it starts the program
    return result;
}

// Owned by the dialog, which is disabled while the box is shown.
int CInstallerDlg::ShowMessageBox(const std::string& text, unsigned type)
{
    return MessageBoxA(m_hWnd, text.c_str(), m_title.c_str(), type);
}

std::intptr_t CInstallerDlg::ShellExecuteFile(const std::string& verb, const std::string& file,
                                              const std::string& parameters, const std::string& directory, int show)
{
    const HINSTANCE result =
        ShellExecuteA(m_hWnd, verb.c_str(), file.c_str(), parameters.c_str(), directory.c_str(), show);
    return reinterpret_cast<std::intptr_t>(result);
}
