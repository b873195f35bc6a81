#pragma once

// Text between code pages and the system's UTF-16, for Windows-only code: the
// engine never includes this.

#include <windows.h>

#include <string>

namespace plat {

// `bytes` of `codePage` as UTF-16. With MB_ERR_INVALID_CHARS in `flags`, false
// for bytes the code page does not define.
bool ToWide(const std::string& bytes, UINT codePage, DWORD flags, std::wstring& wide);
// UTF-16 as bytes of `codePage`; false when a character has no code of its
// own there, so nothing is ever written by a look-alike or a default character.
bool FromWide(const std::wstring& wide, UINT codePage, std::string& bytes);

} // namespace plat
