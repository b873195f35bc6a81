#include "installer_driver.h"

#include "screen_capture.h"
#include "test_handles_win32.h"
#include "win32_text.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace e2e {
namespace {

constexpr UINT kMessageTimeoutMs = 5000;
constexpr Millis kPollInterval{20};

struct EnumContext {
    DWORD processId;
    std::vector<HWND>* windows;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto* context = reinterpret_cast<EnumContext*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == context->processId)
        context->windows->push_back(window);
    return TRUE;
}

BOOL CALLBACK FindTreeView(HWND child, LPARAM param)
{
    if (ClassName(child) == "SysTreeView32") {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

bool HasTreeView(HWND window)
{
    bool found = false;
    EnumChildWindows(window, FindTreeView, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool IsDialogWindow(HWND window) { return ClassName(window) == "#32770" && IsWindowVisible(window); }

bool IsInstallerDialog(HWND window) { return IsDialogWindow(window) && GetDlgItem(window, kDestinationId); }

bool IsMessageBox(HWND window)
{
    return IsDialogWindow(window) && GetDlgItem(window, kMessageTextId) && !GetDlgItem(window, kDestinationId) &&
           !HasTreeView(window);
}

bool IsFolderBrowser(HWND window) { return IsDialogWindow(window) && HasTreeView(window); }

BOOL CALLBACK FindIconControl(HWND child, LPARAM param)
{
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if (ClassName(child) == "Static" && (style & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
    }
    return TRUE;
}

// Gives the box a moment to paint its icon; nullptr when no standard icon shows.
LPCSTR WaitForIcon(HWND box)
{
    HWND iconControl = nullptr;
    EnumChildWindows(box, FindIconControl, reinterpret_cast<LPARAM>(&iconControl));
    if (iconControl == nullptr)
        return nullptr;
    LPCSTR icon = nullptr;
    WaitUntil([&] { return (icon = IdentifyStandardIcon(iconControl)) != nullptr; }, Millis{2000});
    return icon;
}

BOOL CALLBACK DescribeChild(HWND child, LPARAM param)
{
    auto* text = reinterpret_cast<std::string*>(param);
    char name[128] = {};
    GetWindowTextA(child, name, sizeof name);
    *text += " [" + ClassName(child) + " " + std::to_string(GetDlgCtrlID(child)) + " \"" + name + "\"]";
    return TRUE;
}

struct TextSearch {
    const std::string* wanted;
    bool found;
};

BOOL CALLBACK FindText(HWND child, LPARAM param)
{
    auto* search = reinterpret_cast<TextSearch*>(param);
    search->found = WindowText(child) == *search->wanted;
    return search->found ? FALSE : TRUE;
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, Millis timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
}

std::string WindowText(HWND window)
{
    // WM_GETTEXT reaches the control itself; GetWindowText would not read another process's edit box.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
        throw std::runtime_error("window does not answer WM_GETTEXTLENGTH");
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied))
        throw std::runtime_error("window does not answer WM_GETTEXT");
    text.resize(copied);
    return text;
}

std::string ClassName(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND Window::Control(int id) const
{
    const HWND control = GetDlgItem(m_handle, id);
    if (control == nullptr)
        throw std::runtime_error("no control with id " + std::to_string(id));
    return control;
}

bool Window::HasControlWithText(const std::string& text) const
{
    TextSearch search{&text, false};
    EnumChildWindows(m_handle, FindText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Window::SetText(int id, const std::string& text) const
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &result))
        throw std::runtime_error("control does not answer WM_SETTEXT");
}

void Window::Click(int id) const
{
    if (!PostMessageA(Control(id), BM_CLICK, 0, 0))
        throw std::runtime_error("cannot post BM_CLICK");
}

void Window::PressKey(int id, WPARAM key) const
{
    const HWND control = Control(id);
    const UINT scan = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    PostMessageA(control, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageA(control, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
}

void Window::PressCloseBox() const
{
    if (!PostMessageA(m_handle, WM_SYSCOMMAND, SC_CLOSE, 0))
        throw std::runtime_error("cannot post SC_CLOSE");
}

RECT Window::ClientRectOnScreen(int id) const
{
    const HWND control = Control(id);
    RECT area;
    GetClientRect(control, &area);
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

void MessageBoxView::Answer(int buttonId) const
{
    window.Click(buttonId);
    if (!WaitUntil([&] { return !IsWindow(window.Handle()); }, kStepTimeout))
        throw std::runtime_error("the message box stayed after its button was clicked");
}

InstallerProcess::InstallerProcess(const std::string& program, const std::string& folder)
    : InstallerProcess(AnsiToWide(program), folder)
{
}

InstallerProcess::InstallerProcess(const std::wstring& program, const std::string& folder)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        AnsiToWide(folder).c_str(), &startup, &info)) {
        const DWORD error = GetLastError();
        throw std::runtime_error("cannot start the installer: error " + std::to_string(error));
    }
    const kwtest::UniqueHandle thread(info.hThread);
    m_process.Reset(info.hProcess);
    m_id = info.dwProcessId;
}

// Asked to close as a user would, window by window, so that it ends as a
// program does and writes what it writes at its end (a coverage build's
// counters); ended by force only when it does not.
InstallerProcess::~InstallerProcess()
{
    const auto closed = [this] {
        for (const HWND window : TopLevelWindows())
            PostMessageA(window, WM_CLOSE, 0, 0);
        return HasExited(Millis(100));
    };
    if (!HasExited() && !WaitUntil(closed, Millis(5000))) {
        TerminateProcess(m_process.Get(), 1);
        WaitForSingleObject(m_process.Get(), 5000);
    }
}

bool InstallerProcess::HasExited(Millis timeout) const
{
    return WaitForSingleObject(m_process.Get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool InstallerProcess::WaitForIdle(Millis timeout) const
{
    return WaitForInputIdle(m_process.Get(), static_cast<DWORD>(timeout.count())) == 0;
}

std::vector<HWND> InstallerProcess::TopLevelWindows() const
{
    std::vector<HWND> windows;
    EnumContext context{m_id, &windows};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&context));
    return windows;
}

HWND InstallerProcess::FindTopLevel(const std::function<bool(HWND)>& match) const
{
    const std::vector<HWND> windows = TopLevelWindows();
    const auto found = std::find_if(windows.begin(), windows.end(), match);
    return found == windows.end() ? nullptr : *found;
}

Window InstallerProcess::WaitForDialog(Millis timeout) const
{
    HWND dialog = nullptr;
    if (!WaitUntil([&] { return (dialog = FindTopLevel(IsInstallerDialog)) != nullptr || HasExited(); }, timeout))
        throw std::runtime_error("the installer dialog did not appear");
    if (dialog == nullptr)
        throw std::runtime_error("the installer ended without showing its dialog");
    return Window(dialog);
}

MessageBoxView InstallerProcess::WaitForMessageBox(Millis timeout) const
{
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindTopLevel(IsMessageBox)) != nullptr; }, timeout))
        throw std::runtime_error("no message box appeared; windows:" + DescribeWindows());
    MessageBoxView view;
    view.window = Window(box);
    view.owner = GetWindow(box, GW_OWNER);
    view.caption = WindowText(box);
    view.text = view.window.Text(kMessageTextId);
    view.icon = WaitForIcon(box);
    return view;
}

