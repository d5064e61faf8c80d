// The add-schedule dialog driven as a user would: its pickers set with their own messages, OK and
// Cancel pressed through xdotool, the message box read from its window and answered; the real Task
// Scheduler under Wine holds the result.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "app/screens/AddScheduleDialog.h"
#include "resources/resource.h"
#include "settings/ScheduledTask.h"
#include "support/WindowTestKit.h"

namespace {
const char GERMAN_TITLE[] = "Zeitplanung hinzuf\xfc"
                            "gen";
const char ENGLISH_TITLE[] = "Add schedule";

SYSTEMTIME at(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second = 0) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = hour;
    t.wMinute = minute;
    t.wSecond = second;
    // The pickers want a consistent weekday.
    FILETIME f;
    SystemTimeToFileTime(&t, &f);
    FileTimeToSystemTime(&f, &t);
    return t;
}

std::string className(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string windowText(HWND hwnd) {
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string center(HWND control) {
    RECT r;
    GetClientRect(control, &r);
    return ScreenXY(control, r.right / 2, r.bottom / 2);
}

// EnumThreadWindows: a visible dialog other than the owner in .first, owned by it, into .second.
BOOL CALLBACK findMessageBox(HWND w, LPARAM p) {
    auto* context = reinterpret_cast<std::pair<HWND, HWND>*>(p);
    if (w == context->first || className(w) != "#32770" || GetWindow(w, GW_OWNER) != context->first ||
        !IsWindowVisible(w))
        return TRUE;
    context->second = w;
    return FALSE;
}

// The dialog running modally on a thread of its own, as the sub-screen's click runs it on the
// window thread; the test thread plays the user.
class RunningDialog {
public:
    explicit RunningDialog(UiLanguage language = UiLanguage::German) {
        thread_ = std::thread([this, language] {
            result_ = RunAddScheduleDialog(nullptr, language);
            done_ = true;
        });
        const char* title = language == UiLanguage::German ? GERMAN_TITLE : ENGLISH_TITLE;
        PumpUntil([this, title] { return (dialog = FindWindowA("#32770", title)) != nullptr; });
        if (dialog) {
            PumpUntil([this] { return IsWindowVisible(dialog) != FALSE; });
            SetForegroundWindow(dialog);
            PumpUntil([this] { return GetForegroundWindow() == dialog; }, 2000);
        }
    }
    ~RunningDialog() {
        if (!done_ && dialog) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        thread_.join();
    }
    HWND item(int id) const { return GetDlgItem(dialog, id); }
    // The message box the dialog shows over itself, or null.
    HWND messageBox() const {
        std::pair<HWND, HWND> context{dialog, nullptr};
        EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), &findMessageBox,
                          reinterpret_cast<LPARAM>(&context));
        return context.second;
    }
    bool ended(DWORD ms = 8000) const {
        return PumpUntil([this] { return done_.load(); }, ms);
    }
    INT_PTR result() const { return result_; }

    HWND dialog = nullptr;

private:
    std::thread thread_;
    std::atomic<bool> done_{false};
    INT_PTR result_ = 0;
};

// The texts of a message box's static controls (its message; the icon's static has none).
std::string messageText(HWND box) {
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (className(child) == "Static") text += windowText(child);
    }
    return text;
}

// This program's task, removed before and after each test.
class ScheduleDialog : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteScheduledTask(name);
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_DATE_CLASSES};
        InitCommonControlsEx(&classes);
    }
    void TearDown() override { DeleteScheduledTask(name); }
    std::vector<TASK_TRIGGER> triggers() {
        time_t lastRun = -1;
        std::vector<std::string> descriptions;
        std::vector<TASK_TRIGGER> list;
        ListScheduledTriggers(name, lastRun, descriptions, &list);
        return list;
    }
    const std::string name = ScheduledTaskName(IsNtSystem());
};

struct OkRow {
    const char* what;
    SYSTEMTIME date, time;
    int radio;
    const char* message;
    size_t triggers;
};
}  // namespace

TEST_F(ScheduleDialog, StartsAtNowWithOnceAndAMinuteFormat) {
    ASSERT_FALSE(name.empty());
    SYSTEMTIME before;
    GetLocalTime(&before);
    RunningDialog d;
    ASSERT_TRUE(d.dialog) << "dialog 139 shows";
    RECT client;
    GetClientRect(d.dialog, &client);
    RECT units{0, 0, 274, 122};
    MapDialogRect(d.dialog, &units);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);

    SYSTEMTIME date{}, time{};
    EXPECT_EQ(DateTime_GetSystemtime(d.item(IDC_START_DATE), &date), GDT_VALID);
    EXPECT_EQ(DateTime_GetSystemtime(d.item(IDC_START_TIME), &time), GDT_VALID);
    for (const SYSTEMTIME* t : {&date, &time}) {
        EXPECT_EQ(t->wYear, before.wYear);
        EXPECT_EQ(t->wMonth, before.wMonth);
        EXPECT_EQ(t->wDay, before.wDay);
        EXPECT_LE(std::abs((t->wHour * 60 + t->wMinute) - (before.wHour * 60 + before.wMinute)), 1);
    }
    const int radios[] = {IDC_FREQ_ONCE, IDC_FREQ_DAILY, IDC_FREQ_WEEKLY, IDC_FREQ_MONTHLY};
    for (int id : radios) {
        EXPECT_EQ(IsDlgButtonChecked(d.dialog, id), id == IDC_FREQ_ONCE ? BST_CHECKED : BST_UNCHECKED) << id;
    }
    // The time picker shows hours and minutes but no seconds.
    const SYSTEMTIME shown = at(2030, 6, 5, 10, 24, 47);
    DateTime_SetSystemtime(d.item(IDC_START_TIME), GDT_VALID, &shown);
    const std::string text = windowText(d.item(IDC_START_TIME));
    EXPECT_NE(text.find("24"), std::string::npos) << text;
    EXPECT_EQ(text.find("47"), std::string::npos) << text;
}

