// The table of names of the built-in skin's windows and controls.
#include "skin/SkinNames.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

namespace {
// Main window: A B C E H I N O R S T U. Each page adds letters of its own that none of these use.
const SkinControlName NAMES[] = {
    // The main window, column by column: the tiles, Scan now, the actions, the page shown, then the
    // window's own buttons. Repair and Restore lie above the pages: the result page reaches under them.
    {"MAINSCREENBUTTONINFO", "BUTTON_MAIN", "Scan &areas"},
    {"MAINSCREENBUTTONINFO", "BUTTON_AUTOSCAN", "Sched&ule"},
    {"MAINSCREENBUTTONINFO", "BUTTON_IGNORED", "&Ignored"},
    {"MAINSCREENBUTTONINFO", "BUTTON_ADVSETTINGS", "Se&ttings"},
    {"MAINSCREENBUTTONINFO", "BUTTON_HISTORY", "Hist&ory"},
    {"MAINSCREENBUTTONINFO", "BUTTON_ABOUT", "A&bout"},
    {"MAINSCREENBUTTONINFO", "BUTTON_SUPPORT", "&Help"},
    {"MAINSCREENBUTTONINFO", "BUTTON_SCAN", "&Scan now"},
    {"MAINSCREENBUTTONINFO", "BUTTON_REMOVE", "&Repair"},
    {"MAINSCREENBUTTONINFO", "BUTTON_RESTORE", "R&estore"},
    {"SUBMAINSCREENINFO", "SUBMAIN_MAIN", "Scan areas"},
    {"SUBMAINSCREENINFO", "SUBMAIN_SCHEDULE", "Automatic scans"},
    {"SUBMAINSCREENINFO", "SUBMAIN_SCHEDULE_DISABLED", "Automatic scans"},
    {"SUBMAINSCREENINFO", "SUBMAIN_IGNORED", "Ignore list"},
    {"SUBMAINSCREENINFO", "SUBMAIN_ADVANCED", "Settings"},
    {"SUBMAINSCREENINFO", "SUBMAIN_RESULT", "Scan results"},
    {"SUBMAINSCREENINFO", "SUBMAIN_ABOUT", "About"},
    {"SUBMAINSCREENINFO", "SUBMAIN_HISTORY", "Repair history"},
    {"MAINSCREENBUTTONINFO", "BUTTON_MINIMIZE", "Mi&nimize"},
    {"MAINSCREENBUTTONINFO", "BUTTON_EXIT", "&Close"},

    // Each page row by row, left to right.
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_ALL", "All areas"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_COM", "COM classes"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_COM_SUBS", "Shared DLLs"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_DRV", "Drivers"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_HELP", "Help files"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_APPPATH", "Application paths"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_SHARED_TOOLS", "Shared tools"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_FONTS", "Fonts"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_STARTUP", "Startup programs"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_UNINSTALL", "Uninstall entries"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_FILETYPES", "File types"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_SHORTCUTS", "Shortcuts"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_SCAN", "Scan &with summary"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_DEPTH_SAFE", "Depth: Safe"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_DEPTH_NORMAL", "Depth: Normal"},
    {"SUBMAIN_MAIN_BUTTONINFO", "BUTTON_DEPTH_DEEP", "Depth: Deep"},

    {"SUBMAIN_SCHEDULE_BUTTONINFO", "BUTTON_AUTOSCAN_ENABLE", "Switch automatic scans off"},
    {"SUBMAIN_SCHEDULE_BUTTONINFO", "BUTTON_START_EVERY", "Scan e&very"},
    {"SUBMAIN_SCHEDULE_EDITBOXINFO", "EDIT_SCAN_PERIOD", "Minutes"},
    {"SUBMAIN_SCHEDULE_BUTTONINFO", "BUTTON_START_AFTER_EVERY", "Scan once a"},
    {"SUBMAIN_SCHEDULE_BUTTONINFO", "BUTTON_START_AFTER_EVERY_DAY", "day"},
    {"SUBMAIN_SCHEDULE_BUTTONINFO", "BUTTON_START_AFTER_EVERY_WEEK", "&week"},
    {"SUBMAIN_SCHEDULE_BUTTONINFO", "BUTTON_START_AFTER_EVERY_MONTH", "&month"},
    {"SUBMAIN_SCHEDULE_LISTINFO", "1", "Schedules"},
    {"SUBMAIN_SCHEDULE_BUTTONINFO", "BUTTON_ADDSCHEDULE", "A&dd"},
    {"SUBMAIN_SCHEDULE_BUTTONINFO", "BUTTON_DELETESCHEDULE", "De&lete"},

    {"SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", "BUTTON_AUTOSCAN_ENABLE", "Switch automatic scans on"},
    {"SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", "BUTTON_START_EVERY", "Scan every"},
    {"SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", "BUTTON_START_AFTER_EVERY", "Scan once a"},
    {"SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", "BUTTON_START_AFTER_EVERY_DAY", "day"},
    {"SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", "BUTTON_START_AFTER_EVERY_WEEK", "week"},
    {"SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", "BUTTON_START_AFTER_EVERY_MONTH", "month"},
    {"SUBMAIN_SCHEDULE_DISABLED_LISTINFO", "1", "Schedules"},
    {"SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", "BUTTON_ADDSCHEDULE", "A&dd"},
    {"SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", "BUTTON_DELETESCHEDULE", "De&lete"},

    {"SUBMAIN_IGNORED_LISTINFO", "1", "Ignored entries"},
    {"SUBMAIN_IGNORED_BUTTONINFO", "BUTTON_IGNORED_SEL_ALL", "Select a&ll"},
    {"SUBMAIN_IGNORED_BUTTONINFO", "BUTTON_IGNORED_DELETE", "Re&move from list"},

    {"SUBMAIN_ADVANCED_BUTTONINFO", "BUTTON_STARTUP", "Start with &Windows"},
    {"SUBMAIN_ADVANCED_BUTTONINFO", "BUTTON_AUTOSCAN", "Scan at start-u&p"},
    {"SUBMAIN_ADVANCED_BUTTONINFO", "BUTTON_BACKUP", "Bac&k up before repairs"},
    {"SUBMAIN_ADVANCED_BUTTONINFO", "BUTTON_RESTORE", "Restore from undo &file"},

    {"SUBMAIN_RESULT_LISTINFO", "1", "Problems found"},
    {"SUBMAIN_RESULT_BUTTONINFO", "BUTTON_SAVE_REPORT", "Save re&port"},

    {"SUBMAIN_ABOUT_BUTTONINFO", "BUTTON_ABOUTEXIT", "About Zenthar"},

    {"SUBMAIN_HISTORY_LISTINFO", "1", "Repairs"},
    {"SUBMAIN_HISTORY_LISTINFO", "2", "Entries of the repair"},
    {"SUBMAIN_HISTORY_BUTTONINFO", "BUTTON_HISTORY_RESTORE", "Restore this re&pair"},

    // The progress dialog, a window of its own: its letters need not avoid the main window's.
    {"SCREENERRORSCAN_BUTTONINFO", "BUTTON_STOPSCAN", "&Stop"},
    {"SCREENSCANCOMPLETE_LISTINFO", "1", "Scan summary"},
    {"SCREENSCANCOMPLETE_BUTTONINFO", "BUTTON_CANCEL", "&Close"},
    {"SCREENSCANCOMPLETE_BUTTONINFO", "BUTTON_FIXERROR", "&Repair all"},
    {"SCREENFIXCOMPLETE_LISTINFO", "1", "Repair summary"},
    {"SCREENFIXCOMPLETE_BUTTONINFO", "BUTTON_OK", "&OK"},
};
}  // namespace

