#pragma once

#include <windows.h>

#include <string>

namespace ui {

// Lets the user pick a file-system folder, with the shell's folder browser
// owned by `owner`. Returns false, leaving `folder` alone, when the user
// cancels or the choice has no file-system path that the ANSI code page
// writes, not even a short one.
bool BrowseForFolder(HWND owner, const std::string& title, std::string& folder);

} // namespace ui
