// Scheduled scans: names, the task's settings, and create, add, find and delete on the Task Scheduler.
#include "settings/ScheduledTask.h"

#include <lmcons.h>

#include <vector>

#include "settings/ScheduledTaskSupport.h"
#include "settings/ScheduledTaskText.h"

namespace {
bool sameStart(const TASK_TRIGGER& t, const ScheduledTaskSpec& plan) {
    return t.wBeginYear == plan.year && t.wBeginMonth == plan.month && t.wBeginDay == plan.day &&
           t.wStartHour == plan.startHour && t.wStartMinute == plan.startMinute;
}

bool unusable(const ScheduledTaskSpec& plan, const std::string& name) {
    return plan.year == 0 || name.empty() || plan.application.empty();
}

HRESULT openScheduler(TaskComPtr<ITaskScheduler>& scheduler) {
    return CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                            scheduler.putVoid());
}

// Opens the scheduler and the named task.
HRESULT activate(const std::wstring& name, TaskComPtr<ITaskScheduler>& scheduler, TaskComPtr<ITask>& task) {
    HRESULT hr = openScheduler(scheduler);
    if (FAILED(hr)) return hr;
    return RetryWhileTaskFileBusy([&] { return scheduler->Activate(name.c_str(), IID_ITask, task.putUnknown()); });
}

HRESULT removeTask(ITaskScheduler* scheduler, const std::wstring& name) {
    return RetryWhileTaskFileBusy([&] { return scheduler->Delete(name.c_str()); });
}

HRESULT save(ITask* task) {
    TaskComPtr<IPersistFile> file;
    HRESULT hr = task->QueryInterface(IID_IPersistFile, file.putVoid());
    if (FAILED(hr)) return hr;
    return RetryWhileTaskFileBusy([&] { return file->Save(nullptr, TRUE); });
}

HRESULT readTrigger(ITask* task, WORD index, TASK_TRIGGER& out) {
    TaskComPtr<ITaskTrigger> trigger;
    HRESULT hr = task->GetTrigger(index, trigger.put());
    if (FAILED(hr)) return hr;
    out = TASK_TRIGGER{};
    out.cbTriggerSize = sizeof(TASK_TRIGGER);
    return trigger->GetTrigger(&out);
}

HRESULT wideName(const std::string& name, std::wstring& out) {
    return TaskAnsiToWide(name, out) ? S_OK : E_INVALIDARG;
}

// A task saved without triggers gets one disabled trigger from the platform; the first real
// trigger takes its place so that the list never shows a schedule the user did not make.
bool onlyPlaceholder(ITask* task, WORD count) {
    TASK_TRIGGER t;
    return count == 1 && SUCCEEDED(readTrigger(task, 0, t)) && (t.rgFlags & TASK_TRIGGER_FLAG_DISABLED);
}

HRESULT setText(ITask* task, HRESULT (STDMETHODCALLTYPE ITask::*setter)(LPCWSTR), const std::string& text) {
    std::wstring wide;
    if (!TaskAnsiToWide(text, wide)) return E_INVALIDARG;
    return (task->*setter)(wide.c_str());
}
}  // namespace

bool TaskAnsiToWide(const std::string& text, std::wstring& out) {
    out.clear();
    if (text.empty()) return true;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return false;
    out.resize(n);
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), &out[0], n) == n;
}

bool TaskWideToAnsi(const std::wstring& text, std::string& out) {
    out.clear();
    if (text.empty()) return true;
    const int len = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), len, nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) return false;
    out.resize(n);
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), len, &out[0], n, nullptr, &lossy) != n || lossy)
        return false;
    std::wstring back;  // a code page without a default character can still map two ways
    return TaskAnsiToWide(out, back) && back == text;
}

bool IsNtSystem() { return (GetVersion() & 0x80000000u) == 0; }

std::string ScheduledTaskUserName() {
    std::vector<wchar_t> buf(UNLEN + 1);
    DWORD size = static_cast<DWORD>(buf.size());
    if (!GetUserNameW(buf.data(), &size)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= buf.size()) return std::string();
        buf.resize(size);
        if (!GetUserNameW(buf.data(), &size)) return std::string();
    }
    std::string name;
    if (!TaskWideToAnsi(std::wstring(buf.data()), name)) return std::string();
    return name;
}

std::string ScheduledTaskName(bool isNT) {
    if (!isNT) return SCHEDULED_TASK_BASE_NAME;
    const std::string user = ScheduledTaskUserName();
    return user.empty() ? std::string() : SCHEDULED_TASK_BASE_NAME + user;
}

DWORD ScheduledTaskFlags(bool isNT) {
    DWORD flags = TASK_FLAG_DONT_START_IF_ON_BATTERIES | TASK_FLAG_KILL_IF_GOING_ON_BATTERIES;
    return isNT ? flags | TASK_FLAG_INTERACTIVE : flags;
}

