#include "link_target.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>

namespace plat {
namespace {

constexpr std::uint32_t kTagMountPoint = 0xA0000003;   // IO_REPARSE_TAG_MOUNT_POINT
constexpr std::uint32_t kTagSymbolicLink = 0xA000000C; // IO_REPARSE_TAG_SYMLINK
constexpr std::uint32_t kNameSurrogate = 0x20000000;   // the tag's mark of a name that stands for another
constexpr std::uint32_t kRelative = 1;                 // SYMLINK_FLAG_RELATIVE
// The tag, the length of what follows the header, and a reserved word.
constexpr std::size_t kHeader = 8;

const char* const kUnreadable = "its link data cannot be read";
const char* const kNoFile = "it is a link to a device, a volume or another object that is no folder or file";

std::uint16_t Read16(const unsigned char* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

std::uint32_t Read32(const unsigned char* at) { return Read16(at) | static_cast<std::uint32_t>(Read16(at + 2)) << 16; }

bool StartsWith(const WideText& text, const wchar_t* prefix)
{
    const std::size_t length = std::wcslen(prefix);
    return text.size() >= length && std::equal(prefix, prefix + length, text.begin());
}

void Append(WideText& text, const wchar_t* more) { text.insert(text.end(), more, more + std::wcslen(more)); }

bool SameNames(const wchar_t* a, const wchar_t* b, std::size_t length)
{
    const int size = static_cast<int>(length);
    return ::CompareStringOrdinal(a, size, b, size, TRUE) == CSTR_EQUAL;
}

// How much of a full path `..` cannot climb out of: "\\?\C:" or
// "\\?\UNC\server\share"; 0 when the path begins with neither.
std::size_t RootLength(const WideText& path)
{
    if (StartsWith(path, L"\\\\?\\UNC\\")) {
        const auto server = path.begin() + 8;
        const auto share = std::find(server, path.end(), L'\\');
        if (share == server || share == path.end() || share + 1 == path.end() || share[1] == L'\\')
            return 0;
        return static_cast<std::size_t>(std::find(share + 1, path.end(), L'\\') - path.begin());
    }
    const wchar_t letter = path.size() >= 6 ? static_cast<wchar_t>(path[4] | 0x20) : 0;
    const bool drive = StartsWith(path, L"\\\\?\\") && letter >= L'a' && letter <= L'z' && path[5] == L':';
    return drive && (path.size() == 6 || path[6] == L'\\') ? 6 : 0;
}

// `path` with its `.` and `..` parts resolved and empty parts dropped, as
// the system resolves a link's target; a drive's or share's root keeps its
// final `\`. False when the path is on no drive or share.
bool Normalized(const WideText& path, WideText& normal)
{
    const std::size_t root = RootLength(path);
    if (root == 0)
        return false;
    normal.assign(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(root));
    for (auto begin = path.begin() + static_cast<std::ptrdiff_t>(root); begin != path.end();) {
        const auto end = std::find(begin + 1, path.end(), L'\\');
        const auto length = end - begin - 1;
        if (length == 2 && begin[1] == L'.' && begin[2] == L'.') {
            while (normal.size() > root && normal.back() != L'\\')
                normal.pop_back();
            if (normal.size() > root)
                normal.pop_back();
        } else if (length > 0 && !(length == 1 && begin[1] == L'.')) {
            normal.insert(normal.end(), begin, end);
        }
        begin = end;
    }
    if (normal.size() == root)
        normal.push_back(L'\\');
    return true;
}

// A link's substitute name as a normalized full path: a relative one taken
// from the link's folder, or from the root of its drive when it starts with
// `\`; an absolute one only when it names a drive or a share.
bool FullPath(WideText text, bool relative, const WideText& linkFolder, WideText& path)
{
    WideText full;
    if (relative) {
        const bool rooted = !text.empty() && text[0] == L'\\';
        full.assign(linkFolder.begin(), rooted ? linkFolder.begin() + static_cast<std::ptrdiff_t>(RootLength(linkFolder))
                                               : linkFolder.end());
        if (!rooted)
            full.push_back(L'\\');
    } else if (StartsWith(text, L"\\??\\UNC\\")) {
        Append(full, L"\\\\?\\UNC");
        text.erase(text.begin(), text.begin() + 7);
    } else if (StartsWith(text, L"\\??\\")) {
        Append(full, L"\\\\?");
        text.erase(text.begin(), text.begin() + 3);
    } else {
        return false;
    }
    full.insert(full.end(), text.begin(), text.end());
    return Normalized(full, path);
}

LinkTarget Refused(const char* why)
{
    LinkTarget target;
    target.why = why;
    return target;
}

} // namespace

LinkTarget ReadLinkTarget(const unsigned char* data, std::size_t size, const WideText& linkFolder)
{
    if (size < kHeader)
        return Refused(kUnreadable);
    const std::uint32_t tag = Read32(data);
    if (tag != kTagMountPoint && tag != kTagSymbolicLink)
        return Refused((tag & kNameSurrogate) != 0 ? "it is a link of a kind the installer does not follow"
                                                   : "it is a reparse point, which the installer does not write through");
    const bool symbolic = tag == kTagSymbolicLink;
    // The names' offsets and lengths, then a symbolic link's flags, then the names.
    const std::size_t names = kHeader + 8 + (symbolic ? 4 : 0);
    const std::size_t length = kHeader + Read16(data + 4);
    if (length > size || length < names)
        return Refused(kUnreadable);
    const std::size_t offset = names + Read16(data + kHeader);
    const std::size_t bytes = Read16(data + kHeader + 2);
    if (offset + bytes > length || bytes % 2 != 0)
        return Refused(kUnreadable);
    WideText text(bytes / 2);
    std::memcpy(text.data(), data + offset, bytes);

    const bool relative = symbolic && (Read32(data + kHeader + 8) & kRelative) != 0;
    LinkTarget target;
    if (!FullPath(text, relative, linkFolder, target.path))
        return Refused(kNoFile);
    return target;
}

bool PartsBelow(const WideText& path, const WideText& folder, WideText& parts)
{
    parts.clear();
    // A drive's root keeps its `\`; below it the next part begins at once.
    const std::size_t cut = !folder.empty() && folder.back() == L'\\' ? folder.size() - 1 : folder.size();
    if (path.size() < cut || !SameNames(path.data(), folder.data(), cut))
        return false;
    if (path.size() == cut || (path.size() == cut + 1 && path[cut] == L'\\'))
        return true;
    if (path[cut] != L'\\')
        return false;
    parts.assign(path.begin() + static_cast<std::ptrdiff_t>(cut) + 1, path.end());
    return true;
}

} // namespace plat
