#include "console_extractor.h"

#include "code_page_text.h"
#include "message_box.h"

#include <ostream>

namespace kwpack {

ConsoleExtractor::ConsoleExtractor(std::ostream& err, ProgressStyle style)
    : m_err(err), m_progress(err, style)
{
}

void ConsoleExtractor::SetStatus(int percent, const std::string& text)
{
    ++m_entriesStarted;
    m_progress.Show(percent, Shown(text));
}

void ConsoleExtractor::EndStatus() { m_progress.End(); }

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
    m_err << "kwpack: extraction stopped: " << Shown(message) << '\n';
    m_errorReported = true;
}

} // namespace kwpack
