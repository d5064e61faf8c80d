// Sub-screens with the built-in skin: settings loads, clicks as a user makes them, the lists, restore.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/AppFlags.h"
#include "app/main/MainDialog.h"
#include "app/screens/SubScreen.h"
#include "app/screens/SubScreenRows.h"
#include "app/progress/ThreadSummary.h"
#include "framework/ComPtr.h"
#include "engine/Findings.h"
#include "engine/RegistryLib.h"
#include "platform/DataFolder.h"
#include "resources/resource.h"
#include "routines/RepairLog.h"
#include "settings/ClockTime.h"
#include "settings/ScanClock.h"
#include "settings/ScanClockText.h"
#include "settings/ScheduledTask.h"
#include "settings/ScheduledTaskAdd.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"
#include "settings/StartupEntry.h"
#include "skin/SkinDialog.h"
#include "support/RegistryTree.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {

const std::string SETTINGS = std::string("HKEY_LOCAL_MACHINE\\") + SETTINGS_KEY_PATH;
const std::string RUN = std::string("HKEY_LOCAL_MACHINE\\") + RUN_KEY_PATH;

// ---- pure row arithmetic ----

TEST(IgnoredRows, TickedRowsNameTheEntriesTheUserSaw) {
    const std::vector<std::string> five = {"a", "b", "c", "d", "e"};
    auto rows = [](std::vector<std::string> paths, std::vector<int> ticked) {
        std::vector<IgnoredRow> r;
        for (auto& p : paths) r.push_back({p, false});
        for (int t : ticked) r[static_cast<size_t>(t)].ticked = true;
        return r;
    };
    const struct {
        const char* what;
        std::vector<IgnoredRow> rows;
        std::vector<std::string> entries;
        std::vector<int> slots;
    } cases[] = {
        {"unchanged file: by index", rows(five, {1, 3}), five, {1, 3}},
        {"nothing ticked", rows(five, {}), five, {}},
        {"a line added in front since", rows(five, {1, 3}), {"new", "a", "b", "c", "d", "e"}, {2, 4}},
        {"a ticked line already gone", rows(five, {1, 3}), {"a", "c", "d", "e"}, {2}},
        {"the second of two equal lines", rows({"x", "y", "x"}, {2}), {"x", "y", "x"}, {2}},
        {"equal lines, the first of them removed since", rows({"x", "y", "x"}, {2}), {"y", "x"}, {}},
        {"empty lines count too", rows({"", "a", ""}, {0, 2}), {"", "a", ""}, {0, 2}},
        {"file emptied since", rows(five, {0, 4}), {}, {}},
        {"the middle of three equal lines", rows({"x", "x", "x"}, {1}), {"x", "x", "x"}, {1}},
        {"equal lines interleaved", rows({"x", "y", "x", "y"}, {1, 2}), {"x", "y", "x", "y"}, {1, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IgnoreSlotsToDelete(c.rows, c.entries), c.slots);
    }
}

TEST(ScheduleRows, LastRunIsNeverOrTheLocalTime) {
    EXPECT_EQ(LastRunText(0), "Never");
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = 7;
    t.tm_min = 5;
    t.tm_sec = 9;
    t.tm_isdst = -1;
    EXPECT_EQ(LastRunText(mktime(&t)), "07:05:09 08-12-26");
}

// ---- the windows ----

// The program's main window with its sub-screens and the built-in skin, modeless so that the test
// drives it.
class HostWindow : public CMainDialog {
public:
    bool Open() {
        if (!CreateModeless(IDD_SKINNED, nullptr)) return false;
        SetWindowPos(hwnd(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        ShowSubScreen(SUBMAIN_MAIN);
        UpdateWindow(hwnd());
        // Open once the window has painted and first waited for input, its hidden sub-screens built.
        PumpUntil([&] { return firstIdle; }, 10000);
        return true;
    }
    AppSubScreen* Screen(const std::string& n) {
        for (auto& s : screens)
            if (s->name == n) return dynamic_cast<AppSubScreen*>(s.get());
        return nullptr;
    }
    std::string Shown() {
        std::string names;
        for (auto& s : screens)
            if (IsWindowVisible(s->hwnd())) names += s->name;
        return names;
    }
    bool firstIdle = false;

protected:
    void OnFirstIdle() override {
        CMainDialog::OnFirstIdle();
        firstIdle = true;
    }
};

// Where the built-in skin places the controls the tests click, in their sub-screen's client area.
struct Placed {
    const char* screen;
    const char* button;
    RECT rect;  // left, top, width, height
};
const Placed PLACED[] = {
    {SUBMAIN_MAIN, "BUTTON_ALL", {12, 29, 9, 9}},
    {SUBMAIN_MAIN, "BUTTON_COM", {12, 44, 9, 9}},
    {SUBMAIN_MAIN, "BUTTON_APPPATH", {12, 96, 9, 9}},
    {SUBMAIN_MAIN, "BUTTON_STARTUP", {12, 135, 9, 9}},
    {SUBMAIN_MAIN, "BUTTON_SCAN", {189, 195, 148, 22}},
    {SUBMAIN_SCHEDULE, "BUTTON_START_EVERY", {14, 49, 10, 10}},
    {SUBMAIN_SCHEDULE, "BUTTON_START_AFTER_EVERY", {14, 73, 10, 10}},
    {SUBMAIN_SCHEDULE, "BUTTON_START_AFTER_EVERY_MONTH", {232, 73, 10, 10}},
    {SUBMAIN_SCHEDULE, "BUTTON_START_AFTER_EVERY_WEEK", {170, 73, 10, 10}},
    {SUBMAIN_SCHEDULE, "BUTTON_START_AFTER_EVERY_DAY", {114, 73, 10, 10}},
    {SUBMAIN_SCHEDULE, "BUTTON_AUTOSCAN_ENABLE", {295, 5, 42, 20}},
    {SUBMAIN_SCHEDULE, "BUTTON_ADDSCHEDULE", {270, 141, 67, 24}},
    {SUBMAIN_SCHEDULE, "BUTTON_DELETESCHEDULE", {270, 171, 67, 24}},
    {SUBMAIN_SCHEDULE_DISABLED, "BUTTON_START_EVERY", {14, 49, 10, 10}},
    {SUBMAIN_SCHEDULE_DISABLED, "BUTTON_AUTOSCAN_ENABLE", {295, 5, 42, 20}},
    {SUBMAIN_SCHEDULE_DISABLED, "BUTTON_ADDSCHEDULE", {270, 141, 67, 24}},
    {SUBMAIN_SCHEDULE_DISABLED, "BUTTON_DELETESCHEDULE", {270, 171, 67, 24}},
    {SUBMAIN_IGNORED, "BUTTON_IGNORED_DELETE", {203, 191, 134, 24}},
    {SUBMAIN_IGNORED, "BUTTON_IGNORED_SEL_ALL", {14, 198, 10, 10}},
    {SUBMAIN_ADVANCED, "BUTTON_STARTUP", {14, 34, 10, 10}},
    {SUBMAIN_ADVANCED, "BUTTON_AUTOSCAN", {14, 67, 10, 10}},
    {SUBMAIN_ADVANCED, "BUTTON_BACKUP", {14, 100, 10, 10}},
    {SUBMAIN_ADVANCED, "BUTTON_RESTORE", {12, 188, 176, 24}},
    {SUBMAIN_ABOUT, "BUTTON_ABOUTEXIT", {0, 0, 349, 219}},
};

// A real click in the middle of where the skin puts `button` on `screen`, which must be shown.
void Click(HostWindow& w, const char* screen, const char* button) {
    for (const Placed& p : PLACED) {
        if (std::string(p.screen) != screen || std::string(p.button) != button) continue;
        AppSubScreen* s = w.Screen(screen);
        ASSERT_NE(s, nullptr) << screen;
        const int x = p.rect.left + p.rect.right / 2, y = p.rect.top + p.rect.bottom / 2;
        POINT pt{x, y};
        CSkinButton* b = s->store.FindButton(button);
        ASSERT_NE(b, nullptr) << button;
        ASSERT_EQ(ChildWindowFromPoint(s->hwnd(), pt), b->hwnd()) << button << " is where the skin puts it";
        ASSERT_TRUE(Xdo("mousemove " + ScreenXY(s->hwnd(), x, y) + " click 1"));
        PumpFor(100);
        return;
    }
    FAIL() << button << " is not in the table";
}

int Tick(HostWindow& w, const char* screen, const char* button) {
    return w.Screen(screen)->store.GetButtonCheck(button);
}

// The values of the settings key as "name=data" lines (numbers in decimal).
std::string SettingsText() {
    std::string text;
    for (const auto& key : SnapshotTree(SETTINGS)) {
        for (const auto& v : key.second) {
            text += key.first + v.first + "=";
            if (v.second.type == REG_DWORD && v.second.bytes.size() == 4)
                text += std::to_string(*reinterpret_cast<const DWORD*>(v.second.bytes.data()));
            else
                text += std::string(v.second.bytes.begin(), v.second.bytes.end()).c_str();
            text += ";";
        }
    }
    return text;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}

bool Has(const char* value) { return ValueExists(SETTINGS, value); }

std::string Label(HostWindow& w, const char* screen, const char* label) {
    CSkinLabel* l = w.Screen(screen)->store.FindLabel(label);
    return l ? l->Text() : "<no label " + std::string(label) + ">";
}

// The sentence the page shows for a stored time.
std::string NextLine(DWORD stored) {
    LocalStamp at;
    return UnixToLocalStamp(stored, at) ? NextScanText(true, at) : "<no local time>";
}

DWORD Number(const char* value) {
    HKEY k = nullptr;
    DWORD data = 0, size = sizeof data;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, 0, KEY_READ, &k) == ERROR_SUCCESS) {
        RegQueryValueExA(k, value, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
        RegCloseKey(k);
    }
    return data;
}

// A visible dialog with this caption that has an owner (a message box or a file dialog, never the
// main window, which has the program's name as its caption too).
struct DialogSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchOwnedDialog(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<DialogSearch*>(p);
    char cls[32] = {}, text[256] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(h) || !GetWindow(h, GW_OWNER)) return TRUE;
    // Read without sending WM_GETTEXT: the window's thread may be the test's own, waiting for
    // this searching thread to end.
    wchar_t wide[256] = {};
    InternalGetWindowText(h, wide, 256);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    if (std::string(text) == s->caption) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND OwnedDialog(const char* caption) {
    DialogSearch search{caption, nullptr};
    EnumWindows(MatchOwnedDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Returns once the dialog's thread has finished creating it and waits for input again.
void waitUntilIdle(HWND dialog) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer);
}

// Waits on its own thread for a visible dialog that `match` accepts, and acts on it once as a user
// would (the action fills in controls and presses a button).
class DialogDriver {
public:
    DialogDriver(std::function<bool(HWND)> match, std::function<void(HWND)> act)
        : match_(std::move(match)), act_(std::move(act)), thread_([this] { run(); }) {}
    ~DialogDriver() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool done() const { return done_; }

private:
    static BOOL CALLBACK visit(HWND h, LPARAM self) {
        auto* d = reinterpret_cast<DialogDriver*>(self);
        char cls[32] = {};
        GetClassNameA(h, cls, sizeof cls);
        if (std::string(cls) != "#32770" || !IsWindowVisible(h) || !d->match_(h)) return TRUE;
        d->found_ = h;
        return FALSE;
    }
    void run() {
        while (!stop_ && !done_) {
            found_ = nullptr;
            EnumWindows(visit, reinterpret_cast<LPARAM>(this));
            if (found_) {
                waitUntilIdle(found_);
                act_(found_);
                done_ = true;
            }
            Sleep(30);
        }
    }
    std::function<bool(HWND)> match_;
    std::function<void(HWND)> act_;
    HWND found_ = nullptr;
    std::atomic<bool> stop_{false}, done_{false};
    std::thread thread_;
};

BOOL CALLBACK FirstVisibleEdit(HWND child, LPARAM out) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") != 0 || !IsWindowVisible(child)) return TRUE;
    *reinterpret_cast<HWND*>(out) = child;
    return FALSE;
}

// Types `path` into the file-open dialog titled `title` and presses OK.
std::unique_ptr<DialogDriver> PickFile(const char* title, const std::string& path) {
    return std::make_unique<DialogDriver>([title](HWND h) { return h == OwnedDialog(title); },
                                          [path](HWND dialog) {
                                              HWND name = nullptr;
                                              EnumChildWindows(dialog, FirstVisibleEdit, reinterpret_cast<LPARAM>(&name));
                                              SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
                                              PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                                          });
}

// Chooses the frequency `radio` in the add-schedule dialog and presses OK.
std::unique_ptr<DialogDriver> AddSchedule(int radio) {
    // The date picker tells the dialog apart from the main window, which is a dialog too.
    auto isDialog139 = [](HWND h) {
        char cls[32] = {};
        HWND date = GetDlgItem(h, IDC_START_DATE);
        return date && GetClassNameA(date, cls, sizeof cls) && std::string(cls) == "SysDateTimePick32";
    };
    return std::make_unique<DialogDriver>(isDialog139,
                                          [radio](HWND dialog) {
                                              SendMessageA(GetDlgItem(dialog, radio), BM_CLICK, 0, 0);
                                              PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                                          });
}

// Answers the dialogs that appear with `caption` on its own thread: each press in `answers` in turn
// (IDOK, IDYES, ...), and keeps the texts of each box.
class DialogAnswerer {
public:
    DialogAnswerer(const char* caption, std::vector<int> answers)
        : caption_(caption), answers_(std::move(answers)), thread_([this] { run(); }) {}
    ~DialogAnswerer() { stop(); }
    std::vector<std::string> texts() {
        stop();
        return texts_;
    }
    int answered() const { return answered_.load(); }

private:
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    void run() {
        size_t next = 0;
        while (!stop_ && next < answers_.size()) {
            HWND box = OwnedDialog(caption_.c_str());
            if (box) {
                waitUntilIdle(box);
                std::string text;
                EnumChildWindows(box, &DialogAnswerer::collect, reinterpret_cast<LPARAM>(&text));
                texts_.push_back(text);
                PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(answers_[next++]), 0);
                ++answered_;
                while (!stop_ && IsWindow(box)) Sleep(20);
            }
            Sleep(20);
        }
    }
    static BOOL CALLBACK collect(HWND child, LPARAM out) {
        char cls[32] = {}, text[512] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0)
            *reinterpret_cast<std::string*>(out) += text;
        return TRUE;
    }
    std::string caption_;
    std::vector<int> answers_;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    std::vector<std::string> texts_;
    std::thread thread_;
};

