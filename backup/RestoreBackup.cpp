// Restoring the newest backup: one of our own (editor text or binary) is checked whole and then
// written back; a full registry editor export is handed to the registry editor.
#include <cstdio>
#include <cstring>
#include <vector>

#include "backup/Backup.h"
#include "backup/BackupPaths.h"
#include "backup/ExportCheck.h"
#include "backup/ListFiles.h"
#include "backup/RegEditorFile.h"
#include "backup/ShortcutKeep.h"
#include "backup/RegistryEditor.h"
#include "platform/DataFolder.h"
#include "platform/RepairLock.h"

namespace {
void say(const BackupMessageCallback& message, const std::string& text) {
    if (message) message(text);
}

// Local time of a backup named by our format ("2026-12-06_22-17-05.reg", or with "_NN" before the
// extension for a later backup of the same second), the number counting within the second.
bool timeFromName(const std::string& path, ULONGLONG& out) {
    const std::string name = path.substr(path.find_last_of('\\') + 1);
    unsigned y, mo, d, h, mi, s, n = 1;
    int used = 0;
    char tail[8] = {};
    if (std::sscanf(name.c_str(), "%4u-%2u-%2u_%2u-%2u-%2u%n", &y, &mo, &d, &h, &mi, &s, &used) != 6 || used != 19)
        return false;
    const std::string rest = name.substr(19);
    if (!MatchesPattern(rest, ".reg") &&
        !(rest.size() == 7 && std::sscanf(rest.c_str(), "_%2u%4s", &n, tail) == 2 && MatchesPattern(tail, ".reg")))
        return false;
    if (!LocalTimeNumber(y, mo, d, h, mi, s, out)) return false;
    out += n;
    return true;
}

// The newest backup by the date in its name: creation times are reset when a folder is copied, and
// some systems keep the time of the last change there. Only names of another form fall back to
// their creation time (as local time). On equal times the later name wins.
std::string newestBackup(const std::vector<std::string>& backupFolders) {
    std::vector<std::string> paths;
    int32_t files = 0, folders = 0;
    for (const auto& folder : backupFolders) ListFiles(folder + "\\", "*.reg", false, nullptr, paths, files, folders);
    std::string best;
    ULONGLONG bestTime = 0;
    for (const auto& path : paths) {
        ULONGLONG when = 0;
        if (!timeFromName(path, when)) {
            WIN32_FILE_ATTRIBUTE_DATA info;
            FILETIME local;
            if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) ||
                !FileTimeToLocalFileTime(&info.ftCreationTime, &local))
                continue;
            when = static_cast<ULONGLONG>(local.dwHighDateTime) << 32 | local.dwLowDateTime;
        }
        if (best.empty() || when > bestTime || (when == bestTime && path > best)) {
            best = path;
            bestTime = when;
        }
    }
    return best;
}

bool startsWith(const std::string& text, const char* prefix, size_t length) {
    return text.size() >= length && std::memcmp(text.data(), prefix, length) == 0;
}

// The registry editor writes UTF-16 "Windows Registry Editor Version 5.00" files (older ones
// "REGEDIT4"). A binary backup cannot start like that: its first byte is 0 to 3.
bool isEditorExport(BackupInput& in) {
    static const char header[] = "Windows Registry Editor Version 5.00";
    std::string head;
    const uint32_t n = static_cast<uint32_t>(in.size() < 80 ? in.size() : 80);
    if (!in.bytes(n, head)) return false;
    std::string wide("\xFF\xFE", 2);
    for (const char* p = header; *p; ++p) wide.append({*p, '\0'});
    const std::string utf8 = std::string("\xEF\xBB\xBF") + header;
    return startsWith(head, wide.data(), wide.size()) || startsWith(head, "REGEDIT4", 8) ||
           startsWith(head, header, sizeof header - 1) || startsWith(head, utf8.data(), utf8.size());
}

std::string readWholeFile(const std::string& path, bool& ok) {
    std::string bytes;
    ok = false;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
    ok = !std::ferror(f);
    std::fclose(f);
    return bytes;
}

