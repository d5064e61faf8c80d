// Pure schedule arithmetic and wording: picker format, weekday and day masks, trigger descriptions.
#pragma once
#include <string>

#include "settings/UiLanguage.h"

// The locale's time format with its seconds cut out, for the start-time picker: the first
// `separator` followed by "ss" goes with its seconds letters; failing that, the first `separator`
// followed by a single "s". A format without seconds comes back unchanged.
std::string TimeFormatWithoutSeconds(const std::string& format, const std::string& separator);

// Day of the week of a calendar date, 0 Sunday .. 6 Saturday; -1 when the date does not exist
// or lies outside the years the platform's time conversion accepts (1601..30827).
int DayOfWeekOf(int year, int month, int day);
// The weekly trigger's day bit for a date (Sunday 1 .. Saturday 64); 0 when the date is not real.
unsigned WeeklyDayMask(int year, int month, int day);
// The monthly trigger's day bit: 1 shifted left by (day - 1), the shift taken modulo 32.
unsigned long MonthlyDayMask(int day);

// The trigger kinds, numbered as the Task Scheduler numbers them.
enum TriggerKind {
    TRIGGER_ONCE = 0,
    TRIGGER_DAILY = 1,
    TRIGGER_WEEKLY = 2,
    TRIGGER_MONTHLY_DATE = 3,
    TRIGGER_MONTHLY_DAY_OF_WEEK = 4,
    TRIGGER_ON_IDLE = 5,
    TRIGGER_AT_SYSTEM_START = 6,
    TRIGGER_AT_LOGON = 7,
};

// What a description needs of a trigger, with the time and date already in the locale's words.
struct TriggerWords {
    int kind = TRIGGER_ONCE;
    unsigned interval = 1;        // days (daily) or weeks (weekly)
    unsigned weekDays = 0;        // bit 0 Sunday .. bit 6 Saturday
    unsigned long monthDays = 0;  // bit 0 the 1st .. bit 30 the 31st
    unsigned months = 0;          // bit 0 January .. bit 11 December
    unsigned whichWeek = 1;       // 1 first .. 4 fourth, 5 last
    bool disabled = false;
    std::string time;             // start time, e.g. "10:00"
    std::string date;             // begin date, e.g. "09/12/2026"
};

// The trigger in the words the Task Scheduler uses for its own descriptions, for example
// "At 10:00 every Wednesday of every week, starting 09/12/2026", or in German
// "Um 10:00 jeden Mittwoch jeder Woche, ab 09.12.2026".
std::string DescribeTrigger(const TriggerWords& words, UiLanguage language = UiLanguage::English);
