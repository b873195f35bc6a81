#include "host_system.h"

#include "code_page.h"
#include "file.h"
#include "win32_files.h"
#include "win32_handles.h"
#include "win32_text.h"

#include <windows.h>

#include <algorithm>

#include <utility>

namespace kwpack {
namespace {

ItemKind KindOf(const WIN32_FIND_DATAW& data)
{
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return ItemKind::Folder;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) ? ItemKind::Other : ItemKind::File;
}

// The volume and file index that identify a folder, or false when it cannot be opened.
bool GetFolderIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& info)
{
    // Opening a folder at all takes FILE_FLAG_BACKUP_SEMANTICS; asking for no access disturbs nobody.
    plat::UniqueFileHandle folder(reinterpret_cast<std::intptr_t>(
        ::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | plat::kIdentifyOnly, nullptr)));
    return folder.IsValid() && ::GetFileInformationByHandle(reinterpret_cast<HANDLE>(folder.Get()), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring ToWideString(const std::string& text, UINT codePage)
{
    plat::WideText wide;
    plat::ToWide(text, codePage, 0, wide);
    return std::wstring(wide.begin(), wide.end());
}

// An engine path, in the ANSI code page, as the wide calls take it.
std::wstring WidePath(const std::string& path) { return ToWideString(path, CP_ACP); }

// A name for a message in the ANSI code page, never refused: what the code
// page cannot write becomes its default character.
std::string NarrowForMessage(const std::wstring& wide)
{
    const int size = static_cast<int>(wide.size());
    const int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

std::wstring Utf8ToWide(const std::string& text) { return ToWideString(text, CP_UTF8); }

// A name as the system gives it, in UTF-8. A lone surrogate, which a name may
// hold, is written in its three-byte form, which no strict conversion takes:
// the name is then refused as no UTF-8, rather than packed as U+FFFD, a
// look-alike that code page 65001 would write.
std::string NameText(const std::wstring& wide)
{
    std::string text;
    for (std::size_t at = 0; at < wide.size(); ++at) {
        char32_t point = static_cast<char16_t>(wide[at]);
        const bool high = point >= 0xD800 && point <= 0xDBFF;
        if (high && at + 1 < wide.size() && wide[at + 1] >= 0xDC00 && wide[at + 1] <= 0xDFFF)
            point = 0x10000 + ((point - 0xD800) << 10) + (static_cast<char16_t>(wide[++at]) - 0xDC00);
        plat::AppendUtf8(text, point);
    }
    return text;
}

// A link is listed as what it leads to, as on POSIX, its size read from the
// file it opens rather than the link's own; one that leads nowhere, or to no
// file on a disk, is no plain file.
void ListAsLinked(const std::string& folder, const std::wstring& name, FolderItem& item)
{
    const plat::UniqueCreatedFile target(
        ::CreateFileW((WidePath(folder) + name).c_str(), FILE_READ_ATTRIBUTES,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | plat::kIdentifyOnly, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    item.kind = ItemKind::Other;
    if (!target || ::GetFileType(target.Get()) != FILE_TYPE_DISK || !::GetFileInformationByHandle(target.Get(), &info))
        return;
    item.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ItemKind::Folder : ItemKind::File;
    item.size = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
}

// Calls `visit` with each item of a folder but "." and "..", through the wide
// calls, so that no name passes through the ANSI code page, which would write
// a character it lacks as '?' or a look-alike.
template <class Visit>
void EachItem(const std::string& folder, Visit visit)
{
    WIN32_FIND_DATAW data;
    plat::UniqueFindHandle find(::FindFirstFileW((WidePath(folder) + L"*").c_str(), &data));
    if (!find) {
        const DWORD error = ::GetLastError();
        // A drive's root folder has no "." entry, so an empty one finds nothing at all.
        if (error == ERROR_FILE_NOT_FOUND && IsFolder(folder))
            return;
        plat::RaiseSystemError(folder, "cannot list the folder", static_cast<long>(error));
    }
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            visit(name, data);
    } while (::FindNextFileW(find.Get(), &data));

    const DWORD error = ::GetLastError();
    if (error != ERROR_NO_MORE_FILES)
        plat::RaiseSystemError(folder, "cannot list the folder", static_cast<long>(error));
}

// True when the open `file` is an item of the folder that `path` names it in,
// as the system resolves both.
bool LiesIn(HANDLE file, const std::string& path)
{
    const std::string folder = path.substr(0, path.rfind('\\') + 1);
    const plat::UniqueCreatedFile opened(::CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                       nullptr, OPEN_EXISTING,
                                                       FILE_FLAG_BACKUP_SEMANTICS | plat::kIdentifyOnly, nullptr));
    plat::WideText where;
    plat::WideText resolved;
    if (!opened || !plat::ResolvedPath(opened.Get(), where) || !plat::ResolvedPath(file, resolved) ||
        !plat::IsBeneath(resolved, where))
        return false;
    const std::size_t cut = where.back() == L'\\' ? where.size() : where.size() + 1;
    return std::find(resolved.begin() + static_cast<std::ptrdiff_t>(cut), resolved.end(), L'\\') == resolved.end();
}

// Removes the file `path` opens as itself, through its handle: a link itself,
// or a file of the folder `path` names. Wine, which opens what a link leads
// to wherever that is, would otherwise remove that instead. 0 when removed;
// otherwise the system's error, ERROR_CANT_RESOLVE_FILENAME for a link that
// opened as what it leads to.
DWORD RemoveOpened(const std::string& path, DWORD share)
{
    const plat::UniqueCreatedFile file(::CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, share, nullptr,
                                                     OPEN_EXISTING,
                                                     FILE_FLAG_OPEN_REPARSE_POINT | plat::kIdentifyOnly, nullptr));
    if (!file)
        return ::GetLastError();
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!::GetFileInformationByHandleEx(file.Get(), FileAttributeTagInfo, &tag, sizeof tag))
        return ::GetLastError();
    if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && !LiesIn(file.Get(), path))
        return ERROR_CANT_RESOLVE_FILENAME;
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition)
               ? 0
               : ::GetLastError();
}

} // namespace

