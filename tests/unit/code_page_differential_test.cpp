// Windows' conversions, as Wine makes them, against the tables the POSIX
// stand-in converts names with, side by side in one Windows program: every
// single byte, every pair of bytes (each lead byte with every trail, and in
// the single-byte code pages every letter with every accent that follows it)
// and every BMP character; in UTF-8 every sequence of up to three bytes, the
// four-byte ones around the edges of each lead, and every character; and the
// upper case of every BMP unit. Any difference means that Linux and Windows
// would read, write or compare a name differently.

#include "code_page.h"
#include "code_page_table.h"
#include "system_conversion.h"

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

void CompareUtf8Reading(const std::string& bytes, Differences& differences)
{
    std::string windowsText;
    std::string standInText;
    const bool windowsRead = plat::SystemDecode(bytes, plat::kUtf8CodePage, windowsText);
    const bool standInRead = plat::CopyStrictUtf8(bytes, standInText);
    differences.Compare("read", bytes, Outcome(windowsRead, windowsText), Outcome(standInRead, standInText));
}

void CompareUtf8Writing(const std::string& text, Differences& differences)
{
    std::string windowsBytes;
    std::string standInBytes;
    std::size_t failedAt = 0;
    const bool windowsWrote = plat::EncodeText(text, plat::kUtf8CodePage, windowsBytes, failedAt);
    const bool standInWrote = plat::CopyStrictUtf8(text, standInBytes);
    differences.Compare("write", text, Outcome(windowsWrote, windowsBytes), Outcome(standInWrote, standInBytes));
}

void ExpectNone(const Differences& differences, std::size_t least)
{
    std::string first;
    for (std::size_t i = 0; i < differences.found.size() && i < 8; ++i)
        first += "\n  " + differences.found[i];
    EXPECT_EQ(differences.found.size(), 0u) << "of " << differences.checked << " checked; the first:" << first;
    EXPECT_GT(differences.checked, least);
}

} // namespace

// Sequences of four bytes are too many to try all: each lead byte from F0
// with every second byte, and third and fourth bytes at the edges of the
// continuation range and just outside it.
TEST(CodePageDifferential, Utf8ReadsAndWritesEverySequenceAndCharacterAsWindowsDoes)
{
    Differences differences;
    for (unsigned first = 0; first < 256; ++first) {
        const char lead = static_cast<char>(first);
        CompareUtf8Reading(std::string(1, lead), differences);
        for (unsigned second = 0; second < 256; ++second) {
            const std::string two{lead, static_cast<char>(second)};
            CompareUtf8Reading(two, differences);
            for (unsigned third = 0; first >= 0xE0 && first < 0xF0 && third < 256; ++third)
                CompareUtf8Reading(two + static_cast<char>(third), differences);
            if (first < 0xF0)
                continue;
            for (const char third : {'\x7F', '\x80', '\xBF', '\xC0'}) {
                for (const char fourth : {'\x7F', '\x80', '\xBF', '\xC0'})
                    CompareUtf8Reading(two + third + fourth, differences);
            }
        }
    }
    for (std::uint32_t point = 1; point <= 0x10FFFF; ++point) {
        if (point < 0xD800 || point > 0xDFFF)
            CompareUtf8Writing(Utf8(point), differences);
    }
    for (const std::string& text : {std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80"),
                                    std::string("\xC0\xAF"), std::string("\xE0\x80\xAF"), std::string("a\xFF")})
        CompareUtf8Writing(text, differences);
    ExpectNone(differences, 16u * 256u * 256u + 0x10F000u);
}

TEST(CodePageDifferential, UpperCaseTableIsWindowsOwnForEveryBmpUnit)
{
    Differences differences;
    std::size_t changed = 0;
    for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
        const char16_t windows = plat::UpperCaseUnit(static_cast<char16_t>(unit));
        const std::uint16_t table = plat::UpperCaseByTable(static_cast<std::uint16_t>(unit));
        changed += windows != unit;
        differences.Compare("upper case of", Utf8(unit), Utf8(windows), Utf8(table));
    }
    ExpectNone(differences, 0xFFFFu);
    // Every letter of the scripts with case: Latin, Greek, Cyrillic, Armenian, Georgian and more.
    EXPECT_GT(changed, 900u);
}

TEST(CodePageDifferential, TablesReadAndWriteEveryByteAndCharacterAsWindowsDoes)
{
    // Beyond the BMP, and bytes that are no UTF-8 (a lone continuation, an
    // overlong form, a surrogate, a cut sequence): refused on both sides.
    const std::vector<std::string> oddTexts = {Utf8(0x10000), Utf8(0x1F600), "\x80", "\xC0\x80", "\xED\xA0\x80",
                                               "\xE3\x81", "a\xFF"};
    for (const unsigned codePage : plat::kAnsiCodePages) {
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

        ExpectNone(differences, 256u * 256u + 0xF000u);
    }
}
