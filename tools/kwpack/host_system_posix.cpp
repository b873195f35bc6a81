#include "host_system.h"

#include "code_page.h"
#include "code_page_text.h"
#include "file.h"
#include "posix_files.h"
#include "posix_path.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
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

ItemKind KindOf(const struct stat& info)
{
    if (S_ISDIR(info.st_mode))
        return ItemKind::Folder;
    return S_ISREG(info.st_mode) ? ItemKind::File : ItemKind::Other;
}

// Has the system put the names in the folder of `path` on the disk, so that
// a rename or removal there survives a power cut.
void FlushFolderOf(const std::string& path)
{
    const std::string folder = path.substr(0, path.rfind('\\') + 1);
    const plat::UniqueFileHandle handle(::open(plat::ToPosix(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!handle || ::fsync(static_cast<int>(handle.Get())) != 0)
        plat::RaiseSystemError(folder, "cannot flush the folder", errno);
}

} // namespace

std::vector<std::string> FolderNames(const std::string& folder)
{
    UniqueDirectory directory(::opendir(plat::ToPosix(folder).c_str()));
    if (!directory)
        plat::RaiseSystemError(folder, "cannot list the folder", errno);
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory.Get());
        if (entry == nullptr) {
            if (errno != 0)
                plat::RaiseSystemError(folder, "cannot list the folder", errno);
            return names;
        }
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
}

std::vector<FolderItem> ListFolder(const std::string& folder)
{
    const std::string native = plat::ToPosix(folder);
    std::vector<FolderItem> items;
    for (std::string& name : FolderNames(folder)) {
        struct stat info;
        if (::stat((native + name).c_str(), &info) != 0) {
            const int error = errno;
            std::string bytes;
            plat::RaiseSystemError(EncodeName(name, plat::PathCodePage(), bytes).empty() ? folder + bytes : folder,
                                   "cannot read", error);
        }
        items.push_back({std::move(name), KindOf(info), static_cast<std::uint64_t>(info.st_size)});
    }
    return items;
}

plat::File OpenListedFile(const std::string& folder, const std::string& name)
{
    // The listed name is the decoded one; the path code page writes it back as it was.
    std::string bytes;
    const std::string why = EncodeName(name, plat::PathCodePage(), bytes);
    if (!why.empty())
        throw plat::FileError(plat::kCauseBadPath, folder, "cannot open a file in '" + folder + "': " + why);
    return plat::File(folder + bytes, plat::File::Mode::SharedRead);
}

bool IsFolder(const std::string& path)
{
    std::string native;
    struct stat info;
    return plat::ToPosix(path, native) && ::stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsSameFolder(const std::string& first, const std::string& second)
{
    std::string nativeFirst;
    std::string nativeSecond;
    struct stat one;
    struct stat two;
    return plat::ToPosix(first, nativeFirst) && plat::ToPosix(second, nativeSecond) &&
           ::stat(nativeFirst.c_str(), &one) == 0 && ::stat(nativeSecond.c_str(), &two) == 0 &&
           S_ISDIR(one.st_mode) && one.st_dev == two.st_dev && one.st_ino == two.st_ino;
}

bool MakeFolder(const std::string& path)
{
    if (::mkdir(plat::ToPosix(path).c_str(), 0777) == 0)
        return true;
    if (errno != EEXIST)
        plat::RaiseSystemError(path, "cannot create the folder", errno);
    return false;
}

bool RemoveFile(const std::string& path)
{
    std::string native;
    return plat::ToPosix(path, native) && ::unlink(native.c_str()) == 0;
}

bool RemoveUnlessInUse(const std::string& path)
{
    std::string native;
    if (!plat::ToPosix(path, native))
        return false;
    const plat::UniqueFileHandle node(::open(native.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (!node || ::fstat(static_cast<int>(node.Get()), &info) != 0)
        return false;
    plat::UniqueFileHandle file;
    if (S_ISREG(info.st_mode)) {
        // A running pack holds a lock on its partial files as long as it writes them.
        file.Reset(plat::Reopen(static_cast<int>(node.Get()), O_RDONLY | O_CLOEXEC));
        if (!file || ::flock(static_cast<int>(file.Get()), LOCK_EX | LOCK_NB) != 0)
            return false;
    }
    // Only what was looked at, should another file have taken the name meanwhile.
    struct stat named;
    return ::lstat(native.c_str(), &named) == 0 && plat::SameFile(named, info) && ::unlink(native.c_str()) == 0;
}

FolderLock::FolderLock(const std::string& folder, unsigned patience)
    : m_handle(::open(plat::ToPosix(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (!m_handle)
        plat::RaiseSystemError(folder, "cannot open the folder", errno);
    for (unsigned waited = 0; ::flock(static_cast<int>(m_handle.Get()), LOCK_EX | LOCK_NB) != 0; waited += kLockPoll) {
        if (errno != EWOULDBLOCK)
            plat::RaiseSystemError(folder, "cannot lock the folder", errno);
        if (waited >= patience)
            throw FolderInUse(folder);
        ::usleep(kLockPoll * 1000);
    }
}

// Closing the folder lets it go.
FolderLock::~FolderLock() = default;

std::string ProcessTag() { return std::to_string(::getpid()); }

void RemoveFileDurably(const std::string& path)
{
    if (::unlink(plat::ToPosix(path).c_str()) != 0) {
        if (errno == ENOENT)
            return;
        plat::RaiseSystemError(path, "cannot remove", errno);
    }
    FlushFolderOf(path);
}

void MoveFileIntoPlace(const std::string& from, const std::string& to)
{
    if (::rename(plat::ToPosix(from).c_str(), plat::ToPosix(to).c_str()) != 0)
        plat::RaiseSystemError(to, "cannot put a file in place of", errno);
    FlushFolderOf(to);
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::string NameKey(const std::string& name) { return name; }

Utf8Console::Utf8Console() = default;

Utf8Console::~Utf8Console() = default;

} // namespace kwpack
