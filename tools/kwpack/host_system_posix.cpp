#include "host_system.h"

#include "code_page_text.h"
#include "platform_detail.h"
#include "posix_path.h"

#include <cerrno>
#include <clocale>
#include <cwctype>
#include <dirent.h>
#include <fcntl.h>
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

std::vector<FolderItem> ListFolder(const std::string& folder)
{
    const std::string native = plat::ToPosix(folder);
    UniqueDirectory directory(::opendir(native.c_str()));
    if (!directory)
        plat::RaiseSystemError(folder, "cannot list the folder", errno);

    std::vector<FolderItem> items;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory.Get());
        if (entry == nullptr) {
            if (errno != 0)
                plat::RaiseSystemError(folder, "cannot list the folder", errno);
            return items;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info;
        if (::stat((native + name).c_str(), &info) != 0) {
            const int error = errno;
            std::string bytes;
            plat::RaiseSystemError(EncodeName(name, plat::PathCodePage(), bytes).empty() ? folder + bytes : folder,
                                   "cannot read", error);
        }
        items.push_back({name, KindOf(info), static_cast<std::uint64_t>(info.st_size)});
    }
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

void MakeFolder(const std::string& path)
{
    if (::mkdir(plat::ToPosix(path).c_str(), 0777) != 0)
        plat::RaiseSystemError(path, "cannot create the folder", errno);
}

bool RemoveFile(const std::string& path)
{
    std::string native;
    return plat::ToPosix(path, native) && ::unlink(native.c_str()) == 0;
}

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

// Case as the C library knows it for all of Unicode, which takes a UTF-8 locale.
std::string UpperCase(const std::string& text)
{
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    std::string upper;
    char32_t point = 0;
    for (std::size_t at = 0, length = 1; at < text.size(); at += length) {
        if (!plat::ReadUtf8(text, at, point, length)) {
            upper += text[at];
            length = 1;
            continue;
        }
        const auto wide = static_cast<wint_t>(point);
        plat::AppendUtf8(upper, static_cast<char32_t>(unicode != nullptr ? ::towupper_l(wide, unicode) : ::towupper(wide)));
    }
    return upper;
}

std::string NameKey(const std::string& name) { return name; }

Utf8Console::Utf8Console() = default;

Utf8Console::~Utf8Console() = default;

} // namespace kwpack
