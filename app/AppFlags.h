// Process-wide flags of the application: a scan requested at start, a scan or repair running.
#pragma once
#include <atomic>

// Set when the command line is "scan" or the setting asks for a scan at start; the main window
// presses BUTTON_SCAN itself once its skin is loaded.
extern std::atomic<int> scanAtStart;
// Set while a scan worker or a repair worker runs (read by other threads without a lock).
extern std::atomic<int> scanInProgress;
extern std::atomic<int> fixInProgress;
// Set once the program is closing: the progress dialog shows no more message boxes.
extern std::atomic<int> appClosing;
