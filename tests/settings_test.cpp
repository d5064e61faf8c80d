// The settings store, the start-with-Windows entry and the automatic-scan clock on the real registry.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <cwchar>

#include "registry/RegKey.h"
#include "settings/Clock.h"
#include "settings/ClockTime.h"
#include "settings/LogonTask.h"
#include "settings/ScanClock.h"
#include "settings/ScanClockText.h"
#include "settings/UiLanguage.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"
#include "settings/StartupEntry.h"
#include "settings/StringValue.h"
#include "support/TestSupport.h"

namespace {
const std::string KEY = std::string("HKEY_LOCAL_MACHINE\\") + SETTINGS_KEY_PATH;
const char TEST_RUN_KEY[] = "Software\\ZentharTest\\Run";
const char CHILD_VARIABLE[] = "ZENTHAR_STARTUP_CHILD";
constexpr int64_t NOW = 1700000000;  // 2023-11-14
constexpr int64_t DAY = 86400;

// Started with CHILD_VARIABLE naming a key, this program only writes its start-up entry there and exits.
const bool childMode = [] {
    char key[256];
    if (GetEnvironmentVariableA(CHILD_VARIABLE, key, sizeof key) == 0) return false;
    ExitProcess(static_cast<UINT>(WriteStartupValue(key, true)));
}();

std::string readString(const std::string& keyPath, const char* name, DWORD* type = nullptr) {
    RegKey key;
    std::string sub = keyPath.substr(keyPath.find('\\') + 1);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, sub.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return "<no key>";
    char buf[1024] = {};
    DWORD size = sizeof buf - 1;
    if (RegQueryValueExA(key.get(), name, nullptr, type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS)
        return "<missing>";
    return std::string(buf, size);
}

// The settings key, emptied before and removed after each test; a clock that reads a settable time.
class Settings : public ::testing::Test {
protected:
    SeededKey key{KEY};
    int64_t fakeNow = NOW;
    ScanClock clock;
    void SetUp() override { clock.now = [this] { return fakeNow; }; }
    bool present(const char* name) { return ValueExists(KEY, name); }
};

struct StoredValue {
    const char* what;
    DWORD type;
    std::string bytes;
    size_t cut;  // bytes left off the end (a following byte stops the system adding a NUL)
    bool flagOn;
    const char* text;
};
}  // namespace

TEST_F(Settings, EveryEncodingReadsAsTheValidationRuleSays) {
    const StoredValue rows[] = {
        {"text 1", REG_SZ, std::string("1\0", 2), 0, true, "1"},
        {"text 0 still means on", REG_SZ, std::string("0\0", 2), 0, true, "0"},
        {"empty text", REG_SZ, std::string("\0", 1), 0, true, ""},
        {"expand string, not expanded", REG_EXPAND_SZ, std::string("%TEMP%\0", 7), 0, true, "%TEMP%"},
        {"multi string with two NULs", REG_MULTI_SZ, std::string("12\0\0", 4), 0, true, "12"},
        {"multi string with one NUL", REG_MULTI_SZ, std::string("12\0", 3), 0, false, "4"},
        {"string without its NUL", REG_SZ, std::string("15X", 3), 1, false, "4"},
        {"binary", REG_BINARY, std::string("1\0", 2), 0, false, "4"},
        {"dword", REG_DWORD, std::string("\1\0\0\0", 4), 0, false, "4"},
        {"long text read whole", REG_SZ, std::string(600, '7') + '\0', 0, true, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        key.setRaw("v", row.type, row.bytes.data(), static_cast<DWORD>(row.bytes.size() - row.cut));
        const FlagLoad flag = LoadFlagSetting(SETTINGS_KEY_PATH, "v");
        EXPECT_TRUE(flag.keyOpened);
        EXPECT_EQ(flag.on, row.flagOn);
        const TextLoad text = LoadTextSetting(SETTINGS_KEY_PATH, "v");
        EXPECT_TRUE(text.keyOpened);
        EXPECT_EQ(text.text, row.text ? row.text : std::string(600, '7'));
    }
    EXPECT_FALSE(LoadFlagSetting(SETTINGS_KEY_PATH, "missing").on);
    EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, "missing").text, "4");
    // Text the code page cannot carry is not handed to an edit box altered.
    const std::wstring wide = L"5\x4E2D";
    RegSetValueExW(key.handle(), L"wide", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()), 3 * sizeof(wchar_t));
    EXPECT_TRUE(LoadFlagSetting(SETTINGS_KEY_PATH, "wide").on);
    EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, "wide").text, "4");
}

