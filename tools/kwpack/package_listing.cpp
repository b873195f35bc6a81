#include "package_listing.h"

#include "code_page_text.h"
#include "counted.h"
#include "installer_engine.h"
#include "record_check.h"

namespace kwpack {
namespace {

// What the installer would make of a record that fits in the index: an empty
// text when it would install it as listed. The installer's own rules come
// first, in its order; then what it would take but not as the publisher meant.
std::string CheckRecord(const IndexRecord& record, plat::FileSize dataLeft, unsigned codePage, ListedEntry& entry)
{
    entry.bytes = record.name;
    entry.size = record.dataSize;
    const RecordVerdict verdict = JudgeRecord(record, dataLeft, codePage, entry.text);
    switch (verdict.fault) {
    case RecordFault::kDataPastEnd:
        return "its " + CountBytes(record.dataSize) + " of data run past the end of the data file (" +
               CountBytes(dataLeft) + " left)";
    case RecordFault::kUndecodableName:
        return "the name '" + Shown(record.name, codePage) +
               "' holds bytes that are no text in code page " + std::to_string(codePage);
    case RecordFault::kRefusedName:
        return "the installer refuses the name '" + ShownName(entry.text) + "': " + verdict.reason;
    case RecordFault::kNone:
        break;
    }
    if (record.name.size() < record.nameLength) {
        return "the name holds a zero byte at position " + std::to_string(record.name.size()) +
               ", so the installer would write '" + Shown(record.name, codePage) + "'";
    }
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
