// The support page's address from the settings.
#include "app/SupportPage.h"

#include <windows.h>

#include <vector>

#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"

bool IsSupportAddress(const std::string& text) {
    const bool scheme = text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0;
    if (!scheme || text.size() > 2048) return false;
    for (unsigned char c : text)
        if (c <= ' ' || c == '"' || c >= 0x7f) return false;  // one plain address, nothing for a shell to split
    return true;
}

std::string SupportPageAddress() {
    HKEY key = nullptr;
    if (OpenSettingsKey(SETTINGS_KEY_PATH, &key) != ERROR_SUCCESS) return DEFAULT_SUPPORT_URL;
    std::string result = DEFAULT_SUPPORT_URL;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, SETTING_SUPPORT_URL, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ && size > 1 && size <= 4096) {
        std::vector<char> buffer(size + 1, '\0');
        DWORD got = size;
        if (RegQueryValueExA(key, SETTING_SUPPORT_URL, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) ==
            ERROR_SUCCESS) {
            const std::string text(buffer.data());
            if (IsSupportAddress(text)) result = text;
        }
    }
    RegCloseKey(key);
    return result;
}