TEST_F(Settings, NumbersAreDwordsOfTheLowBitsAndAnythingElseReadsZero) {
    WriteNumberSetting("n", 0x123456789LL);
    EXPECT_EQ(ReadNumberSetting("n"), 0x23456789u);
    WriteNumberSetting("n", -1);
    EXPECT_EQ(ReadNumberSetting("n"), 0xFFFFFFFFu);
    key.setString("text", "240");
    key.setBinary("binary", {0x10, 0, 0, 0});
    key.setRaw("short", REG_DWORD, "\x10\x00", 2);
    for (const char* name : {"text", "binary", "short", "missing"}) EXPECT_EQ(ReadNumberSetting(name), 0u) << name;
}

TEST_F(Settings, WritesCreateTheKeyAndFollowTheirEncodings) {
    DeleteKeyPath(KEY);
    WriteTextSetting(SETTING_SCAN_MINUTES, "");
    EXPECT_FALSE(KeyExists(KEY));  // an empty text writes nothing at all
    WriteTextSetting(SETTING_SCAN_MINUTES, "15");
    DWORD type = 0;
    EXPECT_EQ(readString(KEY, SETTING_SCAN_MINUTES, &type), std::string("15\0", 3));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    WriteTextSetting(SETTING_SCAN_MINUTES, "");
    EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, SETTING_SCAN_MINUTES).text, "15");

    DeleteKeyPath(KEY);
    WriteFlagSetting(SETTING_SAVE_REG, true);
    EXPECT_EQ(readString(KEY, SETTING_SAVE_REG, &type), std::string("1\0", 2));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    WriteFlagSetting(SETTING_SAVE_REG, false);
    EXPECT_FALSE(present(SETTING_SAVE_REG));
    EXPECT_TRUE(KeyExists(KEY));

    DeleteKeyPath(KEY);
    WriteNumberSetting(SETTING_SCAN_PERIOD, 240);
    EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_PERIOD), 240u);
}

TEST_F(Settings, AKeyThatCannotBeOpenedLeavesTheControlsAlone) {
    DeleteKeyPath(KEY);
    const FlagLoad flag = LoadFlagSetting(SETTINGS_KEY_PATH, SETTING_SAVE_REG);
    const TextLoad text = LoadTextSetting(SETTINGS_KEY_PATH, SETTING_SCAN_MINUTES);
    EXPECT_FALSE(flag.keyOpened || flag.on);
    EXPECT_FALSE(text.keyOpened);  // the edit box keeps the skin's text
    EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_NEXT), 0u);
    EXPECT_FALSE(KeyExists(KEY));  // reads never create it
}

// First start without the key, then the worked example: scanning on, every 4 minutes, one due scan.
TEST_F(Settings, WorkedExampleFromAFirstStart) {
    DeleteKeyPath(KEY);
    clock.Load();
    EXPECT_EQ(clock.scanPeriod, 86460);
    EXPECT_EQ(clock.nextScanTime, NOW + 86460);
    EXPECT_FALSE(ScanAtStartSetting());
    EXPECT_FALSE(LoadFlagSetting(SETTINGS_KEY_PATH, SETTING_SAVE_REG).on);

    // The schedule sub-screen finds scanning off and stores the default schedule (no edit box yet):
    // the week it shows, not the day and a minute of the fallback.
    clock.autoScanEnabled = LoadFlagSetting(SETTINGS_KEY_PATH, SETTING_ENABLE_SCAN).on;
    ScheduleChoice choice{DefaultScheduleRadios(), ""};
    clock.Apply(choice);
    EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_PERIOD), static_cast<uint32_t>(7 * DAY));
    EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_NEXT), static_cast<uint32_t>(NOW + 7 * DAY));
    EXPECT_TRUE(present(SETTING_SCAN_AFTER_EVERY) && present(SETTING_SCAN_WEEK));
    EXPECT_FALSE(present(SETTING_SCAN_EVERY) || present(SETTING_SCAN_MONTH) || present(SETTING_SCAN_DAY));
    EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, SETTING_SCAN_MINUTES).text, "4");
    EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, SETTING_SAVE_COUNT).text, "4");

    clock.autoScanEnabled = 1;
    ASSERT_TRUE(ClickScheduleRadio(choice.radios, BUTTON_START_EVERY));
    choice.minutesText = "4";
    clock.Apply(choice);
    EXPECT_EQ(clock.scanPeriod, 240);
    EXPECT_EQ(clock.nextScanTime, NOW + 240);
    EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, SETTING_SCAN_MINUTES).text, "4");
    EXPECT_TRUE(present(SETTING_SCAN_EVERY));
    EXPECT_FALSE(present(SETTING_SCAN_AFTER_EVERY));

    fakeNow = NOW + 240;
    EXPECT_FALSE(clock.DueCheck(false));  // not later than the next time yet
    fakeNow = NOW + 245;
    EXPECT_TRUE(clock.DueCheck(false));
    EXPECT_EQ(clock.scanPeriod, 240);
    EXPECT_EQ(clock.nextScanTime, NOW + 245 + 240);
    EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_NEXT), static_cast<uint32_t>(NOW + 240));  // only Apply and Save store
    clock.Save();
    EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_NEXT), static_cast<uint32_t>(NOW + 485));
}

