// The destination on Windows. Every name below it is opened first as it is, a
// link itself rather than what it leads to, and with no access to its data. A
// link is followed only once its reparse data shows a target beneath the
// destination, and then by walking that target's parts down from the
// destination again, each part judged in turn, so a chain of links is judged
// link by link. Folders are held without FILE_SHARE_DELETE: none that entries
// are written below can be renamed or moved, out of the destination say,
// while it is held. Reading, writing and making files in them disturbs nobody.

#include "destination.h"
#include "file.h"
#include "link_target.h"
#include "win32_files.h"

#include <windows.h>
#include <winioctl.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace plat {
namespace {

// From ntstatus.h, which does not mix with windows.h.
constexpr NTSTATUS kStatusNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kStatusNotADirectory = static_cast<NTSTATUS>(0xC0000103);
constexpr NTSTATUS kStatusFileIsADirectory = static_cast<NTSTATUS>(0xC00000BA);

constexpr ULONG kShareFolder = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr int kMostLinks = 31; // in one entry's name, before it is taken for a loop
constexpr std::size_t kMostReparseData = 16 * 1024; // MAXIMUM_REPARSE_DATA_BUFFER_SIZE

// A name in the system's code page as the native calls take it.
WideText Widen(const std::string& text, const std::string& path)
{
    WideText wide;
    if (!ToWide(text, CP_ACP, MB_ERR_INVALID_CHARS, wide))
        RaiseLastError(path, "cannot open");
    return wide;
}

void Join(WideText& folder, const WideText& name)
{
    if (folder.empty() || folder.back() != L'\\')
        folder.push_back(L'\\');
    folder.insert(folder.end(), name.begin(), name.end());
}

} // namespace

// A folder below the destination, held for the entries that follow.
struct HeldFolder {
    WideText name; // its name in the folder above
    WideText path; // where it lies, as the links on its way lead
    UniqueCreatedFile handle;
    std::vector<UniqueCreatedFile> through; // the folders on the way to where a link led, held too
};

struct DestinationRoot::Opened {
    UniqueCreatedFile folder;
    WideText resolved; // the folder's final path, every link resolved
    WideText parentName; // the last parent folder, as named below the folder
    // That folder, checked, and every folder on the way to it, one for each
    // part of its name; empty when none is checked.
    std::vector<HeldFolder> levels;
};

DestinationRoot::DestinationRoot(std::string folder) : m_folder(std::move(folder)), m_path(m_folder) {}

DestinationRoot::~DestinationRoot() = default;

DestinationRoot::Opened& DestinationRoot::Root()
{
    if (m_opened)
        return *m_opened;
    auto opened = std::make_unique<Opened>();
    // Folders open only with FILE_FLAG_BACKUP_SEMANTICS.
    opened->folder.Reset(::CreateFileA(m_folder.c_str(), FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                       kShareFolder, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | kIdentifyOnly, nullptr));
    if (!opened->folder)
        RaiseLastError(m_folder, "cannot open");
    if (!ResolvedPath(opened->folder.Get(), opened->resolved))
        RaiseLastError(m_folder, "cannot open");
    m_opened = std::move(opened);
    return *m_opened;
}

namespace {

using Opened = DestinationRoot::Opened;

// Opens names below the destination a part at a time, each for its
// attributes only, and follows the links among them as the header says.
// `shown` is the destination as the user named it, for messages.
class Walk {
public:
    Walk(const Opened& root, const std::string& shown, const std::string& path)
        : m_root(root), m_shown(shown), m_path(path)
    {
    }

