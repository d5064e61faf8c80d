// The start-with-Windows entry, written with the running program's own path.
#include "settings/StartupEntry.h"

#include <vector>

#include "registry/RegKey.h"
#include "settings/LogonTask.h"
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

StartupKind presentKind(const StartupPlaces& places) {
    if (FindLogonTask(places.taskName) == S_OK) return StartupKind::LogonTask;
    return LoadFlagSetting(places.runKeyPath, STARTUP_VALUE_NAME).on ? StartupKind::RunValue : StartupKind::None;
}

LONG codeOf(HRESULT hr) {
    if (SUCCEEDED(hr)) return ERROR_SUCCESS;
    return HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<LONG>(hr);
}

// Registers the logon task for this program; true when the scheduler kept all of it. A task it
// kept only in part would start nothing at logon, so it is removed again.
bool registerWholeTask(const StartupPlaces& places) {
    const std::wstring program = moduleFileName();
    if (program.empty()) return false;
    const std::wstring folder = program.substr(0, program.find_last_of(L'\\'));
    const std::wstring arguments(STARTUP_ARGUMENT, STARTUP_ARGUMENT + sizeof STARTUP_ARGUMENT - 1);
    std::wstring stored;
    const HRESULT hr = places.registerTask(places.taskName, LogonTaskXml(program, arguments, folder), stored);
    if (FAILED(hr)) return false;
    if (LogonTaskXmlIsComplete(stored, program, arguments)) return true;
    DeleteLogonTask(places.taskName);
    return false;
}
}  // namespace

std::string StartupCommandFor(const std::string& path) {
    const std::string program = path.find_first_of(" \t") == std::string::npos ? path : "\"" + path + "\"";
    return program + " " + STARTUP_ARGUMENT;
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
    LONG rc = OpenSettingsKey(runKeyPath, key.put(), KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (rc != ERROR_SUCCESS) return rc;
    if (!on) {
        rc = RegDeleteValueA(key.get(), STARTUP_VALUE_NAME);
        return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
    }
    std::string path;
    // A path that would be written altered would name no file: better no entry than a broken one.
    if (!RunningProgramPath(path)) return ERROR_NO_UNICODE_TRANSLATION;
    const std::string command = StartupCommandFor(path);
    return RegSetValueExA(key.get(), STARTUP_VALUE_NAME, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                          static_cast<DWORD>(command.size() + 1));
}

StartupPlaces DefaultStartupPlaces() { return {RUN_KEY_PATH, LOGON_TASK_NAME, RegisterLogonTask}; }

LONG WriteStartupEntryAt(const StartupPlaces& places, bool on, StartupKind* kind) {
    StartupKind now = StartupKind::None;
    LONG rc = ERROR_SUCCESS;
    if (on && registerWholeTask(places)) {
        now = StartupKind::LogonTask;
        // The value an older version wrote would start the program a second time, without rights.
        rc = WriteStartupValue(places.runKeyPath, false);
        if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;  // no Run key at all: nothing left behind
    } else if (on) {
        rc = WriteStartupValue(places.runKeyPath, true);
        if (rc == ERROR_SUCCESS) now = StartupKind::RunValue;
    } else {
        const HRESULT hr = DeleteLogonTask(places.taskName);
        rc = WriteStartupValue(places.runKeyPath, false);
        if (rc == ERROR_FILE_NOT_FOUND) rc = ERROR_SUCCESS;
        // A system without the Task Scheduler 2.0 has no task to remove.
        if (rc == ERROR_SUCCESS && FAILED(hr) && hr != REGDB_E_CLASSNOTREG) rc = codeOf(hr);
        if (rc != ERROR_SUCCESS) now = presentKind(places);
    }
    if (kind) *kind = now;
    return rc;
}

LONG WriteStartupEntry(bool on) { return WriteStartupEntryAt(DefaultStartupPlaces(), on); }

bool StartupEntryPresentAt(const StartupPlaces& places) { return presentKind(places) != StartupKind::None; }

bool StartupEntryPresent() { return StartupEntryPresentAt(DefaultStartupPlaces()); }
