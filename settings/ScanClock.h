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

    // Reads `scannext` and `scanperiod` (low 32 bits, high part zero); a period outside one minute
    // to 31 days becomes one day and one minute; a next time before 2000-01-01 01:01:01 local time
    // counts as never set and is advanced from now; one more than a period ahead is brought back
    // to now + period.
    void Load();
    // nextScanTime := t + scanPeriod (a period that makes no sense first becomes one day and one
    // minute). Writes nothing.
    void Advance(int64_t t);
    // Turns the choice the screen shows into the period (the old one stays when it shows none) and
    // the next time (now + period) and stores both with the choice: `scannext`, `scanperiod`,
    // `scanminutes` (only minutes the box accepts), then the five flags.
    void Apply(const ScheduleChoice& choice);
    // Makes the clock follow what the screen shows without starting the schedule anew: when the
    // shown period differs from the clock's, the clock takes it, the next time comes no later than
    // now + period, and both are stored. Returns true when something changed.
    bool FollowShownChoice(const ScheduleChoice& choice);
    // The timer's check. When the next time has passed it moves on one period from now and
    // returns true if the main window should press its scan button (scanning on, none running).
    bool DueCheck(bool scanInProgress);
    // Stores `scannext` and `scanperiod`; a next time already past is stored as now, so the
    // registry never holds a past time while a missed scan is still due at the next start.
    void Save() const;
    // Keeps when an automatic scan ended and how many problems it found (`lastscan`, `lastfound`).
    void RecordAutomaticScan(int32_t found) const;
};

// The last automatic scan as stored: false when none was recorded.
bool LastAutomaticScan(int64_t& when, int32_t& found);

// The process-wide clock the sub-screens and the main window share.
ScanClock& TheScanClock();
