#pragma once

#include "package_extractor.h"
#include "progress_line.h"

#include <iosfwd>
#include <string>

namespace kwpack {

// The engine's extraction with a console for its host: status goes to `err`
// in the style asked for, and then the reason an extraction stopped, both as
// the user reads them.
class ConsoleExtractor : public CPackageExtractor {
public:
    ConsoleExtractor(std::ostream& err, ProgressStyle style);

    void SetStatus(int percent, const std::string& text) override;
    // Ends the rewritten line, so what follows starts on a line of its own.
    void EndStatus();
    // The extraction sets one status for each entry as it starts it, so once
    // ExtractFiles has returned 0 this is the number of entries extracted.
    int EntriesStarted() const { return m_entriesStarted; }

protected:
    int ShowMessage(const std::string& text, unsigned type) override;
    void OnFileError(const plat::FileError& error) override;

private:
    std::ostream& m_err;
    ProgressLine m_progress;
    int m_entriesStarted = 0;
    bool m_errorReported = false;
};

} // namespace kwpack
