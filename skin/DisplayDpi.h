// The dots per inch of the display a window is on, as the program's awareness lets it see them.
#pragma once
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The window's own scale where the system tracks it per window (per-monitor awareness), else the
// screen's (system awareness; 96 for a program the system stretches). Never below 1.
int WindowDpi(HWND hwnd);