// The editor says nothing of a damaged or cut-off file: the file is checked first (Complete when it
// is whole), and the import counts as done only when its first and last keys exist afterwards.
RestoreStatus checkExport(const std::string& path, const BackupMessageCallback& message, ExportCheck& check) {
    bool readable = false;
    check = CheckEditorExport(readWholeFile(path, readable));
    if (!readable) {
        say(message, "Can't read the backup file " + path + "; nothing was restored.");
        return RestoreStatus::Failed;
    }
    if (!check.ok) {
        say(message, "The backup file " + path + " is damaged (" + check.problem + "); nothing was restored.");
        return RestoreStatus::Damaged;
    }
    return RestoreStatus::Complete;
}

RestoreStatus importExport(const std::string& path, const BackupMessageCallback& message, const ExportCheck& check) {
    EditorLaunch editor = StartRegistryEditor("/s " + QuotedPath(path));
    if (!editor.started) {
        say(message, editor.error + "; " + path + " was not restored.");
        return RestoreStatus::Failed;
    }
    if (!editor.process) {
        say(message, "The registry editor was started to import " + path + ", but its end cannot be awaited.");
        return RestoreStatus::Failed;
    }
    if (WaitForSingleObject(editor.process.get(), IMPORT_WAIT_MS) != WAIT_OBJECT_0) {
        say(message, "The registry editor did not finish importing " + path + " within " +
                         std::to_string(IMPORT_WAIT_MS / 1000) + " seconds.");
        return RestoreStatus::Failed;
    }
    DWORD code = 1;
    if (!GetExitCodeProcess(editor.process.get(), &code) || code != 0) {
        say(message, "The registry editor could not import " + path + ".");
        return RestoreStatus::Failed;
    }
    if (!ExportKeyExists(check.firstKey) || !ExportKeyExists(check.lastKey)) {
        say(message, "The registry editor did not import all of " + path + ".");
        return RestoreStatus::Failed;
    }
    say(message, "Restore Complete");
    return RestoreStatus::Complete;
}

bool hasSignatureV2(BackupInput& in) {
    std::string head;
    const bool v2 = in.size() >= sizeof BACKUP_SIGNATURE_V2 && in.bytes(sizeof BACKUP_SIGNATURE_V2, head) &&
                    std::memcmp(head.data(), BACKUP_SIGNATURE_V2, sizeof BACKUP_SIGNATURE_V2) == 0;
    if (!v2) in.rewind();
    return v2;
}

// The outcome of writing records back: "Restore Complete", or what the registry refused.
// What exists now with other data was left as it is: the message says so after either outcome.
RestoreStatus finishRestore(const std::vector<std::string>& refused, const BackupReadState& apply,
                            const BackupMessageCallback& message, bool& refusedForRights, RestoreTally& tally) {
    refusedForRights = apply.tally.accessDenied;
    tally = apply.tally;
    const std::string left = LeftAsIsText(tally);
    for (const auto& problem : refused) say(message, problem);
    if (!refused.empty() || tally.valuesFailed > 0) {
        say(message, "The restore could not write everything back: " + std::to_string(refused.size()) +
                         " keys and " + std::to_string(tally.valuesFailed) + " values were refused." +
                         (left.empty() ? "" : "\n" + left));
        return RestoreStatus::Failed;
    }
    say(message, "Restore Complete" + (left.empty() ? "" : "\n" + left));
    return RestoreStatus::Complete;
}

