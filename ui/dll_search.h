#pragma once

namespace ui {

// Makes the system load DLLs named without a path only from System32, never
// from the installer's own folder (a download folder, as often as not) or the
// current folder. Call it before anything can load a DLL.
void RestrictDllSearch();

} // namespace ui
