// Paths of the backup files: joining folder and name; the local times their names and the log give.
#include "backup/BackupPaths.h"

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}

bool LocalTimeNumber(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second,
                     ULONGLONG& out) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    t.wSecond = static_cast<WORD>(second);
    FILETIME ft;
    if (!SystemTimeToFileTime(&t, &ft)) return false;
    out = static_cast<ULONGLONG>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
    return true;
}