std::vector<FolderItem> ListFolder(const std::string& folder)
{
    std::vector<FolderItem> items;
    EachItem(folder, [&](const std::wstring& name, const WIN32_FIND_DATAW& data) {
        const std::uint64_t size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        items.push_back({NameText(name), KindOf(data), size});
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            ListAsLinked(folder, name, items.back());
    });
    return items;
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    EachItem(folder, [&](const std::wstring& name, const WIN32_FIND_DATAW&) { names.push_back(NameText(name)); });
    return names;
}

plat::File OpenListedFile(const std::string& folder, const std::string& name)
{
    const std::wstring wideName = Utf8ToWide(name);
    // Shared as the platform's shared reads are: a file that changes while it
    // is packed shows in its length, which is checked before and after.
    plat::UniqueFileHandle file(reinterpret_cast<std::intptr_t>(
        ::CreateFileW((WidePath(folder) + wideName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | plat::kIdentifyOnly,
                      nullptr)));
    const DWORD error = ::GetLastError();
    // Engine text names it in messages, so the name goes into the ANSI code page as well as it can.
    const std::string path = folder + NarrowForMessage(wideName);
    if (!file)
        plat::RaiseSystemError(path, "cannot open", static_cast<long>(error));
    return plat::File(std::move(file), path);
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsSameFolder(const std::string& first, const std::string& second)
{
    BY_HANDLE_FILE_INFORMATION one;
    BY_HANDLE_FILE_INFORMATION two;
    return GetFolderIdentity(first, one) && GetFolderIdentity(second, two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber && one.nFileIndexHigh == two.nFileIndexHigh &&
           one.nFileIndexLow == two.nFileIndexLow;
}

bool MakeFolder(const std::string& path)
{
    if (::CreateDirectoryA(path.c_str(), nullptr))
        return true;
    const DWORD error = ::GetLastError();
    if (error != ERROR_ALREADY_EXISTS)
        plat::RaiseSystemError(path, "cannot create the folder", static_cast<long>(error));
    return false;
}

bool RemoveFile(const std::string& path)
{
    return RemoveOpened(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE) == 0;
}

// A running pack holds its partial files open with no sharing, so they cannot
// be opened to be removed.
bool RemoveUnlessInUse(const std::string& path) { return RemoveOpened(path, 0) == 0; }

namespace {

constexpr const char* kLockName = "pelmora.kwpack-lock";

} // namespace

// A file in the folder that only one process at a time can make, and that
// goes with its last handle, however the process ends. It is only ever made
// new, so nothing planted under its name is opened.
FolderLock::FolderLock(const std::string& folder, unsigned patience)
{
    const std::string path = folder + kLockName;
    for (unsigned waited = 0;; waited += kLockPoll) {
        const HANDLE handle = ::CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | plat::kIdentifyOnly,
                                            nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            m_handle.Reset(reinterpret_cast<std::intptr_t>(handle));
            return;
        }
        // Made by another, or on its way out after its last holder let it go.
        const DWORD error = ::GetLastError();
        // One that no process holds was left by a run the system did not see end, after a power cut say.
        if (error == ERROR_FILE_EXISTS && RemoveUnlessInUse(path))
            continue;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ACCESS_DENIED)
            plat::RaiseSystemError(path, "cannot lock the folder with", static_cast<long>(error));
        if (waited >= patience) {
            if (error == ERROR_FILE_EXISTS)
                throw FolderInUse(folder);
            plat::RaiseSystemError(path, "cannot lock the folder with", static_cast<long>(error));
        }
        ::Sleep(kLockPoll);
    }
}

FolderLock::~FolderLock() = default;

std::string ProcessTag() { return std::to_string(::GetCurrentProcessId()); }

// The file system's log keeps the removal ahead of the renames that follow,
// which are written through.
void RemoveFileDurably(const std::string& path)
{
    const DWORD error = RemoveOpened(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (error != 0 && error != ERROR_FILE_NOT_FOUND)
        plat::RaiseSystemError(path, "cannot remove", static_cast<long>(error));
}

void MoveFileIntoPlace(const std::string& from, const std::string& to)
{
    if (!::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        plat::RaiseSystemError(to, "cannot put a file in place of", static_cast<long>(::GetLastError()));
}

bool StderrIsTerminal()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::string NameKey(const std::string& name) { return plat::UpperCase(name); }

Utf8Console::Utf8Console() : m_saved(::GetConsoleOutputCP())
{
    if (m_saved != 0)
        ::SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console()
{
    if (m_saved != 0)
        ::SetConsoleOutputCP(m_saved);
}

} // namespace kwpack
