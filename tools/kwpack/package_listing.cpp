#include "package_listing.h"

#include "code_page_text.h"
#include "counted.h"
#include "entry_name.h"
#include "installer_engine.h"

namespace kwpack {
namespace {

// What the installer would make of a record that fits in the index: an empty
// text when it would install it as listed.
std::string CheckRecord(const IndexRecord& record, plat::FileSize dataLeft, unsigned codePage, ListedEntry& entry)
{
    entry.name = record.name;
    entry.size = record.dataSize;
    if (record.name.size() < record.nameLength) {
        return "the name holds a zero byte at position " + std::to_string(record.name.size()) +
               ", so the installer would write '" + Shown(record.name, codePage) + "'";
    }
    if (!plat::DecodeText(record.name, codePage, entry.text)) {
        return "the name '" + Shown(record.name, codePage) +
               "' holds bytes that are no text in code page " + std::to_string(codePage);
    }
    if (const char* reason = RefusedEntryTextReason(entry.text))
        return "the installer refuses the name '" + ShownName(entry.text) + "': " + reason;
    if (record.dataSize > dataLeft)
        return "its " + CountBytes(record.dataSize) + " of data run past the end of the data file (" +
               CountBytes(dataLeft) + " left)";
    return std::string();
}

} // namespace

std::optional<IndexProblem> ReadPackageListing(const std::string& folder, unsigned codePage,
                                               const ListedEntrySink& onEntry)
{
    plat::File index(folder + CInstallEngine::kIndexFileName, plat::File::Mode::SharedRead);
    plat::File data(folder + CInstallEngine::kDataFileName, plat::File::Mode::SharedRead);
    const plat::FileSize dataBytes = data.GetLength();
    IndexReader records(index);
    plat::FileSize dataUsed = 0;
    IndexRecord record;
    IndexProblem problem;
    ListedEntry entry;
    while (records.Position() < records.Length()) {
        if (!records.Next(record, problem))
            return problem;
        problem.what = CheckRecord(record, dataBytes - dataUsed, codePage, entry);
        if (!problem.what.empty())
            return problem;
        dataUsed += entry.size;
        onEntry(entry);
    }
    if (dataUsed < dataBytes)
        return IndexProblem{0, records.Length(),
                            "the data file holds " + CountBytes(dataBytes - dataUsed) + " that no record claims"};
    return std::nullopt;
}

std::string DescribeProblem(const std::string& folder, const IndexProblem& problem)
{
    return "malformed package in '" + Shown(folder) + "': " + problem.Describe();
}

} // namespace kwpack
