// Scheduled scans on the real Task Scheduler: triggers read back, find, delete, list, names, COM rules.
#include <gtest/gtest.h>

#include <iterator>
#include <thread>

#include "settings/ScheduledTask.h"
#include "settings/ScheduledTaskAdd.h"
#include "settings/ScheduledTaskSupport.h"
#include "settings/ScheduledTaskText.h"

namespace {
const std::string TEST_TASK = "ZentharScheduleTest";

std::wstring jobFile(const std::wstring& name) {
    wchar_t dir[MAX_PATH];
    GetWindowsDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\Tasks\\" + name + L".job";
}

bool jobExists(const std::string& name) {
    std::wstring wide;
    return TaskAnsiToWide(name, wide) && GetFileAttributesW(jobFile(wide).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Opens a task directly, apart from the wrapper under test.
TaskComPtr<ITask> openTask(const std::string& name) {
    TaskComPtr<ITaskScheduler> scheduler;
    TaskComPtr<ITask> task;
    std::wstring wide;
    TaskAnsiToWide(name, wide);
    if (SUCCEEDED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                   scheduler.putVoid())))
        scheduler->Activate(wide.c_str(), IID_ITask, task.putUnknown());
    return task;
}

std::vector<TASK_TRIGGER> readTriggers(const std::string& name) {
    std::vector<TASK_TRIGGER> out;
    TaskComPtr<ITask> task = openTask(name);
    WORD count = 0;
    if (!task || FAILED(task->GetTriggerCount(&count))) return out;
    for (WORD i = 0; i < count; ++i) {
        TaskComPtr<ITaskTrigger> trigger;
        TASK_TRIGGER t{};
        t.cbTriggerSize = sizeof t;
        EXPECT_HRESULT_SUCCEEDED(task->GetTrigger(i, trigger.put()));
        EXPECT_HRESULT_SUCCEEDED(trigger->GetTrigger(&t));
        out.push_back(t);
    }
    return out;
}

std::string taskText(ITask* task, HRESULT (STDMETHODCALLTYPE ITask::*getter)(LPWSTR*)) {
    LPWSTR text = nullptr;
    if (FAILED((task->*getter)(&text)) || !text) return "<none>";
    std::string out;
    TaskWideToAnsi(text, out);
    CoTaskMemFree(text);
    return out;
}

// 2031-01-01 is a Wednesday; every test date lies years ahead so the scheduler never starts us.
ScheduledTaskSpec specAt(WORD year, WORD month, WORD day, WORD hour, WORD minute, int frequency) {
    ScheduledTaskSpec plan = ScheduledTaskSpecForThisProgram();
    plan.year = year;
    plan.month = month;
    plan.day = day;
    plan.startHour = hour;
    plan.startMinute = minute;
    plan.frequency = frequency;
    return plan;
}

// COM for the test thread and a task name that is removed before and after each test.
class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteScheduledTask(TEST_TASK); }
    void TearDown() override {
        HRESULT hr = DeleteScheduledTask(TEST_TASK);
        EXPECT_FALSE(jobExists(TEST_TASK)) << std::hex << hr;
    }
    TaskComApartment com_;
};

// Sets the user name Wine reports for this process, and puts the real one back.
class UserNameOverride {
public:
    explicit UserNameOverride(const wchar_t* name) {
        wchar_t buf[512];
        DWORD n = GetEnvironmentVariableW(L"WINEUSERNAME", buf, 512);
        had_ = n > 0 && n < 512;
        if (had_) old_ = buf;
        SetEnvironmentVariableW(L"WINEUSERNAME", name);
    }
    ~UserNameOverride() { SetEnvironmentVariableW(L"WINEUSERNAME", had_ ? old_.c_str() : nullptr); }

private:
    bool had_ = false;
    std::wstring old_;
};
}  // namespace

