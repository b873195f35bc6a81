#pragma once

// Text between code pages and the system's UTF-16, for Windows-only code: the
// engine never includes this. UTF-16 text is held in a vector, not a
// std::wstring, which would bring the library's whole wide string into the
// installer.

#include <windows.h>

#include <string>
#include <vector>

namespace plat {

using WideText = std::vector<wchar_t>;

// The longest path the system takes, in UTF-16 units with the terminator.
constexpr DWORD kLongestPath = 32768;

// `bytes` of `codePage` as UTF-16, without a terminator. With
// MB_ERR_INVALID_CHARS in `flags`, false for bytes the code page does not define.
bool ToWide(const std::string& bytes, UINT codePage, DWORD flags, WideText& wide);
// `length` UTF-16 units as bytes of `codePage`; false when a character has no
// code of its own there, so nothing is ever written by a look-alike or a
// default character.
bool FromWide(const wchar_t* wide, std::size_t length, UINT codePage, std::string& bytes);
// A terminated path as bytes of the ANSI code page, never by a look-alike:
// as it stands when the code page writes every character of it, otherwise its
// short form when the system has one that converts. False when neither does.
bool ToAnsiPath(const wchar_t* path, std::string& ansi);

} // namespace plat
