#pragma once

#include "platform.h"

#include <cstdint>
#include <string>

// Everything the installer decides: the start-up check, the install run, the
// extraction and the folder operations. It reaches its window only through the
// host functions below, so it runs the same behind the dialog, in the packer
// tool and in tests.
class CInstallEngine {
public:
    static constexpr const char* kDataFileName = "pelmora.kwf";
    static constexpr const char* kIndexFileName = "pelmora.kwi";
    static constexpr const char* kProgramName = "pelmora.exe";
    static constexpr const char* kLaunchVerb = "open";
    static constexpr const char* kLaunchParameters = "/setup";
    static constexpr int kShowDefault = 10; // SW_SHOWDEFAULT

    virtual ~CInstallEngine() = default;

    bool CheckPackagePresent();
    void RunInstall();
    int ExtractFiles(const std::string& sourceFolder, const std::string& destinationFolder);

    std::string GetInstallerFolder();
    static void EnsureTrailingBackslash(std::string& path);
    static bool FileExists(const std::string& path);
    static bool FolderExists(const std::string& path);
    static bool CreateFolders(const std::string& path);

    // The status sink: the status line's text, then the bar at `percent`.
    virtual void SetStatus(int percent, const std::string& text) = 0;

protected:
    virtual std::string GetDestinationText() = 0;
    // A modal message box captioned with the application title; returns the button pressed.
    virtual int ShowMessage(const std::string& text, unsigned type) = 0;
    // Starts a program through the shell, owned by the host's window; a result
    // greater than 32 means it was started.
    virtual std::intptr_t Launch(const std::string& verb, const std::string& file, const std::string& parameters,
                                 const std::string& directory, int show) = 0;
    virtual bool GetModulePath(std::string& path) { return plat::GetExecutablePath(path); }
    // Told of the file error that ends an extraction, before the user is.
    virtual void OnFileError(const plat::FileError&) {}
    // Called while a large entry is copied, between its pieces, as long as the
    // status set for that entry stands: for a host that paints lazily.
    virtual void OnStillExtracting() {}

private:
    void ExtractAll(const std::string& sourceFolder, const std::string& destinationFolder);
};