class SubScreens : public testing::Test {
protected:
    static void SetUpTestSuite() { ole_ = std::make_unique<ComInit>(); }
    static void TearDownTestSuite() { ole_.reset(); }
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        scratch_ = std::make_unique<ScratchDir>("subscreens");
        DeleteKeyPath(SETTINGS);  // a first start
        ClearRunValue();
        scanInProgress = 0;
        scanAtStart = 0;
    }
    void TearDown() override {
        scanInProgress = 0;
        scanAtStart = 0;
        DeleteKeyPath(SETTINGS);
        ClearRunValue();
        scratch_.reset();
    }
    static void ClearRunValue() {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
            RegDeleteValueA(k, STARTUP_VALUE_NAME);
            RegCloseKey(k);
        }
    }
    static std::unique_ptr<ComInit> ole_;
    std::unique_ptr<ScratchDir> scratch_;
};
std::unique_ptr<ComInit> SubScreens::ole_;

const char* const CATEGORIES[] = {"BUTTON_COM",   "BUTTON_COM_SUBS", "BUTTON_DRV",       "BUTTON_HELP",
                                  "BUTTON_APPPATH", "BUTTON_SHARED_TOOLS", "BUTTON_FONTS", "BUTTON_STARTUP",
                                  "BUTTON_UNINSTALL", "BUTTON_FILETYPES", "BUTTON_SHORTCUTS"};

int TickedCategories(HostWindow& w) {
    int n = 0;
    for (const char* c : CATEGORIES) n += Tick(w, SUBMAIN_MAIN, c) ? 1 : 0;
    return n + (Tick(w, SUBMAIN_MAIN, "BUTTON_ALL") ? 1 : 0);
}

