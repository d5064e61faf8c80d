// AppSubScreen: the click handler, the category toggles, the options and the schedule pair.
#include <algorithm>
#include <iterator>

#include "app/AppFlags.h"
#include "app/screens/RepairDepthSetting.h"
#include "app/screens/ResultList.h"
#include "app/screens/SettingsControls.h"
#include "app/screens/SubScreen.h"
#include "settings/ScanClock.h"
#include "settings/ScheduleMath.h"
#include "settings/SettingsKey.h"
#include "settings/StartupEntry.h"
#include "skin/SkinDialog.h"

namespace {
// The toggles BUTTON_ALL sets, in the order it sets them.
const char* const ALL_CATEGORIES[] = {
    "BUTTON_REGISTRY", "BUTTON_COM",     "BUTTON_COM_SUBS", "BUTTON_DRV",       "BUTTON_HELP",
    "BUTTON_APPPATH",  "BUTTON_SHARED_TOOLS", "BUTTON_FONTS", "BUTTON_STARTUP", "BUTTON_SHORTCUTS",
    "BUTTON_UNINSTALL", "BUTTON_FILETYPES", "BUTTON_VXD", "BUTTON_MSDOS",
};
// Toggles that only change their own tick.
const char* const PLAIN_TOGGLES[] = {
    "BUTTON_COM",      "BUTTON_COM_SUBS", "BUTTON_DRV",       "BUTTON_HELP",     "BUTTON_APPPATH",
    "BUTTON_SHARED_TOOLS", "BUTTON_FONTS", "BUTTON_SHORTCUTS", "BUTTON_UNINSTALL", "BUTTON_REGISTRY",
    "BUTTON_VXD",      "BUTTON_MSDOS",    "BUTTON_FILETYPES",
};

bool IsPlainToggle(const std::string& name) {
    return std::any_of(std::begin(PLAIN_TOGGLES), std::end(PLAIN_TOGGLES),
                       [&](const char* n) { return name == n; });
}

CSkinDialog* MainWindowOf(HWND subScreen) { return WindowAs<CSkinDialog>(GetParent(subScreen)); }

const char* const SCHEDULE_RADIOS[] = {
    BUTTON_START_EVERY, BUTTON_START_AFTER_EVERY, BUTTON_START_AFTER_EVERY_MONTH,
    BUTTON_START_AFTER_EVERY_WEEK, BUTTON_START_AFTER_EVERY_DAY,
};
}  // namespace

void AppSubScreen::ButtonPressed(const std::string& pressed) {
    if (scanInProgress.load()) return;
    // Kept on every click, from this sub-screen's own edit box only (labels of that name do not count).
    SaveEditSetting(store, SETTING_SAVE_COUNT, "EDIT_BAKUP_COUNT");
    if (PressRepairDepth(store, pressed)) return;

    if (pressed == "BUTTON_STARTUP") PressStartup();
    else if (pressed == "BUTTON_ABOUTEXIT") PressAboutExit();
    else if (pressed == "BUTTON_AUTOSCAN") {
        ToggleButton(pressed);
        SaveButtonSetting(store, SETTING_AUTOSCAN, "BUTTON_AUTOSCAN");
    } else if (pressed == "BUTTON_BACKUP") {
        ToggleButton(pressed);
        SaveButtonSetting(store, SETTING_SAVE_REG, "BUTTON_BACKUP");
    } else if (IsPlainToggle(pressed)) ToggleButton(pressed);
    else if (pressed == "BUTTON_ALL") PressAll();
    else if (pressed == "BUTTON_IGNORED_DELETE") PressIgnoredDelete();
    else if (pressed == "BUTTON_IGNORED_SEL_ALL") PressIgnoredSelectAll();
    else if (pressed == BUTTON_AUTOSCAN_ENABLE) PressAutoscanEnable();
    else if (pressed == "BUTTON_RESTORE") PressRestore();
    else if (pressed == "BUTTON_ADDSCHEDULE") PressAddSchedule();
    else if (pressed == "BUTTON_DELETESCHEDULE") PressDeleteSchedule();
    else if (pressed == "BUTTON_RUNUPDATE") PressRunUpdate();
    else if (pressed == "BUTTON_SCAN") PressScan();
    else if (pressed == "BUTTON_HISTORY_RESTORE") PressHistoryRestore();
    else if (pressed == BUTTON_SAVE_REPORT && resultPage_) resultPage_->SaveReport();
    // BUTTON_SUPPORT is the main window's; any other name does nothing.

    if (TheScanClock().autoScanEnabled && IsScheduleRadio(pressed)) {
        TakeTypedMinutes();  // the radio applies what the box shows, so the box is made right first
        ScheduleRadios radios = ScheduleRadiosShown();
        ClickScheduleRadio(radios, pressed);
        ShowScheduleRadios(radios);
        ApplyScheduleFromButtons();
    }
}

