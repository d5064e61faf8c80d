// The automatic-scan clock's load, advance, apply, due check and save.
#include "settings/ScanClock.h"

#include "settings/Clock.h"
#include "settings/ClockTime.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"

ScanClock::ScanClock() : now([] { return TheClock().Now(); }) {}

void ScanClock::Load() {
    // Only the low 32 bits are stored; times past 2106 come back wrapped.
    nextScanTime = static_cast<int64_t>(ReadNumberSetting(SETTING_SCAN_NEXT));
    scanPeriod = LoadedPeriod(static_cast<int64_t>(ReadNumberSetting(SETTING_SCAN_PERIOD)));
    const int64_t t = now();
    if (nextScanTime < NeverSetThreshold()) Advance(t);
    nextScanTime = BoundedNextTime(nextScanTime, t, scanPeriod);
}

void ScanClock::Advance(int64_t t) {
    scanPeriod = AdvancedPeriod(scanPeriod);
    nextScanTime = t + scanPeriod;
}

void ScanClock::Apply(const ScheduleChoice& choice) {
    const int64_t t = now();
    scanPeriod = AppliedPeriod(choice.radios, choice.minutesText, scanPeriod);
    nextScanTime = t + scanPeriod;

    WriteNumberSetting(SETTING_SCAN_NEXT, nextScanTime);
    WriteNumberSetting(SETTING_SCAN_PERIOD, scanPeriod);
    int minutes = 0;
    if (ParseScanMinutes(choice.minutesText, minutes)) WriteTextSetting(SETTING_SCAN_MINUTES, std::to_string(minutes));
    WriteFlagSetting(SETTING_SCAN_EVERY, choice.radios.startEvery);
    WriteFlagSetting(SETTING_SCAN_AFTER_EVERY, choice.radios.startAfterEvery);
    WriteFlagSetting(SETTING_SCAN_MONTH, choice.radios.month);
    WriteFlagSetting(SETTING_SCAN_WEEK, choice.radios.week);
    WriteFlagSetting(SETTING_SCAN_DAY, choice.radios.day);
}

bool ScanClock::DueCheck(bool scanInProgress) {
    const int64_t t = now();
    if (t <= nextScanTime) return false;
    Advance(t);
    return autoScanEnabled != 0 && !scanInProgress;
}

bool ScanClock::FollowShownChoice(const ScheduleChoice& choice) {
    int64_t period = 0;
    if (!ShownPeriod(choice.radios, choice.minutesText, period) || period == scanPeriod) return false;
    scanPeriod = period;
    nextScanTime = BoundedNextTime(nextScanTime, now(), scanPeriod);
    WriteNumberSetting(SETTING_SCAN_NEXT, nextScanTime);
    WriteNumberSetting(SETTING_SCAN_PERIOD, scanPeriod);
    return true;
}

void ScanClock::Save() const {
    const int64_t t = now();
    WriteNumberSetting(SETTING_SCAN_NEXT, nextScanTime < t ? t : nextScanTime);
    WriteNumberSetting(SETTING_SCAN_PERIOD, scanPeriod);
}

void ScanClock::RecordAutomaticScan(int32_t found) const {
    WriteNumberSetting(SETTING_LAST_SCAN, now());
    WriteNumberSetting(SETTING_LAST_FOUND, found < 0 ? 0 : found);
}

bool LastAutomaticScan(int64_t& when, int32_t& found) {
    when = static_cast<int64_t>(ReadNumberSetting(SETTING_LAST_SCAN));
    found = static_cast<int32_t>(ReadNumberSetting(SETTING_LAST_FOUND));
    return when > 0;
}

ScanClock& TheScanClock() {
    static ScanClock clock;
    return clock;
}
