// The repair log file: reading with mending, appending one whole record, and restoring a logged
// repair's own backup.
#include "routines/RepairLog.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "backup/BackupFile.h"
#include "backup/BackupPaths.h"
#include "backup/ListFiles.h"
#include "platform/DataFolder.h"
#include "platform/RepairLock.h"

namespace {
void say(const BackupMessageCallback& message, const std::string& text) {
    if (message) message(text);
}

// The whole file; `exists` false when there is none, `ok` false when it exists and cannot be read.
std::string readAll(const std::string& path, bool& exists, bool& ok) {
    std::string bytes;
    exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    ok = !exists;
    if (!exists) return bytes;
    // Sharing deletion too, so that a reader never keeps a repair from setting a damaged log aside.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return bytes;
    const DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return bytes;
    bytes.resize(size);
    DWORD got = 0;
    if (size && (!ReadFile(file.get(), &bytes[0], size, &got, nullptr) || got != size)) return std::string();
    ok = true;
    return bytes;
}

bool writeNew(const std::string& path, const std::string& bytes) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD wrote = 0;
    return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
           wrote == bytes.size() && FlushFileBuffers(file.get());
}

std::string stampNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

// Renames the damaged log aside (a free name beside it) and writes the sound beginning in its
// place. Returns the note for the user.
std::string mend(const std::string& path, const std::string& bytes, const RepairLogRead& read, bool& setAside) {
    setAside = false;
    std::string aside;
    for (int n = 1; n < 100 && aside.empty(); ++n) {
        std::string name = path + ".damaged-" + stampNow() + (n > 1 ? "-" + std::to_string(n) : "");
        if (GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES) aside = name;
    }
    const std::string head = "The repair log " + path + " is damaged (" + read.problem + "); the " +
                             std::to_string(read.records.size()) + " repairs before the damage are listed";
    if (aside.empty() || !MoveFileA(path.c_str(), aside.c_str()))
        return head + ". The damaged file could not be set aside and was left as it is.";
    const std::string sound = read.soundBytes > 0 ? bytes.substr(0, read.soundBytes) : std::string(REPAIR_LOG_HEADER);
    const std::string fresh = path + ".new";
    setAside = true;  // the damage is out of the way; a missing log is started anew by the next repair
    if (!writeNew(fresh, sound) || !MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(fresh.c_str());
        return head + ". The whole damaged file was kept as " + aside + "; a new log could not be started.";
    }
    return head + " and kept in a new log. The whole damaged file was kept as " + aside + ".";
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

RepairLogLoad LoadRepairLog(bool mayMend) {
    RepairLogLoad load;
    const std::string path = RepairLogPath();
    bool exists = false, ok = false;
    const std::string bytes = readAll(path, exists, ok);
    if (!exists) return load;
    if (!ok) {
        load.readable = false;
        load.note = "The repair log " + path + " could not be read.";
        return load;
    }
    RepairLogRead read = ParseRepairLog(bytes);
    load.records = std::move(read.records);
    if (read.problem.empty()) return load;
    read.records = load.records;  // the note counts them
    load.damagedInPlace = true;
    if (mayMend) {
        bool setAside = false;
        load.note = mend(path, bytes, read, setAside);
        load.damagedInPlace = !setAside;
    } else {
        load.note = "The repair log " + path + " is damaged (" + read.problem + "); the " +
                    std::to_string(load.records.size()) + " repairs before the damage are listed.";
    }
    return load;
}

bool AppendRepairRecord(RepairRecord& record, std::string& error, std::string& note) {
    const RepairLogLoad load = LoadRepairLog(true);
    note = load.note;
    if (!load.readable || load.damagedInPlace) {
        error = load.readable ? "This repair was not added to the damaged repair log." : load.note;
        return false;
    }
    record.id = load.records.empty() ? 1 : load.records.back().id + 1;
    const std::string path = RepairLogPath();
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = "The repair log " + path + " could not be opened for writing (error " +
                std::to_string(GetLastError()) + ").";
        return false;
    }
    const DWORD size = GetFileSize(file.get(), nullptr);
    // A log set aside and not replaced leaves no file: the new one starts with its header.
    std::string bytes = size == 0 ? std::string(REPAIR_LOG_HEADER) : std::string();
    bytes += EncodeRepairRecord(record);
    DWORD wrote = 0;
    const bool written = size != INVALID_FILE_SIZE && SetFilePointer(file.get(), 0, nullptr, FILE_END) == size &&
                         WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
                         wrote == bytes.size() && FlushFileBuffers(file.get());
    if (!written) {
        const DWORD code = GetLastError();
        // A part written would read as damage: the file goes back to its old end.
        if (size != INVALID_FILE_SIZE && SetFilePointer(file.get(), static_cast<LONG>(size), nullptr, FILE_BEGIN) == size)
            SetEndOfFile(file.get());
        error = "The repair could not be written to the repair log " + path + " (error " + std::to_string(code) + ").";
        return false;
    }
    return true;
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

RestoreStatus RestoreRepair(int id, const BackupMessageCallback& message, bool* refusedForRights,
                            RestoreDialogue* dialogue) {
    if (refusedForRights) *refusedForRights = false;
    RepairLock lock;
    bool busy = false;
    if (!lock.TryAcquire(&busy)) {
        say(message, RepairLockRefusal(busy));
        return RestoreStatus::Refused;
    }
    const RepairLogLoad load = LoadRepairLog(true);
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
