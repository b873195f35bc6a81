#pragma once

// Names between the host's text (UTF-8) and a package's code page, and the
// engine's text as kwpack shows it.

#include <cstddef>
#include <string>

namespace kwpack {

// Bytes of `codePage`, a name with `\` between its parts or a message
// naming one, as the user reads them: decoded, with the system's separator,
// and Printable. Bytes that are no text in the code page do not stop it:
// every byte beyond ASCII then shows as its value, "\x81".
std::string Shown(const std::string& bytes, unsigned codePage);
// Text that should be UTF-8, a name as the system gives it say, as it can be
// shown: every byte that is no UTF-8, and every control character, written
// as its value, "\xFF".
std::string Printable(const std::string& text);
// Engine text, in the path code page, as the user reads it.
std::string Shown(const std::string& engineText);
// A UTF-8 name with `\` between its parts as the user reads it: with the
// system's separator, and Printable.
std::string ShownName(const std::string& name);

// Writes the UTF-8 `text` in `codePage` into `bytes`; returns why it cannot,
// naming the first character the code page has no code for, or an empty text.
std::string EncodeName(const std::string& text, unsigned codePage, std::string& bytes);

} // namespace kwpack
