#include "entry_name.h"

#include <cctype>
#include <cstring>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string UpperAscii(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// COM and LPT ports take a digit 1-9 or a superscript 1, 2 or 3 (ANSI bytes B9, B2, B3).
bool IsPortDigit(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= '1' && byte <= '9') || byte == 0xB9 || byte == 0xB2 || byte == 0xB3;
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
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           IsPortDigit(base[3]);
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

const char* RefusedEntryNameReason(const std::string& name)
{
    if (name.empty())
        return "it is empty";
    if (IsSeparator(name[0]))
        return "it starts at a root folder";
    for (const char c : name) {
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
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        if (const char* reason = RefusedPartReason(name.substr(start, end - start)))
            return reason;
        if (end == name.size())
            return nullptr;
        start = end + 1;
    }
}
