// The start-with-Windows entry: value "Zenthar" under HKEY_LOCAL_MACHINE's Run key.
#pragma once
#include <windows.h>

#include <string>

// The command the Run key should hold for the program at `path`: the path itself, in double
// quotes when it contains a blank (the Run key's readers split the command line at blanks).
std::string StartupCommandFor(const std::string& path);

// The running program's full path in the code page; false when it cannot be written exactly
// (characters the code page cannot carry, and no short name that avoids them).
bool RunningProgramPath(std::string& path);

// Writes (on) or deletes (off) value `STARTUP_VALUE_NAME` under HKEY_LOCAL_MACHINE\`runKeyPath`,
// which is opened with full access and never created. The data is the running program's own
// path, whatever the current directory. Returns the Windows error code; the window ignores it.
LONG WriteStartupValue(const char* runKeyPath, bool on);
// The same for the real Run key.
LONG WriteStartupEntry(bool on);

// True when the entry is present as a valid string (the Flag rules).
bool StartupEntryPresent();
