// The window messages the skin's own windows send and answer. The numbers are fixed (the user
// base 0x400 plus an offset): other threads post them by number.
#pragma once
#include <windows.h>

constexpr UINT WM_FLASHSTOP = WM_USER + 0x0A;         // stop the owner's animation
constexpr UINT WM_FLASHPLAY = WM_USER + 0x0B;         // start the owner's animation again
constexpr UINT WM_DESTROYTREE = WM_USER + 0x65;       // sent down a window tree before it is destroyed
constexpr UINT WM_ENABLESCANBUTTON = WM_USER + 0x66;  // enable a sub-screen's own BUTTON_SCAN