TEST_F(SubScreens, FirstStartTicksEveryCategoryAndStoresTheWeeklyDefault) {
    HostWindow w;
    ASSERT_TRUE(w.Open());
    ASSERT_EQ(w.screens.size(), 8u);
    EXPECT_EQ(TickedCategories(w), 12);
    // The shared name: the start-with-Windows option stays off when the program is not registered.
    EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, "BUTTON_STARTUP"), 0);
    EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, "BUTTON_AUTOSCAN"), 0);
    EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, "BUTTON_BACKUP"), 0);
    EXPECT_EQ(TheScanClock().autoScanEnabled, 0);
    EXPECT_EQ(scanAtStart.load(), 0);
    // Scanning off: the default schedule was applied once.
    EXPECT_TRUE(Has("scanafterevery"));
    EXPECT_TRUE(Has("scanweek"));
    EXPECT_FALSE(Has("scanevery") || Has("scanday") || Has("scanmonth") || Has("enablescan"));
    EXPECT_EQ(Number("scanperiod"), 7u * 86400) << "the week the screen shows";
    EXPECT_EQ(w.Screen(SUBMAIN_SCHEDULE)->store.GetEditText("EDIT_SCAN_PERIOD"), "4");
    for (const char* screen : {SUBMAIN_SCHEDULE, SUBMAIN_SCHEDULE_DISABLED}) {
        EXPECT_EQ(Label(w, screen, "TEXT_SCHEDULE_NEXT"), "Automatic scans are off") << screen;
        EXPECT_EQ(Label(w, screen, "TEXT_SCHEDULE_LAST"), "Last scan: none yet") << screen;
    }
    EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE, "BUTTON_START_AFTER_EVERY_WEEK"), 1);
    EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_START_AFTER_EVERY_WEEK"), 1) << "the twin shows the same";
    // The lists of the built-in skin: ignored (empty file), results, and the schedule pair's.
    EXPECT_EQ(w.Screen(SUBMAIN_IGNORED)->list->ItemCount(), 0);
    EXPECT_NE(w.Screen(SUBMAIN_SCHEDULE)->list, nullptr);
    EXPECT_NE(w.Screen("SUBMAIN_RESULT")->list, nullptr);
}

TEST_F(SubScreens, StoredOptionsAreLoadedIntoTheirControls) {
    {
        SeededKey settings(SETTINGS);
        settings.setString("autoscan", "0");  // only presence counts
        settings.setString("savereg", "1");
        settings.setString("enablescan", "1");
        settings.setString("scanevery", "1");
        settings.setString("scanminutes", "15");
        settings.setDword("scanperiod", 900);
        SeededValue run(RUN, STARTUP_VALUE_NAME, "C:\\Zenthar\\Zenthar.exe");
        // `autoscan` asks the main window for a scan as soon as it is up; it ends with its message.
        DialogAnswerer complete("Zenthar", {IDOK});
        HostWindow w;
        ASSERT_TRUE(w.Open());
        ASSERT_TRUE(PumpUntil([&] { return scanInProgress.load() == 0; }, 240000)) << "the scan at start ends";
        EXPECT_EQ(complete.texts(), std::vector<std::string>{"Scan Complete"});
        EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, "BUTTON_STARTUP"), 1);
        EXPECT_EQ(Tick(w, SUBMAIN_MAIN, "BUTTON_STARTUP"), 1);
        EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, "BUTTON_AUTOSCAN"), 1);
        EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, "BUTTON_BACKUP"), 1);
        EXPECT_EQ(scanAtStart.load(), 1);
        EXPECT_EQ(TheScanClock().autoScanEnabled, 1);
        EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE, "BUTTON_AUTOSCAN_ENABLE"), 1);
        EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE, "BUTTON_START_EVERY"), 1);
        EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE, "BUTTON_START_AFTER_EVERY"), 0) << "no default schedule while on";
        EXPECT_EQ(w.Screen(SUBMAIN_SCHEDULE)->store.GetEditText("EDIT_SCAN_PERIOD"), "15");
        EXPECT_EQ(Number("scanperiod"), 900u) << "nothing applied at start while scanning is on";
        w.Destroy();
    }
}

TEST_F(SubScreens, AllTogglesEveryCategoryAndTheOthersOneByOne) {
    HostWindow w;
    ASSERT_TRUE(w.Open());
    const std::string before = SettingsText();
    Click(w, SUBMAIN_MAIN, "BUTTON_ALL");
    EXPECT_EQ(TickedCategories(w), 0);
    Click(w, SUBMAIN_MAIN, "BUTTON_COM");
    EXPECT_EQ(TickedCategories(w), 1);
    EXPECT_EQ(Tick(w, SUBMAIN_MAIN, "BUTTON_COM"), 1);
    Click(w, SUBMAIN_MAIN, "BUTTON_ALL");
    EXPECT_EQ(TickedCategories(w), 12);
    Click(w, SUBMAIN_MAIN, "BUTTON_COM");
    EXPECT_EQ(Tick(w, SUBMAIN_MAIN, "BUTTON_COM"), 0);
    EXPECT_EQ(TickedCategories(w), 11);
    EXPECT_EQ(SettingsText(), before) << "category toggles write nothing";
    EXPECT_FALSE(ValueExists(RUN, STARTUP_VALUE_NAME)) << "nor does BUTTON_ALL for the startup category";
}

// "type<TAB>filePath" of every finding, from the console's output or the result list.
std::vector<std::string> ConsoleFindings(const std::string& output) {
    std::vector<std::string> found;
    for (const auto& line : SplitLines(output)) {
        if (line.compare(0, 8, "FINDING\t") != 0) continue;
        const size_t typeEnd = line.find('\t', 8);
        // The list says the problem in words where the console names the record type.
        found.push_back(std::string(ProblemText(CategoryOfType(line.substr(8, typeEnd - 8)))) + "\t" +
                        line.substr(line.rfind('\t') + 1));
    }
    return found;
}

TEST_F(SubScreens, OnlyTheTickedCategoriesAreScanned) {
    const std::string goneClass = scratch_->file("gone-class.dll"), goneApp = scratch_->file("gone-app.exe");
    SeededKey cls("HKEY_CLASSES_ROOT\\CLSID\\{5EB0D1A0-19A1-4E5B-9C1D-0000000019B1}");
    SeededKey server(cls.path() + "\\InprocServer32", false);
    server.setString("", goneClass);
    SeededKey app("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\zenthar-gone-19.exe");
    app.setString("", goneApp);

    HostWindow w;
    ASSERT_TRUE(w.Open());
    Click(w, SUBMAIN_MAIN, "BUTTON_ALL");
    Click(w, SUBMAIN_MAIN, "BUTTON_APPPATH");
    ASSERT_EQ(TickedCategories(w), 1);
    // The main window's scan button; the window says when the scan is complete.
    DialogAnswerer complete("Zenthar", {IDOK});
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(w.hwnd(), 107 + 58, 258 + 19) + " click 1"));
    ASSERT_TRUE(PumpUntil([&] { return scanInProgress.load() == 0 && w.resultsReady(); }, 120000));
    EXPECT_EQ(complete.texts(), std::vector<std::string>{"Scan Complete"});
    CSkinList& list = *w.Screen("SUBMAIN_RESULT")->list;
    std::vector<std::string> rows;
    for (int i = 0; i < list.ItemCount(); ++i) {
        char type[64] = {}, path[1024] = {};
        ListView_GetItemText(list.hwnd(), i, 1, type, sizeof type);
        ListView_GetItemText(list.hwnd(), i, 2, path, sizeof path);
        rows.push_back(std::string(type) + "\t" + path);
    }
    const ProcessResult console = RunCli("scan --only APPPATH", scratch_->path());
    EXPECT_EQ(rows, ConsoleFindings(console.out)) << console.err;
    const std::string rowText = Lines(rows);
    EXPECT_NE(rowText.find(goneApp), std::string::npos) << rowText;
    EXPECT_EQ(rowText.find(goneClass), std::string::npos) << "an unticked category is not scanned";
}

