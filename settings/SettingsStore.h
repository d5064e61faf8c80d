// The settings store: options kept as values under HKEY_LOCAL_MACHINE "Software\Zenthar".
//
// Three encodings: Flag (REG_SZ "1" when on, value deleted when off; any valid string reads as
// on, whatever its text), Text (REG_SZ, never written empty; "4" when the key exists but the
// value is missing or invalid) and Number (REG_DWORD, the low 32 bits; 0 when it cannot be read).
// Every call opens and closes the key itself and keeps no handle. Writes report no error: without
// rights on HKEY_LOCAL_MACHINE they are skipped and the program works on from memory.
//
// The window side is a thin layer over these calls: it takes a control's tick or text by name and
// hands it over, or puts the result of a load into the control.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Opens HKEY_LOCAL_MACHINE\`keyPath`. Reads ask only to query values: a standard user may read the
// key but not change it, and asking for more would lose every setting; writes add KEY_SET_VALUE.
LONG OpenSettingsKey(const char* keyPath, HKEY* key, REGSAM access = KEY_QUERY_VALUE);

// Sets `name` to the low 32 bits of `number` as REG_DWORD; opens or creates the settings key.
void WriteNumberSetting(const char* name, int64_t number);
// The REG_DWORD `name`; 0 when the key or value is missing or the value has another type or size.
// Callers widen it with a zero high part.
uint32_t ReadNumberSetting(const char* name);

// Sets `name` to `text` as REG_SZ; an empty text writes nothing and keeps the old value.
void WriteTextSetting(const char* name, const std::string& text);
// Sets `name` to "1" when `ticked`, deletes it otherwise; opens or creates the settings key.
void WriteFlagSetting(const char* name, bool ticked);

struct FlagLoad {
    bool keyOpened = false;
    bool on = false;  // the value is present as a valid string
};
// Loads a flag from HKEY_LOCAL_MACHINE\`keyPath`. A button is ticked when `on`; a missing or
// invalid value never unticks it.
FlagLoad LoadFlagSetting(const char* keyPath, const char* name);

struct TextLoad {
    bool keyOpened = false;  // when false the edit box keeps the text the skin gave it
    std::string text;        // the value's text, or "4"
};
// Loads a text from HKEY_LOCAL_MACHINE\`keyPath`. A value that is missing, invalid or holds
// characters the code page cannot carry gives "4".
TextLoad LoadTextSetting(const char* keyPath, const char* name);

// The option "scan when the program starts" (the flag `autoscan`), read at start-up.
bool ScanAtStartSetting();