ScheduledTaskSpec ScheduledTaskSpecForThisProgram() {
    ScheduledTaskSpec plan;
    plan.isNT = IsNtSystem();
    plan.parameters = SCHEDULED_SCAN_PARAMETERS;
    plan.accountName = ScheduledTaskUserName();
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return plan;
        if (n < buf.size()) break;
        buf.resize(buf.size() * 2);
    }
    std::string path;
    if (!TaskWideToAnsi(std::wstring(buf.data()), path)) return plan;
    plan.application = path;
    const size_t slash = path.rfind('\\');
    if (slash != std::string::npos) plan.workingDirectory = path.substr(0, slash);
    return plan;
}

TASK_TRIGGER ScheduledTriggerFor(const ScheduledTaskSpec& plan) {
    TASK_TRIGGER t{};
    t.cbTriggerSize = sizeof(TASK_TRIGGER);
    t.wBeginYear = plan.year;
    t.wBeginMonth = plan.month;
    t.wBeginDay = plan.day;
    t.wStartHour = plan.startHour;
    t.wStartMinute = plan.startMinute;
    switch (plan.frequency) {
    case SCHEDULE_DAILY:
        t.TriggerType = TASK_TIME_TRIGGER_DAILY;
        t.Type.Daily.DaysInterval = 1;
        break;
    case SCHEDULE_WEEKLY:
        t.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
        t.Type.Weekly.WeeksInterval = 1;
        t.Type.Weekly.rgfDaysOfTheWeek = static_cast<WORD>(WeeklyDayMask(plan.year, plan.month, plan.day));
        break;
    case SCHEDULE_MONTHLY:
        t.TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
        t.Type.MonthlyDate.rgfDays = MonthlyDayMask(plan.day);
        t.Type.MonthlyDate.rgfMonths = 0xFFF;
        break;
    default:
        t.TriggerType = TASK_TIME_TRIGGER_ONCE;
        break;
    }
    return t;
}

bool SameTrigger(const TASK_TRIGGER& a, const TASK_TRIGGER& b) {
    bool same = a.wBeginYear == b.wBeginYear && a.wBeginMonth == b.wBeginMonth && a.wBeginDay == b.wBeginDay &&
                a.wEndYear == b.wEndYear && a.wEndMonth == b.wEndMonth && a.wEndDay == b.wEndDay &&
                a.wStartHour == b.wStartHour && a.wStartMinute == b.wStartMinute &&
                a.MinutesDuration == b.MinutesDuration && a.MinutesInterval == b.MinutesInterval &&
                a.rgFlags == b.rgFlags && a.TriggerType == b.TriggerType;
    if (!same) return false;
    switch (a.TriggerType) {
    case TASK_TIME_TRIGGER_DAILY:
        return a.Type.Daily.DaysInterval == b.Type.Daily.DaysInterval;
    case TASK_TIME_TRIGGER_WEEKLY:
        return a.Type.Weekly.WeeksInterval == b.Type.Weekly.WeeksInterval &&
               a.Type.Weekly.rgfDaysOfTheWeek == b.Type.Weekly.rgfDaysOfTheWeek;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
        return a.Type.MonthlyDate.rgfDays == b.Type.MonthlyDate.rgfDays &&
               a.Type.MonthlyDate.rgfMonths == b.Type.MonthlyDate.rgfMonths;
    case TASK_TIME_TRIGGER_MONTHLYDOW:
        return a.Type.MonthlyDOW.wWhichWeek == b.Type.MonthlyDOW.wWhichWeek &&
               a.Type.MonthlyDOW.rgfDaysOfTheWeek == b.Type.MonthlyDOW.rgfDaysOfTheWeek &&
               a.Type.MonthlyDOW.rgfMonths == b.Type.MonthlyDOW.rgfMonths;
    default:
        return true;
    }
}

HRESULT CreateScheduledTask(const ScheduledTaskSpec& plan, const std::string& name, bool doNotReplace) {
    if (unusable(plan, name)) return E_FAIL;
    std::wstring wname;
    HRESULT hr = wideName(name, wname);
    if (FAILED(hr)) return hr;
    TaskComPtr<ITaskScheduler> scheduler;
    TaskComPtr<ITask> task;
    hr = activate(wname, scheduler, task);
    if (!scheduler) return hr;
    // Only a task that is plainly absent counts as absent: one that exists but cannot be read
    // is still there and is not ours to overwrite under do-not-replace.
    const bool absent = hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    if (!absent) {
        if (doNotReplace) return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
        task.reset();
        hr = removeTask(scheduler.get(), wname);
        if (FAILED(hr)) return hr;
    }
    hr = scheduler->NewWorkItem(wname.c_str(), CLSID_CTask, IID_ITask, task.putUnknown());
    if (FAILED(hr)) return hr;
    hr = setText(task.get(), &ITask::SetApplicationName, plan.application);
    if (FAILED(hr)) return hr;
    if (!plan.parameters.empty() && FAILED(hr = setText(task.get(), &ITask::SetParameters, plan.parameters)))
        return hr;
    if (!plan.workingDirectory.empty() &&
        FAILED(hr = setText(task.get(), &ITask::SetWorkingDirectory, plan.workingDirectory)))
        return hr;
    if (plan.isNT) {
        std::wstring account;
        if (!TaskAnsiToWide(plan.accountName, account)) return E_INVALIDARG;
        hr = task->SetAccountInformation(account.c_str(), nullptr);
        if (FAILED(hr)) return hr;
    }
    if (!plan.comment.empty() && FAILED(hr = setText(task.get(), &ITask::SetComment, plan.comment))) return hr;
    hr = task->SetFlags(ScheduledTaskFlags(plan.isNT));
    if (FAILED(hr)) return hr;
    return save(task.get());
}