TEST_F(SubScreens, TheTwoStartupButtons) {
    HostWindow w;
    ASSERT_TRUE(w.Open());
    Click(w, SUBMAIN_MAIN, "BUTTON_STARTUP");
    EXPECT_EQ(Tick(w, SUBMAIN_MAIN, "BUTTON_STARTUP"), 0);
    EXPECT_FALSE(ValueExists(RUN, STARTUP_VALUE_NAME)) << "the category only chooses what is scanned";
    w.ShowSubScreen(SUBMAIN_ADVANCED);
    PumpFor(150);
    Click(w, SUBMAIN_ADVANCED, "BUTTON_STARTUP");
    EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, "BUTTON_STARTUP"), 1);
    ASSERT_TRUE(ValueExists(RUN, STARTUP_VALUE_NAME));
    // The running program's own path, whatever the current directory.
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    HKEY k = nullptr;
    char data[MAX_PATH * 2] = {};
    DWORD size = sizeof data;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_KEY_PATH, 0, KEY_READ, &k), ERROR_SUCCESS);
    RegQueryValueExA(k, STARTUP_VALUE_NAME, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(k);
    EXPECT_NE(std::string(data).find(self), std::string::npos) << data;
    Click(w, SUBMAIN_ADVANCED, "BUTTON_STARTUP");
    EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, "BUTTON_STARTUP"), 0);
    EXPECT_FALSE(ValueExists(RUN, STARTUP_VALUE_NAME));
    EXPECT_EQ(Tick(w, SUBMAIN_MAIN, "BUTTON_STARTUP"), 0) << "the category kept its own tick";
    {
        // A switch the system refuses leaves the box showing that nothing starts with Windows.
        KeyAccessLimit readOnly(RUN, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
        ASSERT_TRUE(readOnly.applied());
        Click(w, SUBMAIN_ADVANCED, "BUTTON_STARTUP");
        EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, "BUTTON_STARTUP"), StartupEntryPresent() ? 1 : 0);
    }
    if (StartupEntryPresent()) Click(w, SUBMAIN_ADVANCED, "BUTTON_STARTUP");  // a scheduler that kept the task
    EXPECT_FALSE(StartupEntryPresent());
}

TEST_F(SubScreens, OptionTogglesWriteTheirFlags) {
    HostWindow w;
    ASSERT_TRUE(w.Open());
    w.ShowSubScreen(SUBMAIN_ADVANCED);
    PumpFor(150);
    const struct {
        const char* button;
        const char* value;
    } options[] = {{"BUTTON_AUTOSCAN", "autoscan"}, {"BUTTON_BACKUP", "savereg"}};
    for (const auto& o : options) {
        SCOPED_TRACE(o.button);
        Click(w, SUBMAIN_ADVANCED, o.button);
        EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, o.button), 1);
        EXPECT_TRUE(Has(o.value));
        Click(w, SUBMAIN_ADVANCED, o.button);
        EXPECT_EQ(Tick(w, SUBMAIN_ADVANCED, o.button), 0);
        EXPECT_FALSE(Has(o.value));
    }
}

TEST_F(SubScreens, TheSchedulePairSwitchesAndRadiosApplyOnlyWhileOn) {
    HostWindow w;
    ASSERT_TRUE(w.Open());
    w.ShowSubScreen(SUBMAIN_SCHEDULE_DISABLED);
    PumpFor(150);
    // Off: a radio changes nothing and writes nothing.
    std::string before = SettingsText();
    Click(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_START_EVERY");
    EXPECT_EQ(SettingsText(), before);
    EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_START_EVERY"), 0);

    Click(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_AUTOSCAN_ENABLE");
    EXPECT_EQ(w.Shown(), SUBMAIN_SCHEDULE);
    EXPECT_TRUE(Has("enablescan"));
    EXPECT_EQ(TheScanClock().autoScanEnabled, 1);
    EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE, "BUTTON_AUTOSCAN_ENABLE"), 1) << "the shown twin shows the switch on";

    // On: each radio applies the schedule; the registry holds the choice and the period.
    const struct {
        const char* radio;
        const char* present;
        const char* absent;
        DWORD period;
    } radios[] = {
        {"BUTTON_START_EVERY", "scanevery", "scanafterevery", 240},  // "4" minutes
        {"BUTTON_START_AFTER_EVERY_DAY", "scanday", "scanevery", 86400},
        {"BUTTON_START_AFTER_EVERY_MONTH", "scanmonth", "scanday", 31 * 86400},
        {"BUTTON_START_AFTER_EVERY_WEEK", "scanweek", "scanmonth", 7 * 86400},
        {"BUTTON_START_AFTER_EVERY", "scanafterevery", "scanevery", 7 * 86400},
    };
    for (const auto& r : radios) {
        SCOPED_TRACE(r.radio);
        const time_t start = time(nullptr);
        Click(w, SUBMAIN_SCHEDULE, r.radio);
        EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE, r.radio), 1);
        EXPECT_TRUE(Has(r.present));
        EXPECT_FALSE(Has(r.absent));
        EXPECT_EQ(Number("scanperiod"), r.period);
        const DWORD next = Number("scannext");
        EXPECT_GE(next, static_cast<DWORD>(start) + r.period);
        EXPECT_LE(next, static_cast<DWORD>(time(nullptr)) + r.period);
        EXPECT_EQ(std::string(Has("scanminutes") ? "4" : ""), "4");
    }

    Click(w, SUBMAIN_SCHEDULE, "BUTTON_AUTOSCAN_ENABLE");
    EXPECT_EQ(w.Shown(), SUBMAIN_SCHEDULE_DISABLED);
    EXPECT_FALSE(Has("enablescan"));
    EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_AUTOSCAN_ENABLE"), 0);
    EXPECT_EQ(Tick(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_START_AFTER_EVERY_WEEK"), 1) << "the last choice is shown";
    before = SettingsText();
    Click(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_START_EVERY");
    EXPECT_EQ(SettingsText(), before);
}

// Minutes typed into the box as a user types them: a click into it, the old text selected, keys.
void TypeMinutes(HostWindow& w, const std::string& text) {
    CSkinEdit* box = w.Screen(SUBMAIN_SCHEDULE)->store.FindEdit("EDIT_SCAN_PERIOD");
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(box->hwnd(), 10, 8) + " click 1"));
    if (!PumpUntil([&] { return GetFocus() == box->hwnd(); }, 3000)) SetFocus(box->hwnd());
    SendMessageA(box->hwnd(), EM_SETSEL, 0, -1);
    ASSERT_TRUE(Xdo("type --delay 30 " + text));
    PumpUntil([&] { return box->GetText() == text; }, 3000);
    ASSERT_EQ(box->GetText(), text);
}

TEST_F(SubScreens, TheSchedulePageStoresWhatItShows) {
    enum Leave { NONE, FOCUS, PAGE, EXIT, DAY, EVERY, SWITCH_ON };
    enum Next { KEPT, FROM_NOW, NO_LATER };
    // Within every seeded period: a next time further ahead than one period is brought back.
    const DWORD seededNext = static_cast<DWORD>(time(nullptr)) + 200;
    struct Row {
        const char* what;
        bool enabled, every;
        const char* minutes;
        DWORD period;
        const char* typed;  // nothing typed when null
        Leave leave;
        DWORD periodAfter;
        const char* minutesAfter;
        Next next;
        const char* note;
    } rows[] = {
        {"15 typed, focus leaves", true, true, "4", 240, "15", FOCUS, 900, "15", FROM_NOW, ""},
        {"15 typed, page changes", true, true, "4", 240, "15", PAGE, 900, "15", FROM_NOW, ""},
        {"15 typed, program ends", true, true, "4", 240, "15", EXIT, 900, "15", FROM_NOW, nullptr},
        {"past 32 bits refused", true, true, "4", 240, "99999999999", FOCUS, 240, "4", KEPT,
         "Use 1 to 44,640; kept 4"},
        {"0 refused", true, true, "4", 240, "0", PAGE, 240, "4", KEPT, "Use 1 to 44,640; kept 4"},
        {"a month and a minute refused", true, true, "4", 240, "44641", FOCUS, 240, "4", KEPT,
         "Use 1 to 44,640; kept 4"},
        {"2 typed, then every", true, false, "4", 86400, "2", EVERY, 120, "2", FROM_NOW, ""},
        {"2 typed, then day", true, true, "4", 240, "2", DAY, 86400, "2", FROM_NOW, ""},
        {"30 typed while a week is chosen", true, false, "4", 7 * 86400, "30", FOCUS, 7 * 86400, "30", KEPT, ""},
        {"switched on with 600 stored", false, true, "10", 600, nullptr, SWITCH_ON, 7 * 86400, "10", FROM_NOW, ""},
        {"2 minutes shown, a day and a minute stored", true, true, "2", 86460, nullptr, NONE, 120, "2", NO_LATER, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        DeleteKeyPath(SETTINGS);
        WriteFlagSetting("enablescan", row.enabled);
        WriteFlagSetting(row.every ? "scanevery" : "scanafterevery", true);
        WriteFlagSetting("scanweek", !row.every);
        WriteTextSetting("scanminutes", row.minutes);
        WriteNumberSetting("scanperiod", row.period);
        WriteNumberSetting("scannext", seededNext);
        HostWindow w;
        ASSERT_TRUE(w.Open());
        w.ShowSubScreen(row.enabled ? SUBMAIN_SCHEDULE : SUBMAIN_SCHEDULE_DISABLED);
        PumpFor(150);
        const time_t start = time(nullptr);
        if (row.typed) TypeMinutes(w, row.typed);
        switch (row.leave) {
        case FOCUS: SetFocus(w.hwnd()); break;
        case PAGE: w.ButtonPressed("BUTTON_IGNORED"); break;
        case EXIT: w.Destroy(); break;
        case DAY: Click(w, SUBMAIN_SCHEDULE, "BUTTON_START_AFTER_EVERY_DAY"); break;
        case EVERY: Click(w, SUBMAIN_SCHEDULE, "BUTTON_START_EVERY"); break;
        case SWITCH_ON: Click(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_AUTOSCAN_ENABLE"); break;
        case NONE: break;
        }
        PumpFor(100);
        EXPECT_EQ(Number("scanperiod"), row.periodAfter);
        EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, "scanminutes").text, row.minutesAfter);
        const DWORD next = Number("scannext");
        const DWORD end = static_cast<DWORD>(time(nullptr));
        EXPECT_TRUE(row.next != KEPT || next == seededNext) << next << " kept " << seededNext;
        EXPECT_TRUE(row.next != FROM_NOW || (next >= start + row.periodAfter && next <= end + row.periodAfter)) << next;
        EXPECT_TRUE(row.next != NO_LATER || next <= end + row.periodAfter) << next;
        EXPECT_GE(next, static_cast<DWORD>(start)) << "never a time in the past";
        if (row.leave == EXIT) continue;
        EXPECT_EQ(Label(w, SUBMAIN_SCHEDULE, "TEXT_SCAN_PERIOD_NOTE"), row.note);
        EXPECT_EQ(w.Screen(SUBMAIN_SCHEDULE)->store.GetEditText("EDIT_SCAN_PERIOD"), row.minutesAfter);
        EXPECT_EQ(TheScanClock().scanPeriod, static_cast<int64_t>(row.periodAfter));
        for (const char* screen : {SUBMAIN_SCHEDULE, SUBMAIN_SCHEDULE_DISABLED})
            EXPECT_EQ(Label(w, screen, "TEXT_SCHEDULE_NEXT"), NextLine(next)) << screen;
        w.Destroy();
    }
}

