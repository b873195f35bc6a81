#include "platform.h"
#include "platform_detail.h"

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
    return std::find(std::begin(kCodePages), std::end(kCodePages), codePage) != std::end(kCodePages);
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

} // namespace plat
