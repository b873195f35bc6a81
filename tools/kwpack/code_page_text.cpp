#include "code_page_text.h"

#include "platform.h"
#include "platform_detail.h"

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
    if (!plat::ReadUtf8(text, at, point, length)) {
        std::snprintf(described, sizeof described, "byte 0x%02X is no UTF-8", static_cast<unsigned char>(text[at]));
        return described;
    }
    std::snprintf(described, sizeof described, "' (U+%04X) has no code in code page %u", static_cast<unsigned>(point),
                  codePage);
    return "'" + text.substr(at, length) + described;
}

} // namespace kwpack
