#pragma once

#include "package_extractor.h"
#include "paths.h"

#include <cstdint>
#include <string>

// Everything the installer decides around the extraction: the start-up check,
// the install run and the folder operations. It reaches its window only
// through the host functions below and the extractor's, so it runs the same
// behind the dialog and in tests.
class CInstallEngine : public CPackageExtractor {
public:
    static constexpr const char* kProgramName = "pelmora.exe";
    static constexpr const char* kLaunchVerb = "open";
    static constexpr const char* kLaunchParameters = "/setup";
    static constexpr int kShowDefault = 10; // SW_SHOWDEFAULT

    bool CheckPackagePresent();
    void RunInstall();

    std::string GetInstallerFolder();
    static void EnsureTrailingBackslash(std::string& path);
    // Also true for a folder, and for a wildcard pattern that matches anything, as the installer always took it.
    static bool FileExists(const std::string& path);
    // Tests by making the folder the current one, which it stays: the install run pins relative paths for this.
    static bool FolderExists(const std::string& path);
    static bool CreateFolders(const std::string& path);

protected:
    virtual std::string GetDestinationText() = 0;
    // Starts a program through the shell, owned by the host's window; a result
    // greater than 32 means it was started.
    virtual std::intptr_t Launch(const std::string& verb, const std::string& file, const std::string& parameters,
                                 const std::string& directory, int show) = 0;
    virtual bool GetModulePath(std::string& path) { return plat::GetExecutablePath(path); }
};
