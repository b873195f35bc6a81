#include "progress_line.h"

#include <cstdio>
#include <ostream>

namespace kwpack {
namespace {

// Kept below the usual 80 columns: a line that wraps can no longer be rewritten with `\r`.
constexpr std::size_t kLiveLineWidth = 79;

std::string StatusLine(int percent, const std::string& text)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "[%3d%%] ", percent);
    return prefix + text;
}

} // namespace

ProgressLine::ProgressLine(std::ostream& out, bool liveLine) : m_out(out), m_liveLine(liveLine) {}

void ProgressLine::Show(int percent, const std::string& text)
{
    std::string line = StatusLine(percent, text);
    if (!m_liveLine) {
        m_out << line << '\n';
        return;
    }
    if (line.size() > kLiveLineWidth)
        line = line.substr(0, kLiveLineWidth - 3) + "...";
    // Blanks over whatever the longer previous line left behind.
    const std::size_t width = line.size();
    if (width < m_shownWidth)
        line.append(m_shownWidth - width, ' ');
    m_out << '\r' << line << std::flush;
    m_shownWidth = width;
}

void ProgressLine::End()
{
    if (m_liveLine && m_shownWidth > 0)
        m_out << '\n';
    m_shownWidth = 0;
    m_out.flush();
}

} // namespace kwpack