TEST(ScheduleText, TimeFormatLosesItsSeconds) {
    struct Case { const char* format; const char* separator; const char* expected; };
    const Case cases[] = {
        {"HH:mm:ss", ":", "HH:mm"},        {"h:mm:ss tt", ":", "h:mm tt"}, {"H:mm:s", ":", "H:mm"},
        {"tt hh.mm.ss", ".", "tt hh.mm"},  {"HH:mm", ":", "HH:mm"},       {"HHmmss", ":", "HHmmss"},
        {"H:m:s tt", ":", "H:m tt"},
    };
    for (const Case& c : cases) EXPECT_EQ(TimeFormatWithoutSeconds(c.format, c.separator), c.expected) << c.format;
}

TEST(ScheduleText, TheLocalesPickerFormatShowsNoSeconds) {
    const std::string format = ScheduleTimePickerFormat();
    ASSERT_FALSE(format.empty());
    EXPECT_EQ(format.find('s'), std::string::npos) << format;
    SYSTEMTIME st{2031, 1, 3, 1, 14, 35, 50, 0};
    char buf[64] = "";
    ASSERT_GT(GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, format.c_str(), buf, sizeof buf), 0);
    EXPECT_NE(std::string(buf).find("35"), std::string::npos) << buf;
    EXPECT_EQ(std::string(buf).find("50"), std::string::npos) << buf;
}

TEST(ScheduleText, WeekdaysMatchThePlatformAndImpossibleDatesHaveNone) {
    struct Case { int y, m, d, weekday; };
    const Case cases[] = {
        {2031, 1, 1, 3},  {2026, 12, 9, 3}, {2000, 2, 29, 2}, {1601, 1, 1, 1}, {30827, 12, 31, 5},
        {2024, 12, 31, 2}, {1900, 2, 29, -1}, {2100, 2, 29, -1}, {2031, 4, 31, -1}, {2031, 13, 1, -1},
        {2031, 1, 0, -1}, {1600, 12, 31, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DayOfWeekOf(c.y, c.m, c.d), c.weekday) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(WeeklyDayMask(c.y, c.m, c.d), c.weekday < 0 ? 0u : 1u << c.weekday);
        SYSTEMTIME st{};
        st.wYear = static_cast<WORD>(c.y), st.wMonth = static_cast<WORD>(c.m), st.wDay = static_cast<WORD>(c.d);
        FILETIME ft;
        // The platform accepts some impossible dates, so it checks only the real ones.
        if (c.weekday >= 0 && SystemTimeToFileTime(&st, &ft) && FileTimeToSystemTime(&ft, &st)) {
            EXPECT_EQ(st.wDayOfWeek, c.weekday);
        }
    }
    EXPECT_EQ(WeeklyDayMask(2031, 1, 1), 8u);
    EXPECT_EQ(MonthlyDayMask(1), 1ul);
    EXPECT_EQ(MonthlyDayMask(31), 1ul << 30);
}