RestoreStatus restoreBinary(BackupInput& in, const std::string& path, const BackupMessageCallback& message,
                            bool& refusedForRights, RestoreTally& tally) {
    const bool v2 = hasSignatureV2(in);
    auto record = [v2, &in](bool apply, BackupReadState& state) {
        return v2 ? ReadKeyRecordV2(in, apply, state) : ReadKeyRecord(in, apply, state);
    };
    // First pass: the whole file must read cleanly before the registry is touched.
    BackupReadState check;
    while (in.remaining() > 0 && !check.ended)
        if (!record(false, check)) {
            say(message, "The backup file " + path + " is damaged (" + check.problem + "); nothing was restored.");
            return RestoreStatus::Damaged;
        }
    if (v2 && (!check.ended || in.remaining() > 0)) {
        say(message, "The backup file " + path + " is damaged (" +
                         (check.ended ? "bytes after its end mark" : "it ends before its end mark") +
                         "); nothing was restored.");
        return RestoreStatus::Damaged;
    }
    if (!in.rewind() || (v2 && !hasSignatureV2(in))) {
        say(message, "Can't read the backup file " + path + "; nothing was restored.");
        return RestoreStatus::Failed;
    }
    BackupReadState apply;
    std::vector<std::string> refused;
    // Each record is written back only where the registry lacks it now, so that nothing changed
    // since the repair (a program reinstalled, a value set again) goes back to its old data.
    while (in.remaining() > 0 && !apply.ended) {
        if (record(true, apply)) continue;
        if (apply.damaged) {
            tally = apply.tally;
            say(message, "The backup file " + path + " could not be read to its end (" + apply.problem +
                             "); the keys before that point were restored.");
            return RestoreStatus::Damaged;
        }
        if (!v2) {
            refusedForRights = apply.tally.accessDenied;
            tally = apply.tally;
            say(message, apply.problem + "; the restore stopped and the keys after it were not restored.");
            return RestoreStatus::Failed;
        }
        refused.push_back(apply.problem);  // each record stands alone: the others are still written
        apply.problem.clear();
    }
    return finishRestore(refused, apply, message, refusedForRights, tally);
}

// One of our editor backups: read whole and checked, then written back record by record.
RestoreStatus restoreEditorBackup(const std::string& bytes, const std::string& path,
                                  const BackupMessageCallback& message, bool& refusedForRights,
                                  RestoreTally& tally) {
    std::vector<BackupKeyRecord> records;
    std::string problem;
    if (!ParseRegEditorBackup(bytes, records, problem)) {
        say(message, "The backup file " + path + " is damaged (" + problem + "); nothing was restored.");
        return RestoreStatus::Damaged;
    }
    BackupReadState apply;
    std::vector<std::string> refused;
    for (const auto& record : records)
        if (!ApplyBackupRecord(record, apply)) {
            refused.push_back(apply.problem);  // each record stands alone: the others are still written
            apply.problem.clear();
        }
    return finishRestore(refused, apply, message, refusedForRights, tally);
}
}  // namespace

std::vector<std::string> BackupFolders() {
    std::vector<std::string> folders{JoinPath(DataFolder(), BACKUP_FOLDER)};
    for (const auto& older : OlderWorkingFolders()) folders.push_back(JoinPath(older, BACKUP_FOLDER));
    return folders;
}

namespace {
// The registry part of the restore of one file, the repair lock held by the caller.
RestoreStatus restoreRegistry(const std::string& path, const BackupMessageCallback& message, bool& refusedForRights,
                              RestoreDialogue* dialogue) {
    RestoreDialogue none;
    RestoreDialogue& asked = dialogue ? *dialogue : none;
    asked.file = path;
    asked.wholeRegistry = false;
    asked.tally = RestoreTally();
    // Nobody may change the file between the check and the writing pass.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        say(message, "Can't open the backup file " + path + "; nothing was restored.");
        return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? RestoreStatus::NoBackupFile
                                                                           : RestoreStatus::Failed;
    }
    BackupInput in(file.get());
    if (!in.sizeKnown()) {
        say(message, "Can't read the backup file " + path + "; nothing was restored.");
        return RestoreStatus::Failed;
    }
    if (isEditorExport(in)) {
        // One of our own editor backups is read by us; any other export is an older version's
        // backup of the whole registry, which the editor reads itself.
        std::string head;
        const uint32_t headBytes = static_cast<uint32_t>(std::min<uint64_t>(in.size(), 512));
        if (!in.rewind() || !in.bytes(headBytes, head)) {
            say(message, "Can't read the backup file " + path + "; nothing was restored.");
            return RestoreStatus::Failed;
        }
        if (IsRegEditorBackup(head)) {
            std::string bytes;
            if (!in.rewind() || !in.bytes(static_cast<uint32_t>(in.size()), bytes)) {
                say(message, "Can't read the backup file " + path + "; nothing was restored.");
                return RestoreStatus::Failed;
            }
            return restoreEditorBackup(bytes, path, message, refusedForRights, asked.tally);
        }
        file.reset();  // the editor reads it itself
        // It writes back every key of that day over whatever changed since: only when confirmed.
        asked.wholeRegistry = true;
        ExportCheck check;
        const RestoreStatus checked = checkExport(path, message, check);
        if (checked != RestoreStatus::Complete) return checked;
        const std::string warning = WholeRegistryWarning(path);
        if (!asked.confirmWhole || !asked.confirmWhole(warning)) {
            if (!dialogue) say(message, warning + "\nNothing was restored.");
            return RestoreStatus::NotConfirmed;
        }
        return importExport(path, message, check);
    }
    if (!in.rewind()) {
        say(message, "Can't read the backup file " + path + "; nothing was restored.");
        return RestoreStatus::Failed;
    }
    return restoreBinary(in, path, message, refusedForRights, asked.tally);
}

