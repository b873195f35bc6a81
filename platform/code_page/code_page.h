#pragma once

// The code pages of package names and engine paths, and UTF-8 as Windows'
// strict conversion takes it.

#include <cstddef>
#include <string>

namespace plat {

// The code pages a package's names may be written in: the ANSI code pages of
// Windows' language editions (Thai, the four East Asian double-byte ones, and
// 1250 to 1258), and UTF-8, the code page of systems whose language has none
// of its own or that are set to use it. Every one writes ASCII as ASCII.
constexpr unsigned kAnsiCodePages[] = {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
constexpr unsigned kUtf8CodePage = 65001;
constexpr unsigned kDefaultCodePage = 1252;

bool IsKnownCodePage(unsigned codePage);
// The code page of engine paths: on Windows the system's ANSI code page; in
// the POSIX stand-in the process's own setting, 1252 until it is set.
unsigned PathCodePage();
// Makes `codePage` the path code page where the process may choose it (POSIX).
// False when it cannot: the code page is unknown, or on Windows, where paths
// are always in the ANSI code page, another one.
bool SetPathCodePage(unsigned codePage);
// True when `byte` is the first byte of a two-byte character in the path code page.
bool IsLeadByte(unsigned char byte);
// `bytes` of `codePage` as UTF-8; false when they hold a byte or a pair the
// code page does not define.
bool DecodeText(const std::string& bytes, unsigned codePage, std::string& text);
// UTF-8 `text` as bytes of `codePage`, every character by its own code and
// never by a look-alike. False when a character has none, or the text is no
// UTF-8; `failedAt` is then the offset in `text` of the first such character.
bool EncodeText(const std::string& text, unsigned codePage, std::string& bytes, std::size_t& failedAt);

// The code point of the UTF-8 character at `at`, and its length in bytes;
// false for bytes that are no UTF-8 as Windows' strict conversion takes it:
// no overlong form, no surrogate, nothing beyond U+10FFFF.
bool ReadUtf8(const std::string& text, std::size_t at, char32_t& point, std::size_t& length);
void AppendUtf8(std::string& text, char32_t point);
// True when every character of `text` passes ReadUtf8.
bool IsStrictUtf8(const std::string& text);

// A UTF-16 unit in upper case as Windows compares file names: by the system's
// own table (RtlUpcaseUnicodeChar), which is not the C library's.
char16_t UpperCaseUnit(char16_t unit);
// UTF-8 text with every letter in upper case as Windows compares file names,
// so two names are one file there when these are equal. A byte that is no
// UTF-8 stays as it is.
std::string UpperCase(const std::string& text);

// The length of the UTF-8 sequence that `lead` starts; 1 for a byte that starts none.
inline std::size_t Utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    return lead >= 0xC2 && lead <= 0xDF ? 2 : 1;
}

} // namespace plat
