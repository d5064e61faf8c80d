// The settings store's accessors over the real registry.
#include "settings/SettingsStore.h"

#include "registry/RegKey.h"
#include "settings/SettingsKey.h"
#include "settings/StringValue.h"

namespace {
// Writers open the key and create it when it does not exist yet.
bool openOrCreate(RegKey& key) {
    if (OpenSettingsKey(SETTINGS_KEY_PATH, key.put(), KEY_QUERY_VALUE | KEY_SET_VALUE) == ERROR_SUCCESS) return true;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, SETTINGS_KEY_PATH, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, key.put(),
                           nullptr) == ERROR_SUCCESS;
}

void setString(HKEY key, const char* name, const std::string& text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}
}  // namespace

LONG OpenSettingsKey(const char* keyPath, HKEY* key, REGSAM access) {
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, access, key);
}

void WriteNumberSetting(const char* name, int64_t number) {
    RegKey key;
    if (!openOrCreate(key)) return;
    const DWORD low = static_cast<DWORD>(static_cast<uint64_t>(number) & 0xFFFFFFFFu);
    RegSetValueExA(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&low), sizeof low);
}

uint32_t ReadNumberSetting(const char* name) {
    RegKey key;
    if (OpenSettingsKey(SETTINGS_KEY_PATH, key.put()) != ERROR_SUCCESS) return 0;
    DWORD type = REG_NONE, value = 0, size = sizeof value;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return 0;
    return type == REG_DWORD && size == sizeof value ? value : 0;
}

void WriteTextSetting(const char* name, const std::string& text) {
    if (text.empty()) return;
    RegKey key;
    if (openOrCreate(key)) setString(key.get(), name, text);
}

void WriteFlagSetting(const char* name, bool ticked) {
    RegKey key;
    if (!openOrCreate(key)) return;
    if (ticked)
        setString(key.get(), name, "1");
    else
        RegDeleteValueA(key.get(), name);
}

FlagLoad LoadFlagSetting(const char* keyPath, const char* name) {
    FlagLoad result;
    RegKey key;
    if (OpenSettingsKey(keyPath, key.put()) != ERROR_SUCCESS) return result;
    result.keyOpened = true;
    std::string text;
    result.on = ReadStringValue(key.get(), name, text) == ERROR_SUCCESS;
    return result;
}

TextLoad LoadTextSetting(const char* keyPath, const char* name) {
    TextLoad result;
    RegKey key;
    if (OpenSettingsKey(keyPath, key.put()) != ERROR_SUCCESS) return result;
    result.keyOpened = true;
    std::string text;
    // Text the code page cannot carry would reach the edit box altered; it counts as invalid.
    if (ReadStringValue(key.get(), name, text) == ERROR_SUCCESS && StoredTextMatches(key.get(), name, text))
        result.text = text;
    else
        result.text = TEXT_SETTING_DEFAULT;
    return result;
}

bool ScanAtStartSetting() { return LoadFlagSetting(SETTINGS_KEY_PATH, SETTING_AUTOSCAN).on; }
