#pragma once

// Names between the host's text (UTF-8) and a package's code page, and the
// engine's text as kwpack shows it.

#include <cstddef>
#include <string>

namespace kwpack {

// `bytes` of `codePage` as UTF-8. Bytes that are no text in the code page do
// not stop it: every byte beyond ASCII then shows as '?'.
std::string Decoded(const std::string& bytes, unsigned codePage);
// Engine text, a path or a message naming one, as the user reads it.
std::string Shown(const std::string& engineText);

// Writes the UTF-8 `text` in `codePage` into `bytes`; returns why it cannot,
// naming the first character the code page has no code for, or an empty text.
std::string EncodeName(const std::string& text, unsigned codePage, std::string& bytes);

} // namespace kwpack