TEST_F(ScheduleDialog, OkAddsToOneTaskAndRefusesTheSameMinuteTwice) {
    const OkRow rows[] = {
        {"first OK makes the task", at(2031, 3, 12, 0, 0), at(2031, 3, 12, 10, 15), IDC_FREQ_WEEKLY,
         "Schedule Creation Success!!", 1},
        {"same date and time, other frequency", at(2031, 3, 12, 0, 0), at(2030, 1, 1, 10, 15, 30), IDC_FREQ_DAILY,
         "Already Scheduled For This Time!!", 1},
        {"another time adds a trigger", at(2031, 3, 12, 0, 0), at(2031, 3, 12, 11, 45), IDC_FREQ_MONTHLY,
         "Schedule Creation Success!!", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        RunningDialog d;
        ASSERT_TRUE(d.dialog);
        SendMessageA(d.item(IDC_START_DATE), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&row.date));
        SendMessageA(d.item(IDC_START_TIME), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&row.time));
        HWND radio = d.item(row.radio);
        ASSERT_TRUE(Xdo("mousemove " + ScreenXY(radio, 6, 6) + " click 1"));
        ASSERT_EQ(IsDlgButtonChecked(d.dialog, row.radio), BST_CHECKED);
        ASSERT_TRUE(Xdo("mousemove " + center(d.item(IDOK)) + " click 1"));

        HWND box = nullptr;
        ASSERT_TRUE(PumpUntil([&] { return (box = d.messageBox()) != nullptr; }, 10000)) << "no message box";
        EXPECT_EQ(messageText(box), row.message);
        EXPECT_EQ(windowText(box), ADD_SCHEDULE_MESSAGE_CAPTION);
        EXPECT_FALSE(d.ended(200)) << "the dialog waits for the message box";
        SetForegroundWindow(box);
        ASSERT_TRUE(Xdo("key Return"));
        ASSERT_TRUE(d.ended());
        EXPECT_EQ(d.result(), IDOK);
        EXPECT_EQ(triggers().size(), row.triggers);
    }
    const std::vector<TASK_TRIGGER> list = triggers();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].TriggerType, TASK_TIME_TRIGGER_WEEKLY);
    EXPECT_EQ(list[0].Type.Weekly.rgfDaysOfTheWeek, 8) << "a Wednesday";
    EXPECT_EQ(list[0].wStartHour, 10);
    EXPECT_EQ(list[0].wStartMinute, 15);
    EXPECT_EQ(list[1].TriggerType, TASK_TIME_TRIGGER_MONTHLYDATE);
    EXPECT_EQ(list[1].Type.MonthlyDate.rgfDays, 1u << 11);
    EXPECT_EQ(list[1].Type.MonthlyDate.rgfMonths, 4095);
    EXPECT_EQ(list[1].wStartHour, 11);
    EXPECT_EQ(list[1].wStartMinute, 45);
    for (const auto& t : list) {
        EXPECT_EQ(t.wBeginYear, 2031);
        EXPECT_EQ(t.wBeginMonth, 3);
        EXPECT_EQ(t.wBeginDay, 12);
    }
}

TEST_F(ScheduleDialog, CancelAddsNothing) {
    RunningDialog d;
    ASSERT_TRUE(d.dialog);
    ASSERT_TRUE(Xdo("mousemove " + center(d.item(IDCANCEL)) + " click 1"));
    ASSERT_TRUE(d.ended());
    EXPECT_EQ(d.result(), IDCANCEL);
    EXPECT_TRUE(triggers().empty());
}

TEST_F(ScheduleDialog, SpeaksEnglishOrGermanAsAsked) {
    const struct {
        UiLanguage language;
        const char* title;
        const char* texts[8];  // the labels, the frame, the four radios, Cancel
    } versions[] = {
        {UiLanguage::English, ENGLISH_TITLE,
         {"Start date", "Start time", "Frequency", "Once", "Daily", "Weekly", "Monthly", "Cancel"}},
        {UiLanguage::German, GERMAN_TITLE,
         {"Datum starten", "Zeit starten", "Frequenz", "Sofort", "T\xe4glich", "W\xf6" "chentlich", "Monatlich",
          "Abbrechen"}},
    };
    const char* folder = std::getenv("ZENTHAR_SCREENSHOTS");
    for (const auto& v : versions) {
        SCOPED_TRACE(v.title);
        RunningDialog d(v.language);
        ASSERT_TRUE(d.dialog);
        EXPECT_EQ(windowText(d.dialog), v.title);
        std::vector<std::string> shown;
        for (HWND child = GetWindow(d.dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            shown.push_back(windowText(child));
        for (const char* text : v.texts)
            EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end()) << text;
        EXPECT_EQ(windowText(d.item(IDC_FREQ_ONCE)), v.texts[3]);
        if (folder && *folder) {
            RECT r{};
            GetWindowRect(d.dialog, &r);
            const std::string geometry = std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                                         "+" + std::to_string(r.left) + "+" + std::to_string(r.top);
            EXPECT_TRUE(RunHost("/usr/bin/import -window root -crop " + geometry + " +repage " + folder +
                                "/add-schedule-" + (v.language == UiLanguage::German ? "de" : "en") + ".png"));
        }
        ASSERT_TRUE(Xdo("mousemove " + center(d.item(IDCANCEL)) + " click 1"));
        ASSERT_TRUE(d.ended());
    }
}
