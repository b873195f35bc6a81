// Times a whole install through the installer's window, as a user sees it:
// from the Install click to "Installation Complete!!" on the status line.
//
//   gui_install_timer <installer exe beside its package> <existing destination folder>
//
// Prints "seconds S" (click to the final status) and "extracted S" (click to
// the first moment the busy installer answers again, which is when the launch
// has been tried after the last file). A package without pelmora.exe makes the
// launch fail; its "ShellExecute failed!!" box is answered at once and the
// final status follows, so "seconds" includes that box.

#include "installer_driver.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

const std::string kDone = "Installation Complete!!";
const std::string kRegistering = "Registering...";

// Reads the status line, waiting as long as the installer is busy: it answers
// only when it next pumps messages, at the latest once the install is over.
std::string StatusWhenIdle(const e2e::Window& dialog)
{
    constexpr UINT kLongestInstallMs = 30 * 60 * 1000;
    char text[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(dialog.Control(e2e::kStatusId), WM_GETTEXT, sizeof text,
                             reinterpret_cast<LPARAM>(text), SMTO_NORMAL, kLongestInstallMs, &copied))
        throw std::runtime_error("the installer did not answer within half an hour");
    return std::string(text, copied);
}

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

int Run(const std::string& installer, const std::string& destination)
{
    const std::string folder = installer.substr(0, installer.find_last_of('\\') + 1);
    e2e::InstallerProcess process(installer, folder);
    const e2e::Window dialog = process.WaitForDialog();
    dialog.SetText(e2e::kDestinationId, destination);

    const Clock::time_point start = Clock::now();
    dialog.Click(e2e::kInstallId);
    double extracted = -1;
    for (;;) {
        const std::string status = StatusWhenIdle(dialog);
        if (status == kDone)
            break;
        if (status == kRegistering && extracted < 0)
            extracted = SecondsSince(start);
        if (process.HasMessageBox()) {
            const e2e::MessageBoxView box = process.WaitForMessageBox();
            if (box.text != "ShellExecute failed!!")
                throw std::runtime_error("the installer says: " + box.text);
            box.Answer(IDOK);
        }
        if (process.HasExited())
            throw std::runtime_error("the installer ended during the install");
        Sleep(1);
    }
    const double seconds = SecondsSince(start);
    std::printf("seconds %.6f\nextracted %.6f\n", seconds, extracted < 0 ? seconds : extracted);
    dialog.Click(e2e::kCloseId);
    process.HasExited(e2e::Millis{10000});
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: gui_install_timer <installer exe> <destination folder>\n");
        return 2;
    }
    try {
        return Run(argv[1], argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "gui_install_timer: %s\n", error.what());
        return 1;
    }
}
