#pragma once

#include <windows.h>

// The application: it runs the installer dialog and ends when the dialog does.
class CInstallerApp {
public:
    // Runs the dialog; FALSE, as there is nothing to do once it has closed.
    BOOL InitInstance();
};
