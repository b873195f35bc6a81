#include "progress_line.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace kwpack {
namespace {

// Kept below the usual 80 columns: a line that wraps can no longer be rewritten with `\r`.
constexpr std::size_t kLiveLineWidth = 79;
constexpr std::size_t kBatchSize = 8192;

std::string StatusLine(int percent, const std::string& text)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "[%3d%%] ", percent);
    return prefix + text;
}

bool StartsCharacter(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }

// Columns are counted as UTF-8 characters, each a lead byte and its continuation bytes.
std::size_t CountCharacters(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), StartsCharacter));
}

std::string FirstCharacters(const std::string& text, std::size_t count)
{
    std::size_t end = 0;
    for (std::size_t seen = 0; end < text.size(); ++end) {
        if (StartsCharacter(text[end]) && seen++ == count)
            break;
    }
    return text.substr(0, end);
}

} // namespace

ProgressLine::ProgressLine(std::ostream& out, ProgressStyle style) : m_out(out), m_style(style) {}

void ProgressLine::Show(int percent, const std::string& text)
{
    if (m_style == ProgressStyle::None)
        return;
    std::string line = StatusLine(percent, text);
    if (m_style == ProgressStyle::PerLine) {
        m_heldBack += line + '\n';
        if (m_heldBack.size() >= kBatchSize) {
            m_out << m_heldBack;
            m_heldBack.clear();
        }
        return;
    }
    if (CountCharacters(line) > kLiveLineWidth)
        line = FirstCharacters(line, kLiveLineWidth - 3) + "...";
    // Blanks over whatever the longer previous line left behind.
    const std::size_t width = CountCharacters(line);
    if (width < m_shownWidth)
        line.append(m_shownWidth - width, ' ');
    m_out << ('\r' + line) << std::flush;
    m_shownWidth = width;
}

void ProgressLine::End()
{
    if (m_shownWidth > 0)
        m_out << '\n';
    m_shownWidth = 0;
    m_out << m_heldBack;
    m_heldBack.clear();
    m_out.flush();
}

} // namespace kwpack
