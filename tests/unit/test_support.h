#pragma once

#include "installer_engine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kwtest {

using Log = std::vector<std::string>;

// The texts the installer shows, written out here rather than taken from the
// engine, so a changed text fails the tests.
extern const std::string kFileErrorLine; // as FakeInstaller logs the file-error message
extern const std::string kQuestionTail;  // what follows the folder in the create-folder question

// Bytes that differ from place to place, so a misplaced, shifted or doubled
// piece does not go unnoticed; `seed` makes different contents of one size.
std::string Pattern(std::size_t size, unsigned seed = 0);

// Engine paths use `\`; both builds' file libraries accept `/`.
std::string Native(std::string enginePath);

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object ends. Path() is in the engine's style, ending in `\`.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

void WriteBytes(const std::string& enginePath, const std::string& bytes);
std::string ReadBytes(const std::string& enginePath);
bool Exists(const std::string& enginePath);
// Relative paths of every file and folder below a folder, sorted, with `/` between parts.
std::vector<std::string> ListTree(const std::string& enginePath);

struct Entry {
    std::string name;
    std::string contents;
};
// Writes pelmora.kwi and pelmora.kwf for the entries into a folder.
void WritePackage(const std::string& folder, const std::vector<Entry>& entries);
// Index bytes for one record whose sizes are given as they are, not as they should be.
std::string RawRecord(std::uint32_t dataSize, std::uint32_t nameLength, const std::string& nameBytes);

// An engine whose host records every call as a line of text and answers from a script.
class FakeInstaller : public CInstallEngine {
public:
    std::string destinationText;
    std::string modulePath; // the installer's own path; empty makes the lookup fail
    std::deque<int> answers; // message box answers in order; OK when the script runs out
    std::intptr_t launchResult = 42;
    std::vector<std::string> log;
    std::vector<int> percents;
    std::function<void(const std::string& status)> onStatus; // called with each status once it is logged
    std::function<void()> onStillExtracting; // called between the pieces of a large entry
    std::string fileError; // what the file error that ended the last extraction said

    void SetStatus(int percent, const std::string& text) override;

protected:
    std::string GetDestinationText() override { return destinationText; }
    int ShowMessage(const std::string& text, unsigned type) override;
    std::intptr_t Launch(const std::string& verb, const std::string& file, const std::string& parameters,
                         const std::string& directory, int show) override;
    bool GetModulePath(std::string& path) override;
    void OnStillExtracting() override;
    void OnFileError(const plat::FileError& error) override { fileError = error.what(); }
};

// Makes `codePage` the path code page while the object lives, where the system
// lets the process choose it; on Windows only the system's own code page is
// Active(), so rows in another one are left to a run under that code page.
class PathCodePageScope {
public:
    explicit PathCodePageScope(unsigned codePage);
    ~PathCodePageScope();
    PathCodePageScope(const PathCodePageScope&) = delete;
    PathCodePageScope& operator=(const PathCodePageScope&) = delete;
    bool Active() const { return m_active; }

private:
    unsigned m_saved;
    bool m_active;
};

// A table whose rows are written in several code pages runs once for each of
// them, with that code page as the path code page, each time the rows written
// in it. Where the code page cannot be set (on Windows, any but the system's
// own) the run is skipped and says so. A table derives its own suite from
// this and instantiates it over the code pages of its rows.
class CodePageRows : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override;
    bool InThisRun(unsigned codePage) const { return codePage == GetParam(); }

private:
    std::optional<PathCodePageScope> m_scope;
};

std::string CodePageName(const ::testing::TestParamInfo<unsigned>& info);

// Keeps the process's current folder across a test that moves it.
class CurrentFolderGuard {
public:
    CurrentFolderGuard();
    ~CurrentFolderGuard();

private:
    std::string m_saved;
};

} // namespace kwtest
