#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

namespace kwpack {

enum class ProgressStyle {
    PerLine,  // a line per step
    LiveLine, // one line rewritten in place, on a terminal
    None,     // nothing at all (--quiet)
};

// A command's progress as "[ 42%] text": one line rewritten in place on a
// terminal, or a line per call otherwise, written a batch of lines at a time:
// standard error writes whatever it is given at once, and a package of many
// small files has many lines, which one write each would slow down.
class ProgressLine {
public:
    ProgressLine(std::ostream& out, ProgressStyle style);

    void Show(int percent, const std::string& text);
    // Ends the rewritten line, or writes the lines held back, so what follows
    // comes after them and starts on a line of its own.
    void End();

private:
    std::ostream& m_out;
    ProgressStyle m_style;
    std::size_t m_shownWidth = 0;
    std::string m_heldBack;
};

} // namespace kwpack
