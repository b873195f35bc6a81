#include "code_page_table.h"
#include "code_page.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace plat {
namespace {

constexpr std::uint32_t kUnwritten = 0xFFFFFFFF;

std::uint16_t PairCharacter(const CodePageTable& table, unsigned char lead, unsigned char trail)
{
    for (std::size_t i = 0; i < table.rowCount; ++i) {
        const LeadRow& row = table.rows[i];
        if (row.lead != lead)
            continue;
        if (trail < row.firstTrail || trail - row.firstTrail >= row.count)
            return kNoCharacter;
        return table.pairs[row.offset + (trail - row.firstTrail)];
    }
    return kNoCharacter;
}

// For every BMP character, the bytes Windows writes for it, made once from
// the decoding tables and the generated exceptions.
std::vector<std::uint32_t> MakeWritten(const CodePageTable& table)
{
    std::vector<std::uint32_t> written(0x10000, kUnwritten);
    for (unsigned byte = 0; byte < 256; ++byte) {
        const std::uint16_t character = table.singles[byte];
        if (character != kNoCharacter && character != kLeadByte)
            written[character] = byte;
    }
    for (std::size_t i = 0; i < table.rowCount; ++i) {
        const LeadRow& row = table.rows[i];
        for (unsigned k = 0; k < row.count; ++k) {
            const std::uint16_t character = table.pairs[row.offset + k];
            if (character != kNoCharacter)
                written[character] = static_cast<std::uint32_t>(row.lead) << 8 | (row.firstTrail + k);
        }
    }
    for (std::size_t i = 0; i < table.writtenAsCount; ++i)
        written[table.writtenAs[i].character] = table.writtenAs[i].bytes;
    for (std::size_t i = 0; i < table.unwritableCount; ++i)
        written[table.unwritable[i]] = kUnwritten;
    return written;
}

const std::vector<std::uint32_t>& Written(const CodePageTable& table)
{
    static std::once_flag once[kCodePageTableCount];
    static std::unique_ptr<std::vector<std::uint32_t>> made[kCodePageTableCount];
    const std::size_t index = static_cast<std::size_t>(&table - kCodePageTables);
    std::call_once(once[index],
                   [&] { made[index] = std::make_unique<std::vector<std::uint32_t>>(MakeWritten(table)); });
    return *made[index];
}

} // namespace

const CodePageTable* FindCodePageTable(unsigned codePage)
{
    for (std::size_t i = 0; i < kCodePageTableCount; ++i) {
        if (kCodePageTables[i].number == codePage)
            return &kCodePageTables[i];
    }
    return nullptr;
}

// Each character on its own: Windows joins no letter with a following accent.
bool DecodeByTable(const CodePageTable& table, const std::string& bytes, std::string& text)
{
    std::string decoded;
    decoded.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        std::uint16_t character = table.singles[byte];
        if (character == kLeadByte) {
            if (++at == bytes.size())
                return false;
            character = PairCharacter(table, byte, static_cast<unsigned char>(bytes[at]));
        }
        if (character == kNoCharacter)
            return false;
        AppendUtf8(decoded, character);
    }
    text = std::move(decoded);
    return true;
}

bool EncodeByTable(const CodePageTable& table, const std::string& text, std::string& bytes)
{
    const std::vector<std::uint32_t>& written = Written(table);
    std::string encoded;
    encoded.reserve(text.size());
    char32_t point = 0;
    for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
        if (!ReadUtf8(text, at, point, length) || point > 0xFFFF || written[point] == kUnwritten)
            return false;
        const std::uint32_t code = written[point];
        if (code > 0xFF)
            encoded += static_cast<char>(code >> 8);
        encoded += static_cast<char>(code & 0xFF);
    }
    bytes = std::move(encoded);
    return true;
}

bool IsLeadByteInTable(const CodePageTable& table, unsigned char byte) { return table.singles[byte] == kLeadByte; }

bool CopyStrictUtf8(const std::string& from, std::string& to)
{
    if (!IsStrictUtf8(from))
        return false;
    to = from;
    return true;
}

std::uint16_t UpperCaseByTable(std::uint16_t unit)
{
    const UpperCasePair* end = kUpperCasePairs + kUpperCasePairCount;
    const UpperCasePair* found = std::lower_bound(
        kUpperCasePairs, end, unit, [](const UpperCasePair& pair, std::uint16_t wanted) { return pair.unit < wanted; });
    return found != end && found->unit == unit ? found->upper : unit;
}

} // namespace plat
