// Numeric identifiers of Zenthar's resources: icons, menus, strings, dialogs and their controls.
#pragma once

// The version has one source, the project's; CMake writes it into ZentharVersion.h.
#include "ZentharVersion.h"
#define ZENTHAR_VERSION_TEXT ZENTHAR_VERSION
#define ZENTHAR_VERSION_BINARY ZENTHAR_VERSION_MAJOR,ZENTHAR_VERSION_MINOR,ZENTHAR_VERSION_PATCH,0

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

// Menu commands
#define ID_TRAY_SHOW            32771
#define ID_TRAY_CLOSE           32773

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

// Menu 171 and its commands belong to the skinned list.
#include "skin/SkinResourceIds.h"
#define IDR_LIST_MENU        IDR_SKINLIST_MENU
#define ID_LIST_SELECT_ALL   ID_SKINLIST_SELECT_ALL
#define ID_LIST_DESELECT_ALL ID_SKINLIST_DESELECT_ALL
