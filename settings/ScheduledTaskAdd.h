// What the add-schedule dialog does on OK, without its window: from the pickers' values to one
// of the three messages the dialog shows.
#pragma once
#include <windows.h>

#include <string>

#include "settings/ScheduledTask.h"

enum class ScheduleOutcome { Success, Failed, AlreadyScheduled };

// "Schedule Creation Success!!", "Schedule Creation Failed!!", "Already Scheduled For This Time!!".
const char* ScheduleOutcomeMessage(ScheduleOutcome outcome);

// The start-time picker's display format (DTM_SETFORMAT): the user locale's time format without
// its seconds.
std::string ScheduleTimePickerFormat();

// Fills the description's date from the date picker (year, month, weekday, day), its hour and minute
// from the time picker (-1 each when that time is not a real time of day) and its frequency from
// the radio index 0..3.
void SetScheduleFromPickers(ScheduledTaskSpec& plan, const SYSTEMTIME& date, const SYSTEMTIME& time,
                            int frequencyIndex);

// Creates the task if it does not exist yet and adds the description's trigger, unless a trigger with
// the same date and time is there already. Never replaces an existing task.
ScheduleOutcome AddScheduledScan(const ScheduledTaskSpec& plan, const std::string& taskName);
