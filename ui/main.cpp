#include "dll_search.h"
#include "installer_app.h"

#include <windows.h>

#include <cstdlib>
#include <cxxabi.h>

// Stands in for the library's own, should an exception ever get past the
// catch below: that one names the exception on standard error, which a window
// program has not, and brings a name demangler and number formatting that
// would make up a quarter of the installer.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
} // namespace __gnu_cxx

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
