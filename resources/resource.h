// Numeric identifiers of Zenthar's resources: icons, menus, strings, dialogs and their controls.
#pragma once

#define ZENTHAR_VERSION_TEXT "1.0.0"
#define ZENTHAR_VERSION_BINARY 1,0,0,0

// Dialogs
#define IDD_ABOUTBOX            100
#define IDD_SKINNED             134   // the frameless pop-up the skinned windows are made from
#define IDD_ADD_SCHEDULE        139

// Strings
#define IDS_ABOUTBOX            101

// Icons
#define IDR_MAINFRAME           128
#define IDI_TRAY                132

// Menus
#define IDR_TRAY_MENU           140
#define IDR_LIST_MENU           171

// Menu commands
#define ID_TRAY_SHOW            32771
#define ID_TRAY_CLOSE           32773
#define ID_LIST_SELECT_ALL      32780
#define ID_LIST_DESELECT_ALL    32781

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif

// Controls of the about box
#define IDC_ABOUT_VERSION       1000

// Controls of the add-schedule dialog
#define IDC_START_DATE          1001
#define IDC_START_TIME          1002
#define IDC_FREQ_ONCE           1003
#define IDC_FREQ_DAILY          1004
#define IDC_FREQ_WEEKLY         1005
#define IDC_FREQ_MONTHLY        1006