TEST(ScheduleText, TriggersAreDescribedInTheSchedulersWords) {
    auto words = [](int kind) {
        TriggerWords w;
        w.kind = kind;
        w.time = "10:00";
        w.date = "09/12/2026";
        return w;
    };
    TriggerWords weekly = words(TRIGGER_WEEKLY), weekly2 = weekly, daily3 = words(TRIGGER_DAILY);
    weekly.weekDays = 8;
    weekly2.weekDays = 2 | 32, weekly2.interval = 2;
    daily3.interval = 3, daily3.disabled = true;
    TriggerWords monthly = words(TRIGGER_MONTHLY_DATE), someMonths = monthly, dow = words(TRIGGER_MONTHLY_DAY_OF_WEEK);
    monthly.monthDays = 1ul << 30, monthly.months = 4095;
    someMonths.monthDays = 1 | (1ul << 14), someMonths.months = 1 | 4;
    dow.whichWeek = 5, dow.weekDays = 1, dow.months = 4095;
    const std::pair<TriggerWords, const char*> cases[] = {
        {weekly, "At 10:00 every Wednesday of every week, starting 09/12/2026"},
        {weekly2, "At 10:00 every Monday, Friday of every 2 weeks, starting 09/12/2026"},
        {words(TRIGGER_ONCE), "At 10:00 on 09/12/2026"},
        {words(TRIGGER_DAILY), "At 10:00 every day, starting 09/12/2026"},
        {daily3, "At 10:00 every 3 days, starting 09/12/2026 (disabled)"},
        {monthly, "At 10:00 on day 31 of every month, starting 09/12/2026"},
        {someMonths, "At 10:00 on day 1, 15 of January, March, starting 09/12/2026"},
        {dow, "At 10:00 on the last Sunday of every month, starting 09/12/2026"},
        {words(TRIGGER_AT_LOGON), "At logon"},
        {words(TRIGGER_AT_SYSTEM_START), "At system startup"},
    };
    for (const auto& c : cases) EXPECT_EQ(DescribeTrigger(c.first), c.second);

    // The same triggers in German, for the German add-schedule dialog's user (code page 1252).
    TriggerWords german[] = {weekly, weekly2, words(TRIGGER_ONCE), words(TRIGGER_DAILY), daily3, monthly, someMonths,
                             dow, words(TRIGGER_AT_LOGON), words(TRIGGER_ON_IDLE)};
    for (auto& w : german) w.date = "09.12.2026";
    const char* const inGerman[] = {
        "Um 10:00 jeden Mittwoch jeder Woche, ab 09.12.2026",
        "Um 10:00 jeden Montag, Freitag alle 2 Wochen, ab 09.12.2026",
        "Um 10:00 am 09.12.2026",
        "Um 10:00 jeden Tag, ab 09.12.2026",
        "Um 10:00 alle 3 Tage, ab 09.12.2026 (deaktiviert)",
        "Um 10:00 am Tag 31 jedes Monats, ab 09.12.2026",
        "Um 10:00 am Tag 1, 15 im Januar, M\xe4rz, ab 09.12.2026",
        "Um 10:00 am letzten Sonntag jedes Monats, ab 09.12.2026",
        "Bei Anmeldung",
        "Bei Leerlauf",
    };
    for (size_t i = 0; i < std::size(german); ++i) EXPECT_EQ(DescribeTrigger(german[i], UiLanguage::German), inGerman[i]);
}

TEST(ScheduleText, FlagsNamesAndMessages) {
    EXPECT_EQ(ScheduledTaskFlags(true), 193u);
    EXPECT_EQ(ScheduledTaskFlags(false), 192u);
    EXPECT_EQ(ScheduledTaskName(false), "Zenthar");
    EXPECT_EQ(ScheduledTaskName(true), "Zenthar" + ScheduledTaskUserName());
    EXPECT_STREQ(ScheduleOutcomeMessage(ScheduleOutcome::Success), "Schedule Creation Success!!");
    EXPECT_STREQ(ScheduleOutcomeMessage(ScheduleOutcome::Failed), "Schedule Creation Failed!!");
    EXPECT_STREQ(ScheduleOutcomeMessage(ScheduleOutcome::AlreadyScheduled), "Already Scheduled For This Time!!");

    ScheduledTaskSpec plan;
    SYSTEMTIME date{2031, 1, 3, 1, 0, 0, 0, 0}, time{2026, 12, 2, 9, 14, 35, 10, 0}, bad = time;
    bad.wHour = 25;
    SetScheduleFromPickers(plan, date, time, 2);
    EXPECT_EQ(plan.year * 10000 + plan.month * 100 + plan.day, 20310101);
    EXPECT_EQ(plan.dayOfWeek, 3);
    EXPECT_EQ(plan.startHour * 100 + plan.startMinute, 1435);
    EXPECT_EQ(plan.frequency, SCHEDULE_WEEKLY);
    SetScheduleFromPickers(plan, date, bad, 0);
    EXPECT_EQ(plan.startHour, 0xFFFF);
    EXPECT_EQ(plan.startMinute, 0xFFFF);
    EXPECT_EQ(plan.frequency, SCHEDULE_ONCE);
}

