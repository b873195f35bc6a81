// kwcodepagegen: writes to standard output the C++ source of the code-page
// tables (platform/code_page/tables/code_page_data.cpp) that the POSIX stand-in converts names
// with, taken from this system's own conversions: every byte, every pair of a
// lead byte and a trail, and every BMP character through Windows' strict
// conversion, as the installer and kwpack.exe make it; and the upper case of
// every BMP unit as Windows compares file names. Run under Wine by
// platform/code_page/tables/generate.sh.

#include "code_page.h"
#include "code_page_table.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace {

struct Generated {
    unsigned number = 0;
    std::uint16_t singles[256] = {};
    std::vector<plat::LeadRow> rows;
    std::vector<std::uint16_t> pairs;
    std::vector<plat::WrittenAs> writtenAs;
    std::vector<std::uint16_t> unwritable;
};

// The one UTF-16 unit that `count` bytes read as, or kNoCharacter.
std::uint16_t ReadAs(unsigned codePage, const char* bytes, int count)
{
    wchar_t wide[4];
    const int length = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, count, wide, 4);
    return length == 1 ? static_cast<std::uint16_t>(wide[0]) : plat::kNoCharacter;
}

std::string Utf8(char32_t point)
{
    std::string text;
    plat::AppendUtf8(text, point);
    return text;
}

bool Fail(const std::string& why)
{
    std::fprintf(stderr, "kwcodepagegen: %s\n", why.c_str());
    return false;
}

// Every byte sequence that reads as each character, as lead * 256 + trail for a pair.
using ReadFrom = std::vector<std::vector<std::uint16_t>>;

// The characters that the pairs of `lead` read as, as a row of the table.
void ReadPairs(unsigned codePage, unsigned lead, Generated& table, ReadFrom& readFrom)
{
    std::vector<std::uint16_t> row(256);
    unsigned first = 256;
    unsigned last = 0;
    for (unsigned trail = 0; trail < 256; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        row[trail] = ReadAs(codePage, pair, 2);
        if (row[trail] == plat::kNoCharacter)
            continue;
        readFrom[row[trail]].push_back(static_cast<std::uint16_t>(lead << 8 | trail));
        first = std::min(first, trail);
        last = trail;
    }
    if (first > last)
        return;
    table.rows.push_back({static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(first),
                          static_cast<std::uint16_t>(last - first + 1),
                          static_cast<std::uint32_t>(table.pairs.size())});
    table.pairs.insert(table.pairs.end(), row.begin() + first, row.begin() + last + 1);
}

// What every byte and every pair reads as.
bool ReadBytes(unsigned codePage, Generated& table, ReadFrom& readFrom)
{
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(byte))) {
            table.singles[byte] = plat::kLeadByte;
            ReadPairs(codePage, byte, table, readFrom);
            continue;
        }
        const char one = static_cast<char>(byte);
        table.singles[byte] = ReadAs(codePage, &one, 1);
        if (byte < 0x80 && table.singles[byte] != byte)
            return Fail("code page " + std::to_string(codePage) + " does not read ASCII as ASCII");
        if (table.singles[byte] != plat::kNoCharacter)
            readFrom[table.singles[byte]].push_back(static_cast<std::uint16_t>(byte));
    }
    return true;
}

// What the strict conversion writes for each character, where the inverse
// of the reading does not already say it.
bool ReadWrites(unsigned codePage, Generated& table, const ReadFrom& readFrom)
{
    for (std::uint32_t point = 1; point < 0x10000; ++point) {
        if (point >= 0xD800 && point <= 0xDFFF)
            continue;
        std::string bytes;
        std::size_t failedAt = 0;
        const bool writable = plat::EncodeText(Utf8(point), codePage, bytes, failedAt);
        const std::vector<std::uint16_t>& sources = readFrom[point];
        if (!writable) {
            if (!sources.empty())
                table.unwritable.push_back(static_cast<std::uint16_t>(point));
            continue;
        }
        const std::uint16_t code = static_cast<std::uint16_t>(
            bytes.size() == 1 ? static_cast<unsigned char>(bytes[0])
                              : static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]));
        if (bytes.size() > 2 || std::find(sources.begin(), sources.end(), code) == sources.end()) {
            char pointText[16];
            std::snprintf(pointText, sizeof pointText, "U+%04X", static_cast<unsigned>(point));
            return Fail("code page " + std::to_string(codePage) + " writes " + pointText +
                        " as bytes that do not read back as it");
        }
        if (sources.size() > 1)
            table.writtenAs.push_back({static_cast<std::uint16_t>(point), code});
    }
    return true;
}

