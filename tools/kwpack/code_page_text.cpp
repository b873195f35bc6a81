#include "code_page_text.h"

#include "code_page.h"
#include "paths.h"

#include <cstdio>

namespace kwpack {

namespace {

void AppendByteValue(std::string& text, unsigned char byte)
{
    char value[5];
    std::snprintf(value, sizeof value, "\\x%02X", byte);
    text += value;
}

} // namespace

std::string Shown(const std::string& bytes, unsigned codePage)
{
    std::string text;
    if (plat::DecodeText(bytes, codePage, text))
        return ShownName(text);
    text.clear();
    for (const char c : plat::ShownPath(bytes)) {
        if (static_cast<unsigned char>(c) < 0x80)
            text += c;
        else
            AppendByteValue(text, static_cast<unsigned char>(c));
    }
    return Printable(text);
}

std::string Printable(const std::string& text)
{
    std::string shown;
    char32_t point = 0;
    for (std::size_t at = 0, length = 1; at < text.size(); at += length) {
        // Control characters too: one in a name could rewrite what the terminal shows.
        if (plat::ReadUtf8(text, at, point, length) && point >= 0x20 && point != 0x7F) {
            shown.append(text, at, length);
        } else {
            AppendByteValue(shown, static_cast<unsigned char>(text[at]));
            length = 1;
        }
    }
    return shown;
}

std::string Shown(const std::string& engineText) { return Shown(engineText, plat::PathCodePage()); }

std::string ShownName(const std::string& name) { return Printable(plat::ShownPath(name)); }

std::string EncodeName(const std::string& text, unsigned codePage, std::string& bytes)
{
    std::size_t at = 0;
    if (plat::EncodeText(text, codePage, bytes, at))
        return std::string();
    char32_t point = 0;
    std::size_t length = 0;
    char described[48];
    if (!plat::ReadUtf8(text, at, point, length)) {
        std::snprintf(described, sizeof described, "byte 0x%02X is no UTF-8", static_cast<unsigned char>(text[at]));
        return described;
    }
    std::snprintf(described, sizeof described, "' (U+%04X) has no code in code page %u", static_cast<unsigned>(point),
                  codePage);
    return "'" + text.substr(at, length) + described;
}

} // namespace kwpack
