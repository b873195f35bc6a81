#pragma once

// Shared by the two platform implementations and the system code of the tools
// built on them; not for the engine.

#include "platform.h"


namespace plat {

const char* DescribeCause(int cause);
// The system's own words for an error code: errno's on POSIX, GetLastError()'s on Windows.
std::string SystemErrorText(long systemCode);
// The cause of a file error that a system error code stands for.
int CauseOfSystemError(long systemCode);
// "cannot open 'path': file not found", and the system's own words when there is a code.
FileError MakeFileError(int cause, const std::string& path, const char* action, long systemCode);
// A file error for a system call that failed with `systemCode`.
[[noreturn]] void RaiseSystemError(const std::string& path, const char* action, long systemCode);
// "cannot open 'path': why", for a name refused for what or where it is.
[[noreturn]] void RaiseRefused(const std::string& path, const std::string& why, int cause = kCauseBadPath);
// The refusal of a name that a link leads outside the destination with.
[[noreturn]] void RaiseLinkOutside(const std::string& path);
// Why a name where a folder must be cannot serve: "'folder' is a file, not a folder".
std::string NotAFolder(const std::string& folder);

// The system's own conversions between a code page and UTF-8, which
// DecodeText and EncodeText build on. Both fail on bytes the source does not
// define and on characters the target has no code for, but the second may
// still write a character by a look-alike.
bool SystemDecode(const std::string& bytes, unsigned codePage, std::string& text);
bool SystemEncode(const std::string& text, unsigned codePage, std::string& bytes);

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
