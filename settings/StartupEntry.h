// The start-with-Windows entry. The window program asks for administrator rights, which the Run key
// cannot give at logon, so the entry is a logon task with the highest run level; where the Task
// Scheduler cannot keep such a task (no Task Scheduler 2.0, or one that drops the trigger or the
// program), it is the value "Zenthar" under HKEY_LOCAL_MACHINE's Run key as before. Either way the
// program is started with the argument "/tray".
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// The argument the entry starts the program with: straight into the notification area.
constexpr const char STARTUP_ARGUMENT[] = "/tray";

// The command the Run key should hold for the program at `path`: the path, in double quotes when
// it contains a blank (the Run key's readers split the command line at blanks), then "/tray".
std::string StartupCommandFor(const std::string& path);

// The running program's full path in the code page; false when it cannot be written exactly
// (characters the code page cannot carry, and no short name that avoids them).
bool RunningProgramPath(std::string& path);

// Writes (on) or deletes (off) value `STARTUP_VALUE_NAME` under HKEY_LOCAL_MACHINE\`runKeyPath`,
// which is never created. The data is the running program's own command, whatever the current
// directory. Returns the Windows error code; deleting a value that is not there succeeds.
LONG WriteStartupValue(const char* runKeyPath, bool on);

// How the entry was kept.
enum class StartupKind { None, LogonTask, RunValue };

// Where the entry lives; the tests point it at keys and tasks of their own.
struct StartupPlaces {
    const char* runKeyPath;
    std::wstring taskName;
    // Registers the task from its definition and hands back what the scheduler stored.
    std::function<HRESULT(const std::wstring& name, const std::wstring& xml, std::wstring& stored)> registerTask;
};
// The real Run key and logon task.
StartupPlaces DefaultStartupPlaces();

// On: the logon task, and the Run value an older version left is removed; the Run value when
// the task cannot be kept. Off: both the task and the Run value are removed. Returns the Windows
// error code (an HRESULT's code for the task); `kind` says what now holds the entry.
LONG WriteStartupEntryAt(const StartupPlaces& places, bool on, StartupKind* kind = nullptr);
// The same for the real places.
LONG WriteStartupEntry(bool on);

// True when the task is registered or the Run value is present as a valid string (the Flag rules).
bool StartupEntryPresentAt(const StartupPlaces& places);
bool StartupEntryPresent();
