// AppSubScreen: the schedule pair's minutes box and the clock's lines.
#include "app/screens/SubScreen.h"

#include "settings/ClockTime.h"
#include "settings/ScanClock.h"
#include "settings/ScanClockText.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"
#include "skin/SkinDialog.h"

namespace {
constexpr const char TEXT_SCHEDULE_NEXT[] = "TEXT_SCHEDULE_NEXT";
constexpr const char TEXT_SCHEDULE_LAST[] = "TEXT_SCHEDULE_LAST";
constexpr const char TEXT_SCAN_PERIOD_NOTE[] = "TEXT_SCAN_PERIOD_NOTE";
}  // namespace

void AppSubScreen::AcceptLoadedMinutes() {
    if (!store.FindEdit(EDIT_SCAN_PERIOD)) return;
    int minutes = 0;
    if (ParseScanMinutes(store.GetEditText(EDIT_SCAN_PERIOD), minutes)) {
        acceptedMinutes_ = std::to_string(minutes);
    } else {
        // A stored text the box would refuse: the period in whole minutes when it is one, else the default.
        const int64_t period = TheScanClock().scanPeriod;
        const bool whole = period % 60 == 0 && period / 60 >= MIN_SCAN_MINUTES && period / 60 <= MAX_SCAN_MINUTES;
        acceptedMinutes_ = whole ? std::to_string(period / 60) : std::string(TEXT_SETTING_DEFAULT);
        if (name == SUBMAIN_SCHEDULE) WriteTextSetting(SETTING_SCAN_MINUTES, acceptedMinutes_);
    }
    store.SetEditText(EDIT_SCAN_PERIOD, acceptedMinutes_);
}

bool AppSubScreen::TakeTypedMinutes() {
    if (!store.FindEdit(EDIT_SCAN_PERIOD)) return false;
    const std::string typed = store.GetEditText(EDIT_SCAN_PERIOD);
    int minutes = 0;
    if (!ParseScanMinutes(typed, minutes)) {
        int kept = 0;
        ParseScanMinutes(acceptedMinutes_, kept);
        store.SetEditText(EDIT_SCAN_PERIOD, acceptedMinutes_);
        store.UpdateLabelText(TEXT_SCAN_PERIOD_NOTE, RefusedMinutesText(kept));
        return false;
    }
    store.UpdateLabelText(TEXT_SCAN_PERIOD_NOTE, "");
    const std::string normal = std::to_string(minutes);
    if (normal != typed) store.SetEditText(EDIT_SCAN_PERIOD, normal);
    if (normal == acceptedMinutes_) return false;
    acceptedMinutes_ = normal;
    return true;
}

void AppSubScreen::CommitScanMinutes() {
    if (!TakeTypedMinutes()) return;
    // With "Scan every" chosen and scanning on, the new minutes are the period shown; otherwise
    // they are only kept for when that choice is made.
    if (TheScanClock().autoScanEnabled && store.GetButtonCheck(BUTTON_START_EVERY)) ApplyScheduleFromButtons();
    else WriteTextSetting(SETTING_SCAN_MINUTES, acceptedMinutes_);
}

bool AppSubScreen::OnCommand(UINT, UINT code, HWND control) {
    CSkinEdit* box = store.FindEdit(EDIT_SCAN_PERIOD);
    if (box && control == box->hwnd() && code == EN_KILLFOCUS) {
        CommitScanMinutes();
        return true;
    }
    return false;
}

void AppSubScreen::ShowClockTexts() {
    if (!IsScheduleScreen()) return;
    const ScanClock& clock = TheScanClock();
    LocalStamp next;
    std::string nextText = NextScanText(false, next);
    if (clock.autoScanEnabled) nextText = UnixToLocalStamp(clock.nextScanTime, next) ? NextScanText(true, next) : "";
    store.UpdateLabelText(TEXT_SCHEDULE_NEXT, nextText);
    int64_t when = 0;
    int32_t found = 0;
    LocalStamp last;
    const bool any = LastAutomaticScan(when, found) && UnixToLocalStamp(when, last);
    store.UpdateLabelText(TEXT_SCHEDULE_LAST, LastScanText(any, last, found));
}

void AppSubScreen::ShowAllClockTexts() {
    // Both screens of the schedule pair show the one clock.
    CSkinDialog* main = WindowAs<CSkinDialog>(GetParent(hwnd()));
    if (!main) {
        ShowClockTexts();
        return;
    }
    for (const auto& screen : main->screens)
        if (auto* s = dynamic_cast<AppSubScreen*>(screen.get()); s && s->IsScheduleScreen()) s->ShowClockTexts();
}