TEST_F(Settings, StoredClockValuesOnLoadAndAtTheFirstDueCheck) {
    struct Row {
        const char* what;
        int64_t next, period;
        bool enabled, scanning;
        int64_t loadedNext, loadedPeriod;
        bool pressed;
        int64_t nextAfterCheck, periodAfterCheck;
    } rows[] = {
        {"period 30", NOW + DAY, 30, true, false, NOW + DAY, 86460, false, NOW + DAY, 86460},
        {"period 120 kept after its scan", NOW - 5, 120, true, false, NOW - 5, 120, true, NOW + 120, 120},
        {"period 60 kept after its scan", NOW - 5, 60, true, false, NOW - 5, 60, true, NOW + 60, 60},
        {"wrapped period", NOW + DAY, -60, true, false, NOW + DAY, 86460, false, NOW + DAY, 86460},
        {"period past 31 days", NOW + DAY, 31 * DAY + 60, true, false, NOW + DAY, 86460, false, NOW + DAY, 86460},
        {"next far ahead comes back", NOW + 400 * DAY, 3600, true, false, NOW + 3600, 3600, false, NOW + 3600, 3600},
        {"next 0 never set", 0, 3600, true, false, NOW + 3600, 3600, false, NOW + 3600, 3600},
        {"yesterday, scanning on", NOW - DAY, 3600, true, false, NOW - DAY, 3600, true, NOW + 3600, 3600},
        {"yesterday, scanning off", NOW - DAY, 3600, false, false, NOW - DAY, 3600, false, NOW + 3600, 3600},
        {"yesterday, a scan running", NOW - DAY, 3600, true, true, NOW - DAY, 3600, false, NOW + 3600, 3600},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        WriteNumberSetting(SETTING_SCAN_NEXT, row.next);
        WriteNumberSetting(SETTING_SCAN_PERIOD, row.period);
        clock.Load();
        EXPECT_EQ(clock.nextScanTime, row.loadedNext);
        EXPECT_EQ(clock.scanPeriod, row.loadedPeriod);
        clock.autoScanEnabled = row.enabled;
        EXPECT_EQ(clock.DueCheck(row.scanning), row.pressed);
        EXPECT_EQ(clock.nextScanTime, row.nextAfterCheck);
        EXPECT_EQ(clock.scanPeriod, row.periodAfterCheck);
    }
    key.setString(SETTING_SCAN_PERIOD, "240");  // a period stored as text reads 0
    clock.Load();
    EXPECT_EQ(clock.scanPeriod, 86460);
}

TEST_F(Settings, ApplyStoresThePeriodShownAndOnlyMinutesTheBoxAccepts) {
    const ScheduleRadios every{true, false, false, false, false}, none{};
    const ScheduleRadios all{false, true, true, true, true}, month{false, true, true, false, false};
    const ScheduleRadios week{false, true, false, true, false}, afterNone{false, true, false, false, false};
    struct Row {
        const char* what;
        ScheduleRadios radios;
        const char* minutes;
        bool enabled;
        int64_t period;
        const char* storedMinutes;
    } rows[] = {
        {"15 minutes", every, "15", true, 900, "15"},
        {"blanks around", every, " 15 ", true, 900, "15"},
        {"1 minute", every, "1", true, 60, "1"},
        {"2 minutes", every, "2", true, 120, "2"},
        {"a month of minutes", every, "44640", true, 31 * DAY, "44640"},
        {"one minute past a month", every, "44641", true, 5000, "7"},
        {"past 32 bits", every, "99999999999", true, 5000, "7"},
        {"10 and letters", every, "10abc", true, 5000, "7"},
        {"a sign", every, "+15", true, 5000, "7"},
        {"empty minutes", every, "", true, 5000, "7"},
        {"zero", every, "0", true, 5000, "7"},
        {"negative minutes", every, "-5", true, 5000, "7"},
        {"month, week and day", all, "10", true, DAY, "10"},
        {"month", month, "10", true, 31 * DAY, "10"},
        {"week", week, "10", true, 7 * DAY, "10"},
        {"week while scanning is off", week, "10", false, 7 * DAY, "10"},
        {"minutes while scanning is off", every, "10", false, 600, "10"},
        {"after every, none ticked", afterNone, "10", true, 5000, "10"},
        {"no radio", none, "10", true, 5000, "10"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        key.setString(SETTING_SCAN_MINUTES, "7");
        clock.scanPeriod = 5000;
        clock.autoScanEnabled = row.enabled;
        clock.Apply({row.radios, row.minutes});
        EXPECT_EQ(clock.scanPeriod, row.period);
        EXPECT_EQ(clock.nextScanTime, NOW + row.period);
        EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_PERIOD), static_cast<uint32_t>(row.period));
        EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_NEXT), static_cast<uint32_t>(NOW + row.period));
        EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, SETTING_SCAN_MINUTES).text, row.storedMinutes);
        EXPECT_EQ(present(SETTING_SCAN_DAY), row.radios.day);
    }
}

