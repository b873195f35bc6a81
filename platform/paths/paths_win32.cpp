// Path queries on Windows, in the ANSI code page the engine's paths are in.

#include "paths.h"
#include "grow_buffer.h"
#include "win32_handles.h"
#include "win32_text.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cwchar>

namespace plat {
namespace {

// The executable's path, terminated. A result that fills the buffer may have been cut short.
bool GetModulePathWide(WideText& path)
{
    const bool got = GrowUntilFits(path, MAX_PATH, kLongestPath, [](wchar_t* data, std::size_t size) {
        return std::size_t{::GetModuleFileNameW(nullptr, data, static_cast<DWORD>(size))};
    });
    path.push_back(L'\0');
    return got;
}

// The short form of a terminated path, terminated.
bool GetShortPathWide(const WideText& path, WideText& shortPath)
{
    const bool got = GrowUntilFits(shortPath, MAX_PATH, kLongestPath, [&path](wchar_t* data, std::size_t size) {
        return std::size_t{::GetShortPathNameW(path.data(), data, static_cast<DWORD>(size))};
    });
    shortPath.push_back(L'\0');
    return got;
}

} // namespace

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
    // Up to four bytes a character in the longest path.
    return GrowUntilFits(full, MAX_PATH, kLongestPath * 4, [&path](char* data, std::size_t size) {
        return std::size_t{::GetFullPathNameA(path.c_str(), static_cast<DWORD>(size), data, nullptr)};
    });
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
