#pragma once

#include "file_error.h"

#include <string>

// The extraction of a package pair into a folder. It reaches its host only
// through the functions below: a status sink and a message box, so a host that
// only extracts (kwpack, the benchmark, the fuzz target) needs no more.
class CPackageExtractor {
public:
    static constexpr const char* kDataFileName = "pelmora.kwf";
    static constexpr const char* kIndexFileName = "pelmora.kwi";

    virtual ~CPackageExtractor() = default;

    // Extracts every entry of the package in `sourceFolder` below
    // `destinationFolder` (both ending in `\`); 0, or the file error's cause
    // once the user has been told.
    int ExtractFiles(const std::string& sourceFolder, const std::string& destinationFolder);

    // The status sink: the status line's text, then the bar at `percent`.
    virtual void SetStatus(int percent, const std::string& text) = 0;

protected:
    // A modal message box captioned with the application title; returns the button pressed.
    virtual int ShowMessage(const std::string& text, unsigned type) = 0;
    // Told of the file error that ends an extraction, before the user is.
    virtual void OnFileError(const plat::FileError&) {}
    // Called while a large entry is copied, between its pieces, as long as the
    // status set for that entry stands: for a host that paints lazily.
    virtual void OnStillExtracting() {}

private:
    void ExtractAll(const std::string& sourceFolder, const std::string& destinationFolder);
};
