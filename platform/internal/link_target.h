#pragma once

// Where a link on Windows leads, read from its reparse data before anything it
// names is opened: opening a pipe, even for its attributes, already connects to
// its server, and opening a path on another machine already authenticates to
// it. Windows-only, but it asks the system nothing, so its tests need no links.

#include "win32_text.h"

#include <cstddef>

namespace plat {

struct LinkTarget {
    // A full path written as the system writes final paths ("\\?\C:\x",
    // "\\?\UNC\server\share\x"), with no `.` or `..` parts; empty when `why` says
    // why the link is not followed.
    WideText path;
    const char* why = nullptr;
};

// What the reparse data of a name (as FSCTL_GET_REPARSE_POINT gives it) leads
// to: a symbolic link's target, relative to `linkFolder`, where the folder
// holding the link lies, or absolute; or a mount point's (a junction's).
// Followed only to a path on a drive or a share: never to a device, a pipe,
// a volume named by its GUID or anything else the object manager holds.
LinkTarget ReadLinkTarget(const unsigned char* data, std::size_t size, const WideText& linkFolder);

// The parts of `path` below `folder`, `\` between them, both written as
// LinkTarget's are and compared as the system compares names, without regard
// to case; none when the two are one. False when `path` does not lie there.
bool PartsBelow(const WideText& path, const WideText& folder, WideText& parts);

} // namespace plat