TEST(ScheduleMath, MinutesTheBoxAcceptsAndThePeriodShown) {
    const struct {
        const char* text;
        bool accepted;
        int minutes;
    } texts[] = {
        {"1", true, 1},         {"44640", true, 44640}, {"0044640", true, 44640}, {"\t30 ", true, 30},
        {"0", false, 0},        {"44641", false, 0},    {"99999999999", false, 0}, {"4294967297", false, 0},
        {"", false, 0},         {"  ", false, 0},       {"-1", false, 0},          {"+1", false, 0},
        {"1 5", false, 0},      {"15min", false, 0},    {"1.5", false, 0},         {"44,640", false, 0},
    };
    for (const auto& t : texts) {
        int minutes = -7;
        EXPECT_EQ(ParseScanMinutes(t.text, minutes), t.accepted) << "\"" << t.text << "\"";
        EXPECT_EQ(minutes, t.accepted ? t.minutes : -7) << "\"" << t.text << "\" leaves the old value when refused";
    }

    const struct {
        ScheduleRadios radios;
        const char* minutes;
        bool shown;
        int64_t period;
    } choices[] = {
        {DefaultScheduleRadios(), "abc", true, 7 * 86400},
        {{false, true, false, false, true}, "", true, 86400},
        {{false, true, true, false, false}, "", true, 31 * 86400},
        {{true, false, false, true, false}, "2", true, 120},  // start-every wins over a week still ticked
        {{true, false, false, false, false}, "44641", false, 0},
        {{false, true, false, false, false}, "5", false, 0},
        {{false, false, false, true, false}, "5", false, 0},  // a sub-choice without its radio shows nothing
    };
    for (const auto& c : choices) {
        int64_t period = 0;
        EXPECT_EQ(ShownPeriod(c.radios, c.minutes, period), c.shown) << c.minutes;
        if (c.shown) {
            EXPECT_EQ(period, c.period) << c.minutes;
        }
    }
    EXPECT_EQ(AppliedPeriod({}, "", -60), FALLBACK_PERIOD) << "nothing shown and a wrapped old period";
    EXPECT_EQ(BoundedNextTime(NOW + 10 * DAY, NOW, DAY), NOW + DAY);
    EXPECT_EQ(BoundedNextTime(NOW - DAY, NOW, DAY), NOW - DAY) << "a missed scan stays due";
}

TEST_F(Settings, TheClockFollowsTheScreenAndNeverStoresAPastTime) {
    const ScheduleRadios every{true, false, false, false, false};
    const ScheduleRadios week = DefaultScheduleRadios();
    struct Row {
        const char* what;
        int64_t next, period;
        ScheduleChoice shown;
        bool changed;
        int64_t nextAfter, periodAfter;
    } rows[] = {
        {"stored 600, a week shown", NOW + 500, 600, {week, "10"}, true, NOW + 500, 7 * DAY},
        {"stored a day and a minute, 2 minutes shown", NOW + DAY, 86460, {every, "2"}, true, NOW + 120, 120},
        {"missed scan stays due", NOW - 50, 86460, {every, "2"}, true, NOW - 50, 120},
        {"same period", NOW + 300, 600, {every, "10"}, false, NOW + 300, 600},
        {"nothing shown", NOW + 300, 600, {every, "0"}, false, NOW + 300, 600},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        DeleteKeyPath(KEY);
        clock.nextScanTime = row.next;
        clock.scanPeriod = row.period;
        EXPECT_EQ(clock.FollowShownChoice(row.shown), row.changed);
        EXPECT_EQ(clock.nextScanTime, row.nextAfter);
        EXPECT_EQ(clock.scanPeriod, row.periodAfter);
        EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_PERIOD), row.changed ? static_cast<uint32_t>(row.periodAfter) : 0u);
    }
    // Saved while a missed scan is still due: stored as now, so the next start still finds it due.
    clock.nextScanTime = NOW - DAY;
    clock.scanPeriod = 600;
    clock.Save();
    EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_NEXT), static_cast<uint32_t>(NOW));
    fakeNow = NOW + 5;
    clock.Load();
    clock.autoScanEnabled = 1;
    EXPECT_TRUE(clock.DueCheck(false));

    int64_t when = -1;
    int32_t found = -1;
    EXPECT_FALSE(LastAutomaticScan(when, found));
    clock.RecordAutomaticScan(17);
    EXPECT_TRUE(LastAutomaticScan(when, found));
    EXPECT_EQ(when, NOW + 5);
    EXPECT_EQ(found, 17);
}

