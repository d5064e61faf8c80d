// The automatic-scan clock's pure arithmetic: periods and their minimums, the minutes text, the
// schedule radios. No window or registry code, so it can be built and checked anywhere.
#pragma once
#include <cstdint>
#include <string>

constexpr int64_t APPLY_MIN_PERIOD = 60;     // smallest period there is: one minute
constexpr int64_t FALLBACK_PERIOD = 86460;   // one day and one minute: a stored period that makes no sense
constexpr int MIN_SCAN_MINUTES = 1;          // what the "Scan every" box accepts
constexpr int MAX_SCAN_MINUTES = 44640;      // 31 days, the longest choice the radios offer
constexpr int64_t MAX_PERIOD = int64_t(MAX_SCAN_MINUTES) * 60;
constexpr unsigned AUTOSCAN_CHECK_MS = 10000;  // how often the main window runs the due check

// Skin names of the schedule controls.
constexpr const char BUTTON_START_EVERY[] = "BUTTON_START_EVERY";
constexpr const char BUTTON_START_AFTER_EVERY[] = "BUTTON_START_AFTER_EVERY";
constexpr const char BUTTON_START_AFTER_EVERY_MONTH[] = "BUTTON_START_AFTER_EVERY_MONTH";
constexpr const char BUTTON_START_AFTER_EVERY_WEEK[] = "BUTTON_START_AFTER_EVERY_WEEK";
constexpr const char BUTTON_START_AFTER_EVERY_DAY[] = "BUTTON_START_AFTER_EVERY_DAY";
constexpr const char BUTTON_AUTOSCAN_ENABLE[] = "BUTTON_AUTOSCAN_ENABLE";
constexpr const char EDIT_SCAN_PERIOD[] = "EDIT_SCAN_PERIOD";

// ((d * 24 + h) * 60 + m) * 60 + s, in 64 bits.
int64_t Duration(int64_t days, int64_t hours, int64_t minutes, int64_t seconds);

// The C library's decimal conversion: leading blanks skipped, an optional sign, digits up to the
// first other character, 0 when there are none. Out of range it gives INT32_MAX or INT32_MIN.
int32_t DecimalTextToInt(const std::string& text);

// The ticks of the five schedule radios.
struct ScheduleRadios {
    bool startEvery = false;
    bool startAfterEvery = false;
    bool month = false;
    bool week = false;
    bool day = false;
};
bool operator==(const ScheduleRadios& a, const ScheduleRadios& b);

bool IsScheduleRadio(const std::string& buttonName);

// The radios after a click on `buttonName` (two choices, the second with a sub-choice of day,
// week or month). Returns false, changing nothing, for any other name.
bool ClickScheduleRadio(ScheduleRadios& radios, const std::string& buttonName);

// What the schedule shows when automatic scanning has never been switched on: once a week.
ScheduleRadios DefaultScheduleRadios();

// The minutes of the "Scan every" box: a whole decimal number, blanks around it allowed, from
// MIN_SCAN_MINUTES to MAX_SCAN_MINUTES. False for anything else (letters, a sign, an empty box, a
// number too large for 32 bits), so that the caller keeps the value it had.
bool ParseScanMinutes(const std::string& text, int& minutes);

// The period the screen shows: after-every takes the last ticked of month, week, day; start-every
// takes the minutes. False when it shows none (no radio, after-every with none of the three, or
// minutes that ParseScanMinutes refuses).
bool ShownPeriod(const ScheduleRadios& radios, const std::string& minutesText, int64_t& period);

// The period a stored value gives on load: outside one minute to 31 days (a negative or wrapped
// value among them) it means one day and one minute.
int64_t LoadedPeriod(int64_t stored);
// The period kept when the next time moves on: the same rule, so periods of 1 and 2 minutes stay.
int64_t AdvancedPeriod(int64_t period);
// The period Apply sets: the one the screen shows, or `oldPeriod` when it shows none.
int64_t AppliedPeriod(const ScheduleRadios& radios, const std::string& minutesText, int64_t oldPeriod);

// The next time as the clock keeps it: never more than one period after `now` (a system clock set
// back, a wrapped value), else unchanged.
int64_t BoundedNextTime(int64_t next, int64_t now, int64_t period);
