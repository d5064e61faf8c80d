// Drives the window program Zenthar.exe from a test as a user would: started as its own process,
// clicked through xdotool at the built-in skin's coordinates, message boxes answered with keys,
// lists read back through their window messages (in the program's own memory).
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "settings/Clock.h"

// The window program's path (from the environment CTest sets), reachable from the prefix.
std::string AppPath();

// Base of the tests that start the window program: skipped without a display or without the program.
class WindowProgramTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        if (AppPath().empty()) GTEST_SKIP() << "ZENTHAR_APP not set";
    }
};
// A fixture for the cases that need the same program state: `State` is built once for the suite
// (seeds, a start of the program, whatever brings it to the state; `ready()` says it got there)
// and each case of the suite starts from it.
template <class State>
class SharedProgramTest : public WindowProgramTest {
protected:
    static void SetUpTestSuite() {
        if (std::getenv("DISPLAY") && !AppPath().empty()) state_ = std::make_unique<State>();
    }
    static void TearDownTestSuite() { state_.reset(); }
    void SetUp() override {
        WindowProgramTest::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(state_ && state_->ready()) << "the shared program did not reach its state";
    }
    static State& state() { return *state_; }

private:
    static inline std::unique_ptr<State> state_;
};

// The data folder of a program started with APPDATA set to `appData`.
std::string AppDataFolderOf(const std::string& appData);

// A point of the built-in skin, in client coordinates of the main window.
struct SkinPoint {
    int x, y;
};

class RunningApp {
public:
    // Starts Zenthar.exe with `arguments` in `directory` and waits for its main window: shown, or
    // made but hidden when `startsHidden`. The program's APPDATA is `appData` (by default
    // `directory`), so its data folder is AppDataFolderOf that. `showCommand` (SW_...) goes to the
    // program as a shortcut's "Run" choice does, in its start-up information; -1 gives none.
    RunningApp(const std::string& arguments, const std::string& directory, const std::string& appData = "",
               int showCommand = -1, bool startsHidden = false);
    // Ends the program through its tray menu's Close if it still runs; a program that does not end
    // then fails the test and is ended by force.
    ~RunningApp();
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    HWND main() const { return main_; }
    HANDLE process() const { return pi_.hProcess; }
    bool started() const { return main_ != nullptr; }
    // True when the process has ended within `ms`.
    bool Exited(DWORD ms);

    // Moves the program's clock on by `seconds` (back, when negative) and, when that is a tick's
    // worth or a step back, waits for the due check it brings: the automatic scans its clock
    // has started since the program began, or -1 when no check ran within `ms`.
    int AdvanceClock(long seconds, DWORD ms = 10000);

    // A left click at client point (x, y) of the main window (the pointer first leaves any button
    // it hovers, so that a hovering button never keeps the click).
    bool Click(int x, int y);
    // A message box of the program, or null (waits up to `ms`).
    HWND WaitForBox(DWORD ms);
    // The progress dialog ("Scan with summary"), or null.
    HWND ProgressDialog();
    // Whether a scan runs (the main scan button stays pressed until its "Scan Complete" is answered).
    bool ScanRunning();
    // Whether the main window's button at client point (x, y) is enabled.
    bool ButtonEnabled(int x, int y);
    std::string BoxText(HWND box);
    // Focuses the box with a click on its text and presses Return; true when the box went.
    bool AnswerBox(HWND box);
    // Waits up to `ms` for a box and answers it: its text, or "" when none came or it stayed.
    std::string AnswerNextBox(DWORD ms);
    // Answers every box the program shows until none comes for `quietMs`: their texts in order.
    std::vector<std::string> AnswerBoxes(DWORD firstMs, DWORD quietMs);
    // Unticks every area of the category screen, then ticks `areas`.
    bool ScanOnly(std::initializer_list<SkinPoint> areas);
    // Answers "Scan Complete" (within `ms`) and waits for the result list; null when either fails.
    HWND ScanComplete(DWORD ms = 180000);
    // ScanOnly(areas), the scan button, then ScanComplete.
    HWND ScanTo(std::initializer_list<SkinPoint> areas);
    // True when the program's notification-area icon is there (the shell answers a change of it).
    bool HasTrayIcon();
    // The sub-screen shown now ("SUBMAIN_..."), or "".
    std::string VisibleScreen();
    // The visible list with `columns` columns at the result page's or the ignored page's list place, or null.
    HWND ListAtResultPlace(int columns);
    // The visible list whose top left corner is at `origin` (main-window client), or null.
    HWND ListAt(SkinPoint origin, int columns);
    // Whether the shown sub-screen's button at main-window client point (x, y) is enabled.
    bool SubScreenButtonEnabled(int x, int y);

private:
    int SubScreenCount() const;
    // The section through which this test drives the program's clock (settings/Clock.h).
    HANDLE clockMapping_ = nullptr;
    ClockDriveSection* clock_ = nullptr;
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;
};

