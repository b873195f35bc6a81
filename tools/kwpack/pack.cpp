#include "pack.h"

#include "code_page_text.h"
#include "entry_name.h"
#include "host_system.h"
#include "installer_engine.h"
#include "package_index.h"
#include "platform.h"

#include <algorithm>

namespace kwpack {
namespace {

constexpr std::uint64_t kEntrySizeLimit = std::uint64_t{1} << 32; // the index stores sizes in 32 bits
constexpr std::size_t kCopyBufferSize = 1 << 20;
// Added to the names of the pair while it is written; the installer looks for neither.
constexpr const char* kPartialSuffix = ".kwpack-partial";

std::string Quoted(const std::string& name) { return "'" + name + "'"; }

bool HoldsProgram(const std::vector<PackEntry>& entries)
{
    const std::string program = UpperCase(CInstallEngine::kProgramName);
    return std::any_of(entries.begin(), entries.end(),
                       [&](const PackEntry& entry) { return UpperCase(entry.name) == program; });
}

[[noreturn]] void RaiseChanged(const std::string& path)
{
    throw plat::FileError(plat::kCauseGeneric, path, Quoted(path) + " changed while it was being packed");
}

// Others may write the file meanwhile, so its length is checked before and after.
void CopyEntry(const std::string& folder, const PackEntry& entry, plat::File& data, std::vector<char>& buffer)
{
    plat::File input = OpenListedFile(folder, entry.name);
    const std::string& path = input.Path();
    if (input.GetLength() != entry.size)
        RaiseChanged(path);
    for (std::uint64_t left = entry.size; left > 0;) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (input.Read(buffer.data(), chunk) != chunk)
            throw plat::FileError(plat::kCauseEndOfFile, path, Quoted(path) + " got shorter while it was being packed");
        data.Write(buffer.data(), chunk);
        left -= chunk;
    }
    if (input.GetLength() != entry.size)
        RaiseChanged(path);
}

std::uint64_t TotalBytes(const PackPlan& plan)
{
    std::uint64_t total = 0;
    for (const PackEntry& entry : plan.entries)
        total += entry.size;
    return total;
}

// Writes the data file and then the index, each on the disk before it is closed.
void WritePair(const std::string& folder, const PackPlan& plan, const std::string& dataPath,
               const std::string& indexPath, const PackProgress& progress, std::vector<std::string>& created)
{
    const std::uint64_t total = TotalBytes(plan);
    std::uint64_t done = 0;
    std::string index;
    {
        plat::File data(dataPath, plat::File::Mode::CreateWrite);
        created.push_back(dataPath);
        std::vector<char> buffer(kCopyBufferSize);
        for (const PackEntry& entry : plan.entries) {
            if (progress)
                progress(ProgressPercent(done, total), entry.name);
            CopyEntry(folder, entry, data, buffer);
            AppendIndexRecord(index, static_cast<std::uint32_t>(entry.size), entry.indexName);
            done += entry.size;
        }
        data.Flush();
    }
    plat::File indexFile(indexPath, plat::File::Mode::CreateWrite);
    created.push_back(indexPath);
    indexFile.Write(index.data(), index.size());
    indexFile.Flush();
}

} // namespace

std::string PackRefusal(const FolderItem& item, unsigned codePage)
{
    const std::string name = Quoted(item.name);
    if (item.kind == ItemKind::Folder)
        return name + " is a folder: the installer creates no folders for entries";
    if (item.kind == ItemKind::Other)
        return name + " is not a plain file";
    if (item.size >= kEntrySizeLimit)
        return name + " is " + std::to_string(item.size) + " bytes: an entry must be smaller than 4 GiB";
    // Only a POSIX name can hold `\`; the installer would take it for a subfolder.
    if (item.name.find('\\') != std::string::npos)
        return name + " holds a backslash, which the installer takes for a folder separator";
    std::string bytes;
    const std::string unwritable = EncodeName(item.name, codePage, bytes);
    if (!unwritable.empty())
        return name + ": " + unwritable + "; choose another --codepage or rename the file";
    if (const char* reason = RefusedEntryTextReason(item.name))
        return name + " is a name the installer refuses: " + reason;
    return std::string();
}

std::vector<std::string> FindCaseTwins(const std::vector<PackEntry>& entries)
{
    std::vector<std::string> refusals;
    std::vector<std::pair<std::string, std::string>> folded;
    for (const PackEntry& entry : entries)
        folded.emplace_back(UpperCase(entry.name), entry.name);
    std::sort(folded.begin(), folded.end());
    for (std::size_t i = 1; i < folded.size(); ++i) {
        if (folded[i].first == folded[i - 1].first)
            refusals.push_back(Quoted(folded[i - 1].second) + " and " + Quoted(folded[i].second) +
                               " are one file on Windows: the second would overwrite the first");
    }
    return refusals;
}

PackPlan PlanPackage(const std::string& folder, unsigned codePage)
{
    PackPlan plan;
    for (const FolderItem& item : ListFolder(folder)) {
        std::string refusal = PackRefusal(item, codePage);
        if (!refusal.empty()) {
            plan.refusals.push_back(std::move(refusal));
            continue;
        }
        PackEntry entry{item.name, item.size, std::string()};
        EncodeName(item.name, codePage, entry.indexName); // writable: PackRefusal says so
        plan.entries.push_back(std::move(entry));
    }
    // By the bytes written, so a folder gives the same package on every system.
    std::sort(plan.entries.begin(), plan.entries.end(),
              [](const PackEntry& a, const PackEntry& b) { return a.indexName < b.indexName; });
    std::sort(plan.refusals.begin(), plan.refusals.end());
    for (std::string& twins : FindCaseTwins(plan.entries))
        plan.refusals.push_back(std::move(twins));

    if (!HoldsProgram(plan.entries))
        plan.warnings.push_back(std::string("the folder holds no ") + CInstallEngine::kProgramName +
                                ": the installer will fail to start the program after installing");
    return plan;
}

// The new pair is written whole under other names first. The old index then
// goes before the new data takes its place, and the new index comes last, so
// that an interruption at any point leaves the old pair, the new pair, or no
// index at all, which the installer refuses to start with: never an index
// beside data it does not describe. Partial files left by a run that was
// killed are written over, and so taken away, by the next.
void WritePackage(const std::string& folder, const PackPlan& plan, const std::string& outFolder,
                  const PackProgress& progress)
{
    const std::string data = outFolder + CInstallEngine::kDataFileName;
    const std::string index = outFolder + CInstallEngine::kIndexFileName;
    std::vector<std::string> created;
    try {
        WritePair(folder, plan, data + kPartialSuffix, index + kPartialSuffix, progress, created);
        RemoveFileDurably(index);
        MoveFileIntoPlace(data + kPartialSuffix, data);
        MoveFileIntoPlace(index + kPartialSuffix, index);
    } catch (const plat::FileError&) {
        for (const std::string& path : created)
            RemoveFile(path);
        throw;
    }
}

} // namespace kwpack