TEST_F(SubScreens, TheLastAutomaticScanIsShownOnBothSchedulePages) {
    const DWORD when = static_cast<DWORD>(time(nullptr)) - 7200;
    WriteNumberSetting("lastscan", when);
    WriteNumberSetting("lastfound", 3);
    LocalStamp at;
    ASSERT_TRUE(UnixToLocalStamp(when, at));
    HostWindow w;
    ASSERT_TRUE(w.Open());
    for (const char* screen : {SUBMAIN_SCHEDULE, SUBMAIN_SCHEDULE_DISABLED})
        EXPECT_EQ(Label(w, screen, "TEXT_SCHEDULE_LAST"), LastScanText(true, at, 3)) << screen;
    // The clock records a finished automatic scan; the page shows it at its next refresh.
    TheScanClock().RecordAutomaticScan(0);
    w.ButtonPressed("BUTTON_AUTOSCAN");
    ASSERT_TRUE(UnixToLocalStamp(TheScanClock().now(), at));
    EXPECT_EQ(Label(w, SUBMAIN_SCHEDULE_DISABLED, "TEXT_SCHEDULE_LAST"), LastScanText(true, at, 0));
}

TEST_F(SubScreens, ClicksDuringAScanDoNothing) {
    HostWindow w;
    ASSERT_TRUE(w.Open());
    scanInProgress = 1;
    const std::string before = SettingsText();
    const struct {
        const char* screen;
        const char* button;
    } clicks[] = {
        {SUBMAIN_MAIN, "BUTTON_ALL"},
        {SUBMAIN_MAIN, "BUTTON_COM"},
        {SUBMAIN_SCHEDULE_DISABLED, "BUTTON_AUTOSCAN_ENABLE"},
        {SUBMAIN_ADVANCED, "BUTTON_STARTUP"},
        {SUBMAIN_ADVANCED, "BUTTON_BACKUP"},
        {SUBMAIN_ABOUT, "BUTTON_ABOUTEXIT"},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.button);
        w.ShowSubScreen(c.screen);
        PumpFor(100);
        const int tick = Tick(w, c.screen, c.button);
        Click(w, c.screen, c.button);
        EXPECT_EQ(Tick(w, c.screen, c.button), tick);
        EXPECT_EQ(w.Shown(), c.screen);
    }
    EXPECT_EQ(TickedCategories(w), 12);
    EXPECT_EQ(SettingsText(), before);
    EXPECT_FALSE(ValueExists(RUN, STARTUP_VALUE_NAME));
    EXPECT_EQ(TheScanClock().autoScanEnabled, 0);
}

// The category screen's own scan button opens the progress dialog on its thread; closing the main
// window while that dialog is open ends the dialog too, and a scan removes nothing.
TEST_F(SubScreens, TheCategoryScreensScanOpensTheProgressDialogThatClosesWithTheWindow) {
    SeededKey app("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\zenthar-gone-19s.exe");
    app.setString("", scratch_->file("gone-app.exe"));
    HostWindow w;
    ASSERT_TRUE(w.Open());
    Click(w, SUBMAIN_MAIN, "BUTTON_ALL");
    Click(w, SUBMAIN_MAIN, "BUTTON_APPPATH");
    DialogAnswerer complete("Zenthar", {IDOK});
    Click(w, SUBMAIN_MAIN, "BUTTON_SCAN");
    ASSERT_TRUE(PumpUntil([] { return SummaryDialogWindow() != nullptr && IsWindowVisible(SummaryDialogWindow()); },
                          30000));
    EXPECT_EQ(StartSummaryDialog(w.hwnd(), "", CategoryFlags{}), nullptr) << "one progress dialog at a time";
    ASSERT_TRUE(PumpUntil([&] { return complete.answered() == 1; }, 120000));
    EXPECT_EQ(complete.texts(), std::vector<std::string>{"Scan Complete"});
    EXPECT_TRUE(PumpUntil([] { return !scanInProgress.load(); }, 5000))
        << "showing only its results, the dialog leaves the main window free";
    w.Destroy();
    EXPECT_EQ(SummaryDialogWindow(), nullptr);
    EXPECT_FALSE(scanInProgress.load());
    EXPECT_TRUE(KeyExists(app.path()));
}

// A repair from the results: the category screen the user is taken to shows how far it is ("k of
// n" and the entry it is at), refreshed while the repair runs, and empty again once it has ended.
TEST_F(SubScreens, TheRepairShowsItsProgressOnTheScreenShown) {
    constexpr int SEEDED = 600;
    SeededValue deep("HKEY_LOCAL_MACHINE\\Software\\Zenthar", "repairdepth", "deep");  // COM classes are risky
    std::vector<std::unique_ptr<SeededKey>> keys;
    auto name = [](int i) {
        char text[80];
        wsprintfA(text, "HKEY_CLASSES_ROOT\\CLSID\\{5EB0D1A0-19A1-4E5B-9C1D-7%011d}", i);
        return std::string(text);
    };
    for (int i = 0; i < SEEDED; ++i) {
        keys.push_back(std::make_unique<SeededKey>(name(i) + "\\InprocServer32"));
        keys.back()->setString("", scratch_->file("gone\\server" + std::to_string(i) + ".dll"));
    }
    HostWindow w;
    ASSERT_TRUE(w.Open());
    Click(w, SUBMAIN_MAIN, "BUTTON_ALL");
    Click(w, SUBMAIN_MAIN, "BUTTON_COM");
    DialogAnswerer boxes("Zenthar", {IDOK, IDOK});
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(w.hwnd(), 107 + 58, 258 + 19) + " click 1"));  // the main Scan
    ASSERT_TRUE(PumpUntil([&] { return boxes.answered() == 1 && w.resultsReady(); }, 180000));
    const int rows = w.Screen("SUBMAIN_RESULT")->list->ItemCount();
    ASSERT_GE(rows, SEEDED);

    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(w.hwnd(), 626 + 52, 104 + 17) + " click 1"));  // Remove
    CSkinStore& screen = w.Screen(SUBMAIN_MAIN)->store;
    std::set<std::string> counts, shown;
    bool sawEntry = false;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (fixInProgress) {
                const std::string count = screen.FindLabel("TEXT_ERRORSCAN_ERRORFOUND")->Text();
                std::string entry = screen.FindLabel("TEXT_ERRORSCAN_CURRENTITEM")->Text();
                CharLowerA(&entry[0]);
                if (!count.empty()) counts.insert(count);
                // The label shows the end of the key path, where the seeded classes' names differ.
                if (entry.find("-9c1d-7") != std::string::npos) sawEntry = true;
                shown.insert(w.Shown());
            }
            return boxes.answered() == 2;
        },
        600000));
    // Two counts seen during the repair show that it moved on; a quick repair may show no more.
    EXPECT_GE(counts.size(), 2u) << "the count moved on while the repair ran";
    for (const auto& c : counts) EXPECT_EQ(c.substr(c.find(" of ")), " of " + std::to_string(rows)) << c;
    EXPECT_TRUE(sawEntry);
    EXPECT_EQ(shown, std::set<std::string>{SUBMAIN_MAIN});
    EXPECT_TRUE(PumpUntil([&] { return !fixInProgress.load(); }, 10000));
    EXPECT_EQ(screen.FindLabel("TEXT_ERRORSCAN_ERRORFOUND")->Text(), "");
    EXPECT_EQ(screen.FindLabel("TEXT_ERRORSCAN_CURRENTITEM")->Text(), "");
    for (int i : {0, SEEDED - 1}) EXPECT_FALSE(KeyExists(name(i))) << i;
    w.Destroy();
    // The prefix's own classes back from the backup, which holds the seeded ones too: they go after.
    EXPECT_EQ(RunCli("restore", scratch_->path()).exitCode, 0u);
    keys.clear();
    for (int i = 0; i < SEEDED; ++i) DeleteKeyPath(name(i));
}

