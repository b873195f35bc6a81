#pragma once

// Paths that the system gives in UTF-16, for Windows-only code: the engine
// never includes this.

#include <string>

namespace plat {

// A terminated path as bytes of the ANSI code page, never by a look-alike:
// as it stands when the code page writes every character of it, otherwise its
// short form when the system has one that converts. False when neither does.
bool ToAnsiPath(const wchar_t* path, std::string& ansi);

} // namespace plat
