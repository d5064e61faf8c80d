// The window as a screen reader (oleacc) and a keyboard user (key presses alone) meet it.
#include <oleacc.h>

#include "support/AppDriver.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {
const std::string DRIVERS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr SkinPoint SCHEDULE_SWITCH{250 + 295 + 21, 115 + 5 + 10};

// What a screen reader says for the window: its accessible name, in the system code page.
std::string AccName(HWND w) {
    IAccessible* acc = nullptr;
    if (FAILED(AccessibleObjectFromWindow(w, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&acc))))
        return "?";
    VARIANT self{};  // CHILDID_SELF
    self.vt = VT_I4;
    BSTR name = nullptr;
    char text[512] = {};
    if (SUCCEEDED(acc->get_accName(self, &name)) && name)
        WideCharToMultiByte(CP_ACP, 0, name, -1, text, sizeof text, nullptr, nullptr);
    SysFreeString(name);
    acc->Release();
    return text;
}

// The names of the controls Tab visits once round, each followed by "|".
std::string TabOrder(HWND dialog) {
    std::string names;
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE), c = first;
    do names += AccName(c) + "|";
    while ((c = GetNextDlgTabItem(dialog, c, FALSE)) != first && names.size() < 2000);
    return names;
}

bool Keys(const std::string& keys) { return Xdo("key --delay 150 " + keys); }

// Presses Tab until `wanted` has the focus in its thread; false after 40 presses.
bool TabTo(HWND wanted) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(wanted, nullptr);
    auto focused = [&] { return GetGUIThreadInfo(thread, &info) && info.hwndFocus == wanted; };
    for (int i = 0; i < 40 && Keys("Tab"); ++i)
        if (PumpUntil(focused, 300)) return true;
    return false;
}
}  // namespace

TEST_F(WindowProgramTest, EveryPageIsReadAndTheWindowWorksFromTheKeyboardAlone) {
    CoInitialize(nullptr);
    ScratchDir dir("access");
    EnsuredKey drivers(DRIVERS);
    const std::string kept = dir.file("kept-driver.drv");
    SeededValue keep(DRIVERS, "zt.access.kept", kept), remove(DRIVERS, "zt.access.gone", dir.file("gone.drv"));
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    // What shows the page, its tile (disabled while it shows: Tab passes it by), its title and controls.
    const struct { SkinPoint click; const char *tile, *title, *controls; } pages[] = {
        {MAIN_BUTTON, "Scan areas", "Scan areas", "All areas|COM classes|Shared DLLs|Drivers|Help files|"
         "Application paths|Shared tools|Fonts|Startup programs|Uninstall entries|File types|Shortcuts|Scan with summary|"
         "Depth: Safe|Depth: Normal|Depth: Deep|"},
        {AUTOSCAN_BUTTON, "Schedule", "Automatic scans",
         "Switch automatic scans on|Scan every|Scan once a|day|week|month|Schedules|Add|Delete|"},
        {SCHEDULE_SWITCH, "Schedule", "Automatic scans",
         "Switch automatic scans off|Scan every|Minutes|Scan once a|day|week|month|Schedules|Add|Delete|"},
        {IGNORED_BUTTON, "Ignored", "Ignore list", "Ignored entries|Select all|Remove from list|"},
        {ADVSETTINGS_BUTTON, "Settings", "Settings",
         "Start with Windows|Scan at start-up|Back up before repairs|Restore from undo file|"},
        {HISTORY_BUTTON, "History", "Repair history", "Repairs|Entries of the repair|"},
        {ABOUT_BUTTON, "About", "About", "About Zenthar|"},
    };
    for (const auto& page : pages) {
        ASSERT_TRUE(app.Click(page.click.x, page.click.y));
        PumpFor(500);
        HWND shown = ChildWindowFromPointEx(app.main(), POINT{300, 200}, CWP_SKIPINVISIBLE);
        EXPECT_EQ(AccName(shown), page.title);
        std::string tiles = "Scan areas|Schedule|Ignored|Settings|History|About|Help|";
        tiles.erase(tiles.find(std::string(page.tile) + "|"), strlen(page.tile) + 1);
        EXPECT_EQ(TabOrder(app.main()), tiles + "Scan now|Repair|Restore|" + page.controls + "Minimize|Close|");
    }

    // Tab reaches Scan now, Space presses it, Return answers the box.
    HWND scan = GetWindow(app.main(), GW_CHILD);
    while (scan && AccName(scan) != "Scan now") scan = GetWindow(scan, GW_HWNDNEXT);
    ASSERT_TRUE(scan && TabTo(scan));
    ASSERT_TRUE(Keys("space"));
    HWND box = app.WaitForBox(120000);
    EXPECT_EQ(box ? app.BoxText(box) : "", "Scan Complete");
    ASSERT_TRUE(Keys("Return"));
    HWND list = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (list = app.ListAtResultPlace(RESULT_COLUMNS)) != nullptr; }, 10000));
    // The page's count is a text a screen reader reads, not only pixels.
    const std::string count = AccName(ChildWindowFromPointEx(GetParent(list), POINT{20, 402}, CWP_SKIPINVISIBLE));
    EXPECT_NE(count.find(" selected"), std::string::npos) << count;
    // Tab into the list, down to the row to keep, Space unticks it.
    RemoteList rows(app.process(), list);
    int keptRow = rows.Count() - 1;
    while (keptRow >= 0 && rows.Text(keptRow, 2) != kept) --keptRow;
    ASSERT_GE(keptRow, 0);
    ASSERT_TRUE(TabTo(list));
    std::string keys = "Home";
    for (int i = 0; i < keptRow; ++i) keys += " Down";
    ASSERT_TRUE(Keys(keys + " space"));
    ASSERT_TRUE(PumpUntil([&] { return !rows.Checked(keptRow); }, 3000)) << "Space did not untick the row";

    // Escape leaves the main window open; Alt+R repairs; Return answers the box.
    ASSERT_TRUE(Keys("Escape sleep 0.5"));
    ASSERT_TRUE(IsWindowVisible(app.main()));
    ASSERT_TRUE(Keys("alt+r"));
    box = app.WaitForBox(120000);
    EXPECT_EQ(box ? app.BoxText(box) : "", "Items selected have been removed from the system");
    ASSERT_TRUE(Keys("Return"));
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.access.kept"));
    EXPECT_FALSE(ValueExists(DRIVERS, "zt.access.gone"));
    CoUninitialize();
}
