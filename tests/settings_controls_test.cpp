// The settings accessors over a sub-screen's controls: the built-in skin's schedule and advanced
// screens in real windows, the real registry read back, clicks and typing through xdotool.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/screens/SettingsControls.h"
#include "framework/Framework.h"
#include "registry/RegKey.h"
#include "settings/SettingsKey.h"
#include "skin/SkinButtonOwner.h"
#include "skin/SkinReader.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {
const std::string KEY = std::string("HKEY_LOCAL_MACHINE\\") + SETTINGS_KEY_PATH;
const std::string SKIN = "C:\\settings-controls\\skin.ini";
const char NO_SUCH_KEY[] = "Software\\ZentharNoSuchKey";

// The value as stored: "<missing>", or its type and bytes.
struct Stored {
    DWORD type = REG_NONE;
    std::string bytes;
    bool present = false;
};
Stored stored(const char* name) {
    Stored s;
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return s;
    char buf[512];
    DWORD size = sizeof buf;
    s.present = RegQueryValueExA(key.get(), name, nullptr, &s.type, reinterpret_cast<BYTE*>(buf), &size) == ERROR_SUCCESS;
    if (s.present) s.bytes.assign(buf, size);
    return s;
}

// A sub-screen as the window program builds it from the built-in skin: buttons, labels and, except on
// the advanced screen, edit boxes. A click toggles the button and writes its flag, as the sub-screen's
// click handler does for the option boxes.
class SubScreen : public Window, public SkinButtonOwner {
public:
    CSkinStore store;
    bool Build(const std::string& name, int x) {
        if (!Create("ZentharSettingsScreen", WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, "", RECT{x, 40, x + 349, 40 + 219},
                    nullptr))
            return false;
        store.LoadButtons(hwnd(), SKIN, name + "_BUTTONINFO");
        store.LoadLabels(hwnd(), SKIN, name + "_TEXTINFO");
        if (name != "SUBMAIN_ADVANCED") store.LoadEdits(hwnd(), SKIN, name + "_EDITBOXINFO");
        UpdateWindow(hwnd());
        PumpFor(100);
        return true;
    }
    void ButtonClicked(int index) override {
        const std::string name = store.ButtonName(index);
        store.SetButtonCheck(name, !store.GetButtonCheck(name));
        if (name == "BUTTON_AUTOSCAN") SaveButtonSetting(store, SETTING_AUTOSCAN, "BUTTON_AUTOSCAN");
    }
};

class SettingsControls : public ::testing::Test {
protected:
    // The two screens are built once: making and destroying windows is slow under Wine.
    static void SetUpTestSuite() {
        ASSERT_TRUE(LoadSkinDescription(SKIN));
        ASSERT_TRUE(schedule.Build("SUBMAIN_SCHEDULE", 20));
        ASSERT_TRUE(advanced.Build("SUBMAIN_ADVANCED", 400));
    }
    static void TearDownTestSuite() {
        schedule.Destroy();
        advanced.Destroy();
    }
    CSkinStore& sched() { return schedule.store; }
    SeededKey key{KEY};
    static SubScreen schedule, advanced;
};
SubScreen SettingsControls::schedule, SettingsControls::advanced;

struct LoadRow {
    const char* what;
    DWORD type;  // REG_NONE: no value at all
    std::string bytes;
    bool tickedBefore;
    int tickAfter;
    const char* textAfter;
};
}  // namespace

