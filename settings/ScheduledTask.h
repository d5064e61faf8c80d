// Scheduled scans through the Windows Task Scheduler: one task per user starting the program
// with "scan", carrying any number of start-time triggers.
#pragma once
#include <windows.h>
#include <mstask.h>

#include <ctime>
#include <string>
#include <vector>

#include "settings/UiLanguage.h"

// Frequencies of a trigger, as the add-schedule dialog numbers them.
enum ScheduleFrequency {
    SCHEDULE_ONCE = 1,
    SCHEDULE_DAILY = 2,
    SCHEDULE_WEEKLY = 3,
    SCHEDULE_MONTHLY = 4,
};

constexpr const char* SCHEDULED_TASK_BASE_NAME = "Zenthar";
constexpr const char* SCHEDULED_SCAN_PARAMETERS = "scan";

// What the task and its next trigger are made from.
struct ScheduledTaskSpec {
    WORD year = 0, month = 0, dayOfWeek = 0, day = 0;  // first day the trigger fires
    WORD startHour = 0, startMinute = 0;               // time of day it fires
    int frequency = SCHEDULE_ONCE;                     // a ScheduleFrequency
    std::string application;       // full path of the program to start
    std::string parameters;        // "scan"
    std::string workingDirectory;  // the program's folder
    std::string accountName;       // the logged-on user
    std::string comment;           // set on the task only when non-empty
    bool isNT = true;              // NT family: account information and the interactive flag
};

// True on the NT family (high bit of the version word clear).
bool IsNtSystem();
// The logged-on user's name in the ANSI code page; empty when the name cannot be read or has a
// character the code page cannot hold exactly (such a name would address another task).
std::string ScheduledTaskUserName();
// "Zenthar" followed by the user name; just "Zenthar" when isNT is false. Empty when the user
// name is unusable, which the operations below refuse.
std::string ScheduledTaskName(bool isNT);
// The flags the task is created with: 192, plus the interactive flag on NT (193).
DWORD ScheduledTaskFlags(bool isNT);
// The task description for this program: its full path and folder, "scan", the user and the system family.
// Date, time and frequency are left for the caller. The path is left empty when it cannot be
// written exactly in the ANSI code page.
ScheduledTaskSpec ScheduledTaskSpecForThisProgram();

// The five operations. Each takes the task name in the ANSI code page and returns an HRESULT.
// Create and add rely on the caller's thread having initialised COM; find, delete and list
// initialise (and uninitialise) it themselves.

// Creates the task. E_FAIL when the start year is 0, or the name or application is empty. An
// existing task is replaced unless doNotReplace is set, which yields ERROR_FILE_EXISTS as an
// HRESULT and changes nothing.
HRESULT CreateScheduledTask(const ScheduledTaskSpec& plan, const std::string& name, bool doNotReplace);
// Adds a trigger for the description's date, time and frequency and saves the task. E_FAIL under the
// same conditions as create; E_INVALIDARG for a frequency outside 1..4.
HRESULT AddScheduledTrigger(const ScheduledTaskSpec& plan, const std::string& name);
// The first trigger whose begin date, start hour and start minute equal the description's: its index
// (-1 when none) and, when asked, the trigger itself for a later delete.
HRESULT FindScheduledTrigger(const ScheduledTaskSpec& plan, const std::string& name, int& index,
                             TASK_TRIGGER* found = nullptr);
// Deletes the trigger `expected` that a find or list reported at `index`. When the task's
// triggers changed since, the same trigger is deleted where it now stands; when it is gone,
// nothing changes and SCHED_E_TRIGGER_NOT_FOUND is returned. Removing the last trigger removes
// the task, since the platform would otherwise save a placeholder trigger in its place.
HRESULT DeleteScheduledTrigger(const std::string& name, int index, const TASK_TRIGGER& expected);
// The task's most recent run (0 when it never ran) and one description per trigger in index
// order (appended), in `language`: the platform's own text when the platform speaks that language
// to this user, or ours in the same words where it has none or speaks another. On a failure the
// lists hold what was read until then.
HRESULT ListScheduledTriggers(const std::string& name, time_t& lastRun, std::vector<std::string>& descriptions,
                              std::vector<TASK_TRIGGER>* triggers = nullptr,
                              UiLanguage language = CurrentUiLanguage());

// Removes the whole task (initialises COM itself).
HRESULT DeleteScheduledTask(const std::string& name);

// The trigger AddScheduledTrigger makes from a description (exposed for comparisons).
TASK_TRIGGER ScheduledTriggerFor(const ScheduledTaskSpec& plan);
// Two triggers that fire alike (every field the Task Scheduler keeps, by trigger type).
bool SameTrigger(const TASK_TRIGGER& a, const TASK_TRIGGER& b);
// Our own description of a trigger, with the user locale's date and time formats.
std::string DescribeTaskTrigger(const TASK_TRIGGER& trigger, UiLanguage language = UiLanguage::English);
