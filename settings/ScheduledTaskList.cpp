// Scheduled scans: the list of a task's triggers, described by the platform or in its words by us.
#include <vector>

#include "settings/ScheduledTask.h"
#include "settings/ScheduledTaskSupport.h"
#include "settings/ScheduledTaskText.h"

namespace {
// Formats with the user locale; the buffer is sized by the platform's own answer.
template <class Format>
std::string localeText(Format format) {
    int n = format(nullptr, 0);
    if (n <= 0) return std::string();
    std::vector<char> buf(n + 1);
    n = format(buf.data(), static_cast<int>(buf.size()));
    return n > 0 ? std::string(buf.data()) : std::string();
}

std::string twoDigits(unsigned v) { return (v < 10 ? "0" : "") + std::to_string(v); }

time_t toTimeValue(const SYSTEMTIME& st) {
    if (st.wYear < 1900) return 0;
    std::tm tm{};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_isdst = -1;  // the local rules decide on daylight saving
    time_t t = std::mktime(&tm);
    return t == static_cast<time_t>(-1) ? 0 : t;
}

// The platform's description of a trigger, or ours where it has none.
HRESULT describe(ITask* task, WORD index, std::string& text, TASK_TRIGGER& data, UiLanguage language) {
    TaskComPtr<ITaskTrigger> trigger;
    HRESULT hr = task->GetTrigger(index, trigger.put());
    if (FAILED(hr)) return hr;
    data = TASK_TRIGGER{};
    data.cbTriggerSize = sizeof(TASK_TRIGGER);
    hr = trigger->GetTrigger(&data);
    if (FAILED(hr)) return hr;
    LPWSTR platform = nullptr;
    if (SystemSpeaks(language) && SUCCEEDED(trigger->GetTriggerString(&platform)) && platform) {
        // For display only: a character outside the code page may show as its stand-in.
        const std::wstring wide(platform);
        CoTaskMemFree(platform);
        int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
        if (n > 1) {
            std::vector<char> buf(n);
            WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, buf.data(), n, nullptr, nullptr);
            text = buf.data();
            return S_OK;
        }
    }
    text = DescribeTaskTrigger(data, language);
    return S_OK;
}
}  // namespace

std::string DescribeTaskTrigger(const TASK_TRIGGER& t, UiLanguage language) {
    SYSTEMTIME st{};
    st.wYear = t.wBeginYear;
    st.wMonth = t.wBeginMonth;
    st.wDay = t.wBeginDay;
    st.wHour = t.wStartHour;
    st.wMinute = t.wStartMinute;
    TriggerWords w;
    w.kind = t.TriggerType;
    w.disabled = (t.rgFlags & TASK_TRIGGER_FLAG_DISABLED) != 0;
    w.time = localeText([&](char* buf, int size) {
        return GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buf, size);
    });
    if (w.time.empty()) w.time = twoDigits(t.wStartHour) + ":" + twoDigits(t.wStartMinute);
    w.date = localeText([&](char* buf, int size) {
        return GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, size);
    });
    if (w.date.empty())
        w.date = std::to_string(t.wBeginYear) + "-" + twoDigits(t.wBeginMonth) + "-" + twoDigits(t.wBeginDay);
    switch (t.TriggerType) {
    case TASK_TIME_TRIGGER_DAILY:
        w.interval = t.Type.Daily.DaysInterval;
        break;
    case TASK_TIME_TRIGGER_WEEKLY:
        w.interval = t.Type.Weekly.WeeksInterval;
        w.weekDays = t.Type.Weekly.rgfDaysOfTheWeek;
        break;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
        w.monthDays = t.Type.MonthlyDate.rgfDays;
        w.months = t.Type.MonthlyDate.rgfMonths;
        break;
    case TASK_TIME_TRIGGER_MONTHLYDOW:
        w.whichWeek = t.Type.MonthlyDOW.wWhichWeek;
        w.weekDays = t.Type.MonthlyDOW.rgfDaysOfTheWeek;
        w.months = t.Type.MonthlyDOW.rgfMonths;
        break;
    default:
        break;
    }
    return DescribeTrigger(w, language);
}

HRESULT ListScheduledTriggers(const std::string& name, time_t& lastRun, std::vector<std::string>& descriptions,
                              std::vector<TASK_TRIGGER>* triggers, UiLanguage language) {
    TaskComApartment com;
    lastRun = 0;
    std::wstring wname;
    if (!TaskAnsiToWide(name, wname)) return E_INVALIDARG;
    TaskComPtr<ITaskScheduler> scheduler;
    HRESULT hr = CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                  scheduler.putVoid());
    if (FAILED(hr)) return hr;
    TaskComPtr<ITask> task;
    hr = RetryWhileTaskFileBusy([&] { return scheduler->Activate(wname.c_str(), IID_ITask, task.putUnknown()); });
    if (FAILED(hr)) return hr;
    SYSTEMTIME recent{};
    hr = task->GetMostRecentRunTime(&recent);
    if (FAILED(hr)) return hr;
    lastRun = toTimeValue(recent);
    WORD count = 0;
    hr = task->GetTriggerCount(&count);
    if (FAILED(hr)) return hr;
    for (WORD i = 0; i < count; ++i) {
        std::string text;
        TASK_TRIGGER data;
        hr = describe(task.get(), i, text, data, language);
        if (FAILED(hr)) return hr;
        descriptions.push_back(text);
        if (triggers) triggers->push_back(data);
    }
    return S_OK;
}
