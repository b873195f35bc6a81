// Path queries for the POSIX stand-in, and the one mapping between engine
// paths and the system's.

#include "paths.h"
#include "code_page.h"
#include "file_error.h"
#include "grow_buffer.h"
#include "posix_files.h"
#include "posix_path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <glob.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

bool ToPosix(const std::string& path, std::string& native)
{
    // Decoded before the separators are mapped: in a double-byte code page the
    // second byte of a character may be 0x5C, which is no `\`.
    if (!DecodeText(path, PathCodePage(), native))
        return false;
    std::replace(native.begin(), native.end(), '\\', '/');
    return true;
}

std::string ToPosix(const std::string& path)
{
    std::string native;
    if (!ToPosix(path, native))
        throw FileError(kCauseBadPath, path,
                        "'" + path + "' holds bytes that are no text in code page " + std::to_string(PathCodePage()));
    return native;
}

bool ToEnginePath(const std::string& systemPath, std::string& path)
{
    std::string text = systemPath;
    std::replace(text.begin(), text.end(), '/', '\\');
    std::size_t failedAt = 0;
    return EncodeText(text, PathCodePage(), path, failedAt);
}

std::string ShownPath(std::string text)
{
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

bool FindEntry(const std::string& pattern)
{
    std::string native;
    if (!ToPosix(pattern, native))
        return false;
    glob_t found{};
    const int result = ::glob(native.c_str(), GLOB_NOESCAPE | GLOB_NOSORT, nullptr, &found);
    const bool any = result == 0 && found.gl_pathc > 0;
    ::globfree(&found);
    return any;
}

bool SetCurrentFolder(const std::string& path)
{
    std::string native;
    return ToPosix(path, native) && ::chdir(native.c_str()) == 0;
}

bool CreateFolder(const std::string& path)
{
    std::string native;
    return ToPosix(path, native) && ::mkdir(native.c_str(), 0777) == 0;
}

bool GetExecutablePath(std::string& path)
{
    std::string native;
    return ReadLinkAt(AT_FDCWD, "/proc/self/exe", native) && ToEnginePath(native, path);
}

// Resolves `.` and `..` by the text alone, as the Windows call does; a `..`
// at the root stays at the root.
bool GetFullPath(const std::string& path, std::string& full)
{
    std::string native;
    if (!ToPosix(path, native) || native.empty())
        return false;
    if (native[0] != '/') {
        std::string current;
        const bool got = GrowUntilFits(current, 256, kLongestPathText, [](char* data, std::size_t size) {
            if (::getcwd(data, size) != nullptr)
                return std::strlen(data);
            return errno == ERANGE ? size : std::size_t{0};
        });
        if (!got)
            return false;
        native = current + "/" + native;
    }
    // Built part by part: `..` cuts back to the slash before the last part kept.
    std::string resolved;
    resolved.reserve(native.size());
    std::size_t start = 0;
    while (start <= native.size()) {
        const std::size_t end = std::min(native.find('/', start), native.size());
        const std::string_view part(native.data() + start, end - start);
        if (part == "..")
            resolved.resize(resolved.empty() ? 0 : resolved.rfind('/'));
        else if (!part.empty() && part != ".")
            resolved.append("/").append(part);
        start = end + 1;
    }
    if (resolved.empty() || native.back() == '/')
        resolved += '/';
    return ToEnginePath(resolved, full);
}

} // namespace plat
