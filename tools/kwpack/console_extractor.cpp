#include "console_extractor.h"

#include "message_box.h"

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

ConsoleExtractor::ConsoleExtractor(std::ostream& out, std::ostream& err, bool liveLine)
    : m_out(out), m_err(err), m_liveLine(liveLine)
{
}

void ConsoleExtractor::SetStatus(int percent, const std::string& text)
{
    ++m_statusCount;
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

void ConsoleExtractor::EndStatus()
{
    if (m_liveLine && m_shownWidth > 0)
        m_out << '\n';
    m_shownWidth = 0;
    m_out.flush();
}

int ConsoleExtractor::ShowMessage(const std::string& text, unsigned)
{
    // The engine's box after a file error says less than the error itself, already told.
    if (!m_errorReported) {
        EndStatus();
        m_err << "kwpack: " << text << '\n';
    }
    return mb::kIdOk;
}

void ConsoleExtractor::OnFileError(const plat::FileError& error)
{
    EndStatus();
    std::string message = error.what();
    if (!error.Path().empty() && message.find(error.Path()) == std::string::npos)
        message += " (in '" + error.Path() + "')";
    m_err << "kwpack: extraction stopped: " << message << '\n';
    m_errorReported = true;
}

} // namespace kwpack
