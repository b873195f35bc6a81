#pragma once

// Drives a running installer from outside, as a user would: finds its windows,
// types, clicks and answers message boxes. Every wait polls with a time limit
// and raises std::runtime_error when the limit passes.

#include "test_handles_win32.h"
#include "win32_handles.h"

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

using Millis = std::chrono::milliseconds;

// Control ids of the installer dialog.
constexpr int kInstallId = IDOK;
constexpr int kCloseId = IDCANCEL;
constexpr int kDestinationId = 1000;
constexpr int kBrowseId = 1001;
constexpr int kStatusId = 1002;
constexpr int kProgressId = 1003;
// The message box keeps its text in a static control of this id.
constexpr int kMessageTextId = 0xFFFF;

constexpr Millis kStartTimeout{30000};
constexpr Millis kStepTimeout{10000};

// Polls until `done` holds; false when the time ran out first.
bool WaitUntil(const std::function<bool()>& done, Millis timeout);

std::string WindowText(HWND window);
std::string ClassName(HWND window);

// A control or top-level window that receives input from the test.
class Window {
public:
    explicit Window(HWND handle = nullptr) : m_handle(handle) {}
    HWND Handle() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

    HWND Control(int id) const; // raises when there is no such control
    std::string Text() const { return WindowText(m_handle); }
    std::string Text(int id) const { return WindowText(Control(id)); }
    void SetText(int id, const std::string& text) const;
    // Clicks the button as the mouse would (BM_CLICK), without waiting for the handler.
    void Click(int id) const;
    // A key press sent to a control through the message queue, so the dialog's key handling sees it.
    void PressKey(int id, WPARAM key) const;
    // The close box of the caption.
    void PressCloseBox() const;
    bool IsVisible() const { return IsWindowVisible(m_handle) != FALSE; }
    // True when some control, at any depth, shows exactly this text.
    bool HasControlWithText(const std::string& text) const;
    // A control's client area in screen coordinates.
    RECT ClientRectOnScreen(int id) const;

private:
    HWND m_handle;
};

// A message box shown by the installer.
struct MessageBoxView {
    Window window;
    HWND owner = nullptr;
    std::string caption;
    std::string text;
    // Which of the standard icons the box shows: IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION,
    // IDI_ASTERISK, or nullptr when none of them matches what is on the screen.
    LPCSTR icon = nullptr;

    bool HasButton(int id) const { return GetDlgItem(window.Handle(), id) != nullptr; }
    // Clicks a button of the box and waits until the box is gone.
    void Answer(int buttonId) const;
};

// The installer started by the test, ended when this object goes if it still runs.
class InstallerProcess {
public:
    // Starts the program with `folder` as its current folder.
    InstallerProcess(const std::string& program, const std::string& folder);
    // The same for a program whose path the system's code page may not be able to write.
    InstallerProcess(const std::wstring& program, const std::string& folder);
    ~InstallerProcess();
    InstallerProcess(const InstallerProcess&) = delete;
    InstallerProcess& operator=(const InstallerProcess&) = delete;

    DWORD Id() const { return m_id; }
    bool HasExited(Millis timeout = Millis{0}) const;
    // Waits until the installer has handled its input and waits for more.
    bool WaitForIdle(Millis timeout = kStepTimeout) const;

    // The installer dialog once it is visible.
    Window WaitForDialog(Millis timeout = kStartTimeout) const;
    // The next message box of this process, once its text is in place.
    MessageBoxView WaitForMessageBox(Millis timeout = kStepTimeout) const;
    // The shell's folder browser, once it is visible.
    Window WaitForFolderBrowser(Millis timeout = kStepTimeout) const;
    bool HasMessageBox() const;
    bool HasFolderBrowser() const;
    // The text of a tree view item in this process, read through memory lent in the process.
    std::string TreeItemText(HWND tree, HTREEITEM item) const;
    // The process's windows and their controls, for failure messages.
    std::string DescribeWindows() const;

private:
    std::vector<HWND> TopLevelWindows() const;
    HWND FindTopLevel(const std::function<bool(HWND)>& match) const;

    kwtest::UniqueHandle m_process;
    DWORD m_id = 0;
};

// Waits until the status line shows `text`.
void WaitForStatus(const Window& dialog, const std::string& text, Millis timeout = kStepTimeout);

// Text of the system's code page as UTF-16.
std::wstring AnsiToWide(const std::string& text);
// True when the system's code page has a code of its own for every character of `text`.
bool CodePageWrites(const std::wstring& text);

// The names in a folder (ending in `\`), as the system names them, sorted.
std::vector<std::wstring> WideNames(const std::wstring& folder);

// Converts a host path (/x/y) to the Wine drive that maps the host's root (Z:\x\y).
std::string HostPathToWindows(std::string path);
// The installer the tests drive: the one KW_E2E_INSTALLER names, as the
// release is tested, or else this build's own.
std::string InstallerUnderTest();

} // namespace e2e
