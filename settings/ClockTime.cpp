// Current time and local-time conversion through the Win32 time zone, not the C library's: the
// C library follows a TZ variable in the environment, which need not be the system's zone.
#include "settings/ClockTime.h"

#include <windows.h>

namespace {
constexpr int64_t FILETIME_TICKS_PER_SECOND = 10000000;
constexpr int64_t SECONDS_1601_TO_1970 = 11644473600LL;

int64_t fileTimeToUnix(const FILETIME& ft) {
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    return static_cast<int64_t>(u.QuadPart / FILETIME_TICKS_PER_SECOND) - SECONDS_1601_TO_1970;
}
}  // namespace

int64_t SystemTimeNow() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return fileTimeToUnix(ft);
}

bool LocalTimeToUnix(int year, int month, int day, int hour, int minute, int second, int64_t& out) {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = static_cast<WORD>(minute);
    local.wSecond = static_cast<WORD>(second);
    SYSTEMTIME utc{};
    FILETIME ft;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft)) return false;
    out = fileTimeToUnix(ft);
    return true;
}

bool UnixToLocalStamp(int64_t t, LocalStamp& out) {
    if (t < -SECONDS_1601_TO_1970) return false;
    ULARGE_INTEGER u;
    u.QuadPart = static_cast<uint64_t>(t + SECONDS_1601_TO_1970) * FILETIME_TICKS_PER_SECOND;
    FILETIME ft{u.LowPart, u.HighPart};
    SYSTEMTIME utc{}, local{};
    if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return false;
    out.year = local.wYear;
    out.month = local.wMonth;
    out.day = local.wDay;
    out.weekday = local.wDayOfWeek;
    out.hour = local.wHour;
    out.minute = local.wMinute;
    return true;
}

int64_t NeverSetThreshold() {
    int64_t t = 0;
    if (LocalTimeToUnix(2000, 1, 1, 1, 1, 1, t)) return t;
    return 946688461;  // 2000-01-01 01:01:01 UTC
}
