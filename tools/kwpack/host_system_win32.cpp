#include "host_system.h"

#include "platform.h"
#include "win32_handles.h"

#include <windows.h>

#include <cctype>

namespace kwpack {
namespace {

int CauseOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return plat::kCauseNotFound;
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY:
    case ERROR_BAD_PATHNAME: return plat::kCauseBadPath;
    case ERROR_ACCESS_DENIED: return plat::kCauseAccessDenied;
    default: return plat::kCauseGeneric;
    }
}

// The system's own words for an error code, without the closing full stop and line break.
std::string DescribeError(DWORD error)
{
    char text[512];
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                    text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == '.'))
        --length;
    const std::string code = "system error " + std::to_string(error);
    return length == 0 ? code : std::string(text, length) + " (" + code + ")";
}

[[noreturn]] void RaiseError(const std::string& path, const char* action, DWORD error)
{
    throw plat::FileError(CauseOf(error), path, std::string(action) + " '" + path + "': " + DescribeError(error));
}

ItemKind KindOf(const WIN32_FIND_DATAA& data)
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
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
    return folder.IsValid() && ::GetFileInformationByHandle(reinterpret_cast<HANDLE>(folder.Get()), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

std::vector<FolderItem> ListFolder(const std::string& folder)
{
    std::vector<FolderItem> items;
    WIN32_FIND_DATAA data;
    plat::UniqueFindHandle find(::FindFirstFileA((folder + "*").c_str(), &data));
    if (!find) {
        const DWORD error = ::GetLastError();
        // A drive's root folder has no "." entry, so an empty one finds nothing at all.
        if (error == ERROR_FILE_NOT_FOUND && IsFolder(folder))
            return items;
        RaiseError(folder, "cannot list the folder", error);
    }
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::uint64_t size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        items.push_back({name, KindOf(data), size});
    } while (::FindNextFileA(find.Get(), &data));

    const DWORD error = ::GetLastError();
    if (error != ERROR_NO_MORE_FILES)
        RaiseError(folder, "cannot list the folder", error);
    return items;
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

bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

bool StdoutIsTerminal()
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

std::string NameKey(std::string name)
{
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

} // namespace kwpack