// The whole restore of one file: its registry entries, then the shortcut files kept in its folder.
RestoreStatus restoreFile(const std::string& path, const BackupMessageCallback& message, bool& refusedForRights,
                              RestoreDialogue* dialogue) {
    const RestoreStatus status = restoreRegistry(path, message, refusedForRights, dialogue);
    if (status == RestoreStatus::Damaged || status == RestoreStatus::NoBackupFile ||
        status == RestoreStatus::NotConfirmed)
        return status;
    const ShortcutsBack back = RestoreKeptShortcuts(path, message);
    return back.failed > 0 ? RestoreStatus::Failed : status;
}

bool takeLock(RepairLock& lock, const BackupMessageCallback& message) {
    bool busy = false;
    if (lock.TryAcquire(&busy)) return true;
    say(message, RepairLockRefusal(busy));
    return false;
}
}  // namespace

RestoreStatus RestoreLatestBackup(const BackupMessageCallback& message, bool* refusedForRights,
                                  RestoreDialogue* dialogue) {
    bool refused = false;
    if (!refusedForRights) refusedForRights = &refused;
    *refusedForRights = false;
    RepairLock lock;
    if (!takeLock(lock, message)) return RestoreStatus::Refused;
    // Absolute paths instead of changing the current directory, which other threads share.
    const std::vector<std::string> folders = BackupFolders();
    const std::string newest = newestBackup(folders);
    if (newest.empty() || GetFileAttributesA(newest.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::string where;
        for (const auto& folder : folders) where += (where.empty() ? "" : ", ") + JoinPath(folder, "*.reg");
        say(message, "Can't find any backup file in " + where + ".");
        return RestoreStatus::NoBackupFile;
    }
    return restoreFile(newest, message, *refusedForRights, dialogue);
}

RestoreStatus RestoreBackupFile(const std::string& path, const BackupMessageCallback& message,
                                bool* refusedForRights, bool lockHeld, RestoreDialogue* dialogue) {
    bool refused = false;
    if (!refusedForRights) refusedForRights = &refused;
    *refusedForRights = false;
    RepairLock lock;
    if (!lockHeld && !takeLock(lock, message)) return RestoreStatus::Refused;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        say(message, "The backup file " + path + " is not there any more; nothing was restored.");
        return RestoreStatus::NoBackupFile;
    }
    return restoreFile(path, message, *refusedForRights, dialogue);
}

std::string WholeRegistryWarning(const std::string& path) {
    // The day it stands for: the date in its name, or else when it was last written.
    std::string day;
    ULONGLONG when = 0;
    FILETIME ft;
    SYSTEMTIME t;
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (timeFromName(path, when)) {
        ft.dwLowDateTime = static_cast<DWORD>(when);
        ft.dwHighDateTime = static_cast<DWORD>(when >> 32);
    } else if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info) ||
               !FileTimeToLocalFileTime(&info.ftLastWriteTime, &ft)) {
        ft = FILETIME{};
    }
    if ((ft.dwLowDateTime || ft.dwHighDateTime) && FileTimeToSystemTime(&ft, &t)) {
        char text[32];
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
        day = text;
    }
    return "The backup " + path + " was made by an older version: it holds the whole registry" +
           (day.empty() ? std::string() : " of " + day) +
           ", not only what its repair removed. Restoring it writes back the whole registry of that day: every "
           "key and value changed since, by you or by other programs, goes back to its old data.";
}
