// Code pages on Windows. Paths are in the system's ANSI code page, which the
// process cannot choose; the conversions take any code page.

#include "code_page.h"
#include "system_conversion.h"
#include "win32_text.h"

// ntdll's, declared only in the driver kit's headers.
extern "C" WCHAR NTAPI RtlUpcaseUnicodeChar(WCHAR unit);

namespace plat {

bool ToWide(const std::string& bytes, UINT codePage, DWORD flags, WideText& wide)
{
    wide.clear();
    if (bytes.empty())
        return true;
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(codePage, flags, bytes.data(), size, nullptr, 0);
    if (length == 0)
        return false;
    wide.resize(static_cast<std::size_t>(length));
    return ::MultiByteToWideChar(codePage, flags, bytes.data(), size, wide.data(), length) == length;
}

bool FromWide(const wchar_t* wide, std::size_t length, UINT codePage, std::string& bytes)
{
    bytes.clear();
    if (length == 0)
        return true;
    // UTF-8 has a code for every character; it takes neither the flag nor the question.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* const askDefault = utf8 ? nullptr : &usedDefault;
    const int size = static_cast<int>(length);
    const int needed = ::WideCharToMultiByte(codePage, flags, wide, size, nullptr, 0, nullptr, askDefault);
    if (needed == 0 || usedDefault)
        return false;
    bytes.resize(static_cast<std::size_t>(needed));
    return ::WideCharToMultiByte(codePage, flags, wide, size, bytes.data(), needed, nullptr, askDefault) == needed &&
           !usedDefault;
}

bool SystemDecode(const std::string& bytes, unsigned codePage, std::string& text)
{
    WideText wide;
    return ToWide(bytes, codePage, MB_ERR_INVALID_CHARS, wide) && FromWide(wide.data(), wide.size(), CP_UTF8, text);
}

bool SystemEncode(const std::string& text, unsigned codePage, std::string& bytes)
{
    WideText wide;
    return ToWide(text, CP_UTF8, MB_ERR_INVALID_CHARS, wide) && FromWide(wide.data(), wide.size(), codePage, bytes);
}

unsigned PathCodePage() { return ::GetACP(); }

bool SetPathCodePage(unsigned codePage) { return codePage == ::GetACP(); }

bool IsLeadByte(unsigned char byte) { return ::IsDBCSLeadByteEx(CP_ACP, byte) != 0; }

char16_t UpperCaseUnit(char16_t unit) { return static_cast<char16_t>(::RtlUpcaseUnicodeChar(unit)); }

} // namespace plat
