// A scripted walk through one install with the installer's default folder,
// saving a screenshot of each stage: start.bmp, question.bmp, finished.bmp.
// Usage: pelmora_walkthrough INSTALLER_EXE SHOTS_FOLDER (host or Windows paths)
#include "installer_driver.h"
#include "progress_bar.h"
#include "screen_capture.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace e2e {
namespace {

constexpr int kMargin = 12;
constexpr Millis kInstallTimeout{60000};

RECT Around(const RECT& area)
{
    RECT wider = area;
    InflateRect(&wider, kMargin, kMargin);
    wider.left = std::max(wider.left, 0L);
    wider.top = std::max(wider.top, 0L);
    wider.right = std::min(wider.right, static_cast<LONG>(GetSystemMetrics(SM_CXSCREEN)));
    wider.bottom = std::min(wider.bottom, static_cast<LONG>(GetSystemMetrics(SM_CYSCREEN)));
    return wider;
}

RECT WindowArea(const Window& window)
{
    RECT area;
    GetWindowRect(window.Handle(), &area);
    return area;
}

// Waits until the installer is idle and the screen has stayed the same for a few looks,
// so the shot shows finished painting.
void SaveSettled(const InstallerProcess& process, const RECT& area, const std::string& path)
{
    process.WaitForIdle();
    constexpr int kSameLooks = 4;
    ScreenImage previous = CaptureScreen(area);
    ScreenImage current;
    int same = 0;
    const auto deadline = std::chrono::steady_clock::now() + Millis{5000};
    while (same < kSameLooks && std::chrono::steady_clock::now() < deadline) {
        Sleep(100);
        current = CaptureScreen(area);
        same = current.pixels == previous.pixels ? same + 1 : 0;
        previous = current;
    }
    SaveBmp(previous, path);
    std::printf("saved %s\n", path.c_str());
}

// The installed program confirms its set-up in a box of its own; it would cover the dialog.
void CloseProgramConfirmation()
{
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindWindowA("#32770", "Pelmora")) != nullptr; }, kStepTimeout)) {
        std::printf("the installed program showed no confirmation\n");
        return;
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitUntil([&] { return !IsWindow(box); }, kStepTimeout);
}

void Walk(const std::string& installer, const std::string& shots)
{
    const std::string folder = installer.substr(0, installer.find_last_of('\\') + 1);
    InstallerProcess process(installer, folder);
    const Window dialog = process.WaitForDialog();
    if (dialog.Text(kDestinationId) != "C:\\Program\\KW\\Pelmora\\")
        throw std::runtime_error("unexpected default folder " + dialog.Text(kDestinationId));
    SaveSettled(process, Around(WindowArea(dialog)), shots + "start.bmp");

    dialog.Click(kInstallId);
    const MessageBoxView question = process.WaitForMessageBox();
    if (!question.HasButton(IDYES))
        throw std::runtime_error("expected the question to create the folder, got: " + question.text);
    RECT both;
    const RECT boxArea = WindowArea(question.window);
    const RECT dialogArea = WindowArea(dialog);
    UnionRect(&both, &dialogArea, &boxArea);
    SaveSettled(process, Around(both), shots + "question.bmp");
    question.Answer(IDYES);

    std::string status;
    if (!WaitUntil([&] { return process.HasMessageBox() || (status = dialog.Text(kStatusId)) ==
                                                               "Installation Complete!!"; },
                   kInstallTimeout) ||
        process.HasMessageBox())
        throw std::runtime_error("the install did not complete; status \"" + status + "\"" +
                                 process.DescribeWindows());
    CloseProgramConfirmation();
    ScreenImage bar;
    if (!WaitForFullBar(dialog, bar))
        throw std::runtime_error("the bar is not full after the install");
    SaveSettled(process, Around(WindowArea(dialog)), shots + "finished.bmp");

    dialog.Click(kCloseId);
    if (!process.HasExited(kStepTimeout))
        throw std::runtime_error("the installer did not end on Close");
}

} // namespace
} // namespace e2e

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: pelmora_walkthrough INSTALLER_EXE SHOTS_FOLDER\n");
        return 2;
    }
    std::string shots = e2e::HostPathToWindows(argv[2]);
    if (shots.back() != '\\')
        shots += '\\';
    try {
        e2e::Walk(e2e::HostPathToWindows(argv[1]), shots);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "walk-through failed: %s\n", error.what());
        return 1;
    }
    return 0;
}
