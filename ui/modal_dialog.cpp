#include "modal_dialog.h"

#include "geometry.h"

void CControl::Bind(HWND dialog, int id)
{
    m_hWnd = GetDlgItem(dialog, id);
    if (m_hWnd == nullptr)
        throw MissingControl();
}

void CControl::SetText(const std::string& text) const { SetWindowTextA(m_hWnd, text.c_str()); }

// The default procedure keeps every window's text; a static control's own
// WM_SETTEXT calls it and then paints, and paints from it later.
void CControl::StoreText(const std::string& text) const
{
    DefWindowProcA(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CControl::Repaint() const { RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

std::string CControl::GetText() const
{
    // The length may be an overestimate; the copy's count is exact.
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(m_hWnd)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(m_hWnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

INT_PTR CModalDialog::DoModal()
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), m_parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CModalDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

void CModalDialog::OnOK() { EndDialog(IDOK); }

void CModalDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CModalDialog::OnCommand(int, int) { return false; }

bool CModalDialog::OnPaint() { return false; }

HICON CModalDialog::OnQueryDragIcon() { return nullptr; }

void CModalDialog::EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

INT_PTR CALLBACK CModalDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<CModalDialog*>(lParam)->m_hWnd = window;
        reinterpret_cast<CModalDialog*>(lParam)->m_failed = false;
    }
    auto* dialog = reinterpret_cast<CModalDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (dialog == nullptr) // messages sent before WM_INITDIALOG
        return FALSE;
    // While the failure is told, the handler that failed might fail again.
    if (dialog->m_failed && message != WM_NCDESTROY)
        return FALSE;
    try {
        return dialog->HandleMessage(message, wParam, lParam);
    } catch (...) {
        dialog->m_failed = true;
        try {
            dialog->OnHandlerFailed();
        } catch (...) {
            // Told as well as it could be: the dialog ends all the same.
        }
        ::EndDialog(window, -1);
        return FALSE;
    }
}

INT_PTR CModalDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        // The template has no centring style; the dialog appears centred all the same.
        CenterOnWorkArea();
        return OnInitDialog();
    case WM_COMMAND:
        return HandleCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_NCDESTROY:
        m_hWnd = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

// The dialog manager turns Enter into IDOK, and Esc and the close box into IDCANCEL.
bool CModalDialog::HandleCommand(int id, int code)
{
    if (id == IDOK && code == BN_CLICKED) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL && code == BN_CLICKED) {
        OnCancel();
        return true;
    }
    return OnCommand(id, code);
}

void CModalDialog::CenterOnWorkArea()
{
    RECT window{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(m_hWnd, &window) ||
        !GetMonitorInfoA(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return;
    const RECT& area = monitor.rcWork;
    const int x = ui::CentredStart(window.right - window.left, area.left, area.right);
    const int y = ui::CentredStart(window.bottom - window.top, area.top, area.bottom);
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
