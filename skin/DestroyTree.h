// WM_DESTROYTREE sent down a window tree before the tree is destroyed.
#pragma once
#include <windows.h>

// Sends WM_DESTROYTREE synchronously to every descendant of root that has a window object of
// ours, each window before its own children. The tree is listed first; a window that an earlier
// receiver destroyed (or whose object is gone) is skipped, so nothing is sent to a dead window.
// Returns the number of windows the message was sent to.
int SendDestroyTree(HWND root);
