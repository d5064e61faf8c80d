// The settings accessors over a sub-screen's controls.
#include "app/screens/SettingsControls.h"

#include "settings/SettingsStore.h"

void SaveEditSetting(const CSkinStore& controls, const char* valueName, const char* editName) {
    // An edit box of this window keeps its text in the code page, as it shows it.
    WriteTextSetting(valueName, controls.GetEditText(editName));
}

void SaveButtonSetting(const CSkinStore& controls, const char* valueName, const char* buttonName) {
    WriteFlagSetting(valueName, controls.GetButtonCheck(buttonName) != 0);
}

int LoadButtonSetting(CSkinStore& controls, const char* keyPath, const char* valueName, const char* buttonName) {
    if (LoadFlagSetting(keyPath, valueName).on) controls.SetButtonCheck(buttonName, 1);
    return controls.GetButtonCheck(buttonName);
}

void LoadEditSetting(CSkinStore& controls, const char* keyPath, const char* valueName, const char* editName) {
    const TextLoad load = LoadTextSetting(keyPath, valueName);
    if (load.keyOpened) controls.SetEditText(editName, load.text);
}