// A list view of another process, read and written through memory allocated in that process.
class RemoteList {
public:
    RemoteList(HANDLE process, HWND list);
    ~RemoteList();
    RemoteList(const RemoteList&) = delete;
    RemoteList& operator=(const RemoteList&) = delete;

    int Count() const;
    bool Checked(int row) const;
    std::string Text(int row, int column) const;
    // The row's rectangle in the list's client coordinates.
    RECT RowRect(int row) const;

private:
    HANDLE process_;
    HWND list_;
    void* remote_ = nullptr;  // an LVITEMA or RECT, then the text buffer
};

// Real clicks on a row of a program's list: on the middle of its problem cell (selects it; `button`
// 3 opens its menu), or on its check box.
bool ClickRow(HWND list, const RemoteList& rows, int row, int button = 1);
bool ClickRowBox(HWND list, const RemoteList& rows, int row);
// The first row whose `column` shows `text`, or -1.
int RowShowing(const RemoteList& rows, const std::string& text, int column = 2);

// The built-in skin's rectangles used by the tests (client coordinates of the main window).
constexpr SkinPoint SCAN_BUTTON{107 + 58, 258 + 19};
constexpr SkinPoint REMOVE_BUTTON{626 + 52, 104 + 17};
constexpr SkinPoint RESTORE_BUTTON{626 + 52, 214 + 17};
constexpr SkinPoint EXIT_BUTTON{704 + 16, 18 + 14};
constexpr SkinPoint MINIMIZE_BUTTON{668 + 16, 18 + 14};
constexpr SkinPoint MAIN_BUTTON{8 + 38, 72 + 26};
constexpr SkinPoint AUTOSCAN_BUTTON{8 + 38, 130 + 26};
constexpr SkinPoint IGNORED_BUTTON{8 + 38, 188 + 26};
constexpr SkinPoint ADVSETTINGS_BUTTON{8 + 38, 246 + 26};
constexpr SkinPoint HISTORY_BUTTON{8 + 38, 304 + 26};
constexpr SkinPoint ABOUT_BUTTON{8 + 38, 362 + 26};
constexpr SkinPoint HELP_BUTTON{8 + 38, 420 + 26};  // BUTTON_SUPPORT, the Help tile
constexpr SkinPoint RESULT_PAGE{100, 74};  // the result page takes the content area left of the actions
constexpr SkinPoint RESULT_LIST_ORIGIN{RESULT_PAGE.x + 12, RESULT_PAGE.y + 42};
constexpr int RESULT_COLUMNS = 5;  // tick, problem, missing file, registry location, level
constexpr SkinPoint RESULT_DETAILS{RESULT_PAGE.x + 20, RESULT_PAGE.y + 322};
constexpr SkinPoint RESULT_COUNT{RESULT_PAGE.x + 12, RESULT_PAGE.y + 396};
constexpr SkinPoint SAVE_REPORT_BUTTON{RESULT_PAGE.x + 526 + 52, RESULT_PAGE.y + 309 + 17};
constexpr SkinPoint IGNORED_LIST_ORIGIN{250 + 12, 115 + 42};
// The built-in skin's sub-screens, each a child window of the main window named "SUBMAIN_...".
constexpr int BUILT_IN_SUBSCREENS = 8;
// The category screen's toggles and its "Scan with summary" button, in main-window coordinates.
constexpr SkinPoint AREA_ALL{250 + 16, 115 + 33};
constexpr SkinPoint AREA_COM{250 + 16, 115 + 48};
constexpr SkinPoint AREA_APPPATH{250 + 16, 115 + 100};
constexpr SkinPoint AREA_SHORTCUTS{250 + 16, 115 + 178};
constexpr SkinPoint SCAN_WITH_SUMMARY{250 + 189 + 74, 115 + 195 + 11};
// The History page: its two lists' top left corners and "Restore this repair".
constexpr SkinPoint HISTORY_LIST_ORIGIN{250 + 12, 115 + 28};
constexpr SkinPoint HISTORY_ENTRIES_ORIGIN{250 + 12, 115 + 106};
constexpr SkinPoint HISTORY_RESTORE{250 + 195 + 71, 115 + 188 + 13};
// The progress dialog's "Repair all", in its own client coordinates.
constexpr SkinPoint REPAIR_ALL{237 + 50, 179 + 13};
