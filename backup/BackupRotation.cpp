// The rotation of the backup folder: which backups are the oldest, by the times the repair log
// recorded or the files' write times, never by their names.
#include <algorithm>
#include <cstdio>

#include "backup/Backup.h"
#include "backup/BackupPaths.h"
#include "backup/ListFiles.h"

namespace {
ULONGLONG asNumber(const FILETIME& ft) { return static_cast<ULONGLONG>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime; }

// "2026-12-08 15:09:27" as a local FILETIME number; false for any other text.
bool loggedTime(const std::string& text, ULONGLONG& out) {
    unsigned y, mo, d, h, mi, s;
    int used = 0;
    if (std::sscanf(text.c_str(), "%4u-%2u-%2u %2u:%2u:%2u%n", &y, &mo, &d, &h, &mi, &s, &used) != 6 ||
        static_cast<size_t>(used) != text.size())
        return false;
    return LocalTimeNumber(y, mo, d, h, mi, s, out);
}

bool writeTime(const std::string& path, ULONGLONG& out) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    FILETIME local;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) ||
        !FileTimeToLocalFileTime(&info.ftLastWriteTime, &local))
        return false;
    out = asNumber(local);
    return true;
}

bool samePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }
}  // namespace

std::vector<BackupOnDisk> BackupTimes(const std::string& folder, const std::vector<LoggedBackup>& logged) {
    std::vector<std::string> paths;
    int32_t files = 0, folders = 0;
    ListFiles(folder + "\\", "*.reg", false, nullptr, paths, files, folders);
    std::vector<BackupOnDisk> backups;
    for (const auto& path : paths) {
        BackupOnDisk backup{path, 0};
        bool known = false;
        // The newest repair naming the file counts (a log lists repairs oldest first).
        for (auto it = logged.rbegin(); it != logged.rend() && !known; ++it)
            known = samePath(it->file, path) && loggedTime(it->time, backup.time);
        if (!known) writeTime(path, backup.time);  // unreadable: time 0, the first to go
        backups.push_back(std::move(backup));
    }
    return backups;
}

std::vector<std::string> BackupsToRotateOut(std::vector<BackupOnDisk> backups, const std::string& justMade) {
    // Newest first; equal times keep the later name first, as a repeated second's "_NN" names sort.
    std::sort(backups.begin(), backups.end(), [](const BackupOnDisk& a, const BackupOnDisk& b) {
        return a.time != b.time ? a.time > b.time : lstrcmpiA(a.path.c_str(), b.path.c_str()) > 0;
    });
    std::vector<std::string> out;
    size_t kept = 0;
    for (const auto& backup : backups) {
        // The new one takes its place among the newest five, or is kept beside them when its
        // time makes it older.
        if (samePath(backup.path, justMade) || kept < BACKUPS_KEPT) ++kept;
        else out.push_back(backup.path);
    }
    return out;
}
