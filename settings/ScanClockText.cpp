// The schedule page's sentences about the automatic-scan clock.
#include "settings/ScanClockText.h"

namespace {
const char* const DAY_NAMES[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const MONTH_NAMES[12] = {"January", "February", "March", "April", "May", "June",
                                     "July", "August", "September", "October", "November", "December"};

std::string twoDigits(int v) { return (v >= 0 && v < 10 ? "0" : "") + std::to_string(v); }
}  // namespace

std::string StampText(const LocalStamp& at) {
    const char* day = at.weekday >= 0 && at.weekday < 7 ? DAY_NAMES[at.weekday] : "?";
    const char* month = at.month >= 1 && at.month <= 12 ? MONTH_NAMES[at.month - 1] : "?";
    return std::string(day) + " " + std::to_string(at.day) + " " + month + ", " + twoDigits(at.hour) + ":" +
           twoDigits(at.minute);
}

std::string NextScanText(bool enabled, const LocalStamp& next) {
    return enabled ? "Next scan: " + StampText(next) : std::string("Automatic scans are off");
}

std::string LastScanText(bool any, const LocalStamp& last, int32_t found) {
    if (!any) return "Last scan: none yet";
    std::string what = found <= 0   ? std::string("no problems")
                       : found == 1 ? std::string("1 problem")
                                    : std::to_string(found) + " problems";
    return "Last scan: " + StampText(last) + ": " + what;
}

std::string RefusedMinutesText(int keptMinutes) {
    return "Use 1 to 44,640; kept " + std::to_string(keptMinutes);
}
