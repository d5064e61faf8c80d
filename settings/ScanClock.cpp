// The automatic-scan clock's load, advance, apply, due check and save.
#include "settings/ScanClock.h"

#include "settings/ClockTime.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"

ScanClock::ScanClock() : now(SystemTimeNow) {}

void ScanClock::Load() {
    // Only the low 32 bits are stored; times past 2106 come back wrapped.
    nextScanTime = static_cast<int64_t>(ReadNumberSetting(SETTING_SCAN_NEXT));
    scanPeriod = LoadedPeriod(static_cast<int64_t>(ReadNumberSetting(SETTING_SCAN_PERIOD)));
    if (nextScanTime < NeverSetThreshold()) Advance(now());
}

void ScanClock::Advance(int64_t t) {
    scanPeriod = AdvancedPeriod(scanPeriod);
    nextScanTime = t + scanPeriod;
}

void ScanClock::Apply(const ScheduleChoice& choice) {
    const int64_t t = now();
    scanPeriod = AppliedPeriod(choice.radios, choice.minutesText, scanPeriod, autoScanEnabled != 0);
    nextScanTime = t + scanPeriod;

    WriteNumberSetting(SETTING_SCAN_NEXT, nextScanTime);
    WriteNumberSetting(SETTING_SCAN_PERIOD, scanPeriod);
    WriteTextSetting(SETTING_SCAN_MINUTES, choice.minutesText);
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

void ScanClock::Save() const {
    WriteNumberSetting(SETTING_SCAN_NEXT, nextScanTime);
    WriteNumberSetting(SETTING_SCAN_PERIOD, scanPeriod);
}

ScanClock& TheScanClock() {
    static ScanClock clock;
    return clock;
}
