#include "platform.h"
#include "platform_detail.h"
#include "win32_handles.h"
#include "win32_paths.h"
#include "win32_text.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <vector>

namespace plat {

int CauseOfSystemError(long error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return kCauseNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_DRIVE: return kCauseBadPath;
    case ERROR_TOO_MANY_OPEN_FILES: return kCauseTooManyOpen;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return kCauseAccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return kCauseSharingViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return kCauseDiskFull;
    case ERROR_HANDLE_EOF: return kCauseEndOfFile;
    default: return kCauseGeneric;
    }
}

// Without the closing full stop and line break the system ends its words with.
std::string SystemErrorText(long error)
{
    char text[512];
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.' ||
                          text[length - 1] == ' '))
        --length;
    const std::string code = "system error " + std::to_string(error);
    return length == 0 ? code : std::string(text, length) + ", " + code;
}

namespace {

// From ntstatus.h, which does not mix with windows.h.
constexpr NTSTATUS kStatusNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kStatusBufferOverflow = static_cast<NTSTATUS>(0x80000005);

// A file's names as the system lists them, from ntifs.h, which does not mix
// with windows.h either: each name is its folder's file id and the name in it.
struct FileLinkEntry {
    ULONG nextEntryOffset;
    LONGLONG parentFileId;
    ULONG fileNameLength; // in bytes
    WCHAR fileName[1];
};
struct FileLinks {
    ULONG bytesNeeded;
    ULONG entriesReturned;
    FileLinkEntry entry;
};
static_assert(offsetof(FileLinkEntry, parentFileId) == 8 && offsetof(FileLinks, entry) == 8,
              "the layout the system writes, for 32- and 64-bit programs alike");
constexpr auto kFileHardLinkInformation = static_cast<FILE_INFORMATION_CLASS>(46);

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

[[noreturn]] void RaiseLastError(const std::string& path, const char* action)
{
    RaiseSystemError(path, action, static_cast<long>(::GetLastError()));
}

// The longest path the system takes, in UTF-16 units with the terminator.
constexpr DWORD kLongestPath = 32768;

// The executable's path, terminated.
bool GetModulePathWide(WideText& path)
{
    path.resize(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0)
            return false;
        // A result that fills the buffer may have been cut short.
        if (length < size) {
            path.resize(length + 1);
            return true;
        }
        if (path.size() >= kLongestPath)
            return false;
        path.resize(path.size() * 2);
    }
}

// The short form of a terminated path, terminated.
bool GetShortPathWide(const WideText& path, WideText& shortPath)
{
    shortPath.resize(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(shortPath.size());
        const DWORD length = ::GetShortPathNameW(path.data(), shortPath.data(), size);
        if (length == 0)
            return false;
        if (length < size) {
            shortPath.resize(length + 1);
            return true;
        }
        // Too small: `length` is the size needed, terminator included.
        if (length > kLongestPath)
            return false;
        shortPath.resize(length);
    }
}

[[noreturn]] void RaiseStatus(const std::string& path, const char* action, NTSTATUS status)
{
    RaiseSystemError(path, action, static_cast<long>(::RtlNtStatusToDosError(status)));
}

[[noreturn]] void RaiseOutside(const std::string& path, const char* why = "a link leads outside the destination folder")
{
    throw FileError(kCauseBadPath, path, "cannot open '" + path + "': " + why);
}

// A name in the system's code page as the native calls take it.
WideText Widen(const std::string& text, const std::string& path)
{
    WideText wide;
    if (!ToWide(text, CP_ACP, MB_ERR_INVALID_CHARS, wide))
        RaiseLastError(path, "cannot open");
    return wide;
}

// Where the system resolved an open file or folder to, links, junctions and mount points and all.
bool ResolvedPath(HANDLE handle, WideText& path)
{
    path.resize(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = ::GetFinalPathNameByHandleW(handle, path.data(), size, FILE_NAME_NORMALIZED);
        if (length == 0)
            return false;
        if (length < size) {
            path.resize(length);
            return true;
        }
        path.resize(length + 1);
    }
}

bool IsBeneath(const WideText& path, const WideText& folder)
{
    const bool rooted = !folder.empty() && folder.back() == L'\\'; // a drive's root keeps its `\`
    const std::size_t cut = rooted ? folder.size() - 1 : folder.size();
    return path.size() > cut + 1 && std::equal(folder.begin(), folder.begin() + cut, path.begin()) &&
           path[cut] == L'\\';
}

