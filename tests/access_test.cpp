// The window as a screen reader and a keyboard user meet it: names read through the platform's
// accessibility interface, the Tab order, and a scan and repair made with key presses alone.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "support/AppDriver.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {
const std::string DRIVERS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";

// What a screen reader says for the window: its accessible name, in the system code page.
std::string AccName(HWND w) {
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(w, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&acc))) || !acc)
        return "<no object>";
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::string text;
    if (SUCCEEDED(acc->get_accName(self, &name)) && name) {
        char buffer[512] = {};
        WideCharToMultiByte(CP_ACP, 0, name, -1, buffer, sizeof buffer, nullptr, nullptr);
        text = buffer;
        SysFreeString(name);
    }
    acc->Release();
    return text;
}

// The names of the controls Tab visits, from the first, once round.
std::vector<std::string> TabOrder(HWND dialog) {
    std::vector<std::string> names;
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (HWND c = first; c && names.size() < 60; c = GetNextDlgTabItem(dialog, c, FALSE)) {
        names.push_back(AccName(c));
        if (GetNextDlgTabItem(dialog, c, FALSE) == first) break;
    }
    return names;
}

HWND VisiblePage(HWND main) {
    for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (GetPropA(c, "ZentharScreenName") && IsWindowVisible(c)) return c;
    return nullptr;
}

bool Keys(const std::string& keys) { return Xdo("key --delay 150 " + keys); }

// The window that has the keyboard focus in the program's thread that owns `w`.
HWND FocusOf(HWND w) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info) ? info.hwndFocus : nullptr;
}

// Presses Tab until `wanted` has the focus; false after a round without it.
bool TabTo(HWND main, HWND wanted) {
    for (int i = 0; i < 40; ++i) {
        if (PumpUntil([&] { return FocusOf(main) == wanted; }, 300)) return true;
        if (!Keys("Tab")) return false;
    }
    return false;
}

constexpr SkinPoint SCHEDULE_SWITCH{250 + 295 + 21, 115 + 5 + 10};

class Access : public WindowProgramTest {
protected:
    void SetUp() override {
        WindowProgramTest::SetUp();
        CoInitialize(nullptr);
    }
    void TearDown() override { CoUninitialize(); }
};
}  // namespace

TEST_F(Access, EveryPageReadsItsTitleAndItsControlsInReadingOrder) {
    ScratchDir dir("access-names");
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    // The tile of the page shown is disabled, so Tab passes it by.
    const std::vector<std::string> tiles = {"Scan areas", "Schedule", "Ignored", "Settings", "History", "About", "Help"};
    const std::vector<std::string> actions = {"Scan now", "Repair", "Restore"}, window = {"Minimize", "Close"};
    struct Page {
        SkinPoint click;   // what shows it
        const char* tile;  // its tile, disabled while it shows
        const char* title;
        std::vector<std::string> controls;  // between the tiles and the window's own buttons
    };
    const Page pages[] = {
        {MAIN_BUTTON, "Scan areas", "Scan areas",
         {"All areas", "COM classes", "Shared DLLs", "Drivers", "Help files", "Application paths", "Shared tools",
          "Fonts", "Startup programs", "Uninstall entries", "Shortcuts", "Scan with summary"}},
        {AUTOSCAN_BUTTON, "Schedule", "Automatic scans",
         {"Switch automatic scans on", "Scan every", "Scan once a", "day", "week", "month", "Schedules", "Add", "Delete"}},
        {SCHEDULE_SWITCH, "Schedule", "Automatic scans",
         {"Switch automatic scans off", "Scan every", "Minutes", "Scan once a", "day", "week", "month", "Schedules",
          "Add", "Delete"}},
        {IGNORED_BUTTON, "Ignored", "Ignore list", {"Ignored entries", "Select all", "Remove from list"}},
        {ADVSETTINGS_BUTTON, "Settings", "Settings",
         {"Start with Windows", "Scan at start-up", "Back up before repairs", "Restore from undo file"}},
        {HISTORY_BUTTON, "History", "Repair history", {"Repairs", "Entries of the repair"}},
        {ABOUT_BUTTON, "About", "About", {"About Zenthar"}},
    };
    for (const Page& page : pages) {
        ASSERT_TRUE(app.Click(page.click.x, page.click.y));
        PumpFor(500);
        HWND shown = VisiblePage(app.main());
        ASSERT_NE(shown, nullptr) << page.title;
        EXPECT_EQ(AccName(shown), page.title);
        std::vector<std::string> expected;
        for (size_t i = 0; i < tiles.size(); ++i)
            if (tiles[i] != page.tile) expected.push_back(tiles[i]);
        expected.insert(expected.end(), actions.begin(), actions.end());
        expected.insert(expected.end(), page.controls.begin(), page.controls.end());
        expected.insert(expected.end(), window.begin(), window.end());
        EXPECT_EQ(TabOrder(app.main()), expected) << page.title;
    }
}

TEST_F(Access, AScanAnUntickedRowAndARepairWithTheKeyboardAlone) {
    ScratchDir dir("access-keys");
    EnsuredKey drivers(DRIVERS);
    const std::string kept = dir.file("kept-driver.drv"), gone = dir.file("gone-driver.drv");
    SeededValue keep(DRIVERS, "zt.access.kept", kept);
    SeededValue remove(DRIVERS, "zt.access.gone", gone);
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());

    // Tab reaches Scan now; Space presses it.
    HWND scan = nullptr;
    for (HWND c = GetWindow(app.main(), GW_CHILD); c && !scan; c = GetWindow(c, GW_HWNDNEXT))
        if (AccName(c) == "Scan now") scan = c;
    ASSERT_NE(scan, nullptr);
    ASSERT_TRUE(TabTo(app.main(), scan));
    ASSERT_TRUE(Keys("space"));
    HWND box = app.WaitForBox(120000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(app.BoxText(box), "Scan Complete");
    ASSERT_TRUE(Keys("Return"));
    HWND list = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (list = app.ListAtResultPlace(RESULT_COLUMNS)) != nullptr; }, 10000));

    // The page's count is a text a screen reader reads, not only pixels.
    HWND count = ChildWindowFromPointEx(GetParent(list), POINT{20, 402}, CWP_SKIPINVISIBLE);
    EXPECT_NE(AccName(count).find(" selected"), std::string::npos) << AccName(count);

    // Tab into the list, down to the row to keep, Space unticks it.
    RemoteList rows(app.process(), list);
    int keptRow = -1;
    for (int i = 0; i < rows.Count(); ++i)
        if (rows.Text(i, 2) == kept) keptRow = i;
    ASSERT_GE(keptRow, 0);
    ASSERT_TRUE(TabTo(app.main(), list));
    std::string keys = "Home";
    for (int i = 0; i < keptRow; ++i) keys += " Down";
    ASSERT_TRUE(Keys(keys + " space"));
    ASSERT_TRUE(PumpUntil([&] { return !rows.Checked(keptRow); }, 3000)) << "Space did not untick the row";

    // Escape leaves the main window open; Alt+R repairs; Return answers the box.
    ASSERT_TRUE(Keys("Escape"));
    PumpFor(500);
    ASSERT_TRUE(IsWindowVisible(app.main()));
    ASSERT_TRUE(Keys("alt+r"));
    box = app.WaitForBox(120000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(app.BoxText(box), "Items selected have been removed from the system");
    ASSERT_TRUE(Keys("Return"));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000));
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.access.kept"));
    EXPECT_FALSE(ValueExists(DRIVERS, "zt.access.gone"));
}
