// The automatic-scan clock's arithmetic and the schedule radios' rules.
#include "settings/ScheduleMath.h"

int64_t Duration(int64_t days, int64_t hours, int64_t minutes, int64_t seconds) {
    return ((days * 24 + hours) * 60 + minutes) * 60 + seconds;
}

int32_t DecimalTextToInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) value = limit;  // saturates; further digits change nothing
    }
    return static_cast<int32_t>(negative ? -value : value);
}

bool operator==(const ScheduleRadios& a, const ScheduleRadios& b) {
    return a.startEvery == b.startEvery && a.startAfterEvery == b.startAfterEvery && a.month == b.month &&
           a.week == b.week && a.day == b.day;
}

bool IsScheduleRadio(const std::string& name) {
    return name == BUTTON_START_EVERY || name == BUTTON_START_AFTER_EVERY || name == BUTTON_START_AFTER_EVERY_MONTH ||
           name == BUTTON_START_AFTER_EVERY_WEEK || name == BUTTON_START_AFTER_EVERY_DAY;
}

bool ClickScheduleRadio(ScheduleRadios& r, const std::string& name) {
    if (!IsScheduleRadio(name)) return false;
    if (name == BUTTON_START_EVERY) {
        r.startAfterEvery = false;
        r.startEvery = true;
    } else if (name == BUTTON_START_AFTER_EVERY) {
        r.startEvery = false;
        r.startAfterEvery = true;  // the day, week or month tick stays as it was
    } else {
        r.startEvery = false;
        r.startAfterEvery = true;
        r.month = name == BUTTON_START_AFTER_EVERY_MONTH;
        r.week = name == BUTTON_START_AFTER_EVERY_WEEK;
        r.day = name == BUTTON_START_AFTER_EVERY_DAY;
    }
    return true;
}

ScheduleRadios DefaultScheduleRadios() {
    ScheduleRadios r;
    r.startAfterEvery = true;
    r.week = true;
    return r;
}

bool ParseScanMinutes(const std::string& text, int& minutes) {
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    if (begin == end) return false;
    int64_t value = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
        if (value > MAX_SCAN_MINUTES) return false;  // also stops before 64 bits could wrap
    }
    if (value < MIN_SCAN_MINUTES) return false;
    minutes = static_cast<int>(value);
    return true;
}

bool ShownPeriod(const ScheduleRadios& r, const std::string& minutesText, int64_t& period) {
    if (r.startAfterEvery) {
        // Checked in this order, so when the registry ticks several the last one wins.
        bool shown = false;
        if (r.month) period = Duration(31, 0, 0, 0), shown = true;
        if (r.week) period = Duration(7, 0, 0, 0), shown = true;
        if (r.day) period = Duration(1, 0, 0, 0), shown = true;
        return shown;
    }
    int minutes = 0;
    if (!r.startEvery || !ParseScanMinutes(minutesText, minutes)) return false;
    period = Duration(0, 0, minutes, 0);
    return true;
}

int64_t LoadedPeriod(int64_t stored) {
    return stored < APPLY_MIN_PERIOD || stored > MAX_PERIOD ? FALLBACK_PERIOD : stored;
}

int64_t AdvancedPeriod(int64_t period) { return LoadedPeriod(period); }

int64_t AppliedPeriod(const ScheduleRadios& r, const std::string& minutesText, int64_t oldPeriod) {
    int64_t period = oldPeriod;
    if (!ShownPeriod(r, minutesText, period)) period = LoadedPeriod(oldPeriod);
    return period;
}

int64_t BoundedNextTime(int64_t next, int64_t now, int64_t period) {
    return next > now + period ? now + period : next;
}
