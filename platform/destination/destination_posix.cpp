// The destination in the POSIX stand-in. Names are looked at before they are
// opened, through descriptors opened with O_PATH, which act on nothing. The
// system cannot keep a folder in place, so where a folder lies is asked of
// `..` level by level, which no link can stand in for and no length of path
// can defeat.

#include "destination.h"
#include "file.h"
#include "paths.h"
#include "posix_files.h"
#include "posix_path.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {
namespace {

constexpr int kMostLinks = 40; // as many as the system itself follows in one name
constexpr unsigned kLevelsAtOnce = 64; // of `..`, asked in one call: far from the longest path it takes

int Fd(const UniqueFileHandle& handle) { return static_cast<int>(handle.Get()); }

// Where a file handed out lies: its folder, that folder's depth below the
// destination, and its name there.
struct Place {
    int folder = -1;
    UniqueFileHandle held; // the folder, when a link led out of the entry's own
    unsigned depth = 0;
    std::string leaf;
};

} // namespace

struct DestinationRoot::Opened {
    UniqueFileHandle folder;
    struct stat identity{}; // what the folder is, wherever it is moved
    std::string parentName; // the last parent folder, as named below the folder
    UniqueFileHandle parent;
    unsigned parentDepth = 0;
    Place output; // of the file last handed out
    bool created = false; // by this run
};

DestinationRoot::DestinationRoot(std::string folder) : m_folder(std::move(folder)), m_path(m_folder) {}

DestinationRoot::~DestinationRoot() = default;