std::string SkinControlNameFor(const std::string& section, const std::string& control) {
    for (const SkinControlName& n : NAMES)
        if (section == n.section && control == n.control) return n.name;
    return std::string();
}

int SkinControlRow(const std::string& section, const std::string& control) {
    for (size_t i = 0; i < std::size(NAMES); ++i)
        if (section == NAMES[i].section && control == NAMES[i].control) return static_cast<int>(i);
    return -1;
}

namespace {
const char ORDER_PROPERTY[] = "ZentharReadingOrder";
}

void NameSkinControl(HWND control, const std::string& section, const std::string& name) {
    const int row = SkinControlRow(section, name);
    if (row < 0) return;
    char cls[16] = {};
    GetClassNameA(control, cls, sizeof cls);
    // An edit box's window text is what it holds: its name is the label placed before it.
    if (lstrcmpiA(cls, "Edit") != 0) SetWindowTextA(control, NAMES[row].name);
    SetPropA(control, ORDER_PROPERTY, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(row + 1)));
}

void SortByReadingOrder(HWND parent) {
    std::vector<std::pair<ULONG_PTR, HWND>> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const ULONG_PTR row = reinterpret_cast<ULONG_PTR>(GetPropA(c, ORDER_PROPERTY));
        children.emplace_back(row ? row : ~ULONG_PTR(0), c);
    }
    std::stable_sort(children.begin(), children.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    HWND after = HWND_TOP;
    for (const auto& child : children) {
        SetWindowPos(child.second, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
        after = child.second;
    }
}
