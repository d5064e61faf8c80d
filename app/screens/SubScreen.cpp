// AppSubScreen: the factory, the building steps with their settings loads, and the destruction steps.
#include "app/screens/SubScreen.h"

#include "app/AppFlags.h"
#include "app/screens/RepairDepthSetting.h"
#include "app/screens/ResultList.h"
#include "app/screens/SettingsControls.h"
#include "app/screens/SubScreens.h"
#include "platform/DataFolder.h"
#include "settings/ScanClock.h"
#include "settings/ScheduleMath.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"
#include "settings/StartupEntry.h"

std::unique_ptr<CSubMainSkin> CreateAppSubScreen(const SkinScreenLine&) {
    return std::make_unique<AppSubScreen>();
}

AppSubScreen::AppSubScreen() { TheScanClock().Load(); }

AppSubScreen::~AppSubScreen() {
    // The window normally went first (OnDestroy ran); an object dropped with its window alive still
    // keeps the clock.
    SaveAndReleaseOnce();
}

bool AppSubScreen::IsScheduleScreen() const { return name == SUBMAIN_SCHEDULE || name == SUBMAIN_SCHEDULE_DISABLED; }

void AppSubScreen::LoadButtonFlag(const char* keyPath, const char* valueName, const char* buttonName) {
    // A missing value never unticks: the button keeps what the skin or an earlier step gave it.
    LoadButtonSetting(store, keyPath, valueName, buttonName);
}

void AppSubScreen::LoadEditText(const char* valueName, const char* editName) {
    if (store.FindEdit(editName)) LoadEditSetting(store, SETTINGS_KEY_PATH, valueName, editName);
}

void AppSubScreen::LoadScheduleButtons() {
    LoadButtonFlag(SETTINGS_KEY_PATH, SETTING_ENABLE_SCAN, BUTTON_AUTOSCAN_ENABLE);
    LoadButtonFlag(SETTINGS_KEY_PATH, SETTING_SCAN_MONTH, BUTTON_START_AFTER_EVERY_MONTH);
    LoadButtonFlag(SETTINGS_KEY_PATH, SETTING_SCAN_WEEK, BUTTON_START_AFTER_EVERY_WEEK);
    LoadButtonFlag(SETTINGS_KEY_PATH, SETTING_SCAN_DAY, BUTTON_START_AFTER_EVERY_DAY);
    // The disabled twin only shows the same choice; the scanning switch and the default schedule
    // belong to the enabled one, which is built first.
    if (name != SUBMAIN_SCHEDULE) return;
    ScanClock& clock = TheScanClock();
    clock.autoScanEnabled = store.GetButtonCheck(BUTTON_AUTOSCAN_ENABLE) ? 1 : 0;
    if (clock.autoScanEnabled) return;
    ShowScheduleRadios(DefaultScheduleRadios());
    ApplyScheduleFromButtons();
}

std::string AboutDataFolderText() { return "Your files: " + DataFolder(); }

void AppSubScreen::OnButtonsAndLabelsLoaded() {
    if (name == SUBMAIN_ABOUT) store.SetLabelText(TEXT_ABOUT_DATAFOLDER, AboutDataFolderText());
    if (name == SUBMAIN_MAIN) ShowRepairDepth(store, LoadRepairDepth());
    // 3.1: the start-with-Windows option; the category of the same name is ticked with the others below.
    if (name == SUBMAIN_ADVANCED && StartupEntryPresent()) store.SetButtonCheck("BUTTON_STARTUP", 1);
    // 3.2
    if (IsScheduleScreen()) LoadScheduleButtons();
    // 3.3
    LoadButtonFlag(SETTINGS_KEY_PATH, SETTING_AUTOSCAN, "BUTTON_AUTOSCAN");
    LoadButtonFlag(SETTINGS_KEY_PATH, SETTING_SAVE_REG, "BUTTON_BACKUP");
    LoadButtonFlag(SETTINGS_KEY_PATH, SETTING_SCAN_EVERY, BUTTON_START_EVERY);
    LoadButtonFlag(SETTINGS_KEY_PATH, SETTING_SCAN_AFTER_EVERY, BUTTON_START_AFTER_EVERY);
    // 3.4: every category starts ticked.
    ButtonPressed("BUTTON_ALL");
    // 3.5: the main window starts a scan once it is up.
    if (ScanAtStartSetting()) scanAtStart = 1;
}

