#include "package_listing.h"

#include "code_page_text.h"
#include "entry_name.h"
#include "installer_engine.h"
#include "package_index.h"

namespace kwpack {
namespace {

std::string Count(plat::FileSize count, const char* unit)
{
    return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

// Reads the record at the index's position into `entry`; returns what is
// wrong with it, or an empty text. Nothing is allocated by a size that does
// not fit in the file.
std::string ReadRecord(plat::File& index, plat::FileSize remaining, plat::FileSize dataLeft, unsigned codePage,
                       ListedEntry& entry)
{
    unsigned char header[kRecordHeaderSize];
    if (remaining < kRecordHeaderSize) {
        return "the index ends inside the record's header (" + Count(remaining, "byte") + " of " +
               std::to_string(kRecordHeaderSize) + ")";
    }
    if (index.Read(header, sizeof header) != sizeof header)
        return "the index file got shorter while it was read";
    entry.size = LoadLittleEndian32(header);
    const std::uint32_t nameLength = LoadLittleEndian32(header + 4);
    const plat::FileSize nameRoom = remaining - kRecordHeaderSize;
    if (nameLength > nameRoom) {
        return "the name length " + std::to_string(nameLength) + " runs past the end of the index (" +
               Count(nameRoom, "byte") + " left)";
    }

    entry.name.resize(nameLength);
    if (index.Read(entry.name.data(), nameLength) != nameLength)
        return "the index file got shorter while it was read";
    const std::size_t zero = entry.name.find('\0');
    if (zero != std::string::npos) {
        entry.name.resize(zero);
        return "the name holds a zero byte at position " + std::to_string(zero) + ", so the installer would write '" +
               plat::ShownPath(Decoded(entry.name, codePage)) + "'";
    }
    if (entry.name.size() > kMaxNameLength)
        return "the name is " + Count(entry.name.size(), "byte") + " long, more than a path can hold";
    if (!plat::DecodeText(entry.name, codePage, entry.text)) {
        return "the name '" + plat::ShownPath(Decoded(entry.name, codePage)) +
               "' holds bytes that are no text in code page " + std::to_string(codePage);
    }
    if (const char* reason = RefusedEntryTextReason(entry.text))
        return "the installer refuses the name '" + plat::ShownPath(entry.text) + "': " + reason;
    if (entry.size > dataLeft) {
        return "its " + Count(entry.size, "byte") + " of data run past the end of the data file (" +
               Count(dataLeft, "byte") + " left)";
    }
    return std::string();
}

} // namespace

PackageListing ReadPackageListing(const std::string& folder, unsigned codePage)
{
    plat::File index(folder + CInstallEngine::kIndexFileName, plat::File::Mode::Read);
    plat::File data(folder + CInstallEngine::kDataFileName, plat::File::Mode::Read);
    PackageListing listing;
    listing.dataBytes = data.GetLength();
    const plat::FileSize indexLength = index.GetLength();

    plat::FileSize offset = 0;
    plat::FileSize dataUsed = 0;
    while (offset < indexLength) {
        ListedEntry entry;
        std::string problem = ReadRecord(index, indexLength - offset, listing.dataBytes - dataUsed, codePage, entry);
        if (!problem.empty()) {
            listing.problem = PackageProblem{listing.entries.size() + 1, offset, std::move(problem)};
            return listing;
        }
        dataUsed += entry.size;
        listing.entries.push_back(std::move(entry));
        offset = index.GetPosition();
    }
    if (dataUsed < listing.dataBytes) {
        listing.problem = PackageProblem{
            0, indexLength,
            "the data file holds " + Count(listing.dataBytes - dataUsed, "byte") + " that no record claims"};
    }
    return listing;
}

std::string DescribeProblem(const std::string& folder, const PackageProblem& problem)
{
    const std::string place = problem.record > 0 ? "record " + std::to_string(problem.record) + " at index offset "
                                                 : std::string("after the last record, at index offset ");
    return "malformed package in '" + Shown(folder) + "': " + place + std::to_string(problem.offset) + ": " +
           problem.what;
}

} // namespace kwpack
