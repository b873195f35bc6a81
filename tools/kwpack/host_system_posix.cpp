#include "host_system.h"

#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kwpack {
namespace {

struct DirectoryTraits {
    using Type = DIR*;
    static constexpr Type Invalid() noexcept { return nullptr; }
    static void Close(Type directory) noexcept { ::closedir(directory); }
};
using UniqueDirectory = plat::UniqueAny<DirectoryTraits>;

std::string ToPosix(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

int CauseOf(int error)
{
    switch (error) {
    case ENOENT: return plat::kCauseNotFound;
    case ENOTDIR:
    case ENAMETOOLONG: return plat::kCauseBadPath;
    case EACCES:
    case EPERM: return plat::kCauseAccessDenied;
    case EMFILE:
    case ENFILE: return plat::kCauseTooManyOpen;
    default: return plat::kCauseGeneric;
    }
}

[[noreturn]] void RaiseErrno(const std::string& path, const char* action, int error)
{
    throw plat::FileError(CauseOf(error), path, std::string(action) + " '" + path + "': " + std::strerror(error));
}

ItemKind KindOf(const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return ItemKind::Folder;
    return S_ISREG(info.st_mode) ? ItemKind::File : ItemKind::Other;
}

} // namespace

std::vector<FolderItem> ListFolder(const std::string& folder)
{
    UniqueDirectory directory(::opendir(ToPosix(folder).c_str()));
    if (!directory)
        RaiseErrno(folder, "cannot list the folder", errno);

    std::vector<FolderItem> items;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory.Get());
        if (entry == nullptr) {
            if (errno != 0)
                RaiseErrno(folder, "cannot list the folder", errno);
            return items;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = folder + name;
        struct stat info;
        if (::stat(ToPosix(path).c_str(), &info) != 0)
            RaiseErrno(path, "cannot read", errno);
        items.push_back({name, KindOf(info), static_cast<std::uint64_t>(info.st_size)});
    }
}

bool IsFolder(const std::string& path)
{
    struct stat info;
    return ::stat(ToPosix(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsSameFolder(const std::string& first, const std::string& second)
{
    struct stat one;
    struct stat two;
    return ::stat(ToPosix(first).c_str(), &one) == 0 && ::stat(ToPosix(second).c_str(), &two) == 0 &&
           S_ISDIR(one.st_mode) && one.st_dev == two.st_dev && one.st_ino == two.st_ino;
}

bool RemoveFile(const std::string& path) { return ::unlink(ToPosix(path).c_str()) == 0; }

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

std::string NameKey(std::string name) { return name; }

} // namespace kwpack