void AppSubScreen::OnEditBoxesLoaded() {
    LoadEditText(SETTING_SAVE_COUNT, "EDIT_BAKUP_COUNT");
    LoadEditText(SETTING_SCAN_MINUTES, EDIT_SCAN_PERIOD);
    AcceptLoadedMinutes();
    // Scanning on with a period other than the one shown (a stored value of an older version, an
    // edit of the registry): the clock follows the screen, keeping a next time that comes sooner.
    if (name == SUBMAIN_SCHEDULE && TheScanClock().autoScanEnabled) TheScanClock().FollowShownChoice(ShownChoice());
    if (IsScheduleScreen()) ShowClockTexts();
}

bool AppSubScreen::WantsVirtualListRows() const { return name == SUBMAIN_IGNORED || name == SUBMAIN_RESULT; }

ResultPage* ResultPageOf(CSubMainSkin* screen) {
    auto* sub = dynamic_cast<AppSubScreen*>(screen);
    return sub ? sub->resultPage() : nullptr;
}

void AppSubScreen::OnListLoaded() {
    if (!list) return;
    if (name == SUBMAIN_IGNORED) FillIgnoredList();
    if (IsScheduleScreen()) FillScheduleList();
    if (name == SUBMAIN_RESULT) resultPage_ = std::make_unique<ResultPage>(hwnd(), *list, store);
}

ScheduleRadios AppSubScreen::ScheduleRadiosShown() {
    ScheduleRadios radios;
    radios.startEvery = store.GetButtonCheck(BUTTON_START_EVERY) != 0;
    radios.startAfterEvery = store.GetButtonCheck(BUTTON_START_AFTER_EVERY) != 0;
    radios.month = store.GetButtonCheck(BUTTON_START_AFTER_EVERY_MONTH) != 0;
    radios.week = store.GetButtonCheck(BUTTON_START_AFTER_EVERY_WEEK) != 0;
    radios.day = store.GetButtonCheck(BUTTON_START_AFTER_EVERY_DAY) != 0;
    return radios;
}

void AppSubScreen::ShowScheduleRadios(const ScheduleRadios& radios) {
    store.SetButtonCheck(BUTTON_START_EVERY, radios.startEvery);
    store.SetButtonCheck(BUTTON_START_AFTER_EVERY, radios.startAfterEvery);
    store.SetButtonCheck(BUTTON_START_AFTER_EVERY_WEEK, radios.week);
    store.SetButtonCheck(BUTTON_START_AFTER_EVERY_MONTH, radios.month);
    store.SetButtonCheck(BUTTON_START_AFTER_EVERY_DAY, radios.day);
}

ScheduleChoice AppSubScreen::ShownChoice() {
    ScheduleChoice choice;
    choice.radios = ScheduleRadiosShown();
    choice.minutesText = store.GetEditText(EDIT_SCAN_PERIOD);
    return choice;
}

void AppSubScreen::ApplyScheduleFromButtons() {
    TheScanClock().Apply(ShownChoice());
    ShowAllClockTexts();
}

void AppSubScreen::SaveAndReleaseOnce() {
    if (released) return;
    released = true;
    TheScanClock().Save();
    if (list) {
        list->Destroy();
        list.reset();
    }
    if (entryList) {
        entryList->Destroy();
        entryList.reset();
    }
}

void AppSubScreen::OnDestroy() {
    // Minutes typed and not yet taken are kept before the clock is saved.
    if (!released) CommitScanMinutes();
    SaveAndReleaseOnce();
    CancelSummary();
    store.Reset();
    Default();
}
