// Resource numbers of the window tests' dialogs (shared by window_tests.rc and the tests).
#pragma once
#define IDD_TEST_DIALOG 200
#define IDC_TEST_EDIT 201
#define IDD_TEST_CONTROLS 210
#define IDC_TEST_LIST 211
#define IDC_TEST_STATIC 212
#define IDC_TEST_CONTROL_EDIT 213
#define IDC_TEST_STATIC2 214
#define IDD_TEST_MISSING 299