HRESULT AddScheduledTrigger(const ScheduledTaskSpec& plan, const std::string& name) {
    if (unusable(plan, name)) return E_FAIL;
    if (plan.frequency < SCHEDULE_ONCE || plan.frequency > SCHEDULE_MONTHLY) return E_INVALIDARG;
    std::wstring wname;
    HRESULT hr = wideName(name, wname);
    if (FAILED(hr)) return hr;
    TaskComPtr<ITaskScheduler> scheduler;
    TaskComPtr<ITask> task;
    hr = activate(wname, scheduler, task);
    if (FAILED(hr)) return hr;
    WORD count = 0;
    hr = task->GetTriggerCount(&count);
    if (FAILED(hr)) return hr;
    TaskComPtr<ITaskTrigger> trigger;
    if (onlyPlaceholder(task.get(), count)) {
        hr = task->GetTrigger(0, trigger.put());
    } else {
        WORD index = 0;
        hr = task->CreateTrigger(&index, trigger.put());
    }
    if (FAILED(hr)) return hr;
    TASK_TRIGGER t = ScheduledTriggerFor(plan);
    hr = trigger->SetTrigger(&t);
    if (FAILED(hr)) return hr;
    return save(task.get());
}

HRESULT FindScheduledTrigger(const ScheduledTaskSpec& plan, const std::string& name, int& index, TASK_TRIGGER* found) {
    TaskComApartment com;
    index = -1;
    std::wstring wname;
    HRESULT hr = wideName(name, wname);
    if (FAILED(hr)) return hr;
    TaskComPtr<ITaskScheduler> scheduler;
    TaskComPtr<ITask> task;
    hr = activate(wname, scheduler, task);
    if (FAILED(hr)) return hr;
    WORD count = 0;
    hr = task->GetTriggerCount(&count);
    if (FAILED(hr)) return hr;
    for (WORD i = 0; i < count; ++i) {
        TASK_TRIGGER t;
        hr = readTrigger(task.get(), i, t);
        if (FAILED(hr)) return hr;
        if (sameStart(t, plan)) {
            index = i;
            if (found) *found = t;
            return S_OK;
        }
    }
    return S_OK;
}

HRESULT DeleteScheduledTrigger(const std::string& name, int index, const TASK_TRIGGER& expected) {
    TaskComApartment com;
    std::wstring wname;
    HRESULT hr = wideName(name, wname);
    if (FAILED(hr)) return hr;
    TaskComPtr<ITaskScheduler> scheduler;
    TaskComPtr<ITask> task;
    hr = activate(wname, scheduler, task);
    if (FAILED(hr)) return hr;
    WORD count = 0;
    hr = task->GetTriggerCount(&count);
    if (FAILED(hr)) return hr;
    // The index came from an earlier read; another add or delete may have moved the trigger.
    int at = -1;
    TASK_TRIGGER t;
    if (index >= 0 && index < count && SUCCEEDED(readTrigger(task.get(), static_cast<WORD>(index), t)) &&
        SameTrigger(t, expected))
        at = index;
    for (WORD i = 0; at < 0 && i < count; ++i) {
        hr = readTrigger(task.get(), i, t);
        if (FAILED(hr)) return hr;
        if (SameTrigger(t, expected)) at = i;
    }
    if (at < 0) return SCHED_E_TRIGGER_NOT_FOUND;
    if (count == 1) {
        task.reset();
        return removeTask(scheduler.get(), wname);
    }
    hr = task->DeleteTrigger(static_cast<WORD>(at));
    if (FAILED(hr)) return hr;
    return save(task.get());
}

HRESULT DeleteScheduledTask(const std::string& name) {
    TaskComApartment com;
    std::wstring wname;
    HRESULT hr = wideName(name, wname);
    if (FAILED(hr)) return hr;
    TaskComPtr<ITaskScheduler> scheduler;
    hr = openScheduler(scheduler);
    if (FAILED(hr)) return hr;
    return removeTask(scheduler.get(), wname);
}
