#include "platform.h"
#include "platform_detail.h"
#include "win32_handles.h"
#include "win32_text.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace plat {
namespace {

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

int CauseOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return kCauseNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
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

[[noreturn]] void RaiseLastError(const std::string& path, const char* action)
{
    const DWORD error = ::GetLastError();
    throw MakeFileError(CauseOf(error), path, action, static_cast<long>(error));
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

} // namespace

void FileHandleTraits::Close(Type handle) noexcept { ::CloseHandle(AsHandle(handle)); }

File::File(const std::string& path, Mode mode) : m_path(path)
{
    const bool read = mode == Mode::Read;
    // No sharing flags: nobody else may read or write the file while it is open.
    HANDLE handle = ::CreateFileA(path.c_str(), read ? GENERIC_READ : GENERIC_WRITE, 0, nullptr,
                                  read ? OPEN_EXISTING : CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | (read ? FILE_FLAG_SEQUENTIAL_SCAN : 0), nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        RaiseLastError(path, "cannot open");
    m_handle.Reset(reinterpret_cast<std::intptr_t>(handle));
}

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

FileSize File::CopyTo(File& target, FileSize count, std::vector<char>& buffer)
{
    return CopyThroughBuffer(*this, target, count, buffer);
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
// that converts; otherwise the lookup fails.
bool GetExecutablePath(std::string& path)
{
    WideText wide;
    if (!GetModulePathWide(wide))
        return false;
    if (FromWide(wide.data(), wide.size() - 1, CP_ACP, path))
        return true;
    WideText shortPath;
    return GetShortPathWide(wide, shortPath) && FromWide(shortPath.data(), shortPath.size() - 1, CP_ACP, path);
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