TEST_F(SubScreens, AboutReturnsToTheCategoryScreen) {
    HostWindow w;
    ASSERT_TRUE(w.Open());
    w.store.EnableAllButtons(false);
    w.ShowSubScreen(SUBMAIN_ABOUT);
    PumpFor(150);
    Click(w, SUBMAIN_ABOUT, "BUTTON_ABOUTEXIT");
    EXPECT_EQ(w.Shown(), SUBMAIN_MAIN);
    EXPECT_FALSE(IsWindowEnabled(w.store.FindButton("BUTTON_MAIN")->hwnd()));
    EXPECT_TRUE(IsWindowEnabled(w.store.FindButton("BUTTON_IGNORED")->hwnd()));
}

// Shows each sub-screen as a user reaches it: the results after a scan, then the navigation
// buttons, the schedule pair switched on by its own toggle. With ZENTHAR_SCREENSHOTS naming a host
// folder, each is saved there as <name>.png, the main window cut from the screen.
TEST_F(SubScreens, EachSubScreenIsShownAloneAndCanBePictured) {
    WriteTextFile("ignore.lst", Lines({"C:\\Program Files\\Old Tool\\helper.dll", "C:\\Windows\\system32\\gone.ocx",
                                       "C:\\Games\\Removed\\launcher.exe"}));
    const std::string appPaths = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    SeededKey editor(appPaths + "zenthar-editor-19.exe"), viewer(appPaths + "zenthar-viewer-19.exe");
    editor.setString("", "C:\\Program Files\\Old Editor\\editor.exe");
    viewer.setString("", "C:\\Program Files\\Photo Viewer\\viewer.exe");
    const std::string task = ScheduledTaskName(IsNtSystem());
    DeleteScheduledTask(task);
    ScheduledTaskSpec plan = ScheduledTaskSpecForThisProgram();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    SYSTEMTIME at = now;
    at.wHour = 9;
    at.wMinute = 30;
    SetScheduleFromPickers(plan, now, at, SCHEDULE_WEEKLY - 1);
    ASSERT_EQ(AddScheduledScan(plan, task), ScheduleOutcome::Success);

    HostWindow w;
    ASSERT_TRUE(w.Open());
    const char* folder = std::getenv("ZENTHAR_SCREENSHOTS");
    auto shoot = [&](const char* name) {
        SCOPED_TRACE(name);
        UpdateWindow(w.hwnd());
        PumpFor(400);
        EXPECT_EQ(w.Shown(), name);
        EXPECT_EQ(w.currentScreen, w.Screen(name));
        if (!folder || !*folder) return;
        RECT r{};
        GetWindowRect(w.hwnd(), &r);
        const std::string geometry = std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" +
                                     std::to_string(r.left) + "+" + std::to_string(r.top);
        EXPECT_TRUE(RunHost("/usr/bin/import -window root -crop " + geometry + " +repage " + folder + "/" + name + ".png"));
    };
    w.Screen(SUBMAIN_MAIN)->ButtonPressed("BUTTON_ALL");
    w.Screen(SUBMAIN_MAIN)->ButtonPressed("BUTTON_APPPATH");
    {
        DialogAnswerer complete("Zenthar", {IDOK});
        w.ButtonPressed("BUTTON_SCAN");
        ASSERT_TRUE(PumpUntil([&] { return scanInProgress.load() == 0 && w.resultsReady(); }, 120000));
    }
    EXPECT_GE(w.Screen("SUBMAIN_RESULT")->list->ItemCount(), 2);
    shoot("SUBMAIN_RESULT");
    const struct {
        const char* button;
        const char* screen;
    } pages[] = {
        {"BUTTON_MAIN", SUBMAIN_MAIN},        {"BUTTON_AUTOSCAN", SUBMAIN_SCHEDULE_DISABLED},
        {"BUTTON_IGNORED", SUBMAIN_IGNORED},  {"BUTTON_ADVSETTINGS", SUBMAIN_ADVANCED},
        {"BUTTON_ABOUT", SUBMAIN_ABOUT},      {"BUTTON_HISTORY", SUBMAIN_HISTORY},
    };
    for (const auto& p : pages) {
        w.ButtonPressed(p.button);
        shoot(p.screen);
    }
    w.ButtonPressed("BUTTON_AUTOSCAN");
    PumpFor(200);
    Click(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_AUTOSCAN_ENABLE");
    shoot(SUBMAIN_SCHEDULE);
    EXPECT_EQ(w.Screen(SUBMAIN_SCHEDULE)->list->ItemCount(), 1);
    EXPECT_EQ(w.Screen(SUBMAIN_IGNORED)->list->ItemCount(), 3);
    DeleteScheduledTask(task);
}

TEST_F(SubScreens, ClosingKeepsTheClockAndReleasesTheLists) {
    HostWindow w;
    ASSERT_TRUE(w.Open());
    std::vector<HWND> lists;
    for (const auto& s : w.screens)
        if (s->list) lists.push_back(s->list->hwnd());
    ASSERT_EQ(lists.size(), 5u);  // ignored, results, the schedule pair's and the history's
    const int64_t next = time(nullptr) + 4000;  // a stored next time is never in the past
    TheScanClock().nextScanTime = next;
    TheScanClock().scanPeriod = 4321;
    w.Destroy();
    EXPECT_EQ(Number("scannext"), static_cast<DWORD>(next));
    EXPECT_EQ(Number("scanperiod"), 4321u);
    for (HWND list : lists) EXPECT_FALSE(IsWindow(list));
}

// ---- the ignored list ----

std::vector<std::string> ListColumn(CSkinList& list, int column) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.ItemCount(); ++i) {
        char text[1024] = {};
        ListView_GetItemText(list.hwnd(), i, column, text, sizeof text);
        rows.push_back(text);
    }
    return rows;
}

// A real click on a row's check box.
void ClickRowCheck(CSkinList& list, int row) {
    RECT r{};
    ListView_GetItemRect(list.hwnd(), row, &r, LVIR_BOUNDS);
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(list.hwnd(), r.left + 9, (r.top + r.bottom) / 2) + " click 1"));
}

const std::vector<std::string> FIVE = {"C:\\gone\\zero.dll", "C:\\gone\\one.dll", "C:\\gone\\two.dll",
                                       "C:\\gone\\three.dll", "C:\\gone\\four.dll"};


