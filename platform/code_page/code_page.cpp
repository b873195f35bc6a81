#include "code_page.h"
#include "system_conversion.h"

#include <algorithm>
#include <iterator>

namespace plat {
namespace {

bool IsAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// A character the system writes by a look-alike reads back as another one,
// so only what reads back as written counts as written.
bool EncodesExactly(const std::string& text, unsigned codePage, std::string& bytes)
{
    std::string back;
    return SystemEncode(text, codePage, bytes) && SystemDecode(bytes, codePage, back) && back == text;
}

} // namespace

bool IsKnownCodePage(unsigned codePage)
{
    return codePage == kUtf8CodePage ||
           std::find(std::begin(kAnsiCodePages), std::end(kAnsiCodePages), codePage) != std::end(kAnsiCodePages);
}

bool DecodeText(const std::string& bytes, unsigned codePage, std::string& text)
{
    // Most paths are ASCII, which every one of these code pages writes as itself.
    if (IsAscii(bytes)) {
        text = bytes;
        return true;
    }
    return SystemDecode(bytes, codePage, text);
}

bool EncodeText(const std::string& text, unsigned codePage, std::string& bytes, std::size_t& failedAt)
{
    failedAt = 0;
    if (IsAscii(text)) {
        bytes = text;
        return true;
    }
    if (EncodesExactly(text, codePage, bytes))
        return true;
    std::string one;
    for (std::size_t length = 0; failedAt < text.size(); failedAt += length) {
        length = std::min(Utf8SequenceLength(static_cast<unsigned char>(text[failedAt])), text.size() - failedAt);
        if (!EncodesExactly(text.substr(failedAt, length), codePage, one))
            return false;
    }
    failedAt = 0;
    return false;
}

bool ReadUtf8(const std::string& text, std::size_t at, char32_t& point, std::size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    length = Utf8SequenceLength(lead);
    if ((lead >= 0x80 && length == 1) || at + length > text.size())
        return false;
    static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    point = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return false;
        point = point << 6 | (next & 0x3F);
    }
    return point >= kLeast[length] && point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
}

bool IsStrictUtf8(const std::string& text)
{
    char32_t point = 0;
    for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
        if (!ReadUtf8(text, at, point, length))
            return false;
    }
    return true;
}

std::string UpperCase(const std::string& text)
{
    std::string upper;
    upper.reserve(text.size());
    char32_t point = 0;
    for (std::size_t at = 0, length = 1; at < text.size(); at += length) {
        if (!ReadUtf8(text, at, point, length)) {
            upper += text[at];
            length = 1;
            continue;
        }
        // Windows compares names a UTF-16 unit at a time, so a character beyond the BMP has no case.
        AppendUtf8(upper, point > 0xFFFF ? point : UpperCaseUnit(static_cast<char16_t>(point)));
    }
    return upper;
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

} // namespace plat
