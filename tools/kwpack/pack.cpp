#include "pack.h"

#include "code_page.h"
#include "code_page_text.h"
#include "entry_name.h"
#include "file.h"
#include "host_system.h"
#include "installer_engine.h"
#include "package_index.h"

#include <algorithm>
#include <optional>

namespace kwpack {
namespace {

constexpr std::uint64_t kEntrySizeLimit = std::uint64_t{1} << 32; // the index stores sizes in 32 bits
constexpr std::size_t kCopyBufferSize = 1 << 20;
// Added to the names of the pair while it is written, with the tag of the
// process that writes it; the installer looks for neither.
constexpr const char* kPartialSuffix = ".kwpack-partial";
std::string Quoted(const std::string& name) { return "'" + Printable(name) + "'"; }

bool HoldsProgram(const std::vector<PackEntry>& entries)
{
    const std::string program = plat::UpperCase(CInstallEngine::kProgramName);
    return std::any_of(entries.begin(), entries.end(),
                       [&](const PackEntry& entry) { return plat::UpperCase(entry.text) == program; });
}

[[noreturn]] void RaiseChanged(const std::string& path)
{
    throw plat::FileError(plat::kCauseGeneric, path, Quoted(path) + " changed while it was being packed");
}

// Others may write the file meanwhile, so its length is checked before and after.
void CopyEntry(const std::string& folder, const PackEntry& entry, plat::File& data, std::vector<char>& buffer)
{
    plat::File input = OpenListedFile(folder, entry.text);
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

// The new pair under names only this process uses, made new and held open,
// so that no other pack takes them for the leftovers of one that died.
struct PartialPair {
    std::string dataPath;
    std::string indexPath;
    std::optional<plat::File> data;
    std::optional<plat::File> index;
};

// Writes the data file and then the index, each on the disk before the pair is let go.
void WritePair(const std::string& folder, const PackPlan& plan, PartialPair& pair, const PackProgress& progress)
{
    const std::uint64_t total = TotalBytes(plan);
    std::uint64_t done = 0;
    std::string index;
    std::vector<char> buffer(kCopyBufferSize);
    for (const PackEntry& entry : plan.entries) {
        if (progress)
            progress(ProgressPercent(done, total), entry.text);
        CopyEntry(folder, entry, *pair.data, buffer);
        AppendIndexRecord(index, static_cast<std::uint32_t>(entry.size), entry.bytes);
        done += entry.size;
    }
    pair.data->Flush();
    pair.index->Write(index.data(), index.size());
    pair.index->Flush();
}

bool IsPartial(const std::string& name)
{
    for (const char* file : {CInstallEngine::kDataFileName, CInstallEngine::kIndexFileName}) {
        if (name.rfind(std::string(file) + kPartialSuffix, 0) == 0)
            return true;
    }
    return false;
}

// Takes away what packs that died left in `outFolder`: the partial files
// that no running pack holds.
void RemoveAbandoned(const std::string& outFolder)
{
    for (const std::string& name : FolderNames(outFolder)) {
        if (IsPartial(name))
            RemoveUnlessInUse(outFolder + name);
    }
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
        folded.emplace_back(plat::UpperCase(entry.text), entry.text);
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
        EncodeName(item.name, codePage, entry.bytes); // writable: PackRefusal says so
        plan.entries.push_back(std::move(entry));
    }
    // By the bytes written, so a folder gives the same package on every system.
    std::sort(plan.entries.begin(), plan.entries.end(),
              [](const PackEntry& a, const PackEntry& b) { return a.bytes < b.bytes; });
    std::sort(plan.refusals.begin(), plan.refusals.end());
    for (std::string& twins : FindCaseTwins(plan.entries))
        plan.refusals.push_back(std::move(twins));

    if (!HoldsProgram(plan.entries))
        plan.warnings.push_back(std::string("the folder holds no ") + CInstallEngine::kProgramName +
                                ": the installer will fail to start the program after installing");
    return plan;
}

// The new pair is written whole under names of its own first. The old index
// then goes before the new data takes its place, and the new index comes
// last, so that an interruption at any point leaves the old pair, the new
// pair, or no index at all, which the installer refuses to start with: never
// an index beside data it does not describe. Packs into one folder take turns
// for those steps, so one's index never lands beside another's data, and for
// making their partial files, while the leftovers of a pack that died are
// taken away.
void WritePackage(const std::string& folder, const PackPlan& plan, const std::string& outFolder,
                  const PackProgress& progress, unsigned lockPatience)
{
    const std::string data = outFolder + CInstallEngine::kDataFileName;
    const std::string index = outFolder + CInstallEngine::kIndexFileName;
    const std::string ours = std::string(kPartialSuffix) + "-" + ProcessTag();
    PartialPair pair{data + ours, index + ours, {}, {}};
    bool made[] = {false, false}; // the two partial files, by this run: only those are removed
    try {
        {
            const FolderLock lock(outFolder, lockPatience);
            RemoveAbandoned(outFolder);
            pair.data.emplace(pair.dataPath, plat::File::Mode::CreateNew);
            made[0] = true;
            pair.index.emplace(pair.indexPath, plat::File::Mode::CreateNew);
            made[1] = true;
        }
        WritePair(folder, plan, pair, progress);
        const FolderLock lock(outFolder, lockPatience);
        pair.data.reset();
        pair.index.reset();
        RemoveFileDurably(index);
        MoveFileIntoPlace(pair.dataPath, data);
        MoveFileIntoPlace(pair.indexPath, index);
    } catch (const plat::FileError&) {
        pair.data.reset();
        pair.index.reset();
        if (made[0])
            RemoveFile(pair.dataPath);
        if (made[1])
            RemoveFile(pair.indexPath);
        throw;
    }
}

} // namespace kwpack
