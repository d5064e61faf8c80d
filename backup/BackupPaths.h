// Paths of the backup files: joining folder and name; the local times their names and the log give.
#pragma once
#include <windows.h>

#include <string>

// Folder and name with one backslash between them (a root such as C:\ already ends with one).
std::string JoinPath(const std::string& folder, const std::string& name);

// A local date and time as a FILETIME number, for ordering backups; false for a date that is none.
bool LocalTimeNumber(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second,
                     ULONGLONG& out);
