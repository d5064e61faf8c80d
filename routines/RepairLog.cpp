// The repair log file: reading with mending, appending one whole record, and restoring a logged
// repair's own backup.
#include "routines/RepairLog.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <exception>
#include <iterator>
#include <cstdio>
#include <cstring>

#include "backup/BackupFile.h"
#include "backup/ShortcutKeep.h"
#include "backup/BackupPaths.h"
#include "backup/ListFiles.h"
#include "platform/DataFolder.h"
#include "platform/RepairLock.h"

namespace {
constexpr DWORD CHUNK = 1024 * 1024;
constexpr const char* DAMAGED_MARK = ".damaged-";
constexpr const char* ID_MARK = "-id";  // a set-aside file's name ends with the highest id it held

void say(const BackupMessageCallback& message, const std::string& text) {
    if (message) message(text);
}

struct LogFileRead {
    bool exists = false;
    bool ok = false;  // false when it exists and cannot be read
    RepairLogRead read;
};

// Streams one log file through a reader, a piece at a time: a log of any size is read in the same
// memory as a small one.
LogFileRead readLogFile(const std::string& path, bool keepEntries, RepairRecordSink sink = nullptr) {
    LogFileRead file;
    file.exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!file.exists) return file;
    // Sharing deletion too, so that a reader never keeps a repair from setting a damaged log aside.
    FileHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return file;
    RepairLogReader reader(keepEntries, std::move(sink));
    std::vector<char> chunk(CHUNK);
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(h.get(), chunk.data(), CHUNK, &got, nullptr)) return file;
        if (got == 0) break;
        reader.Feed(std::string_view(chunk.data(), got));
    }
    file.read = reader.Finish();
    file.ok = true;
    return file;
}

bool writeAll(HANDLE h, std::string_view bytes) {
    DWORD wrote = 0;
    return WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) && wrote == bytes.size();
}

