#pragma once

// What kwpack needs from the system beyond the platform layer's files. Paths
// are engine paths, with `\` between parts; the names of a folder's items are
// UTF-8, whatever code page a package is written in.

#include "file.h"

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
    std::string name; // UTF-8, as the system names it
    ItemKind kind = ItemKind::Other;
    std::uint64_t size = 0;
};

// Every item of a folder except "." and "..", in no particular order. Links
// are followed: a link is listed as what it leads to. Raises plat::FileError
// when the folder cannot be read.
std::vector<FolderItem> ListFolder(const std::string& folder);
// The names alone, UTF-8, nothing they lead to looked at.
std::vector<std::string> FolderNames(const std::string& folder);
// Opens for reading the file that ListFolder listed as `name` in `folder`,
// shared with other readers and writers.
plat::File OpenListedFile(const std::string& folder, const std::string& name);

bool IsFolder(const std::string& path);
// True when both paths name one existing folder, however they are spelt.
bool IsSameFolder(const std::string& first, const std::string& second);
// Creates the folder `path`, whose parent must exist; false when something of
// that name is there already. Raises plat::FileError with the system's
// reason when it cannot.
bool MakeFolder(const std::string& path);
bool RemoveFile(const std::string& path);

// Removes the file `path` unless a running program holds it, as a running
// pack holds its partial files; a link of that name is removed itself, never
// followed. False when the file is in use or cannot be removed.
bool RemoveUnlessInUse(const std::string& path);

// Sets the folder `folder` apart for this process while the object lives, so
// that packs writing into it take turns. Waits while another process has it,
// for `patience` milliseconds at most, then raises plat::FileError.
class FolderLock {
public:
    FolderLock(const std::string& folder, unsigned patience);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    plat::UniqueFileHandle m_handle;
};

// How long a folder that another process has set apart waits between two
// asks, in milliseconds.
constexpr unsigned kLockPoll = 20;

// What a pack is told when another has kept the folder too long.
inline plat::FileError FolderInUse(const std::string& folder)
{
    return plat::FileError(plat::kCauseSharingViolation, folder,
                           "another kwpack is writing a package into '" + folder + "'; try again once it is done");
}

// A text that no other running process's is: for names only this run uses.
std::string ProcessTag();

// The two steps that replace a package pair, each on the disk before it
// returns, so that a power cut cannot undo one and keep a later one. Both
// raise plat::FileError.
// Removes the file `path` when there is one.
void RemoveFileDurably(const std::string& path);
// Gives the file `from` the name `to` in the same folder, in place of any file of that name.
void MoveFileIntoPlace(const std::string& from, const std::string& to);

// True when standard error, where progress goes, is an interactive console that understands `\r`.
bool StderrIsTerminal();

// The form in which two names of one file are equal: as written on POSIX,
// without regard to case on Windows.
std::string NameKey(const std::string& name);

// Lets the console, if there is one, show the UTF-8 that kwpack writes, for as
// long as the object lives.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned m_saved = 0;
};

} // namespace kwpack