// True when every name of `file` lies in `folder` or beneath it; false too
// when the names cannot be listed. The list comes from the open handle, so
// it is this file's, whatever its names have come to mean meanwhile.
bool AllNamesWithin(HANDLE file, const WideText& folder)
{
    std::vector<LONGLONG> buffer(512); // LONGLONG keeps the entries' alignment
    IO_STATUS_BLOCK io{};
    NTSTATUS status;
    for (;;) {
        const auto size = static_cast<ULONG>(buffer.size() * sizeof(LONGLONG));
        status = ::NtQueryInformationFile(file, &io, buffer.data(), size, kFileHardLinkInformation);
        const ULONG needed = reinterpret_cast<const FileLinks*>(buffer.data())->bytesNeeded;
        if (status != kStatusBufferOverflow || needed <= size || needed > (1u << 24))
            break;
        buffer.resize(needed / sizeof(LONGLONG) + 1);
    }
    if (!NT_SUCCESS(status))
        return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    const auto* links = reinterpret_cast<const FileLinks*>(bytes);
    std::size_t at = offsetof(FileLinks, entry);
    for (ULONG i = 0; i < links->entriesReturned; ++i) {
        if (at + offsetof(FileLinkEntry, fileName) > io.Information)
            return false;
        const auto* entry = reinterpret_cast<const FileLinkEntry*>(bytes + at);
        FILE_ID_DESCRIPTOR id{};
        id.dwSize = sizeof id;
        id.Type = FileIdType;
        id.FileId.QuadPart = entry->parentFileId;
        const UniqueCreatedFile parent(::OpenFileById(file, &id, FILE_READ_ATTRIBUTES,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                      FILE_FLAG_BACKUP_SEMANTICS));
        WideText resolved;
        if (!parent || !ResolvedPath(parent.Get(), resolved) || (resolved != folder && !IsBeneath(resolved, folder)))
            return false;
        if (entry->nextEntryOffset == 0)
            return i + 1 == links->entriesReturned;
        at += entry->nextEntryOffset;
    }
    return false; // no names, or a list that does not end where it says
}

// Opens `name` below the folder `parent` as the system resolves it, links followed.
NTSTATUS OpenRelative(HANDLE parent, const WideText& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                      ULONG options, UniqueCreatedFile& opened)
{
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.data());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    const NTSTATUS status = ::NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr,
                                           FILE_ATTRIBUTE_NORMAL, share, disposition,
                                           options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (NT_SUCCESS(status))
        opened.Reset(handle);
    return status;
}

} // namespace

void FileHandleTraits::Close(Type handle) noexcept { ::CloseHandle(AsHandle(handle)); }

File::File(const std::string& path, Mode mode) : m_path(path)
{
    const bool read = mode != Mode::CreateWrite;
    // Without sharing flags nobody else may read or write the file while it
    // is open. A shared read lets others read and write it, but not delete or
    // rename it from under the reader.
    const DWORD share = mode == Mode::SharedRead ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
    HANDLE handle = ::CreateFileA(path.c_str(), read ? GENERIC_READ : GENERIC_WRITE, share, nullptr,
                                  read ? OPEN_EXISTING : CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | (read ? FILE_FLAG_SEQUENTIAL_SCAN : 0), nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        RaiseLastError(path, "cannot open");
    m_handle.Reset(reinterpret_cast<std::intptr_t>(handle));
}

File::File(UniqueFileHandle handle, std::string path) : m_handle(std::move(handle)), m_path(std::move(path)) {}

std::size_t File::Read(void* buffer, std::size_t count)
{
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD got = 0;
        const DWORD ask = static_cast<DWORD>(count - done);
        if (!::ReadFile(AsHandle(m_handle.Get()), bytes + done, ask, &got, nullptr))
            RaiseLastError(m_path, "cannot read");
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void File::Write(const void* buffer, std::size_t count)
{
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD put = 0;
        const DWORD ask = static_cast<DWORD>(count - done);
        if (!::WriteFile(AsHandle(m_handle.Get()), bytes + done, ask, &put, nullptr))
            RaiseLastError(m_path, "cannot write");
        if (put == 0)
            throw MakeFileError(kCauseDiskFull, m_path, "cannot write", 0);
        done += put;
    }
}

// Windows takes no such hint here: setting the allocation size would cost a
// call for every large entry and has not been shown to pay for it.
void File::Preallocate(FileSize) {}

void File::Flush()
{
    if (!::FlushFileBuffers(AsHandle(m_handle.Get())))
        RaiseLastError(m_path, "cannot flush");
}

FileSize File::GetLength() const
{
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(AsHandle(m_handle.Get()), &size))
        RaiseLastError(m_path, "cannot get the length of");
    return static_cast<FileSize>(size.QuadPart);
}