DestinationRoot::Opened& DestinationRoot::Root()
{
    if (m_opened)
        return *m_opened;
    auto opened = std::make_unique<Opened>();
    opened->folder.Reset(::open(ToPosix(m_folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!opened->folder || ::fstat(Fd(opened->folder), &opened->identity) != 0)
        RaiseSystemError(m_folder, "cannot open", errno);
    m_opened = std::move(opened);
    return *m_opened;
}

namespace {

using Opened = DestinationRoot::Opened;

// How many levels `folder` lies below the destination; nothing when the top
// of the file system comes first.
std::optional<unsigned> DepthBelow(const Opened& root, int folder)
{
    UniqueFileHandle held;
    struct stat here;
    if (::fstat(folder, &here) != 0)
        return std::nullopt;
    for (unsigned depth = 0;; ++depth) {
        if (SameFile(here, root.identity))
            return depth;
        UniqueFileHandle up(::openat(held ? Fd(held) : folder, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat above;
        if (!up || ::fstat(Fd(up), &above) != 0 || SameFile(above, here))
            return std::nullopt;
        held = std::move(up);
        here = above;
    }
}

// True when the folder `depth` levels above `folder` is the destination still.
bool StillBelow(const Opened& root, int folder, unsigned depth)
{
    UniqueFileHandle held;
    for (;;) {
        const unsigned levels = std::min(depth, kLevelsAtOnce);
        std::string up = "..";
        for (unsigned level = 1; level < levels; ++level)
            up += "/..";
        depth -= levels;
        if (depth == 0) {
            struct stat above;
            return ::fstatat(folder, up.c_str(), &above, 0) == 0 && SameFile(above, root.identity);
        }
        held.Reset(::openat(folder, up.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!held)
            return false;
        folder = Fd(held);
    }
}

// A level of a parent folder that is no folder of its own: followed when it
// is a link to a folder beneath the destination. `shown` names the level.
UniqueFileHandle FollowFolderLink(const Opened& root, int above, const std::string& name, const std::string& shown,
                                  const std::string& path, unsigned& depth)
{
    if (errno != ENOTDIR)
        RaiseSystemError(path, "cannot open", errno);
    struct stat info;
    if (::fstatat(above, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        RaiseSystemError(path, "cannot open", errno);
    if (!S_ISLNK(info.st_mode))
        RaiseRefused(path, NotAFolder(shown));
    UniqueFileHandle level(::openat(above, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!level)
        RaiseSystemError(path, "cannot open", errno);
    const std::optional<unsigned> below = DepthBelow(root, Fd(level));
    if (!below)
        RaiseLinkOutside(path);
    depth = *below;
    return level;
}

// The folder that `parent` names below the destination `folder`, kept open
// for the entries that follow in it. It is opened a level at a time, so its
// name may be as long as the system lets folders nest, and it may be reached
// through links that stay inside.
int OpenParent(Opened& root, const std::string& folder, const std::string& parent, const std::string& path)
{
    if (root.parent && root.parentName == parent)
        return Fd(root.parent);
    root.parent.Reset();
    UniqueFileHandle held;
    unsigned depth = 0;
    for (std::size_t begin = 0, end = 0; end < parent.size(); begin = end + 1) {
        end = std::min(parent.find('/', begin), parent.size());
        const std::string name = parent.substr(begin, end - begin);
        const int above = held ? Fd(held) : Fd(root.folder);
        UniqueFileHandle level(::openat(above, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (level) {
            ++depth;
        } else {
            std::string shown;
            ToEnginePath(parent.substr(0, end), shown);
            level = FollowFolderLink(root, above, name, folder + shown, path, depth);
        }
        held = std::move(level);
    }
    root.parent = std::move(held);
    root.parentName = parent;
    root.parentDepth = depth;
    return Fd(root.parent);
}

// Moves `place` to where the link `link` (a descriptor of the link itself)
// leads, once that folder is known to lie beneath the destination.
void FollowFileLink(const Opened& root, int link, Place& place, const std::string& path)
{
    std::string text;
    if (!ReadLinkAt(link, "", text))
        RaiseSystemError(path, "cannot open", errno);
    const std::size_t slash = text.rfind('/');
    std::string leaf = text.substr(slash == std::string::npos ? 0 : slash + 1);
    if (leaf.empty() || leaf == "." || leaf == "..")
        RaiseSystemError(path, "cannot open", EISDIR);
    if (slash != std::string::npos) {
        // An absolute text is taken from the top, whatever folder it is asked of.
        const std::string folder = slash == 0 ? "/" : text.substr(0, slash);
        UniqueFileHandle target(::openat(place.folder, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!target)
            RaiseSystemError(path, "cannot open", errno);
        const std::optional<unsigned> depth = DepthBelow(root, Fd(target));
        if (!depth)
            RaiseLinkOutside(path);
        place.folder = Fd(target);
        place.held = std::move(target);
        place.depth = *depth;
    }
    place.leaf = std::move(leaf);
}

// An existing file, looked at before it is opened and reached through links
// only where they stay inside; `place` follows them. It is opened for writing
// only as a plain file with no other name that may be written, and `length`
// is then its length.
UniqueFileHandle OpenExisting(const Opened& root, Place& place, const std::string& path, FileSize& length)
{
    for (int links = 0;; ++links) {
        const UniqueFileHandle node(::openat(place.folder, place.leaf.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat info;
        if (!node || ::fstat(Fd(node), &info) != 0)
            RaiseSystemError(path, "cannot open", errno);
        if (S_ISLNK(info.st_mode)) {
            if (links == kMostLinks)
                RaiseSystemError(path, "cannot open", ELOOP);
            FollowFileLink(root, Fd(node), place, path);
            continue;
        }
        RequirePlainFile(info, path);
        // Another name of the file may lie anywhere on the file system, and
        // the system cannot list a file's names: only a file with one is written.
        if (info.st_nlink > 1)
            RaiseRefused(path, "the file has other names, which may lie outside the destination folder");
        // A read-only file is not overwritten, as on Windows, where even an
        // administrator must clear the attribute first; root would get through here.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            RaiseSystemError(path, "cannot open", EACCES);
        length = static_cast<FileSize>(info.st_size);
        // Non-blocking, so that a lease held elsewhere refuses rather than waits.
        UniqueFileHandle file(Reopen(Fd(node), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
        if (!file)
            RaiseSystemError(path, "cannot open", errno);
        return file;
    }
}

// The folder held for the entries in it may have been moved since it was
// checked, out of the destination even: the system cannot prevent that. So a
// file is looked at where it lies once it is made or opened, and again once
// it is written: the right number of levels up from its folder must be the
// destination, wherever that is now. A file outside is refused, and removed
// when this run made it.
void KeepOnlyInside(const Opened& root, int fd, const std::string& path)
{
    const Place& place = root.output;
    // A file in the destination itself is inside it wherever it is moved.
    if (place.depth == 0 || StillBelow(root, place.folder, place.depth))
        return;
    struct stat made{};
    struct stat named{};
    // Only the file made here, should another have taken its name meanwhile.
    if (root.created && ::fstat(fd, &made) == 0 &&
        ::fstatat(place.folder, place.leaf.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(made, named))
        ::unlinkat(place.folder, place.leaf.c_str(), 0);
    RaiseRefused(path, "its folder was moved out of the destination folder");
}

} // namespace

File DestinationRoot::CreateOutput(const std::string& name)
{
    std::string path = m_folder + name;
    Opened& root = Root();
    const std::string native = ToPosix(name);
    const std::size_t slash = native.rfind('/');
    Place& place = root.output;
    place.held.Reset();
    place.folder = Fd(root.folder);
    place.depth = 0;
    if (slash != std::string::npos) {
        place.folder = OpenParent(root, m_folder, native.substr(0, slash), path);
        place.depth = root.parentDepth;
    }
    place.leaf = native.substr(slash + 1);

    // Made new when it can be, and never through a link, dangling or not.
    root.created = true;
    UniqueFileHandle file(
        ::openat(place.folder, place.leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    FileSize length = 0;
    if (!file && errno == EEXIST) {
        root.created = false;
        file = OpenExisting(root, place, path, length);
    }
    if (!file)
        RaiseSystemError(path, "cannot open", errno);
    KeepOnlyInside(root, Fd(file), path);
    // Locked before it is emptied, so a file in use elsewhere is left alone.
    LockExclusively(Fd(file), path);
    // Only a file that has contents is truncated: on ext4 a truncation to
    // zero also makes the close start writing the new contents out, which
    // for a file just created costs far more than creating it did.
    if (length != 0 && ::ftruncate(Fd(file), 0) != 0)
        RaiseSystemError(path, "cannot truncate", errno);
    return File(std::move(file), std::move(path));
}

void DestinationRoot::ConfirmInside(const File& output)
{
    KeepOnlyInside(Root(), static_cast<int>(output.m_handle.Get()), output.Path());
}

} // namespace plat
