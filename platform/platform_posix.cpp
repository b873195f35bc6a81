// A stand-in for building and testing the engine on Linux: the engine's
// Windows-style paths are mapped to POSIX paths where the system is called.

#include "platform.h"
#include "platform_detail.h"
#include "posix_path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/falloc.h>
#include <glob.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <string_view>
#include <unistd.h>
#include <vector>

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

int CauseOfSystemError(long error)
{
    switch (error) {
    case ENOENT: return kCauseNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR: return kCauseBadPath;
    case EMFILE:
    case ENFILE: return kCauseTooManyOpen;
    case EACCES:
    case EPERM:
    case EROFS: return kCauseAccessDenied;
    case EWOULDBLOCK: return kCauseSharingViolation;
    case ENOSPC:
    case EDQUOT: return kCauseDiskFull;
    default: return kCauseGeneric;
    }
}

std::string SystemErrorText(long error) { return std::strerror(static_cast<int>(error)); }

namespace {

// Takes the file for this process alone, as Windows does for a file opened
// without sharing. A lock held elsewhere is told as the sharing violation it
// stands for: the system's own words for it would only mislead.
void LockExclusively(int fd, const std::string& path)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return;
    if (errno == EWOULDBLOCK)
        throw MakeFileError(kCauseSharingViolation, path, "cannot open", 0);
    RaiseSystemError(path, "cannot open", errno);
}

