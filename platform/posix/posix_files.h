#pragma once

// What the POSIX stand-in's files and its destination share; POSIX-only.

#include <cstddef>
#include <string>
#include <sys/stat.h>

namespace plat {

// Beyond any path or link text the kernel gives (PATH_MAX is 4096), so that
// only a failing call stops a buffer's growth.
constexpr std::size_t kLongestPathText = std::size_t{1} << 20;

// Takes the file for this process alone, as Windows does for a file opened
// without sharing.
void LockExclusively(int fd, const std::string& path);

// Refuses, saying what it is, a name that is no plain file: a folder, a pipe,
// a socket or a device.
void RequirePlainFile(const struct stat& info, const std::string& path);

// Opens with `flags` the very file that `node`, a descriptor opened with
// O_PATH, stands for, whatever its name has come to mean meanwhile.
int Reopen(int node, int flags);

// The text of the link `name` in `folder`; an empty name reads the link that
// `folder` itself, opened with O_PATH | O_NOFOLLOW, stands for.
bool ReadLinkAt(int folder, const char* name, std::string& text);

inline bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace plat
