#pragma once

#include <string>

namespace plat {

// The system's own conversions between a code page and UTF-8, which
// DecodeText and EncodeText build on. Both fail on bytes the source does not
// define and on characters the target has no code for, but the second may
// still write a character by a look-alike.
bool SystemDecode(const std::string& bytes, unsigned codePage, std::string& text);
bool SystemEncode(const std::string& text, unsigned codePage, std::string& bytes);

} // namespace plat