TEST_F(ScheduleTest, EachFrequencyIsStoredAsItsTrigger) {
    ScheduledTaskSpec plan = specAt(2031, 1, 1, 10, 0, SCHEDULE_WEEKLY);
    ASSERT_FALSE(plan.application.empty());
    ASSERT_HRESULT_SUCCEEDED(CreateScheduledTask(plan, TEST_TASK, true));
    EXPECT_TRUE(jobExists(TEST_TASK));
    const ScheduledTaskSpec plans[] = {plan, specAt(2031, 1, 31, 23, 59, SCHEDULE_MONTHLY),
                                       specAt(2032, 2, 29, 6, 5, SCHEDULE_DAILY), specAt(2033, 7, 4, 0, 0, SCHEDULE_ONCE)};
    for (const auto& s : plans) ASSERT_HRESULT_SUCCEEDED(AddScheduledTrigger(s, TEST_TASK));

    struct Expected { WORD y, m, d, h, min; TASK_TRIGGER_TYPE type; WORD interval, weekDays; DWORD days; WORD months; };
    const Expected expected[] = {
        {2031, 1, 1, 10, 0, TASK_TIME_TRIGGER_WEEKLY, 1, 8, 0, 0},
        {2031, 1, 31, 23, 59, TASK_TIME_TRIGGER_MONTHLYDATE, 0, 0, 1ul << 30, 4095},
        {2032, 2, 29, 6, 5, TASK_TIME_TRIGGER_DAILY, 1, 0, 0, 0},
        {2033, 7, 4, 0, 0, TASK_TIME_TRIGGER_ONCE, 0, 0, 0, 0},
    };
    // The platform's placeholder of a task saved without triggers is gone: exactly ours remain.
    const std::vector<TASK_TRIGGER> got = readTriggers(TEST_TASK);
    ASSERT_EQ(got.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const TASK_TRIGGER& t = got[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(t.cbTriggerSize, 48);
        EXPECT_EQ(t.wBeginYear, e.y);
        EXPECT_EQ(t.wBeginMonth, e.m);
        EXPECT_EQ(t.wBeginDay, e.d);
        EXPECT_EQ(t.wStartHour, e.h);
        EXPECT_EQ(t.wStartMinute, e.min);
        EXPECT_EQ(t.wEndYear + t.wEndMonth + t.wEndDay, 0);
        EXPECT_EQ(t.MinutesDuration + t.MinutesInterval + t.rgFlags, 0u);
        EXPECT_EQ(t.TriggerType, e.type);
        if (e.type == TASK_TIME_TRIGGER_DAILY) {
            EXPECT_EQ(t.Type.Daily.DaysInterval, e.interval);
        }
        if (e.type == TASK_TIME_TRIGGER_WEEKLY) {
            EXPECT_EQ(t.Type.Weekly.WeeksInterval, e.interval);
            EXPECT_EQ(t.Type.Weekly.rgfDaysOfTheWeek, e.weekDays);
        }
        if (e.type == TASK_TIME_TRIGGER_MONTHLYDATE) {
            EXPECT_EQ(t.Type.MonthlyDate.rgfDays, e.days);
            EXPECT_EQ(t.Type.MonthlyDate.rgfMonths, e.months);
        }
    }
    TaskComPtr<ITask> task = openTask(TEST_TASK);
    ASSERT_TRUE(task);
    EXPECT_EQ(taskText(task.get(), &ITask::GetApplicationName), plan.application);
    EXPECT_EQ(taskText(task.get(), &ITask::GetParameters), "scan");
    EXPECT_EQ(taskText(task.get(), &ITask::GetWorkingDirectory), plan.workingDirectory);
    DWORD flags = 0;
    EXPECT_HRESULT_SUCCEEDED(task->GetFlags(&flags));
    EXPECT_EQ(flags, 193u);
}

TEST_F(ScheduleTest, RefusalsChangeNothing) {
    const ScheduledTaskSpec good = specAt(2031, 1, 1, 10, 0, SCHEDULE_ONCE);
    ScheduledTaskSpec noYear = good, noApp = good, badFrequency = good;
    noYear.year = 0;
    noApp.application.clear();
    badFrequency.frequency = 5;
    EXPECT_EQ(CreateScheduledTask(noYear, TEST_TASK, false), E_FAIL);
    EXPECT_EQ(CreateScheduledTask(noApp, TEST_TASK, false), E_FAIL);
    EXPECT_EQ(CreateScheduledTask(good, "", false), E_FAIL);
    EXPECT_FALSE(jobExists(TEST_TASK));

    ASSERT_HRESULT_SUCCEEDED(CreateScheduledTask(good, TEST_TASK, true));
    ASSERT_HRESULT_SUCCEEDED(AddScheduledTrigger(good, TEST_TASK));
    EXPECT_EQ(AddScheduledTrigger(noYear, TEST_TASK), E_FAIL);
    EXPECT_EQ(AddScheduledTrigger(noApp, TEST_TASK), E_FAIL);
    EXPECT_EQ(AddScheduledTrigger(good, ""), E_FAIL);
    EXPECT_EQ(AddScheduledTrigger(badFrequency, TEST_TASK), E_INVALIDARG);
    EXPECT_EQ(CreateScheduledTask(good, TEST_TASK, true), static_cast<HRESULT>(0x80070050));
    ASSERT_EQ(readTriggers(TEST_TASK).size(), 1u);
    EXPECT_EQ(readTriggers(TEST_TASK)[0].wBeginYear, 2031);

    // Without do-not-replace the old task and its trigger are gone.
    ASSERT_HRESULT_SUCCEEDED(CreateScheduledTask(good, TEST_TASK, false));
    const std::vector<TASK_TRIGGER> fresh = readTriggers(TEST_TASK);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_NE(fresh[0].rgFlags & TASK_TRIGGER_FLAG_DISABLED, 0u);
}

TEST_F(ScheduleTest, NonNtTasksHaveNoInteractiveFlag) {
    ScheduledTaskSpec plan = specAt(2031, 1, 1, 10, 0, SCHEDULE_DAILY);
    plan.isNT = false;
    ASSERT_HRESULT_SUCCEEDED(CreateScheduledTask(plan, TEST_TASK, true));
    TaskComPtr<ITask> task = openTask(TEST_TASK);
    ASSERT_TRUE(task);
    DWORD flags = 0;
    EXPECT_HRESULT_SUCCEEDED(task->GetFlags(&flags));
    EXPECT_EQ(flags, 192u);
}

TEST_F(ScheduleTest, FindAndDeleteFollowTheTriggerNotTheIndex) {
    const ScheduledTaskSpec a = specAt(2031, 3, 1, 8, 0, SCHEDULE_ONCE), b = specAt(2031, 3, 2, 8, 0, SCHEDULE_DAILY),
                            c = specAt(2031, 3, 3, 8, 0, SCHEDULE_WEEKLY), absent = specAt(2031, 3, 3, 8, 1, SCHEDULE_ONCE);
    ASSERT_HRESULT_SUCCEEDED(CreateScheduledTask(a, TEST_TASK, true));
    for (const auto& s : {a, b, c}) ASSERT_HRESULT_SUCCEEDED(AddScheduledTrigger(s, TEST_TASK));

    int index = 7;
    TASK_TRIGGER foundA{}, foundC{};
    EXPECT_HRESULT_SUCCEEDED(FindScheduledTrigger(absent, TEST_TASK, index));
    EXPECT_EQ(index, -1);
    ASSERT_HRESULT_SUCCEEDED(FindScheduledTrigger(c, TEST_TASK, index, &foundC));
    EXPECT_EQ(index, 2);
    EXPECT_TRUE(SameTrigger(foundC, ScheduledTriggerFor(c)));
    int indexA = -1;
    ASSERT_HRESULT_SUCCEEDED(FindScheduledTrigger(a, TEST_TASK, indexA, &foundA));
    EXPECT_EQ(indexA, 0);

    // A deletes first, so C's remembered index 2 now points past the end: C is still the one deleted.
    ASSERT_HRESULT_SUCCEEDED(DeleteScheduledTrigger(TEST_TASK, indexA, foundA));
    ASSERT_HRESULT_SUCCEEDED(DeleteScheduledTrigger(TEST_TASK, index, foundC));
    std::vector<TASK_TRIGGER> left = readTriggers(TEST_TASK);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(SameTrigger(left[0], ScheduledTriggerFor(b)));
    // A trigger that is gone is not replaced by whatever sits at its index.
    EXPECT_EQ(DeleteScheduledTrigger(TEST_TASK, 0, foundC), SCHED_E_TRIGGER_NOT_FOUND);
    EXPECT_EQ(readTriggers(TEST_TASK).size(), 1u);
    EXPECT_EQ(FindScheduledTrigger(a, "ZentharNoSuchTask", index), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    // The last trigger takes the task with it rather than leaving the platform's placeholder.
    ASSERT_HRESULT_SUCCEEDED(DeleteScheduledTrigger(TEST_TASK, 0, left[0]));
    EXPECT_FALSE(jobExists(TEST_TASK));
}

TEST_F(ScheduleTest, TheListSpeaksTheLanguageAskedFor) {
    const ScheduledTaskSpec daily = specAt(2031, 1, 1, 10, 0, 2);
    ASSERT_HRESULT_SUCCEEDED(CreateScheduledTask(daily, TEST_TASK, true));
    ASSERT_HRESULT_SUCCEEDED(AddScheduledTrigger(daily, TEST_TASK));
    const struct {
        UiLanguage language;
        const char* begins;
    } rows[] = {{UiLanguage::English, "At "}, {UiLanguage::German, "Um "}};
    for (const auto& r : rows) {
        time_t lastRun = -1;
        std::vector<std::string> texts;
        ASSERT_HRESULT_SUCCEEDED(ListScheduledTriggers(TEST_TASK, lastRun, texts, nullptr, r.language));
        ASSERT_EQ(texts.size(), 1u);
        // The platform's own text only where it speaks the asked language to this user.
        if (!SystemSpeaks(r.language)) {
            EXPECT_EQ(texts[0].rfind(r.begins, 0), 0u) << texts[0];
        }
        EXPECT_NE(texts[0].find(r.language == UiLanguage::German ? "jeden Tag" : "every day"), std::string::npos)
            << texts[0];
    }
}

TEST_F(ScheduleTest, ListDescribesEveryTriggerAndANeverRunTask) {
    const ScheduledTaskSpec weekly = specAt(2031, 1, 1, 10, 0, SCHEDULE_WEEKLY), monthly = specAt(2031, 1, 31, 7, 30, SCHEDULE_MONTHLY);
    ASSERT_HRESULT_SUCCEEDED(CreateScheduledTask(weekly, TEST_TASK, true));
    for (const auto& s : {weekly, monthly}) ASSERT_HRESULT_SUCCEEDED(AddScheduledTrigger(s, TEST_TASK));
    time_t lastRun = 12345;
    std::vector<std::string> texts{"kept"};
    std::vector<TASK_TRIGGER> triggers;
    ASSERT_HRESULT_SUCCEEDED(ListScheduledTriggers(TEST_TASK, lastRun, texts, &triggers));
    EXPECT_EQ(lastRun, 0);
    ASSERT_EQ(texts.size(), 3u);
    ASSERT_EQ(triggers.size(), 2u);
    EXPECT_EQ(texts[0], "kept");
    // Wine has no text of its own, so ours shows, with the locale's formats.
    auto localeTime = [](WORD h, WORD m) {
        SYSTEMTIME st{2031, 1, 0, 1, h, m, 0, 0};
        char buf[64] = "";
        GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, buf, sizeof buf);
        return std::string(buf);
    };
    auto localeDate = [](WORD d) {
        SYSTEMTIME st{2031, 1, 0, d, 0, 0, 0, 0};
        char buf[64] = "";
        GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf);
        return std::string(buf);
    };
    EXPECT_EQ(texts[1], "At " + localeTime(10, 0) + " every Wednesday of every week, starting " + localeDate(1));
    EXPECT_EQ(texts[2], "At " + localeTime(7, 30) + " on day 31 of every month, starting " + localeDate(31));
    EXPECT_EQ(localeTime(10, 0).find(":00:"), std::string::npos);
    EXPECT_EQ(ListScheduledTriggers("ZentharNoSuchTask", lastRun, texts), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(texts.size(), 3u);
}

TEST_F(ScheduleTest, AddScanOutcomes) {
    const ScheduledTaskSpec first = specAt(2031, 5, 7, 9, 15, SCHEDULE_WEEKLY), later = specAt(2031, 5, 7, 9, 16, SCHEDULE_ONCE);
    ScheduledTaskSpec sameTimeOtherFrequency = first;
    sameTimeOtherFrequency.frequency = SCHEDULE_DAILY;
    EXPECT_EQ(AddScheduledScan(first, TEST_TASK), ScheduleOutcome::Success);
    EXPECT_EQ(readTriggers(TEST_TASK).size(), 1u);
    EXPECT_EQ(AddScheduledScan(sameTimeOtherFrequency, TEST_TASK), ScheduleOutcome::AlreadyScheduled);
    EXPECT_EQ(readTriggers(TEST_TASK).size(), 1u);
    EXPECT_EQ(AddScheduledScan(later, TEST_TASK), ScheduleOutcome::Success);
    EXPECT_EQ(readTriggers(TEST_TASK).size(), 2u);

    // A trigger the platform refuses leaves no half-made task behind; an unusable name fails.
    DeleteScheduledTask(TEST_TASK);
    ScheduledTaskSpec badTime = first;
    badTime.startHour = 0xFFFF;
    EXPECT_EQ(AddScheduledScan(badTime, TEST_TASK), ScheduleOutcome::Failed);
    EXPECT_FALSE(jobExists(TEST_TASK));
    EXPECT_EQ(AddScheduledScan(first, ""), ScheduleOutcome::Failed);
}

TEST_F(ScheduleTest, UserNamesAreConvertedWithTheAnsiCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "written for code page 1252, not " << GetACP();
    const std::string accented = "Jos\xE9";
    {
        UserNameOverride user(L"Jos\u00e9");
        const std::string name = ScheduledTaskName(true);
        EXPECT_EQ(name, "Zenthar" + accented);
        ASSERT_HRESULT_SUCCEEDED(CreateScheduledTask(specAt(2031, 1, 1, 10, 0, SCHEDULE_ONCE), name, true));
        EXPECT_NE(GetFileAttributesW(jobFile(L"ZentharJos\u00e9").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_HRESULT_SUCCEEDED(DeleteScheduledTask(name));
    }
    {
        // A letter outside the code page would name some other task: no name, so nothing is made.
        UserNameOverride user(L"Ji\u0159\u00ed");
        EXPECT_EQ(ScheduledTaskUserName(), "");
        EXPECT_EQ(ScheduledTaskName(true), "");
        ScheduledTaskSpec plan = specAt(2031, 1, 1, 10, 0, SCHEDULE_ONCE);
        EXPECT_EQ(AddScheduledScan(plan, ScheduledTaskName(true)), ScheduleOutcome::Failed);
    }
}

TEST(ScheduleCom, FindListAndDeleteBringAndBalanceTheirOwnCom) {
    struct Case { const char* label; DWORD model; };
    const Case cases[] = {{"no COM", 0xFFFFFFFF}, {"multithreaded", COINIT_MULTITHREADED}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HRESULT found = E_UNEXPECTED, listed = E_UNEXPECTED, after = E_UNEXPECTED;
        std::thread([&] {
            if (c.model != 0xFFFFFFFF) CoInitializeEx(nullptr, c.model);
            int index = 0;
            time_t last = 0;
            std::vector<std::string> texts;
            found = FindScheduledTrigger(specAt(2031, 1, 1, 1, 1, 1), "ZentharNoSuchTask", index);
            listed = ListScheduledTriggers("ZentharNoSuchTask", last, texts);
            // The thread is back in the state it started in.
            after = CoInitializeEx(nullptr, c.model == 0xFFFFFFFF ? DWORD(COINIT_APARTMENTTHREADED) : c.model);
            if (SUCCEEDED(after)) CoUninitialize();
            if (c.model != 0xFFFFFFFF) CoUninitialize();
        }).join();
        EXPECT_EQ(found, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(listed, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(after, c.model == 0xFFFFFFFF ? S_OK : S_FALSE);
    }
}
