#pragma once

#include "commands.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace kwtest {

// A console whose two streams are kept for the test to read.
struct CapturedConsole {
    std::ostringstream out;
    std::ostringstream err;
    kwpack::Console console{out, err, false};

    explicit CapturedConsole(bool terminal = false) { console.outIsTerminal = terminal; }
};

// For EXPECT_TRUE: passes when `text` holds `part`, and shows both when it does not.
inline testing::AssertionResult Contains(const std::string& text, const std::string& part)
{
    if (text.find(part) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "'" << text << "' does not hold '" << part << "'";
}

} // namespace kwtest
