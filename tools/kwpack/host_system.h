#pragma once

// What kwpack needs from the system beyond the platform layer's files. Paths
// are written as the engine writes them, with `\` between parts.

#include <cstdint>
#include <string>
#include <vector>

namespace kwpack {

enum class ItemKind {
    File,
    Folder,
    Other, // a device, pipe, socket or anything else that is not a plain file
};

struct FolderItem {
    std::string name;
    ItemKind kind = ItemKind::Other;
    std::uint64_t size = 0;
};

// Every item of a folder except "." and "..", in no particular order. Links
// are followed. Raises plat::FileError when the folder cannot be read.
std::vector<FolderItem> ListFolder(const std::string& folder);

bool IsFolder(const std::string& path);
// True when both paths name one existing folder, however they are spelt.
bool IsSameFolder(const std::string& first, const std::string& second);
bool RemoveFile(const std::string& path);
// True when standard output is an interactive console that understands `\r`.
bool StdoutIsTerminal();

// The form in which two names of one file are equal: as written on POSIX,
// without regard to case on Windows.
std::string NameKey(std::string name);

} // namespace kwpack
