#include "installer_app.h"

#include "installer_dlg.h"

BOOL CInstallerApp::InitInstance()
{
    CInstallerDlg dialog;
    m_dialogResult = dialog.DoModal();
    return FALSE;
}

int CInstallerApp::ExitInstance() const { return m_dialogResult == -1 ? 1 : 0; }
