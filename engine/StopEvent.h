// The named manual-reset event "ZentharSTOPSCANNING" that stops a scan or a repair.
#pragma once
#include <windows.h>

constexpr const char* STOP_EVENT_NAME = "ZentharSTOPSCANNING";

// The process keeps one open handle, created non-signalled on first use.
HANDLE StopEventHandle();
bool StopRequested();  // zero time-out poll
void SignalStop();
void ResetStop();