bool Generate(unsigned codePage, Generated& table)
{
    table.number = codePage;
    ReadFrom readFrom(0x10000);
    return ReadBytes(codePage, table, readFrom) && ReadWrites(codePage, table, readFrom);
}

void PrintNumbers(const std::vector<unsigned>& numbers, int width)
{
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        std::printf("%s0x%0*X,", i % 12 == 0 ? "\n    " : " ", width, numbers[i]);
    }
    std::printf("\n");
}

void Print(const Generated& t)
{
    const unsigned n = t.number;
    std::printf("\nconst std::uint16_t kSingles%u[256] = {", n);
    PrintNumbers(std::vector<unsigned>(std::begin(t.singles), std::end(t.singles)), 4);
    std::printf("};\n");
    if (!t.rows.empty()) {
        std::printf("const LeadRow kRows%u[] = {\n", n);
        for (const plat::LeadRow& row : t.rows)
            std::printf("    {0x%02X, 0x%02X, %u, %u},\n", row.lead, row.firstTrail, row.count,
                        static_cast<unsigned>(row.offset));
        std::printf("};\nconst std::uint16_t kPairs%u[] = {", n);
        PrintNumbers(std::vector<unsigned>(t.pairs.begin(), t.pairs.end()), 4);
        std::printf("};\n");
    }
    if (!t.writtenAs.empty()) {
        std::printf("const WrittenAs kWrittenAs%u[] = {\n", n);
        for (const plat::WrittenAs& w : t.writtenAs)
            std::printf("    {0x%04X, 0x%04X},\n", w.character, w.bytes);
        std::printf("};\n");
    }
    if (!t.unwritable.empty()) {
        std::printf("const std::uint16_t kUnwritable%u[] = {", n);
        PrintNumbers(std::vector<unsigned>(t.unwritable.begin(), t.unwritable.end()), 4);
        std::printf("};\n");
    }
}

// The units that the system's upper case changes, after the tables.
void PrintUpperCasePairs()
{
    std::printf("\nconst UpperCasePair kUpperCasePairs[] = {");
    std::size_t count = 0;
    for (std::uint32_t unit = 0; unit < 0x10000; ++unit) {
        const char16_t upper = plat::UpperCaseUnit(static_cast<char16_t>(unit));
        if (upper != unit)
            std::printf("%s{0x%04X, 0x%04X},", count++ % 6 == 0 ? "\n    " : " ", static_cast<unsigned>(unit),
                        static_cast<unsigned>(upper));
    }
    std::printf("\n};\nconst std::size_t kUpperCasePairCount = std::size(kUpperCasePairs);\n");
}

std::string Entry(bool present, const char* name, unsigned n)
{
    if (!present)
        return "nullptr, 0";
    const std::string array = std::string(name) + std::to_string(n);
    return array + ", std::size(" + array + ")";
}

} // namespace

int main()
{
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<Generated> tables(std::size(plat::kAnsiCodePages));
    for (std::size_t i = 0; i < tables.size(); ++i) {
        if (!Generate(plat::kAnsiCodePages[i], tables[i]))
            return 1;
    }
    std::printf("// Generated by tools/codepagegen from Windows' own conversions (generate.sh\n"
                "// beside it); the code-page differential test checks it.\n"
                "// Do not edit.\n\n"
                "#include \"code_page_table.h\"\n\n"
                "namespace plat {\nnamespace {\n");
    for (const Generated& t : tables)
        Print(t);
    std::printf("\n} // namespace\n\nconst CodePageTable kCodePageTables[kCodePageTableCount] = {\n");
    for (const Generated& t : tables) {
        const unsigned n = t.number;
        const std::string pairs = t.rows.empty() ? "nullptr" : "kPairs" + std::to_string(n);
        std::printf("    {%u, kSingles%u, %s, %s, %s, %s},\n", n, n, Entry(!t.rows.empty(), "kRows", n).c_str(),
                    pairs.c_str(), Entry(!t.writtenAs.empty(), "kWrittenAs", n).c_str(),
                    Entry(!t.unwritable.empty(), "kUnwritable", n).c_str());
    }
    std::printf("};\n");
    PrintUpperCasePairs();
    std::printf("\n} // namespace plat\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
}
