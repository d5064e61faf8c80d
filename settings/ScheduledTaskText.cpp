// Pure schedule arithmetic and wording: picker format, weekday and day masks, trigger descriptions.
#include "settings/ScheduledTaskText.h"

#include <vector>

namespace {
const unsigned ALL_MONTHS = 0xFFF;

// One language's words for trigger descriptions.
struct Wording {
    const char* days[7];
    const char* months[12];
    const char* weeks[5];  // first .. fourth, last
    const char* noDay;
    const char* noMonth;
    const char* noMonthDay;
    const char* everyMonth;  // all twelve months
    const char* inMonths;    // before a list of months
    const char* at;          // before the time
    const char* onDate;      // a once trigger: before the date
    const char* starting;    // before the begin date
    const char* everyOne[2];     // "every day", "every week"
    const char* everyMany[2];    // "every", "days"/"weeks" with a number between
    const char* manyUnit[2];
    const char* weekdayEvery;    // a weekly trigger: before its days
    const char* weekdayOf;       // a weekly trigger: between days and interval
    const char* onDay;           // a monthly trigger: before its days
    const char* of;              // a monthly trigger: before its months
    const char* onThe;           // a monthly day-of-week trigger: before "first"
    const char* idle;
    const char* systemStart;
    const char* logon;
    const char* unknown;
    const char* disabled;
};

const Wording ENGLISH = {
    {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
    {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
     "November", "December"},
    {"first", "second", "third", "fourth", "last"},
    "no day", "no month", "none", "every month", "", "At ", " on ", ", starting ",
    {"every day", "every week"}, {"every ", "every "}, {" days", " weeks"},
    " every ", " of ", " on day ", " of ", " on the ",
    "When idle", "At system startup", "At logon", "Unknown schedule", " (disabled)",
};

// Code page 1252: \344 is a-umlaut.
const Wording GERMAN = {
    {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
    {"Januar", "Februar", "M\344rz", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober",
     "November", "Dezember"},
    {"ersten", "zweiten", "dritten", "vierten", "letzten"},
    "kein Tag", "kein Monat", "keinem", "jedes Monats", "im ", "Um ", " am ", ", ab ",
    {"jeden Tag", "jeder Woche"}, {"alle ", "alle "}, {" Tage", " Wochen"},
    " jeden ", " ", " am Tag ", " ", " am ",
    "Bei Leerlauf", "Beim Systemstart", "Bei Anmeldung", "Unbekannter Zeitplan", " (deaktiviert)",
};

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

std::string weekDayList(const Wording& w, unsigned mask) {
    std::vector<std::string> names;
    for (int d = 0; d < 7; ++d)
        if (mask & (1u << d)) names.push_back(w.days[d]);
    return names.empty() ? std::string(w.noDay) : joinNames(names);
}

std::string monthList(const Wording& w, unsigned mask) {
    if ((mask & ALL_MONTHS) == ALL_MONTHS) return w.everyMonth;
    std::vector<std::string> names;
    for (int m = 0; m < 12; ++m)
        if (mask & (1u << m)) names.push_back(w.months[m]);
    return names.empty() ? std::string(w.noMonth) : w.inMonths + joinNames(names);
}

std::string monthDayList(const Wording& w, unsigned long mask) {
    std::vector<std::string> days;
    for (int d = 0; d < 31; ++d)
        if (mask & (1ul << d)) days.push_back(std::to_string(d + 1));
    return days.empty() ? std::string(w.noMonthDay) : joinNames(days);
}

// unit 0 days, 1 weeks.
std::string every(const Wording& w, unsigned interval, int unit) {
    if (interval <= 1) return w.everyOne[unit];
    return w.everyMany[unit] + std::to_string(interval) + w.manyUnit[unit];
}

std::string describeEnabled(const Wording& w, const TriggerWords& t) {
    const std::string at = w.at + t.time;
    const std::string starting = w.starting + t.date;
    switch (t.kind) {
    case TRIGGER_ONCE:
        return at + w.onDate + t.date;
    case TRIGGER_DAILY:
        return at + " " + every(w, t.interval, 0) + starting;
    case TRIGGER_WEEKLY:
        return at + w.weekdayEvery + weekDayList(w, t.weekDays) + w.weekdayOf + every(w, t.interval, 1) + starting;
    case TRIGGER_MONTHLY_DATE:
        return at + w.onDay + monthDayList(w, t.monthDays) + w.of + monthList(w, t.months) + starting;
    case TRIGGER_MONTHLY_DAY_OF_WEEK: {
        unsigned week = t.whichWeek >= 1 && t.whichWeek <= 5 ? t.whichWeek : 1;
        return at + w.onThe + w.weeks[week - 1] + " " + weekDayList(w, t.weekDays) + w.of + monthList(w, t.months) +
               starting;
    }
    case TRIGGER_ON_IDLE:
        return w.idle;
    case TRIGGER_AT_SYSTEM_START:
        return w.systemStart;
    case TRIGGER_AT_LOGON:
        return w.logon;
    default:
        return w.unknown;
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

std::string DescribeTrigger(const TriggerWords& words, UiLanguage language) {
    const Wording& w = language == UiLanguage::German ? GERMAN : ENGLISH;
    std::string text = describeEnabled(w, words);
    if (words.disabled) text += w.disabled;
    return text;
}
