// Waits of a window's thread for another thread that may still send to it or show message boxes.
#pragma once
#include <windows.h>

// Waits for `object` up to `milliseconds` (INFINITE allowed) while answering messages that other
// threads send to this thread's windows, so a worker that sends to a window of this thread (a
// label repaint, a message box owned by it) cannot deadlock the wait. Posted messages stay queued.
// True when the object was signalled in time.
bool WaitServingSentMessages(HANDLE object, DWORD milliseconds);

// Answers the message boxes that thread `threadId` shows (dialogs of the system's dialog class)
// with their default button, so that a worker waiting on a box can reach its end. Returns how
// many boxes were answered.
int CloseThreadMessageBoxes(DWORD threadId);
