#include "dll_search.h"
#include "installer_app.h"

#include <windows.h>

namespace {

CInstallerApp theApp;

} // namespace

// The command line is not read.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    ui::RestrictDllSearch();
    try {
        theApp.InitInstance();
    } catch (...) {
        return 1;
    }
    return theApp.ExitInstance();
}
