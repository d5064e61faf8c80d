// The program's own window messages: one definition each, shared by every window and worker.
#pragma once
#include <windows.h>

// The numbers are fixed (the user base 0x400 plus an offset): other threads and processes
// post them by number.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 0x02;        // notification-area icon events
constexpr UINT WM_FLASHSTOP = WM_USER + 0x0A;         // stop the owner's animation
constexpr UINT WM_FLASHPLAY = WM_USER + 0x0B;         // start the owner's animation again
constexpr UINT WM_DESTROYTREE = WM_USER + 0x65;       // sent down a window tree before it is destroyed
constexpr UINT WM_ENABLESCANBUTTON = WM_USER + 0x66;  // enable a sub-screen's own BUTTON_SCAN
constexpr UINT WM_SCANDONE = WM_USER + 0x67;          // a progress dialog's scan worker has finished
constexpr UINT WM_FIXDONE = WM_USER + 0x68;           // a progress dialog's repair worker has finished
