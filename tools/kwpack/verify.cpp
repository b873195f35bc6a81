#include "verify.h"

#include "code_page.h"
#include "code_page_text.h"
#include "counted.h"
#include "folder_path.h"
#include "host_system.h"
#include "installer_engine.h"

#include <algorithm>
#include <ostream>
#include <set>

namespace kwpack {
namespace {

constexpr std::size_t kPieceSize = 1 << 16;

struct Buffers {
    std::vector<char> entry = std::vector<char>(kPieceSize);
    std::vector<char> file = std::vector<char>(kPieceSize);
};

std::size_t ReadPiece(plat::File& data, plat::FileSize left, std::vector<char>& buffer)
{
    const std::size_t piece = static_cast<std::size_t>(std::min<plat::FileSize>(left, buffer.size()));
    if (data.Read(buffer.data(), piece) != piece)
        throw plat::FileError(plat::kCauseEndOfFile, data.Path(), "'" + data.Path() + "' got shorter while it was read");
    return piece;
}

void SkipTo(plat::File& data, plat::FileSize end, Buffers& buffers)
{
    for (plat::FileSize left = end - data.GetPosition(); left > 0;)
        left -= ReadPiece(data, left, buffers.entry);
}

// Reads the entry's bytes from `data` in step with `file`; returns the offset
// of the first byte that differs, or nothing when the two are alike. A file
// shorter or longer than the entry differs where the shorter one ends.
std::optional<plat::FileSize> FirstDifference(plat::File& data, std::uint32_t size, plat::File& file,
                                              Buffers& buffers)
{
    std::optional<plat::FileSize> difference;
    for (plat::FileSize done = 0; done < size;) {
        const std::size_t piece = ReadPiece(data, size - done, buffers.entry);
        if (!difference) {
            const std::size_t got = file.Read(buffers.file.data(), piece);
            const auto pair = std::mismatch(buffers.entry.begin(), buffers.entry.begin() + got, buffers.file.begin());
            const std::size_t same = static_cast<std::size_t>(pair.first - buffers.entry.begin());
            if (same < piece)
                difference = done + same;
        }
        done += piece;
    }
    char extra;
    if (!difference && file.Read(&extra, 1) == 1)
        difference = size;
    return difference;
}

std::optional<EntryFault> CheckEntry(plat::File& data, const ListedEntry& entry, const std::string& folder,
                                     Buffers& buffers)
{
    EntryFault fault{entry.text, false, 0, 0, entry.size, std::string()};
    const plat::FileSize end = data.GetPosition() + entry.size;
    try {
        plat::File file(folder + entry.bytes, plat::File::Mode::SharedRead);
        const std::optional<plat::FileSize> difference = FirstDifference(data, entry.size, file, buffers);
        if (!difference)
            return std::nullopt;
        fault.offset = *difference;
        fault.fileSize = file.GetLength();
        return fault;
    } catch (const plat::FileError& error) {
        if (error.Path() == data.Path())
            throw;
        // The entry's file, not the package, failed: the rest of the entry is passed over.
        SkipTo(data, end, buffers);
        fault.missing = error.Cause() == plat::kCauseNotFound || error.Cause() == plat::kCauseBadPath;
        if (!fault.missing)
            fault.unreadable = error.what();
        return fault;
    }
}

// True when an entry lies below the folder whose key, ending in `\`, is `folderKey`.
bool HoldsEntries(const std::set<std::string>& entryKeys, const std::string& folderKey)
{
    const auto next = entryKeys.lower_bound(folderKey);
    return next != entryKeys.end() && next->compare(0, folderKey.size(), folderKey) == 0;
}

// Walks only into subfolders that hold entries, so a link that loops back is never followed;
// any other subfolder is reported once, as a whole.
void FindExtra(const std::string& folder, const std::string& relative, const std::set<std::string>& entryKeys,
               VerifyReport& report)
{
    // A subfolder that holds entries, so the path code page can write its name where kwpack chose it.
    std::string relativePath;
    const std::string unwritable = EncodeName(relative, plat::PathCodePage(), relativePath);
    if (!unwritable.empty()) {
        report.unlisted.push_back("cannot list '" + ShownName(relative) + "': " + unwritable);
        return;
    }
    std::vector<FolderItem> items;
    try {
        items = ListFolder(folder + relativePath);
    } catch (const plat::FileError& error) {
        report.unlisted.push_back(Shown(error.what()));
        return;
    }
    for (const FolderItem& item : items) {
        const std::string name = relative + item.name;
        if (item.kind == ItemKind::Folder && HoldsEntries(entryKeys, NameKey(name + "\\")))
            FindExtra(folder, name + "\\", entryKeys, report);
        else if (item.kind == ItemKind::Folder)
            report.extra.push_back(name + "\\");
        else if (entryKeys.count(NameKey(name)) == 0)
            report.extra.push_back(name);
    }
}

void PrintFault(const EntryFault& fault, std::ostream& out)
{
    const std::string name = ShownName(fault.name);
    if (fault.missing) {
        out << "missing: " << name << '\n';
        return;
    }
    if (!fault.unreadable.empty()) {
        out << "unreadable: " << name << ": " << Shown(fault.unreadable) << '\n';
        return;
    }
    out << "different: " << name << ": first difference at offset " << fault.offset;
    if (fault.fileSize != fault.entrySize)
        out << "; the file has " << CountBytes(fault.fileSize) << ", the entry " << fault.entrySize;
    out << '\n';
}

} // namespace

VerifyReport VerifyFolder(const std::string& package, const std::string& folder, unsigned codePage)
{
    VerifyReport report;
    // The names are kept to find the extra files: their room grows with the
    // index file, never with what its records claim.
    std::vector<ListedEntry> entries;
    report.problem = ReadPackageListing(package, codePage, [&](const ListedEntry& entry) { entries.push_back(entry); });
    if (report.problem)
        return report;
    report.entries = entries.size();
    plat::File data(package + CInstallEngine::kDataFileName, plat::File::Mode::SharedRead);
    Buffers buffers;
    for (const ListedEntry& entry : entries) {
        if (std::optional<EntryFault> fault = CheckEntry(data, entry, folder, buffers))
            report.faults.push_back(std::move(*fault));
    }

    // Kept whole, not as every folder each lies in, so their room grows with the index alone.
    std::set<std::string> entryKeys;
    for (const ListedEntry& entry : entries)
        entryKeys.insert(NameKey(entry.text));
    FindExtra(folder, std::string(), entryKeys, report);
    std::sort(report.extra.begin(), report.extra.end());
    return report;
}

int RunVerify(const std::string& packageArgument, const std::string& folderArgument, Console& console,
              CodePageOption codePage)
{
    UsePathCodePage(codePage, console);
    std::string package;
    std::string folder;
    VerifyReport report;
    try {
        package = ToFolderPath(packageArgument);
        folder = ToFolderPath(folderArgument);
        report = VerifyFolder(package, folder, codePage.value_or(plat::kDefaultCodePage));
    } catch (const UnusableFolder& error) {
        console.err << "kwpack: " << error.what() << '\n';
        return kExitFailed;
    } catch (const plat::FileError& error) {
        console.err << "kwpack: " << Shown(error.what()) << '\n';
        return kExitFailed;
    }
    if (report.problem) {
        console.err << "kwpack: " << DescribeProblem(package, *report.problem) << '\n';
        return kExitFailed;
    }

    for (const EntryFault& fault : report.faults)
        PrintFault(fault, console.out);
    for (const std::string& name : report.extra)
        console.out << "extra: " << ShownName(name) << " (not in the package)\n";
    for (const std::string& why : report.unlisted)
        console.err << "kwpack: warning: " << why << '\n';
    if (!report.faults.empty()) {
        console.out << "Missing or different in '" << Shown(folder) << "': " << report.faults.size() << " of "
                    << CountEntries(report.entries) << '\n';
        return kExitFailed;
    }
    console.out << "Every entry matches in '" << Shown(folder) << "' (" << CountEntries(report.entries) << ")\n";
    return kExitOk;
}

} // namespace kwpack