std::string stampNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The data folder's files whose names match, sorted by name.
std::vector<std::string> dataFiles(const std::string& pattern) {
    std::vector<std::string> paths;
    int32_t files = 0, folders = 0;
    ListFiles(DataFolder() + "\\", pattern, false, nullptr, paths, files, folders);
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The number after the last `mark` of a file name ("repairs-0000000042.log", "...-id42"); 0 if none.
int idInName(const std::string& path, const char* mark) {
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    const size_t at = name.rfind(mark);
    if (at == std::string::npos) return 0;
    long long n = 0;
    for (size_t i = at + std::strlen(mark); i < name.size() && name[i] >= '0' && name[i] <= '9' && n <= INT_MAX; ++i)
        n = n * 10 + (name[i] - '0');
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

// Above every id of the older logs and of the damaged files set aside, read from their names
// (a damaged file of an older version, named without its id, is read through).
int highestIdSetAside() {
    int highest = 0;
    for (const auto& path : dataFiles(std::string(REPAIR_LOG_ROLLED_PREFIX) + "*.log"))
        highest = std::max(highest, idInName(path, REPAIR_LOG_ROLLED_PREFIX));
    for (const auto& path : dataFiles(std::string(REPAIR_LOG_NAME) + DAMAGED_MARK + "*")) {
        const int named = idInName(path, ID_MARK);
        highest = std::max(highest, named ? named : readLogFile(path, false, [](RepairRecord&&, std::string_view) {}).read.highestId);
    }
    return highest;
}

// Copies the sound records of the set-aside file into a new log in the old one's place.
bool writeSoundRecords(const std::string& aside, const std::string& path) {
    const std::string fresh = path + ".new";
    bool ok = false;
    {
        FileHandle out(CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ok = out && writeAll(out.get(), REPAIR_LOG_HEADER);
        const LogFileRead copy = readLogFile(aside, false, [&](RepairRecord&&, std::string_view bytes) {
            ok = ok && writeAll(out.get(), bytes);
        });
        ok = ok && copy.ok && FlushFileBuffers(out.get());
    }
    if (ok && MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    DeleteFileA(fresh.c_str());
    return false;
}

// Renames the damaged log aside (a free name beside it, ending with the highest id it held) and
// writes its sound records in its place. Returns the note for the user.
std::string mend(const std::string& path, const RepairLogRead& read, size_t records, bool& setAside) {
    setAside = false;
    std::string aside;
    for (int n = 1; n < 100 && aside.empty(); ++n) {
        std::string name = path + DAMAGED_MARK + stampNow() + (n > 1 ? "-" + std::to_string(n) : "") + ID_MARK +
                           std::to_string(read.highestId);
        if (!exists(name)) aside = name;
    }
    const std::string head = "The repair log " + path + " is damaged (" + read.problem + "); the " +
                             std::to_string(records) + " sound repairs in it are listed";
    if (aside.empty() || !MoveFileA(path.c_str(), aside.c_str()))
        return head + ". The damaged file could not be set aside and was left as it is.";
    setAside = true;  // the damage is out of the way; a missing log is started anew by the next repair
    if (!writeSoundRecords(aside, path))
        return head + ". The whole damaged file was kept as " + aside + "; a new log could not be started.";
    return head + " and kept in a new log. The whole damaged file was kept as " + aside + ".";
}

// The older logs first (by name, which is by id), then the current one.
std::vector<std::string> logFiles() {
    std::vector<std::string> files = dataFiles(std::string(REPAIR_LOG_ROLLED_PREFIX) + "*.log");
    files.push_back(RepairLogPath());
    return files;
}

// Number of "*.reg" files in the backup's own folder whose names sort after its name.
size_t newerBackups(const std::string& backup) {
    const size_t slash = backup.find_last_of('\\');
    if (slash == std::string::npos) return 0;
    std::vector<std::string> paths;
    int32_t files = 0, folders = 0;
    ListFiles(backup.substr(0, slash + 1), "*.reg", false, nullptr, paths, files, folders);
    const std::string name = backup.substr(slash + 1);
    return static_cast<size_t>(std::count_if(paths.begin(), paths.end(), [&](const std::string& p) {
        return _stricmp(p.substr(p.find_last_of('\\') + 1).c_str(), name.c_str()) > 0;
    }));
}
}  // namespace

std::string RepairLogPath() { return DataFilePath(REPAIR_LOG_NAME); }

std::string RepairLogTimeNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

RepairLogLoad LoadRepairLog(bool mayMend, bool withEntries) {
    RepairLogLoad load;
    const std::string path = RepairLogPath();
    for (const auto& file : logFiles()) {
        LogFileRead one = readLogFile(file, withEntries);
        load.highestId = std::max({load.highestId, one.read.highestId, idInName(file, REPAIR_LOG_ROLLED_PREFIX)});
        if (!one.exists) continue;
        const std::string sep = load.note.empty() ? "" : "\n";
        if (!one.ok) {
            load.note += sep + "The repair log " + file + " could not be read.";
            if (file == path) load.readable = false;
            continue;
        }
        const size_t sound = one.read.records.size();
        load.records.insert(load.records.end(), std::make_move_iterator(one.read.records.begin()),
                            std::make_move_iterator(one.read.records.end()));
        if (one.read.problem.empty()) continue;
        // An older log is never appended to: its damage is passed over where it is.
        if (file != path) {
            load.note += sep + "The repair log " + file + " is damaged (" + one.read.problem + "); the " +
                         std::to_string(sound) + " sound repairs in it are listed.";
            continue;
        }
        load.damagedInPlace = true;
        if (mayMend) {
            bool setAside = false;
            load.note += sep + mend(path, one.read, sound, setAside);
            load.damagedInPlace = !setAside;
        } else {
            load.note += sep + "The repair log " + path + " is damaged (" + one.read.problem + "); the " +
                         std::to_string(sound) + " sound repairs in it are listed.";
        }
    }
    return load;
}

bool LoadRepairEntries(RepairRecord& record) {
    bool found = false;
    for (const auto& file : logFiles()) {
        readLogFile(file, true, [&](RepairRecord&& r, std::string_view) {
            if (found || r.id != record.id || r.time != record.time) return;
            record = std::move(r);
            found = true;
        });
        if (found) return true;
    }
    return false;
}

namespace {
// Under the lock: a log past the size limit becomes an older log, named after its highest id, and
// the next repair starts a new one.
void rollOver(const std::string& path, int highest) {
    LARGE_INTEGER size{};
    {
        FileHandle h(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h || !GetFileSizeEx(h.get(), &size) || static_cast<unsigned long long>(size.QuadPart) < REPAIR_LOG_ROLL_BYTES)
            return;
    }
    char name[48];
    std::snprintf(name, sizeof name, "%s%010d", REPAIR_LOG_ROLLED_PREFIX, highest);
    for (int n = 1; n < 100; ++n) {
        const std::string older = DataFilePath(name + (n > 1 ? "-" + std::to_string(n) : std::string()) + ".log");
        if (!exists(older)) {
            MoveFileA(path.c_str(), older.c_str());  // if it fails, the log just grows on
            return;
        }
    }
}

bool appendRecord(RepairRecord& record, std::string& error, std::string& note) {
    const std::string path = RepairLogPath();
    size_t sound = 0;
    LogFileRead current = readLogFile(path, false, [&sound](RepairRecord&&, std::string_view) { ++sound; });
    if (current.exists && !current.ok) {
        error = "The repair log " + path + " could not be read.";
        return false;
    }
    if (!current.read.problem.empty()) {
        bool setAside = false;
        note = mend(path, current.read, sound, setAside);
        if (!setAside) {
            error = "This repair was not added to the damaged repair log.";
            return false;
        }
    }
    const int highest = std::max(current.read.highestId, highestIdSetAside());
    if (highest == INT_MAX) {
        error = "The repair log has no id left for this repair.";
        return false;
    }
    record.id = highest + 1;
    rollOver(path, current.read.highestId);
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = "The repair log " + path + " could not be opened for writing (error " +
                std::to_string(GetLastError()) + ").";
        return false;
    }
    LARGE_INTEGER size{};
    const bool sized = GetFileSizeEx(file.get(), &size);
    // A log set aside or rolled over leaves no file: the new one starts with its header.
    std::string bytes = sized && size.QuadPart == 0 ? std::string(REPAIR_LOG_HEADER) : std::string();
    bytes += EncodeRepairRecord(record);
    LARGE_INTEGER end{};
    const bool written = sized && SetFilePointerEx(file.get(), LARGE_INTEGER{}, &end, FILE_END) &&
                         end.QuadPart == size.QuadPart && writeAll(file.get(), bytes) && FlushFileBuffers(file.get());
    if (!written) {
        const DWORD code = GetLastError();
        // A part written would read as damage: the file goes back to its old end.
        if (sized && SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN)) SetEndOfFile(file.get());
        error = "The repair could not be written to the repair log " + path + " (error " + std::to_string(code) + ").";
        return false;
    }
    return true;
}
}  // namespace

bool AppendRepairRecord(RepairRecord& record, std::string& error, std::string& note) {
    try {
        return appendRecord(record, error, note);
    } catch (const std::exception& e) {
        // Whatever the log holds, the repair is done: it is said, never thrown past the repair.
        error = std::string("The repair could not be written to the repair log (") + e.what() + ").";
        return false;
    }
}

RepairBackup RepairBackupState(const RepairRecord& record) {
    if (record.backupFile.empty()) return RepairBackup::None;
    if (GetFileAttributesA(record.backupFile.c_str()) != INVALID_FILE_ATTRIBUTES) return RepairBackup::Present;
    return newerBackups(record.backupFile) >= BACKUPS_KEPT ? RepairBackup::RotatedAway : RepairBackup::Missing;
}

std::string RepairRestoreRefusal(const RepairRecord& record) {
    switch (RepairBackupState(record)) {
    case RepairBackup::Present: return std::string();
    case RepairBackup::None: return "This repair made no backup, so it cannot be restored.";
    case RepairBackup::RotatedAway:
        return "Its backup was rotated away: only the newest " + std::to_string(BACKUPS_KEPT) +
               " backups are kept, so it cannot be restored.";
    case RepairBackup::Missing: break;
    }
    return "Its backup file is missing, so it cannot be restored.";
}

bool ShortcutComesBack(const RepairRecord& record, const RepairLogEntry& entry) {
    if (!entry.keyPath.empty() || entry.filePath.empty() || record.backupFile.empty()) return false;
    const std::string kept = KeptShortcutPath(record.backupFile, entry.filePath);
    return !kept.empty() && GetFileAttributesA(kept.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int ShortcutEntries(const RepairRecord& record, int* comingBack) {
    int shortcuts = 0, back = 0;
    for (const auto& e : record.entries) {
        if (!e.keyPath.empty() || e.filePath.empty()) continue;
        ++shortcuts;
        back += ShortcutComesBack(record, e) ? 1 : 0;
    }
    if (comingBack) *comingBack = back;
    return shortcuts;
}

RestoreStatus RestoreRepair(int id, const BackupMessageCallback& message, bool* refusedForRights,
                            RestoreDialogue* dialogue) {
    if (refusedForRights) *refusedForRights = false;
    RepairLock lock;
    bool busy = false;
    if (!lock.TryAcquire(&busy)) {
        say(message, RepairLockRefusal(busy));
        return RestoreStatus::Refused;
    }
    const RepairLogLoad load = LoadRepairLog(true, false);
    const auto found = std::find_if(load.records.begin(), load.records.end(),
                                    [id](const RepairRecord& r) { return r.id == id; });
    if (found == load.records.end()) {
        say(message, "The repair log holds no repair " + std::to_string(id) + "; nothing was restored." +
                         (load.note.empty() ? "" : "\n" + load.note));
        return RestoreStatus::NoBackupFile;
    }
    const std::string refusal = RepairRestoreRefusal(*found);
    if (!refusal.empty()) {
        say(message, "Repair " + std::to_string(id) + ": " + refusal + " (" + found->backupFile + ")");
        return RestoreStatus::NoBackupFile;
    }
    return RestoreBackupFile(found->backupFile, message, refusedForRights, true, dialogue);
}
