// The start-with-Windows entry, written with the running program's own path.
#include "settings/StartupEntry.h"

#include <vector>

#include "registry/RegKey.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"
#include "settings/StringValue.h"

namespace {
// GetModuleFileNameW into a buffer that grows until the whole path fits.
std::wstring moduleFileName() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size()) return std::wstring(buf.data(), n);
        if (buf.size() >= 32768) return std::wstring();
        buf.resize(buf.size() * 2);
    }
}

std::wstring shortPathName(const std::wstring& path) {
    DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return std::wstring();
    std::vector<wchar_t> buf(n + 1);
    n = GetShortPathNameW(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    return n > 0 && n < buf.size() ? std::wstring(buf.data(), n) : std::wstring();
}
}  // namespace

std::string StartupCommandFor(const std::string& path) {
    if (path.find_first_of(" \t") == std::string::npos) return path;
    return "\"" + path + "\"";
}

bool RunningProgramPath(std::string& path) {
    const std::wstring wide = moduleFileName();
    if (wide.empty()) return false;
    if (ExactAnsi(wide, path)) return true;
    const std::wstring shortName = shortPathName(wide);
    return !shortName.empty() && ExactAnsi(shortName, path);
}

LONG WriteStartupValue(const char* runKeyPath, bool on) {
    RegKey key;
    LONG rc = OpenSettingsKey(runKeyPath, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    if (!on) return RegDeleteValueA(key.get(), STARTUP_VALUE_NAME);
    std::string path;
    // A path that would be written altered would name no file: better no entry than a broken one.
    if (!RunningProgramPath(path)) return ERROR_NO_UNICODE_TRANSLATION;
    const std::string command = StartupCommandFor(path);
    return RegSetValueExA(key.get(), STARTUP_VALUE_NAME, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                          static_cast<DWORD>(command.size() + 1));
}

LONG WriteStartupEntry(bool on) { return WriteStartupValue(RUN_KEY_PATH, on); }

bool StartupEntryPresent() { return LoadFlagSetting(RUN_KEY_PATH, STARTUP_VALUE_NAME).on; }
