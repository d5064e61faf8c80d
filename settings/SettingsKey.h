// Where the options live: the settings key, the Run key and the names of their values.
#pragma once

// Under HKEY_LOCAL_MACHINE.
constexpr const char SETTINGS_KEY_PATH[] = "Software\\Zenthar";
constexpr const char RUN_KEY_PATH[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char STARTUP_VALUE_NAME[] = "Zenthar";

// Flags (present = on).
constexpr const char SETTING_ENABLE_SCAN[] = "enablescan";
constexpr const char SETTING_AUTOSCAN[] = "autoscan";
constexpr const char SETTING_SAVE_REG[] = "savereg";
constexpr const char SETTING_SCAN_EVERY[] = "scanevery";
constexpr const char SETTING_SCAN_AFTER_EVERY[] = "scanafterevery";
constexpr const char SETTING_SCAN_MONTH[] = "scanmonth";
constexpr const char SETTING_SCAN_WEEK[] = "scanweek";
constexpr const char SETTING_SCAN_DAY[] = "scanday";
// Texts (an edit box's contents).
constexpr const char SETTING_SAVE_COUNT[] = "savecountreg";
constexpr const char SETTING_SCAN_MINUTES[] = "scanminutes";
// How deep a repair goes: "safe", "normal" or "deep"; anything else reads as "normal".
constexpr const char SETTING_REPAIR_DEPTH[] = "repairdepth";
// Numbers (REG_DWORD, the low 32 bits).
constexpr const char SETTING_SCAN_NEXT[] = "scannext";
constexpr const char SETTING_SCAN_PERIOD[] = "scanperiod";
// When the last automatic scan ended (seconds since 1970-01-01 UTC) and the problems it found.
constexpr const char SETTING_LAST_SCAN[] = "lastscan";
constexpr const char SETTING_LAST_FOUND[] = "lastfound";

// What a text setting loads as when the key exists but the value is missing or unusable.
constexpr const char TEXT_SETTING_DEFAULT[] = "4";
