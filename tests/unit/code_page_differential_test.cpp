// Windows' conversions, as Wine makes them, against the tables the POSIX
// stand-in converts names with, side by side in one Windows program: every
// single byte, every pair of bytes (each lead byte with every trail, and in
// the single-byte code pages every letter with every accent that follows it)
// and every BMP character. Any difference means that Linux and Windows would
// read or write a name differently.

#include "code_page_table.h"
#include "platform.h"
#include "platform_detail.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Hex(const std::string& bytes)
{
    std::string text;
    char two[4];
    for (const char c : bytes) {
        std::snprintf(two, sizeof two, "%02X", static_cast<unsigned char>(c));
        text += (text.empty() ? "" : " ") + std::string(two);
    }
    return text;
}

std::string Utf8(char32_t point)
{
    std::string text;
    plat::AppendUtf8(text, point);
    return text;
}

// One outcome of a conversion: its result, or that it failed.
std::string Outcome(bool converted, const std::string& result)
{
    return converted ? "[" + Hex(result) + "]" : "refused";
}

struct Differences {
    std::size_t checked = 0;
    std::vector<std::string> found;

    void Compare(const char* what, const std::string& input, const std::string& windows, const std::string& table)
    {
        ++checked;
        if (windows != table)
            found.push_back(std::string(what) + " [" + Hex(input) + "]: Windows " + windows + ", table " + table);
    }
};

void CompareDecoding(const plat::CodePageTable& table, const std::string& bytes, Differences& differences)
{
    const unsigned codePage = table.number;
    std::string windowsText;
    std::string tableText;
    const bool windowsRead = plat::SystemDecode(bytes, codePage, windowsText);
    const bool tableRead = plat::DecodeByTable(table, bytes, tableText);
    differences.Compare("read", bytes, Outcome(windowsRead, windowsText), Outcome(tableRead, tableText));
    if (!windowsRead || !tableRead || windowsText != tableText)
        return;
    // What reads as a text must write back the same way too.
    std::string windowsBytes;
    std::string tableBytes;
    std::size_t failedAt = 0;
    const bool windowsWrote = plat::EncodeText(windowsText, codePage, windowsBytes, failedAt);
    const bool tableWrote = plat::EncodeByTable(table, tableText, tableBytes);
    differences.Compare("write the text of", bytes, Outcome(windowsWrote, windowsBytes),
                        Outcome(tableWrote, tableBytes));
}

void CompareEncoding(const plat::CodePageTable& table, const std::string& text, Differences& differences)
{
    std::string windowsBytes;
    std::string tableBytes;
    std::size_t failedAt = 0;
    const bool windowsWrote = plat::EncodeText(text, table.number, windowsBytes, failedAt);
    const bool tableWrote = plat::EncodeByTable(table, text, tableBytes);
    differences.Compare("write", text, Outcome(windowsWrote, windowsBytes), Outcome(tableWrote, tableBytes));
}

} // namespace

TEST(CodePageDifferential, TablesReadAndWriteEveryByteAndCharacterAsWindowsDoes)
{
    // Beyond the BMP, and bytes that are no UTF-8 (a lone continuation, an
    // overlong form, a surrogate, a cut sequence): refused on both sides.
    const std::vector<std::string> oddTexts = {Utf8(0x10000), Utf8(0x1F600), "\x80", "\xC0\x80", "\xED\xA0\x80",
                                               "\xE3\x81", "a\xFF"};
    for (const unsigned codePage : plat::kCodePages) {
        SCOPED_TRACE("code page " + std::to_string(codePage));
        const plat::CodePageTable* table = plat::FindCodePageTable(codePage);
        ASSERT_NE(table, nullptr);
        Differences differences;
        for (unsigned first = 0; first < 256; ++first) {
            const char lead = static_cast<char>(first);
            differences.Compare("lead byte", std::string(1, lead),
                                ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(first)) ? "lead" : "single",
                                plat::IsLeadByteInTable(*table, static_cast<unsigned char>(first)) ? "lead" : "single");
            CompareDecoding(*table, std::string(1, lead), differences);
            for (unsigned second = 0; second < 256; ++second)
                CompareDecoding(*table, std::string{lead, static_cast<char>(second)}, differences);
        }
        for (std::uint32_t point = 1; point < 0x10000; ++point) {
            if (point < 0xD800 || point > 0xDFFF)
                CompareEncoding(*table, Utf8(point), differences);
        }
        for (const std::string& text : oddTexts)
            CompareEncoding(*table, text, differences);

        std::string first;
        for (std::size_t i = 0; i < differences.found.size() && i < 8; ++i)
            first += "\n  " + differences.found[i];
        EXPECT_EQ(differences.found.size(), 0u) << "of " << differences.checked << " checked; the first:" << first;
        EXPECT_GT(differences.checked, 256u * 256u + 0xF000u);
    }
}
