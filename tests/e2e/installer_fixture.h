#pragma once

#include "installer_driver.h"
#include "screen_capture.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace e2e {

// One launch of the installed program, as the stand-in recorded it.
struct LaunchRecord {
    std::string program;
    std::string commandLine;
    std::string folder;
};

// Each test gets a fresh folder holding a copy of the installer and a package
// it writes itself, and a second fresh folder to install into.
class InstallerTest : public ::testing::Test {
public:
    enum class Package { WithoutIndex, WithoutData, WithoutEither };

protected:
    // The package most tests install: a few files and the launch stand-in as pelmora.exe.
    static std::vector<kwtest::Entry> SampleEntries();

    // Writes the package, starts the installer and waits for its dialog.
    Window StartInstaller(const std::vector<kwtest::Entry>& entries = SampleEntries());
    // Starts the installer beside an incomplete package; it shows no dialog.
    void StartWithout(Package package);
    // Writes the package and the installer into a subfolder of the source folder
    // whose name the system's code page may not be able to write, starts the
    // installer there by its full path and waits for its dialog.
    Window StartInstallerInFolder(const std::wstring& name);

    // Presses Install and waits for the status line to show `status` with no box in between.
    void InstallWithoutQuestions(const Window& dialog, const std::string& status);
    // Installs `entries` into the target, which must stop at a file error
    // with the first entry written and nothing launched.
    void InstallStoppedByAFileError(const std::vector<kwtest::Entry>& entries);

    std::vector<LaunchRecord> Launches() const;
    // Waits for the stand-in's record to show `count` launches.
    std::vector<LaunchRecord> WaitForLaunches(size_t count) const;

    // The bar's inner area (its client area without the frame) fully blue, or without any blue.
    void ExpectBarFull(const Window& dialog) const;
    void ExpectBarEmpty(const Window& dialog) const;

    void ExpectEndsSoon() const;
    // Watches a moment for a message box that should not come.
    void ExpectNoMessageBox() const;

    kwtest::TempFolder m_source;
    kwtest::TempFolder m_target;
    std::unique_ptr<InstallerProcess> m_installer; // declared last: ends before the folders go

private:
    std::string LaunchRecordPath() const { return m_source.Path() + "launches.txt"; }
    void CopyInstaller() const;
};

// The caption of the dialog and of every message box.
constexpr const char* kCaption = "Pelmora Installer";

// Expects a box of the installer with this text, its caption and this standard icon.
void ExpectMessageBox(const MessageBoxView& box, const std::string& text, LPCSTR icon);

// The question asked before a missing destination folder is created.
std::string CreateFolderQuestion(const std::string& completedFolder);

} // namespace e2e
