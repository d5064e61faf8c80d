// The stored repair depth and its choice on the scan areas page.
#include "app/screens/RepairDepthSetting.h"

#include <string>

#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"
#include "skin/SkinStore.h"

RepairDepth LoadRepairDepth() { return DepthOrDefault(LoadTextSetting(SETTINGS_KEY_PATH, SETTING_REPAIR_DEPTH).text); }

void SaveRepairDepth(RepairDepth depth) { WriteTextSetting(SETTING_REPAIR_DEPTH, DepthKey(depth)); }

void ShowRepairDepth(CSkinStore& store, RepairDepth depth) {
    if (!store.FindButton(DEPTH_BUTTONS[0])) return;
    for (int d = DEPTH_SAFE; d <= DEPTH_DEEP; ++d) store.SetButtonCheck(DEPTH_BUTTONS[d], d == depth ? 1 : 0);
}

bool PressRepairDepth(CSkinStore& store, const std::string& pressed) {
    for (int d = DEPTH_SAFE; d <= DEPTH_DEEP; ++d) {
        if (pressed != DEPTH_BUTTONS[d]) continue;
        SaveRepairDepth(static_cast<RepairDepth>(d));
        ShowRepairDepth(store, static_cast<RepairDepth>(d));
        return true;
    }
    return false;
}
