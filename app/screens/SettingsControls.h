// The settings accessors that work on a sub-screen's controls: they take a control's text or tick
// by its skin name and hand it to the settings store, or put what the store loads into the control.
#pragma once
#include "skin/SkinStore.h"

// Writes the text of the edit box `editName` as the text setting `valueName`. Text labels are not
// searched; an edit box that is missing or empty writes nothing, so the old value stays.
void SaveEditSetting(const CSkinStore& controls, const char* valueName, const char* editName);

// Writes the flag `valueName` from the tick of button `buttonName`: "1" when ticked, deleted when
// not (also when the button is missing).
void SaveButtonSetting(const CSkinStore& controls, const char* valueName, const char* buttonName);

// Loads the flag `valueName` under HKEY_LOCAL_MACHINE\`keyPath` into button `buttonName`: a valid
// value ticks it; a missing or invalid one, or a key that cannot be opened, leaves it as it is.
// Returns the button's tick afterwards (0 when there is no such button).
int LoadButtonSetting(CSkinStore& controls, const char* keyPath, const char* valueName, const char* buttonName);

// Loads the text `valueName` under HKEY_LOCAL_MACHINE\`keyPath` into edit box `editName` ("4" when
// the value is missing or invalid). When the key cannot be opened the edit box keeps the skin's
// text. Text labels are not searched.
void LoadEditSetting(CSkinStore& controls, const char* keyPath, const char* valueName, const char* editName);
