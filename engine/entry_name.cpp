#include "entry_name.h"

#include "code_page.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Only a-z: the locale's own upper case could change the bytes of a UTF-8 sequence.
std::string UpperAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// COM and LPT ports take a digit 1-9 or a superscript 1, 2 or 3 (U+00B9, U+00B2, U+00B3).
bool IsPortDigit(const std::string& character)
{
    static const char* const kSuperscripts[] = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
    if (character.size() == 1)
        return character[0] >= '1' && character[0] <= '9';
    return std::find(std::begin(kSuperscripts), std::end(kSuperscripts), character) != std::end(kSuperscripts);
}

// The system opens a device for these names whatever extension follows.
bool IsDeviceName(const std::string& part)
{
    std::string base = part.substr(0, part.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    base = UpperAscii(base);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (base == device)
            return true;
    }
    return base.size() > 3 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           IsPortDigit(base.substr(3));
}

const char* RefusedPartReason(const std::string& part)
{
    if (part.empty())
        return "it has an empty path part";
    if (part == "." || part == "..")
        return "it has a '.' or '..' path part";
    if (part.back() == '.' || part.back() == ' ')
        return "a path part ends in a dot or a space";
    if (IsDeviceName(part))
        return "it names a device";
    return nullptr;
}

} // namespace

// Every byte below 0x80 in UTF-8 is a character of its own, so the ASCII
// characters looked for here are found byte by byte.
const char* RefusedEntryTextReason(const std::string& text)
{
    if (text.empty())
        return "it is empty";
    if (IsSeparator(text[0]))
        return "it starts at a root folder";
    for (const char c : text) {
        if (c == ':')
            return "it holds ':' (a drive or a stream)";
        if (static_cast<unsigned char>(c) < 0x20)
            return "it holds a control character";
        if (std::strchr("*?\"<>|", c) != nullptr)
            return "it holds one of * ? \" < > |";
    }
    std::size_t start = 0;
    for (;;) {
        std::size_t end = start;
        while (end < text.size() && !IsSeparator(text[end]))
            ++end;
        if (const char* reason = RefusedPartReason(text.substr(start, end - start)))
            return reason;
        if (end == text.size())
            return nullptr;
        start = end + 1;
    }
}

// Judged by the characters the system will see: in a double-byte code page
// the second byte of a character may be 0x5C or 0x7C, which is no `\` or `|`.
const char* RefusedEntryNameReason(const std::string& name)
{
    std::string text;
    if (!plat::DecodeText(name, plat::PathCodePage(), text))
        return kUndecodableNameReason;
    return RefusedEntryTextReason(text);
}
