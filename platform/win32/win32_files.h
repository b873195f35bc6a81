#pragma once

// What the Windows files and the destination share; Windows-only.

#include "win32_handles.h"
#include "win32_text.h"

#include <windows.h>
#include <winternl.h>

#include <string>

namespace plat {

// For every CreateFile: a server reached by mistake, a pipe's say, may learn
// who opened it, but never act as the installer.
constexpr DWORD kIdentifyOnly = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

[[noreturn]] void RaiseLastError(const std::string& path, const char* action);
[[noreturn]] void RaiseStatus(const std::string& path, const char* action, NTSTATUS status);

// Opens `name` below the folder `parent`, or `parent` itself again when the
// name is empty, asking as kIdentifyOnly does.
NTSTATUS OpenRelative(HANDLE parent, const WideText& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                      ULONG options, UniqueCreatedFile& opened);

// Refuses, saying what it is, an open name that is no file on a disk: a
// folder, a pipe, a mailslot, a console or another device.
void RequireDiskFile(HANDLE file, const std::string& path);

// Where the system resolved an open file or folder to, links, junctions and
// mount points and all, as "\\?\C:\folder".
bool ResolvedPath(HANDLE handle, WideText& path);
// True when `path` lies below `folder`, both final paths as ResolvedPath gives them.
bool IsBeneath(const WideText& path, const WideText& folder);

} // namespace plat