Window InstallerProcess::WaitForFolderBrowser(Millis timeout) const
{
    HWND browser = nullptr;
    if (!WaitUntil([&] { return (browser = FindTopLevel(IsFolderBrowser)) != nullptr; }, timeout))
        throw std::runtime_error("the folder browser did not appear");
    return Window(browser);
}

std::string InstallerProcess::DescribeWindows() const
{
    DWORD exitCode = 0;
    GetExitCodeProcess(m_process.Get(), &exitCode);
    std::string text = exitCode == STILL_ACTIVE ? " (running)" : " (ended with " + std::to_string(exitCode) + ")";
    for (HWND window : TopLevelWindows()) {
        char caption[256] = {};
        GetWindowTextA(window, caption, sizeof caption);
        text += "\n  " + ClassName(window) + (IsWindowVisible(window) ? " visible" : " hidden") + " \"" + caption +
                "\":";
        EnumChildWindows(window, DescribeChild, reinterpret_cast<LPARAM>(&text));
    }
    return text;
}

bool InstallerProcess::HasMessageBox() const { return FindTopLevel(IsMessageBox) != nullptr; }

bool InstallerProcess::HasFolderBrowser() const { return FindTopLevel(IsFolderBrowser) != nullptr; }

std::string InstallerProcess::TreeItemText(HWND tree, HTREEITEM item) const
{
    // TVM_GETITEM writes through pointers, which must be valid in the tree's own process.
    constexpr SIZE_T kTextRoom = 260;
    void* const remote = VirtualAllocEx(m_process.Get(), nullptr, sizeof(TVITEMA) + kTextRoom, MEM_COMMIT,
                                        PAGE_READWRITE);
    if (remote == nullptr)
        throw std::runtime_error("cannot lend memory in the installer");
    char* const remoteText = static_cast<char*>(remote) + sizeof(TVITEMA);
    TVITEMA request{};
    request.mask = TVIF_TEXT;
    request.hItem = item;
    request.pszText = remoteText;
    request.cchTextMax = static_cast<int>(kTextRoom);
    std::string text(kTextRoom, '\0');
    DWORD_PTR answered = 0;
    const bool ok = WriteProcessMemory(m_process.Get(), remote, &request, sizeof request, nullptr) &&
                    SendMessageTimeoutA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG,
                                        kMessageTimeoutMs, &answered) &&
                    ReadProcessMemory(m_process.Get(), remoteText, text.data(), kTextRoom, nullptr);
    VirtualFreeEx(m_process.Get(), remote, 0, MEM_RELEASE);
    if (!ok)
        throw std::runtime_error("cannot read a tree item's text");
    text.resize(text.find('\0'));
    return text;
}

void WaitForStatus(const Window& dialog, const std::string& text, Millis timeout)
{
    std::string shown;
    if (!WaitUntil([&] { return (shown = dialog.Text(kStatusId)) == text; }, timeout))
        throw std::runtime_error("status line shows \"" + shown + "\", not \"" + text + "\"");
}

std::wstring AnsiToWide(const std::string& text)
{
    plat::WideText wide;
    if (!plat::ToWide(text, CP_ACP, 0, wide))
        throw std::runtime_error("not text of the system's code page: " + text);
    return std::wstring(wide.begin(), wide.end());
}

bool CodePageWrites(const std::wstring& text)
{
    BOOL usedDefault = FALSE;
    const int size = static_cast<int>(text.size());
    std::string written(text.size() * 2, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, written.data(),
                        static_cast<int>(written.size()), nullptr, &usedDefault);
    return !usedDefault;
}

std::vector<std::wstring> WideNames(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const plat::UniqueFindHandle find(FindFirstFileW((folder + L"*").c_str(), &data));
    for (bool found = find.IsValid(); found; found = FindNextFileW(find.Get(), &data)) {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string HostPathToWindows(std::string path)
{
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string InstallerUnderTest()
{
    const char* chosen = std::getenv("KW_E2E_INSTALLER");
    return HostPathToWindows(chosen != nullptr && *chosen != '\0' ? chosen : KW_E2E_INSTALLER);
}

} // namespace e2e