    // The part `name` in the folder `above`, which lies at `where`; `where`
    // becomes where the part leads. Folders held on the way to where a link
    // leads are added to `through`. `named` is the part's path below the
    // destination, as the entry names it.
    UniqueCreatedFile Open(HANDLE above, WideText& where, const WideText& name, bool folder, const WideText& named,
                           std::vector<UniqueCreatedFile>& through)
    {
        UniqueCreatedFile opened;
        const NTSTATUS status = OpenRelative(
            above, name, FILE_READ_ATTRIBUTES | (folder ? FILE_TRAVERSE : 0), folder ? kShareFolder : kShareAll,
            FILE_OPEN, FILE_OPEN_REPARSE_POINT | (folder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE), opened);
        if (status == kStatusNotADirectory && folder) {
            std::string text;
            FromWide(named.data(), named.size(), CP_ACP, text);
            RaiseRefused(m_path, NotAFolder(m_shown + text));
        }
        if (!NT_SUCCESS(status))
            RaiseStatus(m_path, "cannot open", status);
        FILE_ATTRIBUTE_TAG_INFO tag{};
        if (!::GetFileInformationByHandleEx(opened.Get(), FileAttributeTagInfo, &tag, sizeof tag))
            RaiseLastError(m_path, "cannot open");
        if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            Join(where, name);
            return opened;
        }
        if (++m_links > kMostLinks)
            RaiseSystemError(m_path, "cannot open", ERROR_CANT_RESOLVE_FILENAME);
        const LinkTarget target = ReadTarget(opened.Get(), where);
        WideText parts;
        if (target.why != nullptr)
            RaiseRefused(m_path, target.why);
        if (!PartsBelow(target.path, m_root.resolved, parts))
            RaiseLinkOutside(m_path);
        return FromRoot(parts, folder, named, where, through);
    }

private:
    LinkTarget ReadTarget(HANDLE link, const WideText& linkFolder)
    {
        std::vector<unsigned char> data(kMostReparseData);
        IO_STATUS_BLOCK io{};
        const NTSTATUS status = ::NtFsControlFile(link, nullptr, nullptr, nullptr, &io, FSCTL_GET_REPARSE_POINT,
                                                  nullptr, 0, data.data(), static_cast<ULONG>(data.size()));
        if (!NT_SUCCESS(status))
            RaiseStatus(m_path, "cannot open", status);
        return ReadLinkTarget(data.data(), io.Information, linkFolder);
    }

    // The parts of a link's target below the destination, walked from there.
    UniqueCreatedFile FromRoot(const WideText& parts, bool folder, const WideText& named, WideText& where,
                               std::vector<UniqueCreatedFile>& through)
    {
        where = m_root.resolved;
        HANDLE at = m_root.folder.Get();
        if (parts.empty()) {
            // The destination itself: a folder, never a file.
            UniqueCreatedFile again;
            const NTSTATUS status =
                folder ? OpenRelative(at, WideText(), FILE_TRAVERSE | FILE_READ_ATTRIBUTES, kShareFolder, FILE_OPEN,
                                      FILE_DIRECTORY_FILE, again)
                       : kStatusFileIsADirectory;
            if (!NT_SUCCESS(status))
                RaiseStatus(m_path, "cannot open", status);
            return again;
        }
        for (auto begin = parts.begin();;) {
            const auto end = std::find(begin, parts.end(), L'\\');
            const WideText part(begin, end);
            if (end == parts.end())
                return Open(at, where, part, folder, named, through);
            through.push_back(Open(at, where, part, true, named, through));
            at = through.back().Get();
            begin = end + 1;
        }
    }

    const Opened& m_root;
    const std::string& m_shown;
    const std::string& m_path;
    int m_links = 0;
};

// Opens the levels of `parent` below the last of `root.levels` they share.
void OpenLevels(Opened& root, const WideText& parent, Walk& walk)
{
    std::vector<HeldFolder>& levels = root.levels;
    std::size_t level = 0;
    auto begin = parent.begin();
    for (;;) {
        const auto end = std::find(begin, parent.end(), L'\\');
        const WideText name(begin, end);
        if (level < levels.size() && levels[level].name != name)
            levels.erase(levels.begin() + static_cast<std::ptrdiff_t>(level), levels.end());
        if (level == levels.size()) {
            HeldFolder held{name, level == 0 ? root.resolved : levels[level - 1].path, {}, {}};
            const HANDLE above = level == 0 ? root.folder.Get() : levels[level - 1].handle.Get();
            held.handle = walk.Open(above, held.path, name, true, WideText(parent.begin(), end), held.through);
            levels.push_back(std::move(held));
        }
        ++level;
        if (end == parent.end())
            break;
        begin = end + 1;
    }
    levels.erase(levels.begin() + static_cast<std::ptrdiff_t>(level), levels.end());
}

