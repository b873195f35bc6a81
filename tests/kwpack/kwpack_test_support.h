#pragma once

#include "commands.h"
#include "pack.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

namespace kwtest {

// A console whose two streams are kept for the test to read.
struct CapturedConsole {
    std::ostringstream out;
    std::ostringstream err;
    kwpack::Console console{out, err, false, {}};

    explicit CapturedConsole(bool terminal = false) { console.errIsTerminal = terminal; }
};

// The index of a package of a.txt and an empty readme, byte for byte.
inline const std::string kWorkedIndex("\x03\0\0\0\x05\0\0\0a.txt\0\0\0\0\x06\0\0\0readme", 27);

// A folder to pack, the folder packed into, and what the pack told.
struct Packing {
    TempFolder app;
    TempFolder out;
    CapturedConsole captured;

    void Add(const std::string& name, const std::string& contents) { WriteBytes(app.Path() + name, contents); }
    int Run() { return Run(out.Path()); }
    int Run(const std::string& outFolder) { return kwpack::RunPack(app.Path(), outFolder, captured.console); }
};

// An engine path of ASCII names as kwpack shows it: with the system's own separator.
inline std::string HostForm(std::string enginePath)
{
    std::replace(enginePath.begin(), enginePath.end(), '\\',
                 static_cast<char>(std::filesystem::path::preferred_separator));
    return enginePath;
}

// For EXPECT_TRUE: passes when `text` holds `part`, and shows both when it does not.
inline testing::AssertionResult Contains(const std::string& text, const std::string& part)
{
    if (text.find(part) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "'" << text << "' does not hold '" << part << "'";
}

} // namespace kwtest