// The text of a symbolic link, however long.
bool ReadLink(const char* link, std::string& text)
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(link, buffer.data(), buffer.size());
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) < buffer.size()) {
            text.assign(buffer.data(), static_cast<std::size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string DescriptorLink(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Where the system resolved an open file or folder to, links and all.
bool ResolvedPath(int fd, std::string& path) { return ReadLink(DescriptorLink(fd).c_str(), path); }

bool IsBeneath(const std::string& path, const std::string& folder)
{
    if (folder == "/")
        return path.size() > 1 && path[0] == '/';
    return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

[[noreturn]] void RaiseOutside(const std::string& path, const char* why = "a link leads outside the destination folder")
{
    throw FileError(kCauseBadPath, path, "cannot open '" + path + "': " + why);
}

// Locks an output file, so one in use elsewhere is left alone, then empties it.
// A file just created needs neither the checks nor the truncation.
void TakeForWriting(int fd, const std::string& path, bool created)
{
    struct stat info{};
    if (!created) {
        if (::fstat(fd, &info) != 0)
            RaiseSystemError(path, "cannot open", errno);
        if (S_ISDIR(info.st_mode))
            RaiseSystemError(path, "cannot open", EISDIR);
        // Another name of the file may lie anywhere on the file system, and
        // the system cannot list a file's names: only a file with one is written.
        if (info.st_nlink > 1)
            RaiseOutside(path, "the file has other names, which may lie outside the destination folder");
        // A read-only file is not overwritten, as on Windows, where even an
        // administrator must clear the attribute first; root would get through here.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            RaiseSystemError(path, "cannot open", EACCES);
    }
    LockExclusively(fd, path);
    // Only a file that has contents is truncated: on ext4 a truncation to
    // zero also makes the close start writing the new contents out, which
    // for a file just created costs far more than creating it did.
    if (info.st_size != 0 && ::ftruncate(fd, 0) != 0)
        RaiseSystemError(path, "cannot truncate", errno);
}

} // namespace

void FileHandleTraits::Close(Type handle) noexcept { ::close(static_cast<int>(handle)); }

File::File(const std::string& path, Mode mode) : m_path(path)
{
    const std::string native = ToPosix(path);
    const bool write = mode == Mode::CreateWrite;
    // Truncation waits until the lock is held, so a file in use is left alone.
    const int fd = ::open(native.c_str(), (write ? O_WRONLY | O_CREAT : O_RDONLY) | O_CLOEXEC, 0666);
    if (fd < 0)
        RaiseSystemError(path, "cannot open", errno);
    m_handle.Reset(fd);

    if (write) {
        TakeForWriting(fd, path, false);
        return;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0)
        RaiseSystemError(path, "cannot open", errno);
    if (S_ISDIR(info.st_mode))
        RaiseSystemError(path, "cannot open", EISDIR);
    // A shared read takes no lock at all, so it never stands in anyone's way.
    if (mode == Mode::Read)
        LockExclusively(fd, path);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

File::File(UniqueFileHandle handle, std::string path) : m_handle(std::move(handle)), m_path(std::move(path)) {}

std::size_t File::Read(void* buffer, std::size_t count)
{
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(static_cast<int>(m_handle.Get()), bytes + done, count - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            RaiseSystemError(m_path, "cannot read", errno);
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void File::Write(const void* buffer, std::size_t count)
{
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(static_cast<int>(m_handle.Get()), bytes + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            RaiseSystemError(m_path, "cannot write", errno);
        }
        if (put == 0)
            RaiseSystemError(m_path, "cannot write", ENOSPC);
        done += static_cast<std::size_t>(put);
    }
}

// Blocks allocated ahead made large entries a tenth to a third faster on ext4.
void File::Preallocate(FileSize count)
{
    const int fd = static_cast<int>(m_handle.Get());
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    if (at >= 0)
        ::fallocate(fd, FALLOC_FL_KEEP_SIZE, at, static_cast<off_t>(count));
}

void File::Flush()
{
    if (::fsync(static_cast<int>(m_handle.Get())) != 0)
        RaiseSystemError(m_path, "cannot flush", errno);
}

FileSize File::GetLength() const
{
    struct stat info;
    if (::fstat(static_cast<int>(m_handle.Get()), &info) != 0)
        RaiseSystemError(m_path, "cannot get the length of", errno);
    return static_cast<FileSize>(info.st_size);
}

FileSize File::GetPosition() const
{
    const off_t position = ::lseek(static_cast<int>(m_handle.Get()), 0, SEEK_CUR);
    if (position < 0)
        RaiseSystemError(m_path, "cannot get the position in", errno);
    return static_cast<FileSize>(position);
}

struct DestinationRoot::Opened {
    UniqueFileHandle folder;
    std::string resolved; // the folder's path with every link resolved
    dev_t device = 0; // and what the folder is, wherever it is moved
    ino_t inode = 0;
    std::string parentName; // the last parent folder, as named below the folder
    UniqueFileHandle parent;
    std::string parentUp; // "..", "../..", ...: from that folder up to the destination
};

DestinationRoot::DestinationRoot(std::string folder) : m_folder(std::move(folder)) {}

DestinationRoot::~DestinationRoot() = default;

DestinationRoot::Opened& DestinationRoot::Root()
{
    if (m_opened)
        return *m_opened;
    auto opened = std::make_unique<Opened>();
    opened->folder.Reset(::open(ToPosix(m_folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!opened->folder)
        RaiseSystemError(m_folder, "cannot open", errno);
    if (!ResolvedPath(static_cast<int>(opened->folder.Get()), opened->resolved))
        RaiseSystemError(m_folder, "cannot open", errno);
    struct stat info;
    if (::fstat(static_cast<int>(opened->folder.Get()), &info) != 0)
        RaiseSystemError(m_folder, "cannot open", errno);
    opened->device = info.st_dev;
    opened->inode = info.st_ino;
    m_opened = std::move(opened);
    return *m_opened;
}

namespace {

// The folder that `parent` names below the root, kept open for the entries
// that follow in it. It may be reached through links that stay inside.
int OpenParent(DestinationRoot::Opened& root, const std::string& parent, const std::string& path)
{
    if (root.parent && root.parentName == parent)
        return static_cast<int>(root.parent.Get());
    root.parent.Reset();
    UniqueFileHandle folder(::openat(static_cast<int>(root.folder.Get()), parent.c_str(),
                                     O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        RaiseSystemError(path, "cannot open", errno);
    std::string resolved;
    if (!ResolvedPath(static_cast<int>(folder.Get()), resolved))
        RaiseSystemError(path, "cannot open", errno);
    if (resolved != root.resolved && !IsBeneath(resolved, root.resolved))
        RaiseOutside(path);
    // As deep below the destination as it lies, links resolved.
    root.parentUp.clear();
    for (std::size_t at = root.resolved == "/" ? 0 : root.resolved.size(); at < resolved.size(); ++at) {
        if (resolved[at] == '/')
            root.parentUp += root.parentUp.empty() ? ".." : "/..";
    }
    root.parent = std::move(folder);
    root.parentName = parent;
    return static_cast<int>(root.parent.Get());
}

// An existing file, never through a link whose target lies outside. Only
// checked, not opened for writing, until its target is known to lie inside.
int OpenExisting(const DestinationRoot::Opened& root, int folder, const std::string& leaf, const std::string& path)
{
    // Non-blocking, so a pipe of that name cannot hold the install up.
    const int fd = ::openat(folder, leaf.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 || errno != ELOOP)
        return fd;
    const UniqueFileHandle target(::openat(folder, leaf.c_str(), O_PATH | O_CLOEXEC));
    if (!target)
        return -1;
    std::string resolved;
    if (!ResolvedPath(static_cast<int>(target.Get()), resolved) || !IsBeneath(resolved, root.resolved))
        RaiseOutside(path);
    // Opened through the descriptor, so what was checked is what is written.
    return ::open(DescriptorLink(static_cast<int>(target.Get())).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
}

// The folder held for the entries in it may have been moved since it was
// checked, out of the destination even: the system cannot prevent that. So a
// file is made or opened first, then its folder is looked at: the right
// number of levels up from it must be the destination, wherever that is now.
// Asked of `..`, which no link can stand in for, and cheaper than asking for
// the file's path. A file outside is refused, and removed when it was just made.
void KeepOnlyInside(const DestinationRoot::Opened& root, int fd, int folder, const std::string& leaf, bool created,
                    const std::string& path)
{
    struct stat above;
    if (root.parentUp.empty() || (::fstatat(folder, root.parentUp.c_str(), &above, 0) == 0 &&
                                  above.st_dev == root.device && above.st_ino == root.inode))
        return;
    struct stat made{};
    struct stat named{};
    // Only the file made here, should another have taken its name meanwhile.
    if (created && ::fstat(fd, &made) == 0 && ::fstatat(folder, leaf.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        made.st_dev == named.st_dev && made.st_ino == named.st_ino)
        ::unlinkat(folder, leaf.c_str(), 0);
    RaiseOutside(path, "its folder was moved out of the destination folder");
}

} // namespace

File DestinationRoot::CreateOutput(const std::string& name)
{
    std::string path = m_folder + name;
    Opened& root = Root();
    const std::string native = ToPosix(name);
    const std::size_t slash = native.rfind('/');
    const int folder = slash == std::string::npos ? static_cast<int>(root.folder.Get())
                                                  : OpenParent(root, native.substr(0, slash), path);
    const std::string leaf = native.substr(slash + 1);

    // Made new when it can be, and never through a link, dangling or not.
    bool created = true;
    int fd = ::openat(folder, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = OpenExisting(root, folder, leaf, path);
    }
    if (fd < 0)
        RaiseSystemError(path, "cannot open", errno);
    UniqueFileHandle file(fd);
    // A file made in the destination itself is inside it wherever it is moved.
    if (slash != std::string::npos)
        KeepOnlyInside(root, fd, folder, leaf, created, path);
    TakeForWriting(fd, path, created);
    return File(std::move(file), std::move(path));
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
    return ReadLink("/proc/self/exe", native) && ToEnginePath(native, path);
}

// Resolves `.` and `..` by the text alone, as the Windows call does; a `..`
// at the root stays at the root.
bool GetFullPath(const std::string& path, std::string& full)
{
    std::string native;
    if (!ToPosix(path, native) || native.empty())
        return false;
    if (native[0] != '/') {
        std::vector<char> buffer(256);
        while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
            if (errno != ERANGE)
                return false;
            buffer.resize(buffer.size() * 2);
        }
        native = std::string(buffer.data()) + "/" + native;
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
