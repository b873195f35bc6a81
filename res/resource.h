// Resource ids, shared by the resource script and the window code.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_INSTALLER 102

#define IDC_DESTINATION 1000
#define IDC_BROWSE 1001
#define IDC_STATUS 1002
#define IDC_PROGRESS 1003

#define IDS_APP_TITLE 0xE000