TEST_F(SubScreens, DeletingTickedIgnoredRowsKeepsTheOthersInOrder) {
    const struct {
        const char* what;
        std::vector<std::string> laterFile;  // empty: the file stays as the rows were filled from it
        std::vector<std::string> left;
    } cases[] = {
        {"the file as listed", {}, {FIVE[0], FIVE[2], FIVE[4]}},
        {"a repair added a line in front since",
         {"C:\\gone\\new.dll", FIVE[0], FIVE[1], FIVE[2], FIVE[3], FIVE[4]},
         {"C:\\gone\\new.dll", FIVE[0], FIVE[2], FIVE[4]}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTextFile("ignore.lst", Lines(FIVE));
        HostWindow w;
        ASSERT_TRUE(w.Open());
        w.ShowSubScreen(SUBMAIN_IGNORED);
        PumpFor(200);
        CSkinList& list = *w.Screen(SUBMAIN_IGNORED)->list;
        ASSERT_EQ(ListColumn(list, 1), FIVE);
        EXPECT_EQ(ListColumn(list, 0), std::vector<std::string>(5, "")) << "the first column is empty";
        for (int i = 0; i < 5; ++i) EXPECT_FALSE(list.IsChecked(i)) << "rows start unticked";
        ClickRowCheck(list, 1);
        ClickRowCheck(list, 3);
        ASSERT_TRUE(list.IsChecked(1) && list.IsChecked(3) && !list.IsChecked(0));
        if (!c.laterFile.empty()) WriteTextFile("ignore.lst", Lines(c.laterFile));
        Click(w, SUBMAIN_IGNORED, "BUTTON_IGNORED_DELETE");
        EXPECT_EQ(ListColumn(list, 1), c.left);
        EXPECT_EQ(SplitLines(ReadTextFile("ignore.lst")), c.left);
        w.Destroy();
    }
}

TEST_F(SubScreens, ALongIgnoredLineIsOneRowShownWholeAndDeletedWhole) {
    const std::string longPath = "C:\\Gone\\" + std::string(1100, 'L') + ".exe";
    WriteTextFile("ignore.lst", Lines({FIVE[0], longPath, FIVE[1]}));
    HostWindow w;
    ASSERT_TRUE(w.Open());
    w.ShowSubScreen(SUBMAIN_IGNORED);
    PumpFor(200);
    CSkinList& list = *w.Screen(SUBMAIN_IGNORED)->list;
    ASSERT_EQ(list.ItemCount(), 3);
    std::string text(4096, '\0');
    LVITEMA item{};
    item.iSubItem = 1;
    item.pszText = &text[0];
    item.cchTextMax = static_cast<int>(text.size());
    text.resize(static_cast<size_t>(SendMessageA(list.hwnd(), LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&item))));
    EXPECT_EQ(text, longPath);  // one row, not two pieces
    ClickRowCheck(list, 1);
    ASSERT_TRUE(list.IsChecked(1));
    Click(w, SUBMAIN_IGNORED, "BUTTON_IGNORED_DELETE");
    EXPECT_EQ(SplitLines(ReadTextFile("ignore.lst")), std::vector<std::string>({FIVE[0], FIVE[1]}));
    EXPECT_EQ(ListColumn(list, 1), std::vector<std::string>({FIVE[0], FIVE[1]}));
}

TEST_F(SubScreens, AClickOnAnIgnoredRowsTextSelectsItAndTheSpaceBarTicksIt) {
    WriteTextFile("ignore.lst", Lines(FIVE));
    HostWindow w;
    ASSERT_TRUE(w.Open());
    w.ShowSubScreen(SUBMAIN_IGNORED);
    PumpFor(200);
    CSkinList& list = *w.Screen(SUBMAIN_IGNORED)->list;
    RECT row{};
    ListView_GetItemRect(list.hwnd(), 3, &row, LVIR_LABEL);
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(list.hwnd(), row.left + 30, (row.top + row.bottom) / 2) + " click 1"));
    ASSERT_TRUE(PumpUntil([&] { return ListView_GetNextItem(list.hwnd(), -1, LVNI_FOCUSED) == 3; }, 3000));
    EXPECT_FALSE(list.IsChecked(3)) << "a click beside the box only selects";
    for (bool ticked : {true, false}) {
        ASSERT_TRUE(Xdo("key space"));
        EXPECT_TRUE(PumpUntil([&] { return list.IsChecked(3) == ticked; }, 3000)) << ticked;
        for (int i : {0, 1, 2, 4}) EXPECT_FALSE(list.IsChecked(i)) << "row " << i;
    }
}

TEST_F(SubScreens, SelectAllTicksEveryIgnoredRowThenNone) {
    WriteTextFile("ignore.lst", Lines(FIVE));
    HostWindow w;
    ASSERT_TRUE(w.Open());
    w.ShowSubScreen(SUBMAIN_IGNORED);
    PumpFor(200);
    CSkinList& list = *w.Screen(SUBMAIN_IGNORED)->list;
    ClickRowCheck(list, 2);
    for (int round : {1, 0}) {
        Click(w, SUBMAIN_IGNORED, "BUTTON_IGNORED_SEL_ALL");
        EXPECT_EQ(Tick(w, SUBMAIN_IGNORED, "BUTTON_IGNORED_SEL_ALL"), round);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(list.IsChecked(i), round == 1) << "row " << i;
    }
    EXPECT_EQ(SplitLines(ReadTextFile("ignore.lst")), FIVE) << "selecting deletes nothing";
}

// ---- the schedule list ----

TEST_F(SubScreens, AddingAScheduleListsItAndDeletingAsksFirst) {
    const std::string task = ScheduledTaskName(IsNtSystem());
    ASSERT_FALSE(task.empty());
    DeleteScheduledTask(task);
    HostWindow w;
    ASSERT_TRUE(w.Open());
    w.ShowSubScreen(SUBMAIN_SCHEDULE_DISABLED);
    PumpFor(150);
    CSkinList& list = *w.Screen(SUBMAIN_SCHEDULE_DISABLED)->list;
    ASSERT_EQ(list.ItemCount(), 0);
    {
        auto daily = AddSchedule(IDC_FREQ_DAILY);
        DialogAnswerer outcome("Zenthar", {IDOK});
        Click(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_ADDSCHEDULE");
        EXPECT_TRUE(daily->done());
        EXPECT_EQ(outcome.texts(), std::vector<std::string>{"Schedule Creation Success!!"});
    }
    ASSERT_EQ(list.ItemCount(), 1);
    EXPECT_EQ(ListColumn(list, 0), std::vector<std::string>{"1"});
    EXPECT_EQ(ListColumn(list, 2), std::vector<std::string>{"Never"}) << "the task has never run";
    const std::string description = ListColumn(list, 1)[0];
    EXPECT_NE(description.find("every day"), std::string::npos) << description;
    EXPECT_EQ(w.Screen(SUBMAIN_SCHEDULE)->list->ItemCount(), 1) << "the twin lists the same task";

    // Nothing marked: no question, nothing deleted.
    {
        DialogAnswerer question("Delete Scheduled Task", {IDCANCEL});
        w.Screen(SUBMAIN_SCHEDULE_DISABLED)->ButtonPressed("BUTTON_DELETESCHEDULE");
        EXPECT_TRUE(question.texts().empty());
    }
    RECT row{};
    ListView_GetItemRect(list.hwnd(), 0, &row, LVIR_LABEL);
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(list.hwnd(), row.left + 30, (row.top + row.bottom) / 2) + " click 1"));
    ASSERT_EQ(ListView_GetNextItem(list.hwnd(), -1, LVNI_SELECTED), 0);
    const struct {
        int answer;
        int rowsAfter;
    } answers[] = {{IDCANCEL, 1}, {IDOK, 0}};
    for (const auto& a : answers) {
        SCOPED_TRACE(a.answer);
        ListView_SetItemState(list.hwnd(), 0, LVIS_SELECTED, LVIS_SELECTED);
        DialogAnswerer question("Delete Scheduled Task", {a.answer});
        Click(w, SUBMAIN_SCHEDULE_DISABLED, "BUTTON_DELETESCHEDULE");
        EXPECT_EQ(question.texts(), std::vector<std::string>{"Are You Sure"});
        EXPECT_EQ(list.ItemCount(), a.rowsAfter);
        time_t lastRun = 0;
        std::vector<std::string> triggers;
        ListScheduledTriggers(task, lastRun, triggers);
        EXPECT_EQ(triggers.size(), static_cast<size_t>(a.rowsAfter)) << "the Task Scheduler agrees";
    }
    DeleteScheduledTask(task);
}

// ---- live update ----

