#pragma once

// What the system makes of a path: whether it names anything, the current
// folder, new folders, the executable's own path and full paths. Paths are
// engine paths, as in file.h.

#include <string>

namespace plat {

// True when a directory entry, file or folder, matches the pattern.
bool FindEntry(const std::string& pattern);
// True when the current folder is now `path`.
bool SetCurrentFolder(const std::string& path);
// True when the folder was created; false when the name exists or its parent is missing.
bool CreateFolder(const std::string& path);
// The running executable's full path, however long; false when it cannot be had.
bool GetExecutablePath(std::string& path);
// The absolute path the system makes of `path` by its own rules, without
// looking at the disk; false when it cannot make one (too long, say).
bool GetFullPath(const std::string& path, std::string& full);
// A path as the system writes it (UTF-8 with `/` on POSIX, the ANSI code page
// on Windows) as an engine path; false when the path code page cannot write it.
bool ToEnginePath(const std::string& systemPath, std::string& path);
// UTF-8 text naming a path with `\` between its parts, written as the system's
// user reads paths: with `/` on POSIX.
std::string ShownPath(std::string text);

} // namespace plat
