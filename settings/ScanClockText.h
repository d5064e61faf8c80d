// What the schedule page says about the automatic-scan clock: the next scan, the last one and the
// refused minutes. Pure wording, so it can be built and checked anywhere.
#pragma once
#include <cstdint>
#include <string>

// A moment in the user's local time.
struct LocalStamp {
    int year = 0, month = 0, day = 0;
    int weekday = 0;  // 0 Sunday .. 6 Saturday
    int hour = 0, minute = 0;
};

// "Tuesday 9 December, 14:05".
std::string StampText(const LocalStamp& at);
// "Next scan: Tuesday 9 December, 14:05", or "Automatic scans are off".
std::string NextScanText(bool enabled, const LocalStamp& next);
// "Last scan: Monday 8 December, 09:12: 3 problems" (no problems, 1 problem, N), or, when no automatic
// scan has run yet, "Last scan: none yet".
std::string LastScanText(bool any, const LocalStamp& last, int32_t found);
// Beside the minutes box when it refuses what was typed: the range and the value kept.
std::string RefusedMinutesText(int keptMinutes);