void AppSubScreen::ToggleButton(const std::string& button) {
    store.SetButtonCheck(button, store.GetButtonCheck(button) ? 0 : 1);
}

void AppSubScreen::PressAll() {
    // Only the category screen carries BUTTON_ALL. Elsewhere the same name would tick the
    // start-with-Windows option, which shares its name with a category, without registering anything.
    if (!store.FindButton("BUTTON_ALL")) return;
    const int v = store.GetButtonCheck("BUTTON_ALL") ? 0 : 1;
    for (const char* category : ALL_CATEGORIES) store.SetButtonCheck(category, v);
    store.SetButtonCheck("BUTTON_ALL", v);
}

void AppSubScreen::PressStartup() {
    ToggleButton("BUTTON_STARTUP");
    // On the category screen the same name only chooses the startup-programs category.
    // A switch the system refused shows what is really registered instead of the click.
    if (name == SUBMAIN_ADVANCED && WriteStartupEntry(store.GetButtonCheck("BUTTON_STARTUP") != 0) != ERROR_SUCCESS)
        store.SetButtonCheck("BUTTON_STARTUP", StartupEntryPresent() ? 1 : 0);
}

void AppSubScreen::PressAboutExit() {
    CSkinDialog* main = MainWindowOf(hwnd());
    if (!main) return;
    main->ShowSubScreen(SUBMAIN_MAIN);
    main->store.EnableAllButtons(true);
    main->store.EnableButton("BUTTON_MAIN", false);
}

void AppSubScreen::PressAutoscanEnable() {
    ScanClock& clock = TheScanClock();
    if (clock.autoScanEnabled) CommitScanMinutes();  // the box goes out of sight with its screen
    clock.autoScanEnabled = clock.autoScanEnabled ? 0 : 1;
    const int on = clock.autoScanEnabled;
    CSkinDialog* main = MainWindowOf(hwnd());
    AppSubScreen* enabledScreen = name == SUBMAIN_SCHEDULE ? this : nullptr;
    if (main) {
        // The twin screen comes up showing the same switch; the disabled one also shows the choice
        // last made on the enabled one (its own radios cannot change while scanning is off).
        const char* twinName = on ? SUBMAIN_SCHEDULE : SUBMAIN_SCHEDULE_DISABLED;
        for (auto& screen : main->AllScreens()) {
            if (screen->name != twinName || screen.get() == this) continue;
            if (!on) {
                for (const char* b : SCHEDULE_RADIOS) screen->store.SetButtonCheck(b, store.GetButtonCheck(b));
            }
            screen->store.SetButtonCheck(BUTTON_AUTOSCAN_ENABLE, on);
        }
        for (auto& screen : main->AllScreens())
            if (screen->name == SUBMAIN_SCHEDULE) enabledScreen = dynamic_cast<AppSubScreen*>(screen.get());
        main->ShowSubScreen(twinName);
    }
    store.SetButtonCheck(BUTTON_AUTOSCAN_ENABLE, on);
    SaveButtonSetting(store, SETTING_ENABLE_SCAN, BUTTON_AUTOSCAN_ENABLE);
    // Switched on, the clock takes the period the screen shows, from now; it may have kept
    // another one while scanning was off.
    if (on && enabledScreen) enabledScreen->ApplyScheduleFromButtons();
    ShowAllClockTexts();
}
