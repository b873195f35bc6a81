#include "installer_app.h"

#include "installer_dlg.h"

BOOL CInstallerApp::InitInstance()
{
    CInstallerDlg dialog;
    dialog.DoModal(); // how the dialog ended makes no difference
    return FALSE;
}
