// F1 anywhere in a window: whichever of its controls has the focus, the window is told.
#pragma once
#include <windows.h>

constexpr UINT WM_HELPKEY = WM_APP + 0x30;  // posted to a watched window when F1 is pressed in it

// From now on, F1 (without Ctrl, Alt or Shift) pressed in `root` or any window inside it posts
// WM_HELPKEY to `root` instead of reaching the focused control. For windows of the calling thread;
// each watched window calls UnwatchHelpKey on the same thread before it goes.
void WatchHelpKey(HWND root);
void UnwatchHelpKey(HWND root);