// The folder that `parent` names below the root, kept open for the entries
// that follow in it. Its levels are opened one by one and all held, so none
// can move meanwhile; where they lead is checked once more as the system
// resolved the last of them.
HANDLE OpenParent(Opened& root, const WideText& parent, const std::string& shown, const std::string& path)
{
    std::vector<HeldFolder>& levels = root.levels;
    if (!levels.empty() && root.parentName == parent)
        return levels.back().handle.Get();
    // Nothing is kept that has not been checked.
    try {
        Walk walk(root, shown, path);
        OpenLevels(root, parent, walk);
        WideText resolved;
        if (!ResolvedPath(levels.back().handle.Get(), resolved))
            RaiseLastError(path, "cannot open");
        if (resolved != root.resolved && !IsBeneath(resolved, root.resolved))
            RaiseLinkOutside(path);
    } catch (...) {
        levels.clear();
        throw;
    }
    root.parentName = parent;
    return levels.back().handle.Get();
}

// The length of an existing output file, refused when it has more than one
// name: a hard link is another name of the file, which may lie anywhere on its
// volume, and only real Windows lists a file's names, where no test can show
// that listing right. Its length and its count of names come in one query;
// GetFileInformationByHandle would also ask for the volume's serial number,
// which under Wine made overwriting a file twice as slow.
LONGLONG LengthOfSoleFile(HANDLE file, const std::string& path)
{
    FILE_STANDARD_INFORMATION info{};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = ::NtQueryInformationFile(file, &io, &info, sizeof info, FileStandardInformation);
    if (!NT_SUCCESS(status))
        RaiseStatus(path, "cannot open", status);
    if (info.NumberOfLinks > 1)
        RaiseRefused(path, "the file has other names, which may lie outside the destination folder");
    return info.EndOfFile.QuadPart;
}

// An existing file, known before it is written: opened as it is for its
// attributes, through links only where they stay inside, and refused unless
// it is a file on a disk beneath the destination with no name outside. Only
// then is it opened again, the very file, for writing, and emptied.
UniqueCreatedFile OpenExisting(const Opened& root, HANDLE folder, WideText where, const WideText& leaf,
                               const std::string& shown, const std::string& path)
{
    Walk walk(root, shown, path);
    std::vector<UniqueCreatedFile> through;
    const UniqueCreatedFile attributes = walk.Open(folder, where, leaf, false, leaf, through);
    RequireDiskFile(attributes.Get(), path);
    WideText resolved;
    if (!ResolvedPath(attributes.Get(), resolved))
        RaiseLastError(path, "cannot open");
    if (!IsBeneath(resolved, root.resolved))
        RaiseLinkOutside(path);
    const LONGLONG length = LengthOfSoleFile(attributes.Get(), path);
    // No sharing: nobody else may read or write the file while it is open.
    UniqueCreatedFile file;
    const NTSTATUS status = OpenRelative(attributes.Get(), WideText(), GENERIC_WRITE, 0, FILE_OPEN,
                                         FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, file);
    if (!NT_SUCCESS(status))
        RaiseStatus(path, "cannot open", status);
    if (length != 0 && !::SetEndOfFile(file.Get()))
        RaiseLastError(path, "cannot truncate");
    return file;
}

} // namespace

File DestinationRoot::CreateOutput(const std::string& name)
{
    std::string path = m_folder + name;
    Opened& root = Root();
    // The system's own names take `\` only; the name check let `/` through as a separator.
    WideText wide = Widen(name, path);
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    const auto afterSlash = std::find(wide.rbegin(), wide.rend(), L'\\').base();
    const bool nested = afterSlash != wide.begin();
    const HANDLE folder = nested ? OpenParent(root, WideText(wide.begin(), afterSlash - 1), m_folder, path)
                                 : root.folder.Get();
    const WideText& where = nested ? root.levels.back().path : root.resolved;
    const WideText leaf(afterSlash, wide.end());

    // Made new when it can be, with no sharing: nobody else may read or write
    // it while it is open. A name that exists, a link among them, dangling or
    // not, is never created through.
    UniqueCreatedFile file;
    const NTSTATUS status = OpenRelative(folder, leaf, GENERIC_WRITE, 0, FILE_CREATE,
                                         FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, file);
    if (status == kStatusNameCollision)
        file = OpenExisting(root, folder, where, leaf, m_folder, path);
    else if (!NT_SUCCESS(status))
        RaiseStatus(path, "cannot open", status);
    return File(UniqueFileHandle(reinterpret_cast<std::intptr_t>(file.Release())), std::move(path));
}

// Nothing to look at again: the folders of the file were held all along.
void DestinationRoot::ConfirmInside(const File&) {}

} // namespace plat