FileSize File::GetPosition() const
{
    LARGE_INTEGER zero{};
    LARGE_INTEGER position;
    if (!::SetFilePointerEx(AsHandle(m_handle.Get()), zero, &position, FILE_CURRENT))
        RaiseLastError(m_path, "cannot get the position in");
    return static_cast<FileSize>(position.QuadPart);
}

// A folder below the destination, held for the entries that follow.
struct HeldFolder {
    WideText name; // its name in the folder above
    UniqueCreatedFile handle;
};

struct DestinationRoot::Opened {
    UniqueCreatedFile folder;
    WideText resolved; // the folder's final path, every link resolved
    WideText parentName; // the last parent folder, as named below the folder
    // That folder, checked, and every folder on the way to it, one for each
    // part of its name; empty when none is checked.
    std::vector<HeldFolder> levels;
};

namespace {

// Folders are held without FILE_SHARE_DELETE, so none that entries are
// written below can be renamed or moved, out of the destination say, while
// it is held. Reading, writing and making files in them disturbs nobody.
constexpr ULONG kShareFolder = FILE_SHARE_READ | FILE_SHARE_WRITE;

} // namespace

DestinationRoot::DestinationRoot(std::string folder) : m_folder(std::move(folder)) {}

DestinationRoot::~DestinationRoot() = default;

DestinationRoot::Opened& DestinationRoot::Root()
{
    if (m_opened)
        return *m_opened;
    auto opened = std::make_unique<Opened>();
    // Folders open only with FILE_FLAG_BACKUP_SEMANTICS.
    opened->folder.Reset(::CreateFileA(m_folder.c_str(), FILE_TRAVERSE | SYNCHRONIZE, kShareFolder, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened->folder)
        RaiseLastError(m_folder, "cannot open");
    if (!ResolvedPath(opened->folder.Get(), opened->resolved))
        RaiseLastError(m_folder, "cannot open");
    m_opened = std::move(opened);
    return *m_opened;
}

namespace {

// Opens the levels of `parent` below the last of `root.levels` they share.
NTSTATUS OpenLevels(DestinationRoot::Opened& root, const WideText& parent)
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
            const HANDLE above = level == 0 ? root.folder.Get() : levels[level - 1].handle.Get();
            UniqueCreatedFile folder;
            const NTSTATUS status =
                OpenRelative(above, name, FILE_TRAVERSE, kShareFolder, FILE_OPEN, FILE_DIRECTORY_FILE, folder);
            if (!NT_SUCCESS(status))
                return status;
            levels.push_back({name, std::move(folder)});
        }
        ++level;
        if (end == parent.end())
            break;
        begin = end + 1;
    }
    levels.erase(levels.begin() + static_cast<std::ptrdiff_t>(level), levels.end());
    return 0;
}

// The folder that `parent` names below the root, kept open for the entries
// that follow in it. It may be reached through links that stay inside. Its
// levels are opened one by one and all held, so none can move meanwhile.
HANDLE OpenParent(DestinationRoot::Opened& root, const WideText& parent, const std::string& path)
{
    std::vector<HeldFolder>& levels = root.levels;
    if (!levels.empty() && root.parentName == parent)
        return levels.back().handle.Get();
    // Nothing is kept that has not been checked.
    const NTSTATUS status = OpenLevels(root, parent);
    if (!NT_SUCCESS(status)) {
        levels.clear();
        RaiseStatus(path, "cannot open", status);
    }
    WideText resolved;
    if (!ResolvedPath(levels.back().handle.Get(), resolved)) {
        levels.clear();
        RaiseLastError(path, "cannot open");
    }
    if (resolved != root.resolved && !IsBeneath(resolved, root.resolved)) {
        levels.clear();
        RaiseOutside(path);
    }
    root.parentName = parent;
    return levels.back().handle.Get();
}

