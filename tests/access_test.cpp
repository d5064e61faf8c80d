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
