// Presence tests that look past what the plain existence test sees: the 64-bit system folders a
// 32-bit program is redirected away from, and the other readings of an entry's text.
#pragma once
#include <string>

class DriveTypeCache;

// True when this 32-bit program runs on 64-bit Windows (its System32 is redirected).
bool RunningUnderWow64();
// Under WOW64: whether the path exists with the file-system redirection turned off for this
// thread (only for this one test). False elsewhere.
bool ExistsWithoutRedirection(const std::string& path);

// Where a scanner puts a bare file name. Commands (startup programs, and the scanners that test
// no bare names at all) are also looked up on the system's search path, as the system starts
// them; a search misses in several large folders, so it is not made for the other scanners,
// whose bare names the system looks for in the one folder given.
enum class BareNamePlace { SEARCH_ONLY, SYSTEM_DIRECTORY, WINDOWS_DIRECTORY, FONTS_FOLDER };

// True when another reading of `text` (see OtherReadings) names an existing file, in either
// view of the file system, or names a place that cannot be judged (a network path, a drive that
// is not a fixed disk). `partPath`, already found missing, is not tested again. With `file` set,
// each reading is a folder and `file` the name joined to it.
bool SomeReadingPresent(const std::string& text, BareNamePlace place, DriveTypeCache& drives,
                        const std::string& partPath, const std::string& file = std::string());

// For entries whose data is a folder (help files): the first reading of `text` (see OtherReadings)
// that names an existing folder on a fixed disk, in either view of the file system, with its
// environment tokens expanded and a bare name taken in the system folder; empty when none does.
std::string ExistingFolderReading(const std::string& text, DriveTypeCache& drives);
