// The program's own window messages: one definition each, shared by every window and worker.
#pragma once
#include <windows.h>

#include "skin/SkinMessages.h"  // the skin's own: animation, tree destruction, scan button

// The numbers are fixed (the user base 0x400 plus an offset): other threads and processes
// post them by number.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 0x02;        // notification-area icon events
constexpr UINT WM_SCANDONE = WM_USER + 0x67;          // a progress dialog's scan worker has finished
constexpr UINT WM_FIXDONE = WM_USER + 0x68;           // a progress dialog's repair worker has finished
