#include "listing_output.h"

#include "code_page.h"
#include "code_page_text.h"
#include "counted.h"

#include <cstdio>
#include <iomanip>
#include <ostream>

namespace kwpack {
namespace {

class TextListing : public ListingOutput {
public:
    explicit TextListing(std::ostream& out) : m_out(out) {}

    void Entry(const ListedEntry& entry) override
    {
        m_out << std::setw(10) << entry.size << "  " << ShownName(entry.text) << '\n';
    }
    void Finish(std::uint64_t count, std::uint64_t totalBytes) override
    {
        m_out << CountEntries(count) << ", " << CountBytes(totalBytes) << '\n';
    }
    // What stopped the listing is told on standard error alone.
    void Stop(const std::string&, const IndexProblem*) override {}

private:
    std::ostream& m_out;
};

std::string Hex(const std::string& bytes)
{
    std::string hex;
    char two[3];
    for (const char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(c));
        hex += two;
    }
    return hex;
}

// Each entry goes out as it is read, so the document is never held whole.
class JsonListing : public ListingOutput {
public:
    explicit JsonListing(std::ostream& out) : m_out(out) { m_out << "{\"entries\": ["; }

    void Entry(const ListedEntry& entry) override
    {
        m_out << (m_entries++ == 0 ? "\n" : ",\n") << "  {\"name\": " << JsonString(entry.text) << ", \"bytes\": \""
              << Hex(entry.bytes) << "\", \"size\": " << entry.size << '}';
    }
    void Finish(std::uint64_t count, std::uint64_t totalBytes) override
    {
        m_out << EndOfEntries() << "\"count\": " << count << ", \"totalSize\": " << totalBytes << "}\n";
    }
    // A fault after the last record has no record of its own: null.
    void Stop(const std::string& what, const IndexProblem* where) override
    {
        const std::string record = where != nullptr && where->record > 0 ? std::to_string(where->record) : "null";
        const std::string offset = where != nullptr ? std::to_string(where->offset) : "null";
        m_out << EndOfEntries() << "\"error\": {\"message\": " << JsonString(what) << ", \"record\": " << record
              << ", \"indexOffset\": " << offset << "}}\n";
    }

private:
    std::string EndOfEntries() const { return m_entries == 0 ? "], " : "\n], "; }

    std::ostream& m_out;
    std::uint64_t m_entries = 0;
};

void AppendEscaped(std::string& json, char32_t point, const std::string& character)
{
    if (point == '"' || point == '\\') {
        json += '\\';
        json += static_cast<char>(point);
    } else if (point < 0x20 || point == 0x7F) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(point));
        json += escaped;
    } else {
        json += character;
    }
}

} // namespace

std::unique_ptr<ListingOutput> MakeListingOutput(ListFormat format, std::ostream& out)
{
    if (format == ListFormat::Json)
        return std::make_unique<JsonListing>(out);
    return std::make_unique<TextListing>(out);
}

std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    char32_t point = 0;
    for (std::size_t at = 0, length = 1; at < text.size(); at += length) {
        if (plat::ReadUtf8(text, at, point, length)) {
            AppendEscaped(json, point, text.substr(at, length));
            continue;
        }
        char value[8];
        std::snprintf(value, sizeof value, "\\\\x%02X", static_cast<unsigned char>(text[at]));
        json += value;
        length = 1;
    }
    return json + "\"";
}

} // namespace kwpack
