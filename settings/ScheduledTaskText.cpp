// Pure schedule arithmetic and wording: picker format, weekday and day masks, trigger descriptions.
#include "settings/ScheduledTaskText.h"

#include <vector>

namespace {
const char* const DAY_NAMES[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const MONTH_NAMES[12] = {"January", "February", "March", "April", "May", "June",
                                     "July", "August", "September", "October", "November", "December"};
const char* const WEEK_NAMES[5] = {"first", "second", "third", "fourth", "last"};
const unsigned ALL_MONTHS = 0xFFF;

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
    static const int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : DAYS[m - 1];
}

std::string joinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) {
        if (!out.empty()) out += ", ";
        out += n;
    }
    return out;
}

std::string weekDayList(unsigned mask) {
    std::vector<std::string> names;
    for (int d = 0; d < 7; ++d)
        if (mask & (1u << d)) names.push_back(DAY_NAMES[d]);
    return names.empty() ? std::string("no day") : joinNames(names);
}

std::string monthList(unsigned mask) {
    if ((mask & ALL_MONTHS) == ALL_MONTHS) return "every month";
    std::vector<std::string> names;
    for (int m = 0; m < 12; ++m)
        if (mask & (1u << m)) names.push_back(MONTH_NAMES[m]);
    return names.empty() ? std::string("no month") : joinNames(names);
}

std::string monthDayList(unsigned long mask) {
    std::vector<std::string> days;
    for (int d = 0; d < 31; ++d)
        if (mask & (1ul << d)) days.push_back(std::to_string(d + 1));
    return days.empty() ? std::string("none") : joinNames(days);
}

std::string every(unsigned interval, const char* one, const char* many) {
    if (interval <= 1) return std::string("every ") + one;
    return "every " + std::to_string(interval) + " " + many;
}

std::string describeEnabled(const TriggerWords& w) {
    const std::string at = "At " + w.time;
    const std::string starting = ", starting " + w.date;
    switch (w.kind) {
    case TRIGGER_ONCE:
        return at + " on " + w.date;
    case TRIGGER_DAILY:
        return at + " " + every(w.interval, "day", "days") + starting;
    case TRIGGER_WEEKLY:
        return at + " every " + weekDayList(w.weekDays) + " of " + every(w.interval, "week", "weeks") + starting;
    case TRIGGER_MONTHLY_DATE:
        return at + " on day " + monthDayList(w.monthDays) + " of " + monthList(w.months) + starting;
    case TRIGGER_MONTHLY_DAY_OF_WEEK: {
        unsigned week = w.whichWeek >= 1 && w.whichWeek <= 5 ? w.whichWeek : 1;
        return at + " on the " + WEEK_NAMES[week - 1] + " " + weekDayList(w.weekDays) + " of " +
               monthList(w.months) + starting;
    }
    case TRIGGER_ON_IDLE:
        return "When idle";
    case TRIGGER_AT_SYSTEM_START:
        return "At system startup";
    case TRIGGER_AT_LOGON:
        return "At logon";
    default:
        return "Unknown schedule";
    }
}
}  // namespace

std::string TimeFormatWithoutSeconds(const std::string& format, const std::string& separator) {
    std::string out = format;
    size_t at = out.find(separator + "ss");
    if (at != std::string::npos) return out.erase(at, separator.size() + 2);
    at = out.find(separator + "s");
    if (at != std::string::npos) out.erase(at, separator.size() + 1);
    return out;
}

int DayOfWeekOf(int year, int month, int day) {
    if (year < 1601 || year > 30827 || month < 1 || month > 12) return -1;
    if (day < 1 || day > daysInMonth(year, month)) return -1;
    // Days since 1 March of year 0 of the proleptic Gregorian calendar, then the weekday.
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long doe = yoe * 365L + yoe / 4 - yoe / 100 + doy;
    const long days = era * 146097L + doe;  // 0000-03-01 was a Wednesday
    return static_cast<int>((days + 3) % 7);
}

unsigned WeeklyDayMask(int year, int month, int day) {
    const int wd = DayOfWeekOf(year, month, day);
    return wd < 0 ? 0u : 1u << wd;
}

unsigned long MonthlyDayMask(int day) { return 1ul << ((day - 1) & 31); }

std::string DescribeTrigger(const TriggerWords& words) {
    std::string text = describeEnabled(words);
    if (words.disabled) text += " (disabled)";
    return text;
}
