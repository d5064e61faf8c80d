// Time for the automatic-scan clock: seconds since 1970-01-01 00:00 UTC, in 64 bits.
#pragma once
#include <cstdint>

#include "settings/ScanClockText.h"

// The current time.
int64_t SystemTimeNow();

// The moment a local date and time of the current time zone stands for, with the zone's
// daylight-saving rule applied; false when the system cannot convert it.
bool LocalTimeToUnix(int year, int month, int day, int hour, int minute, int second, int64_t& out);

// The local date and time of moment `t` in the current time zone; false when the system cannot
// convert it (before 1601, or past the years the platform knows).
bool UnixToLocalStamp(int64_t t, LocalStamp& out);

// 2000-01-01 01:01:01 local time: a stored next scan time before this was never set. When the
// conversion fails the date is taken as UTC.
int64_t NeverSetThreshold();