// A driven clock from a fixed local time: where it stands after each step, and whether the step
// brought the due check (a clock set back must not stall the check until it catches up).
TEST(Clock, DrivenStepsMoveTheLocalTimeAndBringTheTicks) {
    struct Step {
        long seconds;
        bool ticks;
    };
    const struct Row {
        const char* what;
        int y, mo, d, h, mi, s;
        std::vector<Step> steps;
        LocalStamp after;  // year, month, day, weekday, hour, minute
    } rows[] = {
        {"a tick's worth", 2026, 6, 15, 12, 0, 0, {{10, true}}, {2026, 6, 15, 1, 12, 0}},
        {"less than a tick, twice", 2026, 6, 15, 12, 0, 0, {{9, false}, {1, true}}, {2026, 6, 15, 1, 12, 0}},
        {"over midnight", 2026, 6, 15, 23, 59, 55, {{10, true}}, {2026, 6, 16, 2, 0, 0}},
        {"over a month end", 2026, 4, 30, 23, 59, 58, {{CLOCK_TICK_SECONDS, true}}, {2026, 5, 1, 5, 0, 0}},
        {"into a leap day", 2028, 2, 28, 23, 59, 55, {{10, true}}, {2028, 2, 29, 2, 0, 0}},
        {"out of February", 2027, 2, 28, 23, 59, 55, {{10, true}}, {2027, 3, 1, 1, 0, 0}},
        {"over a year end", 2026, 12, 31, 23, 59, 50, {{15, true}}, {2027, 1, 1, 5, 0, 0}},
        {"set back an hour, then on", 2026, 6, 15, 12, 0, 0, {{-3600, true}, {5, false}, {5, true}},
         {2026, 6, 15, 1, 11, 0}},
        {"set back a second", 2026, 6, 15, 12, 0, 30, {{-1, true}, {9, false}}, {2026, 6, 15, 1, 12, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        int64_t base = 0;
        ASSERT_TRUE(LocalTimeToUnix(row.y, row.mo, row.d, row.h, row.mi, row.s, base));
        Clock clock([base] { return base; });
        EXPECT_TRUE(clock.TickDue()) << "not driven: every timer is a tick";
        clock.Drive();
        EXPECT_EQ(clock.TimerMs(), CLOCK_DRIVEN_POLL_MS);
        int64_t moved = 0;
        for (const auto& step : row.steps) {
            clock.Advance(step.seconds);
            moved += step.seconds;
            EXPECT_EQ(clock.Now(), base + moved);
            EXPECT_EQ(clock.TickDue(), step.ticks) << "after " << moved << " s";
        }
        LocalStamp at;
        ASSERT_TRUE(UnixToLocalStamp(clock.Now(), at));
        EXPECT_EQ(StampText(at), StampText(row.after));
        EXPECT_EQ(at.year, row.after.year);
    }
}

TEST(ScheduleMath, ThePagesSentencesAboutTheClock) {
    const LocalStamp tuesday{2026, 12, 9, 2, 14, 5}, morning{2027, 1, 1, 5, 9, 0};
    EXPECT_EQ(NextScanText(true, tuesday), "Next scan: Tuesday 9 December, 14:05");
    EXPECT_EQ(NextScanText(true, morning), "Next scan: Friday 1 January, 09:00");
    EXPECT_EQ(NextScanText(false, tuesday), "Automatic scans are off");
    const struct {
        bool any;
        int32_t found;
        const char* text;
    } lasts[] = {
        {true, 0, "Last scan: Tuesday 9 December, 14:05: no problems"},
        {true, 1, "Last scan: Tuesday 9 December, 14:05: 1 problem"},
        {true, 1234, "Last scan: Tuesday 9 December, 14:05: 1234 problems"},
        {false, 3, "Last scan: none yet"},
    };
    for (const auto& l : lasts) EXPECT_EQ(LastScanText(l.any, tuesday, l.found), l.text);
    EXPECT_EQ(RefusedMinutesText(15), "Use 1 to 44,640; kept 15");
}

// CTest runs this program with TZ for Sydney: summer time in December, UTC+11.
TEST(ClockTime, MomentsInTheLocalZone) {
    LocalStamp at;
    ASSERT_TRUE(UnixToLocalStamp(1796699100, at));  // 2026-12-08 03:05 UTC
    EXPECT_EQ(NextScanText(true, at), "Next scan: Tuesday 8 December, 14:05");
    ASSERT_TRUE(UnixToLocalStamp(1782864000, at));  // 2026-07-01 00:00 UTC, winter there
    EXPECT_EQ(StampText(at), "Wednesday 1 July, 10:00");
    EXPECT_FALSE(UnixToLocalStamp(-20000000000LL, at)) << "before 1601";
}

TEST(UiLanguage, GermanForEveryGermanAndEnglishForTheRest) {
    const struct {
        unsigned short id;
        UiLanguage language;
    } rows[] = {
        {0x0407, UiLanguage::German},  {0x0807, UiLanguage::German},  {0x0c07, UiLanguage::German},
        {0x0409, UiLanguage::English}, {0x0809, UiLanguage::English}, {0x040c, UiLanguage::English},
        {0x0000, UiLanguage::English}, {0x0007, UiLanguage::German},  {0x0417, UiLanguage::English},
    };
    for (const auto& r : rows) EXPECT_TRUE(UiLanguageFor(r.id) == r.language) << std::hex << r.id;
    EXPECT_EQ(ResourceLanguageOf(UiLanguage::German), 0x0407);
    EXPECT_EQ(ResourceLanguageOf(UiLanguage::English), 0x0409);
}

TEST_F(Settings, TimesAfter2106WrapInTheStoredLowBits) {
    clock.nextScanTime = (int64_t(1) << 32) + 1000000000;  // in the year 2138
    clock.scanPeriod = 3600;
    clock.Save();
    clock.Load();
    EXPECT_EQ(clock.nextScanTime, 1000000000);  // 2001: after the threshold, so kept as stored
}

TEST(ScheduleRadioRules, ClicksMoveTheTicksAsOneGroup) {
    const ScheduleRadios weekly = DefaultScheduleRadios();
    EXPECT_TRUE(weekly == (ScheduleRadios{false, true, false, true, false}));
    struct Row {
        ScheduleRadios before;
        const char* click;
        ScheduleRadios after;
    } rows[] = {
        {weekly, BUTTON_START_EVERY, {true, false, false, true, false}},
        {{true, false, false, true, false}, BUTTON_START_AFTER_EVERY, weekly},
        {{true, false, true, true, true}, BUTTON_START_AFTER_EVERY_DAY, {false, true, false, false, true}},
        {weekly, BUTTON_START_AFTER_EVERY_MONTH, {false, true, true, false, false}},
    };
    for (const auto& row : rows) {
        ScheduleRadios r = row.before;
        EXPECT_TRUE(ClickScheduleRadio(r, row.click));
        EXPECT_TRUE(r == row.after) << row.click;
    }
    ScheduleRadios r = weekly;
    EXPECT_FALSE(ClickScheduleRadio(r, BUTTON_AUTOSCAN_ENABLE));
    EXPECT_FALSE(ClickScheduleRadio(r, "button_start_every"));
    EXPECT_TRUE(r == weekly);
}

// CTest runs this where daylight saving is in effect on 2000-01-01 (Sydney) and where it is not
// (New York); Wine takes the zone from TZ.
TEST_F(Settings, NeverSetThresholdOnBothSides) {
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    int64_t threshold = 0;
    if (zone.Bias == -600)
        threshold = 946648861;  // 1999-12-31 14:01:01 UTC: summer time, UTC+11
    else if (zone.Bias == 300)
        threshold = 946706461;  // 2000-01-01 06:01:01 UTC: standard time, UTC-5
    else
        FAIL() << "run through CTest, which sets TZ (bias " << zone.Bias << ")";
    EXPECT_EQ(NeverSetThreshold(), threshold);
    WriteNumberSetting(SETTING_SCAN_PERIOD, 3600);
    WriteNumberSetting(SETTING_SCAN_NEXT, threshold);
    clock.Load();
    EXPECT_EQ(clock.nextScanTime, threshold);
    WriteNumberSetting(SETTING_SCAN_NEXT, threshold - 1);
    clock.Load();
    EXPECT_EQ(clock.nextScanTime, NOW + 3600);
}

TEST(StartupEntry, CommandIsTheProgramsOwnPathQuotedWhenItHasABlank) {
    EXPECT_EQ(StartupCommandFor("C:\\Tools\\Zenthar.exe"), "C:\\Tools\\Zenthar.exe /tray");
    EXPECT_EQ(StartupCommandFor("C:\\Program Files\\Zenthar\\Zenthar.exe"),
              "\"C:\\Program Files\\Zenthar\\Zenthar.exe\" /tray");
    std::string ansi;
    EXPECT_FALSE(ExactAnsi(L"C:\\\x4E2D\\Zenthar.exe", ansi));

    // A copy of this program in a folder with a blank, started from elsewhere, writes its own path.
    SeededKey run(std::string("HKEY_LOCAL_MACHINE\\") + TEST_RUN_KEY);
    ScratchDir dir("Start Up");
    wchar_t name[MAX_PATH * 4];
    GetModuleFileNameW(nullptr, name, MAX_PATH * 4);
    // Started by CTest from a host folder, Wine names this program "unix\..." (there is no z: drive).
    const std::wstring self = (std::wcsncmp(name, L"unix\\", 5) == 0 ? L"\\\\?\\" : L"") + std::wstring(name);
    const std::string copy = dir.file("settings copy.exe");
    ASSERT_TRUE(CopyFileW(self.c_str(), std::wstring(copy.begin(), copy.end()).c_str(), FALSE)) << GetLastError();
    SetEnvironmentVariableA(CHILD_VARIABLE, TEST_RUN_KEY);
    const ProcessResult child = RunProcess("\"" + copy + "\"", "C:\\");
    SetEnvironmentVariableA(CHILD_VARIABLE, nullptr);
    EXPECT_EQ(child.exitCode, 0u);
    EXPECT_EQ(readString(run.path(), STARTUP_VALUE_NAME), "\"" + copy + "\" /tray" + '\0');
}

TEST(StartupEntry, TheRunValueIsNeverCreatedWithoutItsKey) {
    const std::string missing = "HKEY_LOCAL_MACHINE\\Software\\ZentharTest\\NoRun";
    DeleteKeyPath(missing);
    EXPECT_EQ(WriteStartupValue("Software\\ZentharTest\\NoRun", true), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(KeyExists(missing));
    EXPECT_EQ(WriteStartupValue("Software\\ZentharTest\\NoRun", false), ERROR_FILE_NOT_FOUND);
}

TEST(LogonTask, ADefinitionCountsOnlyWhenTheSchedulerKeptAllOfIt) {
    const std::wstring program = L"C:\\Program Files\\R&D <x>\\Zenthar.exe";
    const std::wstring own = LogonTaskXml(program, L"/tray", L"C:\\Program Files\\R&D <x>");
    EXPECT_NE(own.find(L"<Command>C:\\Program Files\\R&amp;D &lt;x&gt;\\Zenthar.exe</Command>"), std::wstring::npos);
    auto without = [&](const std::wstring& part) {
        std::wstring text = own;
        const size_t at = text.find(part);
        return at == std::wstring::npos ? std::wstring(L"<part not found>") : text.erase(at, part.size());
    };
    // What a scheduler that stores only the settings gives back (the one of Wine 8 does).
    const std::wstring settingsOnly =
        L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
        L"  <RegistrationInfo>\n  </RegistrationInfo>\n  <Triggers/>\n  <Principals>\n    <Principal>\n"
        L"    </Principal>\n  </Principals>\n  <Settings>\n    <Enabled>true</Enabled>\n  </Settings>\n"
        L"  <Actions>\n    <Exec/>\n  </Actions>\n</Task>\n";
    const struct {
        const char* what;
        std::wstring stored;
        bool complete;
    } cases[] = {
        {"all of it", own, true},
        {"only the settings", settingsOnly, false},
        {"no logon trigger", without(L"<LogonTrigger>"), false},
        {"no run level", without(L"<RunLevel>HighestAvailable</RunLevel>"), false},
        {"no arguments", without(L"<Arguments>/tray</Arguments>"), false},
        {"another program", LogonTaskXml(L"C:\\Other\\Zenthar.exe", L"/tray", L""), false},
    };
    for (const auto& c : cases) EXPECT_EQ(LogonTaskXmlIsComplete(c.stored, program, L"/tray"), c.complete) << c.what;
}

// Switched on and off against schedulers that keep the task whole, keep only part of it or are
// missing; the places are a Run key and a task of the test's own, with an old value in the Run key.
TEST(StartupEntry, OnAndOffThroughTheLogonTaskOrTheRunValue) {
    const StartupPlaces real{TEST_RUN_KEY, L"Zenthar test logon", RegisterLogonTask};
    // Registers for real, then answers as a scheduler would that keeps what `keep` leaves of it.
    auto scheduler = [](std::function<std::wstring(const std::wstring&)> keep) {
        return [keep](const std::wstring& name, const std::wstring& xml, std::wstring& stored) {
            std::wstring ignored;
            const HRESULT hr = RegisterLogonTask(name, xml, ignored);
            stored = keep(xml);
            return hr;
        };
    };
    const auto whole = scheduler([](const std::wstring& xml) { return xml; });
    const auto partial = scheduler([](const std::wstring& xml) {
        return xml.substr(0, xml.find(L"<Triggers>")) + xml.substr(xml.find(L"</Triggers>") + 11);
    });
    const auto missing = [](const std::wstring&, const std::wstring&, std::wstring&) { return REGDB_E_CLASSNOTREG; };
    const struct {
        const char* what;
        StartupPlaces places;
        StartupKind expected;  // None: whatever this platform's scheduler does
    } cases[] = {
        {"the platform's scheduler", real, StartupKind::None},
        {"a scheduler that keeps the whole task", {TEST_RUN_KEY, real.taskName, whole}, StartupKind::LogonTask},
        {"a scheduler that drops the trigger", {TEST_RUN_KEY, real.taskName, partial}, StartupKind::RunValue},
        {"no Task Scheduler 2.0", {TEST_RUN_KEY, real.taskName, missing}, StartupKind::RunValue},
    };
    std::string path;
    ASSERT_TRUE(RunningProgramPath(path));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SeededKey run(std::string("HKEY_LOCAL_MACHINE\\") + TEST_RUN_KEY);
        run.setString(STARTUP_VALUE_NAME, "C:\\Old\\Zenthar.exe");
        DeleteLogonTask(real.taskName);
        StartupKind kind = StartupKind::None;
        ASSERT_EQ(WriteStartupEntryAt(c.places, true, &kind), ERROR_SUCCESS);
        if (c.expected != StartupKind::None) {
            EXPECT_EQ(kind, c.expected);
        }
        ASSERT_NE(kind, StartupKind::None);
        EXPECT_TRUE(StartupEntryPresentAt(c.places));
        if (kind == StartupKind::LogonTask) {
            EXPECT_EQ(FindLogonTask(real.taskName), S_OK);
            EXPECT_EQ(readString(run.path(), STARTUP_VALUE_NAME), "<missing>") << "the old value is removed";
        } else {
            EXPECT_EQ(FindLogonTask(real.taskName), S_FALSE) << "no task that starts nothing is left behind";
            EXPECT_EQ(readString(run.path(), STARTUP_VALUE_NAME), StartupCommandFor(path) + '\0');
        }
        ASSERT_EQ(WriteStartupEntryAt(c.places, false, &kind), ERROR_SUCCESS);
        EXPECT_EQ(kind, StartupKind::None);
        EXPECT_EQ(FindLogonTask(real.taskName), S_FALSE);
        EXPECT_EQ(readString(run.path(), STARTUP_VALUE_NAME), "<missing>");
        EXPECT_FALSE(StartupEntryPresentAt(c.places));
    }
    // A task left by an earlier switch-on counts as on, and switching off removes it.
    std::wstring stored;
    ASSERT_EQ(RegisterLogonTask(real.taskName, LogonTaskXml(L"C:\\x.exe", L"/tray", L""), stored), S_OK);
    EXPECT_TRUE(StartupEntryPresentAt(real));
    EXPECT_EQ(WriteStartupEntryAt(real, false), ERROR_SUCCESS);
    EXPECT_EQ(FindLogonTask(real.taskName), S_FALSE);
}

// A standard user may read the settings but not change them: every setting still loads.
TEST_F(Settings, SettingsReadableButNotWritableStillLoad) {
    key.setString(SETTING_AUTOSCAN, "1");
    key.setString(SETTING_SCAN_MINUTES, "15");
    key.setDword(SETTING_SCAN_PERIOD, 900);
    SeededKey run(std::string("HKEY_LOCAL_MACHINE\\") + TEST_RUN_KEY);
    run.setString(STARTUP_VALUE_NAME, "C:\\Zenthar\\Zenthar.exe /tray");
    const StartupPlaces places{TEST_RUN_KEY, L"Zenthar test logon", RegisterLogonTask};
    for (DWORD rights : {DWORD(KEY_READ), DWORD(KEY_QUERY_VALUE)}) {
        SCOPED_TRACE(rights);
        KeyAccessLimit settings(KEY, rights), runKey(run.path(), rights);
        ASSERT_TRUE(settings.applied() && runKey.applied());
        EXPECT_TRUE(LoadFlagSetting(SETTINGS_KEY_PATH, SETTING_AUTOSCAN).on);
        EXPECT_TRUE(ScanAtStartSetting());
        EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, SETTING_SCAN_MINUTES).text, "15");
        EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_PERIOD), 900u);
        EXPECT_TRUE(StartupEntryPresentAt(places));
        // Writes are refused and change nothing.
        WriteFlagSetting(SETTING_AUTOSCAN, false);
        WriteNumberSetting(SETTING_SCAN_PERIOD, 60);
        EXPECT_TRUE(LoadFlagSetting(SETTINGS_KEY_PATH, SETTING_AUTOSCAN).on);
        EXPECT_EQ(ReadNumberSetting(SETTING_SCAN_PERIOD), 900u);
    }
}
