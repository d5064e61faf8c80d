// What the add-schedule dialog does on OK, without its window.
#include "settings/ScheduledTaskAdd.h"

#include <vector>

#include "settings/ScheduledTaskSupport.h"
#include "settings/ScheduledTaskText.h"

namespace {
std::string localeInfo(LCTYPE type) {
    int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, nullptr, 0);
    if (n <= 0) return std::string();
    std::vector<char> buf(n + 1);
    return GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buf.data(), n + 1) > 0 ? std::string(buf.data()) : std::string();
}

ScheduleOutcome addTrigger(const ScheduledTaskSpec& plan, const std::string& name) {
    return SUCCEEDED(AddScheduledTrigger(plan, name)) ? ScheduleOutcome::Success : ScheduleOutcome::Failed;
}
}  // namespace

const char* ScheduleOutcomeMessage(ScheduleOutcome outcome) {
    switch (outcome) {
    case ScheduleOutcome::Success:
        return "Schedule Creation Success!!";
    case ScheduleOutcome::AlreadyScheduled:
        return "Already Scheduled For This Time!!";
    case ScheduleOutcome::Failed:
    default:
        return "Schedule Creation Failed!!";
    }
}

std::string ScheduleTimePickerFormat() {
    return TimeFormatWithoutSeconds(localeInfo(LOCALE_STIMEFORMAT), localeInfo(LOCALE_STIME));
}

void SetScheduleFromPickers(ScheduledTaskSpec& plan, const SYSTEMTIME& date, const SYSTEMTIME& time,
                            int frequencyIndex) {
    plan.year = date.wYear;
    plan.month = date.wMonth;
    plan.dayOfWeek = date.wDayOfWeek;
    plan.day = date.wDay;
    FILETIME check;
    const bool realTime = SystemTimeToFileTime(&time, &check) != FALSE;
    plan.startHour = realTime ? time.wHour : static_cast<WORD>(-1);
    plan.startMinute = realTime ? time.wMinute : static_cast<WORD>(-1);
    plan.frequency = frequencyIndex + 1;
}

ScheduleOutcome AddScheduledScan(const ScheduledTaskSpec& plan, const std::string& taskName) {
    // The window layer initialises COM on its thread; this keeps the logic usable without it.
    TaskComApartment com;
    if (SUCCEEDED(CreateScheduledTask(plan, taskName, true))) {
        // A task left without its trigger would hold only the platform's placeholder, which a
        // later OK at the same minute would take for an existing schedule.
        ScheduleOutcome outcome = addTrigger(plan, taskName);
        if (outcome == ScheduleOutcome::Failed) DeleteScheduledTask(taskName);
        return outcome;
    }
    // Normally the task exists already: add to it unless this date and time is taken.
    int index = -1;
    if (FAILED(FindScheduledTrigger(plan, taskName, index))) return ScheduleOutcome::Failed;
    if (index >= 0) return ScheduleOutcome::AlreadyScheduled;
    return addTrigger(plan, taskName);
}
