// The automatic-scan clock: when the next scan is due, how often, and whether scans start at all.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "settings/ScheduleMath.h"

// What the schedule sub-screen shows: the five radios and the text of EDIT_SCAN_PERIOD (empty when
// the sub-screen has no such edit box yet).
struct ScheduleChoice {
    ScheduleRadios radios;
    std::string minutesText;
};

class ScanClock {
public:
    int64_t nextScanTime = 0;  // seconds since 1970-01-01 00:00 UTC
    int64_t scanPeriod = 0;    // seconds
    int autoScanEnabled = 1;   // replaced at start-up by the setting `enablescan`
    // The current time; tests set their own.
    std::function<int64_t()> now;

    ScanClock();

    // Reads `scannext` and `scanperiod` (low 32 bits, high part zero); a period below 60 s becomes
    // one day and one minute; a next time before 2000-01-01 01:01:01 local time counts as never
    // set and is advanced from now.
    void Load();
    // nextScanTime := t + scanPeriod, first raising a period below 180 s to one day and one
    // minute. Writes nothing.
    void Advance(int64_t t);
    // Turns the user's choice into the period and the next time (now + period) and stores both
    // with the choice: `scannext`, `scanperiod`, `scanminutes` (unless empty), then the five flags.
    void Apply(const ScheduleChoice& choice);
    // The timer's check. When the next time has passed it moves on one period from now and
    // returns true if the main window should press its scan button (scanning on, none running).
    bool DueCheck(bool scanInProgress);
    // Stores `scannext` and `scanperiod`.
    void Save() const;
};

// The process-wide clock the sub-screens and the main window share.
ScanClock& TheScanClock();