// Empties an existing output file once it is known to lie inside. A file with
// hard links has other names, anywhere on its volume: it is emptied only when
// every one of them lies inside too. Its length and its count of names come
// in one query; GetFileInformationByHandle would also ask for the volume's
// serial number, which under Wine made overwriting a file twice as slow.
void TakeExisting(HANDLE file, const WideText& folder, const std::string& path)
{
    FILE_STANDARD_INFORMATION info{};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = ::NtQueryInformationFile(file, &io, &info, sizeof info, FileStandardInformation);
    if (!NT_SUCCESS(status))
        RaiseStatus(path, "cannot open", status);
    if (info.NumberOfLinks > 1 && !AllNamesWithin(file, folder))
        RaiseOutside(path, "the file has other names, and not all of them are known to lie inside the destination folder");
    if (info.EndOfFile.QuadPart != 0 && !::SetEndOfFile(file))
        RaiseLastError(path, "cannot truncate");
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
    const HANDLE folder = afterSlash == wide.begin() ? root.folder.Get()
                                                     : OpenParent(root, WideText(wide.begin(), afterSlash - 1), path);
    const WideText leaf(afterSlash, wide.end());

    // No sharing: nobody else may read or write the file while it is open.
    // Made new when it can be: a name that exists, a dangling link among
    // them, is never created through.
    UniqueCreatedFile file;
    NTSTATUS status = OpenRelative(folder, leaf, GENERIC_WRITE, 0, FILE_CREATE, FILE_NON_DIRECTORY_FILE, file);
    if (status == kStatusNameCollision) {
        // Opened as it is, links followed; emptied only once it is known to lie inside.
        status = OpenRelative(folder, leaf, GENERIC_WRITE, 0, FILE_OPEN, FILE_NON_DIRECTORY_FILE, file);
        if (NT_SUCCESS(status)) {
            WideText resolved;
            if (!ResolvedPath(file.Get(), resolved))
                RaiseLastError(path, "cannot open");
            if (!IsBeneath(resolved, root.resolved))
                RaiseOutside(path);
            TakeExisting(file.Get(), root.resolved, path);
        }
    }
    if (!NT_SUCCESS(status))
        RaiseStatus(path, "cannot open", status);
    return File(UniqueFileHandle(reinterpret_cast<std::intptr_t>(file.Release())), std::move(path));
}

bool FindEntry(const std::string& pattern)
{
    WIN32_FIND_DATAA data;
    UniqueFindHandle find(::FindFirstFileA(pattern.c_str(), &data));
    return find.IsValid();
}

bool SetCurrentFolder(const std::string& path) { return ::SetCurrentDirectoryA(path.c_str()) != 0; }

bool CreateFolder(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr) != 0; }

// Never a best-fit path: a look-alike of a character the ANSI code page lacks
// names another folder, which may even hold another package. Such a path is
// taken in its short form, which the system makes for names like these, when
// that converts; otherwise there is none.
bool ToAnsiPath(const wchar_t* path, std::string& ansi)
{
    const WideText wide(path, path + std::wcslen(path) + 1);
    if (FromWide(wide.data(), wide.size() - 1, CP_ACP, ansi))
        return true;
    WideText shortPath;
    return GetShortPathWide(wide, shortPath) && FromWide(shortPath.data(), shortPath.size() - 1, CP_ACP, ansi);
}

bool GetExecutablePath(std::string& path)
{
    WideText wide;
    return GetModulePathWide(wide) && ToAnsiPath(wide.data(), path);
}

bool GetFullPath(const std::string& path, std::string& full)
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetFullPathNameA(path.c_str(), size, buffer.data(), nullptr);
        if (length == 0)
            return false;
        if (length < size) {
            full.assign(buffer.data(), length);
            return true;
        }
        // Too small: `length` is the size needed, terminator included.
        if (length > 32768 * 4)
            return false;
        buffer.resize(length);
    }
}

bool ToEnginePath(const std::string& systemPath, std::string& path)
{
    path = systemPath;
    // Safe byte by byte: no code page in use has 0x2F as the second byte of a character.
    std::replace(path.begin(), path.end(), '/', '\\');
    return true;
}

std::string ShownPath(std::string text) { return text; }

} // namespace plat