TEST_F(SettingsControls, LoadsFollowTheEncodings) {
    const LoadRow rows[] = {
        {"text", REG_SZ, std::string("12\0", 3), false, 1, "12"},
        {"\"0\" still ticks", REG_SZ, std::string("0\0", 2), false, 1, "0"},
        {"expand string", REG_EXPAND_SZ, std::string("30\0", 3), false, 1, "30"},
        {"multi string, two NULs", REG_MULTI_SZ, std::string("45\0\0", 4), false, 1, "45"},
        {"binary is invalid", REG_BINARY, std::string("1\0", 2), false, 0, "4"},
        {"dword is invalid", REG_DWORD, std::string("\1\0\0\0", 4), false, 0, "4"},
        {"missing", REG_NONE, "", false, 0, "4"},
        {"missing never unticks", REG_NONE, "", true, 1, "4"},
        {"invalid never unticks", REG_BINARY, std::string("1\0", 2), true, 1, "4"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        RegDeleteValueA(key.handle(), "v");
        if (row.type != REG_NONE) key.setRaw("v", row.type, row.bytes.data(), static_cast<DWORD>(row.bytes.size()));
        sched().SetButtonCheck("BUTTON_START_AFTER_EVERY_WEEK", row.tickedBefore);
        sched().SetEditText("EDIT_SCAN_PERIOD", "17");
        EXPECT_EQ(LoadButtonSetting(sched(), SETTINGS_KEY_PATH, "v", "BUTTON_START_AFTER_EVERY_WEEK"), row.tickAfter);
        EXPECT_EQ(sched().GetButtonCheck("BUTTON_START_AFTER_EVERY_WEEK"), row.tickAfter);
        LoadEditSetting(sched(), SETTINGS_KEY_PATH, "v", "EDIT_SCAN_PERIOD");
        EXPECT_EQ(sched().GetEditText("EDIT_SCAN_PERIOD"), row.textAfter);
    }
}

TEST_F(SettingsControls, KeyThatCannotBeOpenedLeavesTheControlsAsTheSkinMadeThem) {
    // The whole settings key deleted, or a key path that does not exist: the edit box keeps the
    // text it had (the skin's, on a fresh screen) and no tick changes either way.
    DeleteKeyPath(KEY);
    const struct {
        const char* keyPath;
        const char* value;
        const char* button;
        int tick;
    } rows[] = {
        {SETTINGS_KEY_PATH, SETTING_ENABLE_SCAN, "BUTTON_AUTOSCAN_ENABLE", 0},
        {SETTINGS_KEY_PATH, SETTING_SCAN_EVERY, "BUTTON_START_EVERY", 1},
        {NO_SUCH_KEY, SETTING_SCAN_DAY, "BUTTON_START_AFTER_EVERY_DAY", 0},
        {NO_SUCH_KEY, SETTING_SCAN_WEEK, "BUTTON_START_AFTER_EVERY_WEEK", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        sched().SetEditText("EDIT_SCAN_PERIOD", "17");
        sched().SetButtonCheck(row.button, row.tick);
        LoadEditSetting(sched(), row.keyPath, SETTING_SCAN_MINUTES, "EDIT_SCAN_PERIOD");
        EXPECT_EQ(sched().GetEditText("EDIT_SCAN_PERIOD"), "17");
        EXPECT_EQ(LoadButtonSetting(sched(), row.keyPath, row.value, row.button), row.tick);
    }
    EXPECT_FALSE(KeyExists(KEY)) << "loads never create the key";
}

TEST_F(SettingsControls, TextLoadsOnlyIntoEditBoxes) {
    key.setString(SETTING_SAVE_COUNT, "9");
    advanced.store.SetLabelText("EDIT_BAKUP_COUNT", "label");
    LoadEditSetting(advanced.store, SETTINGS_KEY_PATH, SETTING_SAVE_COUNT, "EDIT_BAKUP_COUNT");
    EXPECT_EQ(advanced.store.FindLabel("EDIT_BAKUP_COUNT")->Text(), "label");
    EXPECT_EQ(advanced.store.GetEditText("EDIT_BAKUP_COUNT"), "");
}

TEST_F(SettingsControls, TextWritesFromTheNamedEditBox) {
    const struct {
        const char* what;
        CSkinStore* store;
        const char* edit;
        const char* text;  // set into the edit box (and into a label of that name on the advanced screen)
        const char* expected;  // the value afterwards; the old value is "9"
    } rows[] = {
        {"written with its NUL", &sched(), "EDIT_SCAN_PERIOD", "25", "25"},
        {"empty edit keeps the old value", &sched(), "EDIT_SCAN_PERIOD", "", "9"},
        {"labels are not searched", &advanced.store, "EDIT_BAKUP_COUNT", "7", "9"},
        {"unknown name writes nothing", &sched(), "EDIT_NONE", "7", "9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        key.setString("t", "9");
        row.store->SetEditText(row.edit, row.text);
        row.store->SetLabelText(row.edit, row.text);
        SaveEditSetting(*row.store, "t", row.edit);
        const Stored s = stored("t");
        EXPECT_EQ(s.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(s.bytes, std::string(row.expected) + '\0');
    }
    // Without the key the write creates it.
    DeleteKeyPath(KEY);
    sched().SetEditText("EDIT_SCAN_PERIOD", "40");
    SaveEditSetting(sched(), SETTING_SCAN_MINUTES, "EDIT_SCAN_PERIOD");
    EXPECT_EQ(stored(SETTING_SCAN_MINUTES).bytes, std::string("40\0", 3));
}

TEST_F(SettingsControls, FlagWritesFromTheNamedButton) {
    const struct {
        const char* what;
        const char* button;
        int tick;
        bool present;
    } rows[] = {
        {"ticked", "BUTTON_START_AFTER_EVERY_MONTH", 1, true},
        {"unticked deletes", "BUTTON_START_AFTER_EVERY_MONTH", 0, false},
        {"ticked again", "BUTTON_START_EVERY", 1, true},
        {"unknown button reads unticked", "BUTTON_NONE", 1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        sched().SetButtonCheck(row.button, row.tick);
        SaveButtonSetting(sched(), SETTING_SCAN_MONTH, row.button);
        const Stored s = stored(SETTING_SCAN_MONTH);
        EXPECT_EQ(s.present, row.present);
        if (row.present) {
            EXPECT_EQ(s.type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(s.bytes, std::string("1\0", 2));
        }
    }
}

TEST_F(SettingsControls, StartupEntryTicksTheAdvancedScreensBox) {
    EnsuredKey run(std::string("HKEY_LOCAL_MACHINE\\") + RUN_KEY_PATH);
    EXPECT_EQ(LoadButtonSetting(advanced.store, RUN_KEY_PATH, STARTUP_VALUE_NAME, "BUTTON_STARTUP"), 0);
    SeededValue entry(std::string("HKEY_LOCAL_MACHINE\\") + RUN_KEY_PATH, STARTUP_VALUE_NAME, "C:\\Zenthar.exe");
    EXPECT_EQ(LoadButtonSetting(advanced.store, RUN_KEY_PATH, STARTUP_VALUE_NAME, "BUTTON_STARTUP"), 1);
}

TEST_F(SettingsControls, ClicksAndTypingReachTheRegistry) {
    HWND box = advanced.store.FindButton("BUTTON_AUTOSCAN")->hwnd();
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(box, 5, 5) + " click 1"));
    EXPECT_EQ(stored(SETTING_AUTOSCAN).bytes, std::string("1\0", 2)) << "first click ticks";
    ASSERT_TRUE(Xdo("click 1"));
    EXPECT_FALSE(stored(SETTING_AUTOSCAN).present) << "second click unticks";

    CSkinEdit* edit = sched().FindEdit("EDIT_SCAN_PERIOD");
    edit->SetText("");
    SetForegroundWindow(schedule.hwnd());
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(edit->hwnd(), 5, 5) + " click 1 type 35"));
    EXPECT_EQ(sched().GetEditText("EDIT_SCAN_PERIOD"), "35");
    SaveEditSetting(sched(), SETTING_SCAN_MINUTES, "EDIT_SCAN_PERIOD");
    EXPECT_EQ(stored(SETTING_SCAN_MINUTES).bytes, std::string("35\0", 3));
}
