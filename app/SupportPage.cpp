// The support address from the settings, and the shell's "open".
#include "app/SupportPage.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/LibraryFunction.h"
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
    if (OpenSettingsKey(SETTINGS_KEY_PATH, &key) != ERROR_SUCCESS) return std::string();
    std::string result;
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

long long OpenWithShell(void* owner, const char* file, const char* parameters, int show) {
    static const auto execute = LibraryFunction<decltype(&ShellExecuteA)>("shell32.dll", "ShellExecuteA");
    if (!execute) return SE_ERR_DLLNOTFOUND;
    return static_cast<long long>(reinterpret_cast<INT_PTR>(
        execute(static_cast<HWND>(owner), "open", file, parameters, nullptr, show)));
}