TEST_F(SubScreens, LiveUpdateQuitsOnlyWhenItsProgramStarted) {
    HostWindow w;
    ASSERT_TRUE(w.Open());
    const char* question =
        "To Run the Live Update,Zenthar must be shut down\n Would you like to close Zenthar, and run live update now?";
    auto quitPosted = [] {
        MSG m;
        return PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(m.wParam) : -1;
    };
    {
        DialogAnswerer no("Zenthar", {IDNO});
        w.Screen(SUBMAIN_MAIN)->ButtonPressed("BUTTON_RUNUPDATE");
        const auto texts = no.texts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], question);
        EXPECT_EQ(quitPosted(), -1);
    }
    {
        // Not shipped: the program says so and stays open.
        DialogAnswerer yes("Zenthar", {IDYES, IDOK});
        w.Screen(SUBMAIN_MAIN)->ButtonPressed("BUTTON_RUNUPDATE");
        const auto texts = yes.texts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_NE(texts[1].find("ZentharLiveUpdate.exe could not be started"), std::string::npos) << texts[1];
        EXPECT_EQ(quitPosted(), -1);
        EXPECT_TRUE(IsWindow(w.hwnd()));
    }
    {
        // Present in the current directory: it is started and the program quits with code 18.
        ASSERT_TRUE(CopyFileA(CliPath().c_str(), "ZentharLiveUpdate.exe", FALSE));
        DialogAnswerer yes("Zenthar", {IDYES});
        w.Screen(SUBMAIN_MAIN)->ButtonPressed("BUTTON_RUNUPDATE");
        EXPECT_EQ(yes.texts().size(), 1u);
        EXPECT_EQ(quitPosted(), 18);
        WaitForProcessesToEnd("ZentharLiveUpdate.exe", 10000);  // the copy prints its usage and ends
    }
}

// ---- restore from an undo file ----

std::unique_ptr<RegistryError> ClassRecord(const std::string& path) {
    auto err = std::make_unique<RegistryError>();
    err->type = "CLSID";
    err->keyPath = path;
    err->action = "KEY";
    err->value = std::make_unique<ValueRecord>(ValueRecord{"(Default)", "C:\\gone\\class.dll", REG_SZ});
    err->filePath = "C:\\gone\\class.dll";
    return err;
}

TEST_F(SubScreens, RestoreFromTheUndoFileOfAKilledRepairGivesTheRegistryBack) {
    const std::vector<std::string> classes = {
        "HKEY_CLASSES_ROOT\\CLSID\\{5EB0D1A0-19A1-4E5B-9C1D-0000000019A1}",
        "HKEY_CLASSES_ROOT\\CLSID\\{5EB0D1A0-19A1-4E5B-9C1D-0000000019A2}",
    };
    std::vector<std::unique_ptr<SeededKey>> seeded;
    for (const auto& c : classes) {
        seeded.push_back(std::make_unique<SeededKey>(c));
        seeded.back()->setString("", "Test class");
        seeded.push_back(std::make_unique<SeededKey>(c + "\\InprocServer32", false));
        SeededKey& server = *seeded.back();
        server.setString("", "C:\\gone\\class.dll");
        server.setString("ThreadingModel", "Both");
        server.setBinary("Bytes", {0, 1, 2, 255});
        server.setDword("Number", 0x12345678);
    }
    std::vector<RegistryTree> before;
    for (const auto& c : classes) before.push_back(SnapshotTree(c));
    ASSERT_EQ(before[0].size(), 2u);

    // A repair that dies after its first pass: the keys are gone, the undo file stays.
    {
        CRegistryLib lib;
        for (const auto& c : classes) lib.ErrorList.push_back(ClassRecord(c));
        lib.progressCallback = [](const char*, const char* title, int32_t, int32_t) {
            if (std::string(title) == "Fixing Help Files ") throw std::runtime_error("killed");
        };
        CategoryResults rows;
        ASSERT_THROW(lib.FixErrors(rows, "FixedOnKilled.xml"), std::runtime_error);
    }
    for (const auto& c : classes) ASSERT_FALSE(KeyExists(c));
    ASSERT_TRUE(PathExists("FixedOnKilled.xml"));

    HostWindow w;
    ASSERT_TRUE(w.Open());
    w.ShowSubScreen(SUBMAIN_ADVANCED);
    PumpFor(150);
    const std::string undo = scratch_->file("FixedOnKilled.xml");
    {
        auto picker = PickFile("Restore from an undo file", undo);
        DialogAnswerer outcome("Registry Restoration", {IDOK});
        Click(w, SUBMAIN_ADVANCED, "BUTTON_RESTORE");
        ASSERT_TRUE(picker->done());
        const auto texts = outcome.texts();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], "Registry Restored Successfully");
    }
    for (size_t i = 0; i < classes.size(); ++i)
        EXPECT_EQ(FirstTreeDifference(before[i], SnapshotTree(classes[i])), "") << classes[i];

    // A file naming no registry root writes nothing; the reason comes first, then the outcome.
    WriteTextFile("broken.xml", "<k name=\"NOT_A_ROOT\"/>");
    {
        auto picker = PickFile("Restore from an undo file", scratch_->file("broken.xml"));
        DialogAnswerer outcome("Registry Restoration", {IDOK, IDOK});
        Click(w, SUBMAIN_ADVANCED, "BUTTON_RESTORE");
        const auto texts = outcome.texts();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_NE(texts[0].find("nothing was restored"), std::string::npos) << texts[0];
        EXPECT_EQ(texts[1], "Registry Restoration Failed");
    }
}

}  // namespace

// The History page: each logged repair is listed, newest first; a real click on a row shows its
// entries and either enables its restore or disables it with the reason beside the button.
TEST_F(SubScreens, TheHistoryPageOffersOnlyTheRepairsWhoseBackupIsThere) {
    const std::string backups = DataFilePath("Registry Backups");
    CreateDirectoryA(backups.c_str(), nullptr);
    for (int day = 1; day <= 5; ++day)
        WriteTextFile(backups + "\\2030-01-0" + std::to_string(day) + "_00-00-00.reg", "newer");
    struct Logged {
        std::string backup;
        int entries;
        bool restorable;
        const char* note;
    } const logged[] = {
        {backups + "\\2029-12-31_00-00-00.reg", 2, false, "rotated away: only the newest 5 backups are kept"},
        {backups + "\\2030-01-05_00-00-00.reg", 1, true, "its backup can be restored"},
        {"", 0, false, "This repair made no backup"},
        {backups + "\\2030-06-01_00-00-00.reg", 1, false, "Its backup file is missing"},
    };
    for (const auto& l : logged) {
        RepairRecord r;
        r.time = "2030-01-05 10:00:00";
        r.backupFile = l.backup;
        for (int i = 0; i < l.entries; ++i)
            r.entries.push_back({"DRV", "HKEY_LOCAL_MACHINE\\x", "v" + std::to_string(i), "C:\\gone.drv"});
        std::string error, note;
        ASSERT_TRUE(AppendRepairRecord(r, error, note)) << error;
    }
    HostWindow w;
    ASSERT_TRUE(w.Open());
    w.ButtonPressed("BUTTON_HISTORY");
    PumpFor(200);
    ASSERT_EQ(w.Shown(), SUBMAIN_HISTORY);
    AppSubScreen* page = w.Screen(SUBMAIN_HISTORY);
    HWND repairs = page->list->hwnd();
    HWND entries = nullptr;
    for (HWND c = FindWindowExA(page->hwnd(), nullptr, "SysListView32", nullptr); c;
         c = FindWindowExA(page->hwnd(), c, "SysListView32", nullptr))
        if (c != repairs) entries = c;
    ASSERT_NE(entries, nullptr);
    ASSERT_EQ(page->list->ItemCount(), 4);
    HWND restore = page->store.FindButton("BUTTON_HISTORY_RESTORE")->hwnd();
    EXPECT_FALSE(IsWindowEnabled(restore)) << "nothing picked yet";
    for (int id = 1; id <= 4; ++id) {
        const Logged& l = logged[id - 1];
        SCOPED_TRACE("repair " + std::to_string(id));
        const int row = 4 - id;  // newest first
        EXPECT_EQ(page->list->ItemText(row, 0), std::to_string(id));
        ListView_EnsureVisible(repairs, row, FALSE);  // the list shows three rows at a time
        RECT r{};
        ListView_GetItemRect(repairs, row, &r, LVIR_BOUNDS);
        ASSERT_TRUE(Xdo("mousemove " + ScreenXY(repairs, r.left + 60, (r.top + r.bottom) / 2) + " click 1"));
        ASSERT_TRUE(PumpUntil([&] { return ListView_GetNextItem(repairs, -1, LVNI_SELECTED) == row; }, 5000));
        PumpFor(100);
        EXPECT_EQ(ListView_GetItemCount(entries), l.entries);
        EXPECT_EQ(IsWindowEnabled(restore) != FALSE, l.restorable);
        std::string note = Label(w, SUBMAIN_HISTORY, "TEXT_HISTORY_NOTE");
        for (char& c : note)
            if (c == '\n') c = ' ';
        EXPECT_NE(note.find(l.note), std::string::npos) << note;
    }
}
