#include "code_page_text.h"

#include "platform.h"

#include <cstdio>

namespace kwpack {

std::string Decoded(const std::string& bytes, unsigned codePage)
{
    std::string text;
    if (plat::DecodeText(bytes, codePage, text))
        return text;
    text = bytes;
    for (char& c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            c = '?';
    }
    return text;
}

std::string Shown(const std::string& engineText) { return plat::ShownPath(Decoded(engineText, plat::PathCodePage())); }

std::string EncodeName(const std::string& text, unsigned codePage, std::string& bytes)
{
    std::size_t at = 0;
    if (plat::EncodeText(text, codePage, bytes, at))
        return std::string();
    char32_t point = 0;
    std::size_t length = 0;
    char described[48];
    if (!ReadUtf8(text, at, point, length)) {
        std::snprintf(described, sizeof described, "byte 0x%02X is no UTF-8", static_cast<unsigned char>(text[at]));
        return described;
    }
    std::snprintf(described, sizeof described, "' (U+%04X) has no code in code page %u", static_cast<unsigned>(point),
                  codePage);
    return "'" + text.substr(at, length) + described;
}

bool ReadUtf8(const std::string& text, std::size_t at, char32_t& point, std::size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || at + length > text.size())
        return false;
    point = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return false;
        point = point << 6 | (next & 0x3F);
    }
    return true;
}

void AppendUtf8(std::string& text, char32_t point)
{
    if (point < 0x80) {
        text += static_cast<char>(point);
        return;
    }
    const int length = point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
    static const unsigned char kLeads[] = {0, 0, 0xC0, 0xE0, 0xF0};
    text += static_cast<char>(kLeads[length] | (point >> (6 * (length - 1))));
    for (int shift = 6 * (length - 2); shift >= 0; shift -= 6)
        text += static_cast<char>(0x80 | ((point >> shift) & 0x3F));
}

} // namespace kwpack
