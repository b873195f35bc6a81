#pragma once

#include <windows.h>

// The application: it runs the installer dialog and ends when the dialog does.
class CInstallerApp {
public:
    // Runs the dialog; FALSE, as there is nothing to do once it has closed.
    BOOL InitInstance();
    // The program's exit status: nonzero when the dialog could not be shown or
    // ended in a failure the user was told of.
    int ExitInstance() const;

private:
    INT_PTR m_dialogResult = 0;
};
