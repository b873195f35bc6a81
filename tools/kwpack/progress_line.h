#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

namespace kwpack {

// A command's progress as "[ 42%] text": one line rewritten in place on a
// terminal, or a line per call otherwise.
class ProgressLine {
public:
    ProgressLine(std::ostream& out, bool liveLine);

    void Show(int percent, const std::string& text);
    // Ends the rewritten line, so what follows starts on a line of its own.
    void End();

private:
    std::ostream& m_out;
    bool m_liveLine;
    std::size_t m_shownWidth = 0;
};

} // namespace kwpack
