#pragma once

#include "commands.h"

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
