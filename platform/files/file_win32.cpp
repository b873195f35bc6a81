// Files on Windows: opened by name only once what the name is has been
// looked at, and always as the very file that was looked at.

#include "file.h"
#include "grow_buffer.h"
#include "win32_files.h"
#include "win32_handles.h"
#include "win32_text.h"

#include <windows.h>
#include <winioctl.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
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

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

} // namespace

void RaiseLastError(const std::string& path, const char* action)
{
    RaiseSystemError(path, action, static_cast<long>(::GetLastError()));
}

void RaiseStatus(const std::string& path, const char* action, NTSTATUS status)
{
    RaiseSystemError(path, action, static_cast<long>(::RtlNtStatusToDosError(status)));
}

NTSTATUS OpenRelative(HANDLE parent, const WideText& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                      ULONG options, UniqueCreatedFile& opened)
{
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.data());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    // What SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION asks of CreateFile;
    // in the options, those bits would mean something else.
    SECURITY_QUALITY_OF_SERVICE quality{};
    quality.Length = sizeof quality;
    quality.ImpersonationLevel = SecurityIdentification;
    quality.ContextTrackingMode = SECURITY_STATIC_TRACKING;
    quality.EffectiveOnly = TRUE;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, parent, nullptr);
    attributes.SecurityQualityOfService = &quality;
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    const NTSTATUS status = ::NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr,
                                           FILE_ATTRIBUTE_NORMAL, share, disposition,
                                           options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (NT_SUCCESS(status))
        opened.Reset(handle);
    return status;
}

namespace {

// The devices that hold file systems, local or on another machine: a share
// the user chose as the destination is one of them.
bool HoldsFiles(DEVICE_TYPE device)
{
    switch (device) {
    case FILE_DEVICE_CD_ROM:
    case FILE_DEVICE_CD_ROM_FILE_SYSTEM:
    case FILE_DEVICE_DFS:
    case FILE_DEVICE_DFS_FILE_SYSTEM:
    case FILE_DEVICE_DFS_VOLUME:
    case FILE_DEVICE_DISK:
    case FILE_DEVICE_DISK_FILE_SYSTEM:
    case FILE_DEVICE_NETWORK:
    case FILE_DEVICE_NETWORK_FILE_SYSTEM:
    case FILE_DEVICE_VIRTUAL_DISK: return true;
    default: return false;
    }
}

} // namespace

void RequireDiskFile(HANDLE file, const std::string& path)
{
    const DWORD type = ::GetFileType(file);
    FILE_FS_DEVICE_INFORMATION device{};
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = ::NtQueryVolumeInformationFile(file, &io, &device, sizeof device, FileFsDeviceInformation);
    if (type == FILE_TYPE_DISK && NT_SUCCESS(status) && HoldsFiles(device.DeviceType))
        return;
    // There, but not to be read or written.
    if (type == FILE_TYPE_PIPE)
        RaiseRefused(path, "it is a pipe, not a file", kCauseAccessDenied);
    RaiseRefused(path, type == FILE_TYPE_CHAR ? "it is a device, not a file" : "it is not a file on a disk",
                 kCauseAccessDenied);
}

bool ResolvedPath(HANDLE handle, WideText& path)
{
    return GrowUntilFits(path, MAX_PATH, kLongestPath * 2, [handle](wchar_t* data, std::size_t size) {
        return std::size_t{::GetFinalPathNameByHandleW(handle, data, static_cast<DWORD>(size), FILE_NAME_NORMALIZED)};
    });
}

bool IsBeneath(const WideText& path, const WideText& folder)
{
    const bool rooted = !folder.empty() && folder.back() == L'\\'; // a drive's root keeps its `\`
    const std::size_t cut = rooted ? folder.size() - 1 : folder.size();
    return path.size() > cut + 1 && std::equal(folder.begin(), folder.begin() + cut, path.begin()) &&
           path[cut] == L'\\';
}

void FileHandleTraits::Close(Type handle) noexcept { ::CloseHandle(AsHandle(handle)); }

File::File(const std::string& path, Mode mode) : m_path(path)
{
    if (mode == Mode::CreateNew) {
        // Never over a name that exists, nor through a link of that name.
        HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | kIdentifyOnly, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            RaiseLastError(path, "cannot create");
        m_handle.Reset(reinterpret_cast<std::intptr_t>(handle));
        return;
    }
    // Looked at before it is read, through a handle with no access to its
    // data: a pipe or a device of that name is refused unread.
    const UniqueCreatedFile node(::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                               OPEN_EXISTING, kIdentifyOnly, nullptr));
    if (!node)
        RaiseLastError(path, "cannot open");
    RequireDiskFile(node.Get(), path);
    // Without sharing flags nobody else may read or write the file while it
    // is open. A shared read lets others read and write it, but not delete or
    // rename it from under the reader.
    const ULONG share = mode == Mode::SharedRead ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0;
    UniqueCreatedFile file;
    const NTSTATUS status = OpenRelative(node.Get(), WideText(), GENERIC_READ, share, FILE_OPEN,
                                         FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY, file);
    if (!NT_SUCCESS(status))
        RaiseStatus(path, "cannot open", status);
    m_handle.Reset(reinterpret_cast<std::intptr_t>(file.Release()));
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

} // namespace plat
