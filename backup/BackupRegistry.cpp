// Making a backup: the registry editor file of what a repair removes or the registry editor's full export, the
// move into the backup folder under a dated name, and the rotation to the newest five.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "backup/Backup.h"
#include "backup/BackupPaths.h"
#include "backup/ListFiles.h"
#include "backup/RegEditorFile.h"
#include "backup/ShortcutKeep.h"
#include "backup/RegistryEditor.h"
#include "platform/DataFolder.h"
#include "registry/RegKey.h"
#include "registry/RegistryView.h"
#include "registry/WideText.h"

namespace {
void say(const BackupMessageCallback& message, const std::string& text) {
    if (message) message(text);
}

bool hasKeyPath(const ErrorArray& errors) {
    for (const auto& err : errors)
        if (err && !err->keyPath.empty()) return true;
    return false;
}

// Lets the backup read keys whose access lists would refuse us; most accounts may not have it.
void enableBackupPrivilege() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
    FileHandle token(raw);
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &tp.Privileges[0].Luid))
        AdjustTokenPrivileges(token.get(), FALSE, &tp, 0, nullptr, nullptr);
}

// Writes the record's key (with its subtree) or value as an exact copy; false, writing nothing, when
// it cannot be read whole or written as editor text exactly, so that the repair leaves that entry in place.
bool writeRecord(const RegistryError& err, BackupOutput& out) {
    const size_t slash = err.keyPath.find('\\');
    if (slash == std::string::npos) return false;
    const uint32_t root = BackupRootCode(err.keyPath.substr(0, slash));
    if (root == 0 || (err.action != "KEY" && err.action != "VAL")) return false;
    const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
    BackupKeyRecord record;
    const std::wstring subkey = record.path = WideFromAnsi(err.keyPath.substr(slash + 1));
    if (subkey.empty()) return false;
    KeySnapshot& snap = record.snap;
    const RegistryViewScope view(err.view64);
    snap.view64 = InView64();
    if (err.action == "KEY") {
        if (SnapshotSubkey(rootKey, subkey, snap) != ERROR_SUCCESS) return false;
    } else {
        // Only that value, found by its name exactly ("(Default)" names no unnamed value here).
        RegKey key;
        SnapshotValue value;
        if (OpenKeyNoFollow(rootKey, subkey, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
        if (!ReadValueExact(key.get(), WideFromAnsi(err.value ? err.value->name : std::string()), value) ||
            value.name.empty())
            return false;
        snap.values.push_back(std::move(value));
    }
    snap.name = subkey.substr(subkey.rfind(L'\\') + 1);
    if (!RegEditorCanCarry(subkey, snap)) return false;
    const std::string bytes = RegEditorBytes(RegEditorRecord(err.keyPath.substr(0, slash), record));
    out.bytes(bytes.data(), bytes.size());
    return true;
}

// "hkey_...\path\" of a record, for comparing key paths as the registry does (without case).
std::string heldPath(const RegistryError& err) {
    std::string path = err.keyPath + "\\";
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

// True when a key record written before holds this record whole (the same key found twice, or a
// value or subkey of it): writing it again would only double it in the file.
bool heldAlready(const RegistryError& err, const std::vector<std::pair<bool, std::string>>& held) {
    const std::string path = heldPath(err);
    for (const auto& key : held)
        if (key.first == err.view64 && path.compare(0, key.second.size(), key.second) == 0) return true;
    return false;
}

bool writeSelectiveBackup(const ErrorArray& errors, const std::string& work, BackupResult& result,
                       const BackupMessageCallback& message) {
    FileHandle file(CreateFileA(work.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        say(message, "Can't create the backup file " + work + "; no backup was made.");
        return false;
    }
    BackupOutput out(file.get());
    const std::string header = RegEditorBytes(RegEditorHeader()), end = RegEditorBytes(RegEditorEnd());
    out.bytes(header.data(), header.size());
    result.recordWhole.assign(errors.size(), false);
    std::vector<std::pair<bool, std::string>> held;  // view and path of each key written whole
    for (size_t i = 0; i < errors.size(); ++i) {
        if (!errors[i] || errors[i]->keyPath.empty()) continue;
        if (heldAlready(*errors[i], held)) {
            result.recordWhole[i] = true;
            continue;
        }
        result.recordWhole[i] = writeRecord(*errors[i], out);
        if (!result.recordWhole[i]) ++result.entriesLeftOut;
        else if (errors[i]->action == "KEY") held.emplace_back(errors[i]->view64, heldPath(*errors[i]));
    }
    out.bytes(end.data(), end.size());
    const bool ok = out.finish();
    file.reset();
    if (!ok) {
        result.recordWhole.assign(errors.size(), false);
        DeleteFileA(work.c_str());
        say(message, "Can't write the backup file " + work + "; no backup was made.");
    }
    return ok;
}

// Runs one export of the editor into `file` and waits for it. Without a process to wait on, widens
// the window in which the move is retried instead.
bool exportHive(const std::string& file, const char* hive, DWORD waitMs, DWORD& moveWindowMs,
                const BackupMessageCallback& message) {
    EditorLaunch editor = StartRegistryEditor("/e " + QuotedPath(file) + " " + hive);
    if (!editor.started) {
        say(message, editor.error + "; no backup was made.");
        return false;
    }
    if (!editor.process) {
        moveWindowMs = waitMs;  // only the move itself can tell when the export is done
        return true;
    }
    if (WaitForSingleObject(editor.process.get(), waitMs) != WAIT_OBJECT_0) {
        say(message, "The registry editor did not finish the export within " + std::to_string(waitMs / 1000) +
                         " seconds; no backup was made.");
        return false;
    }
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        say(message, "The registry editor did not write " + file + "; no backup was made.");
        return false;
    }
    return true;
}

bool readFile(const std::string& path, std::string& out) {
    FileHandle f(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) return false;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    return true;
}

// The body of a UTF-16 export after its byte-order mark and header line.
bool exportBody(const std::string& text, std::string& body) {
    static const char LINE_END[] = {'\r', 0, '\n', 0};
    if (text.size() < 2 || static_cast<unsigned char>(text[0]) != 0xFF || static_cast<unsigned char>(text[1]) != 0xFE)
        return false;
    for (size_t i = 2; i + 4 <= text.size(); i += 2)
        if (text.compare(i, 4, LINE_END, 4) == 0) {
            body = text.substr(i + 4);
            return true;
        }
    return false;
}

// The local-machine hive, and the current user's hive after it (per-user classes live there), in
// one file that the editor imports whole.
bool exportLocalMachine(const std::string& work, DWORD waitMs, DWORD& moveWindowMs,
                        const BackupMessageCallback& message) {
    if (!exportHive(work, "HKEY_LOCAL_MACHINE", waitMs, moveWindowMs, message)) return false;
    if (moveWindowMs == waitMs) return true;  // an editor that cannot be awaited: the machine's hive only
    const std::string user = work + ".user";
    DeleteFileA(user.c_str());
    if (!exportHive(user, "HKEY_CURRENT_USER", waitMs, moveWindowMs, message)) {
        DeleteFileA(work.c_str());
        return false;
    }
    std::string machine, users, body;
    const bool joined = readFile(work, machine) && readFile(user, users) && exportBody(users, body);
    DeleteFileA(user.c_str());
    FileHandle out(joined ? CreateFileA(work.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                          : INVALID_HANDLE_VALUE);
    DWORD written = 0;
    if (!out || !WriteFile(out.get(), body.data(), static_cast<DWORD>(body.size()), &written, nullptr) ||
        written != body.size()) {
        out.reset();
        DeleteFileA(work.c_str());
        say(message, "Can't add the current user's keys to " + work + "; no backup was made.");
        return false;
    }
    return true;
}

std::string candidateName(const std::string& stem, int attempt) {
    if (attempt == 1) return stem + ".reg";
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "_%2.2d", attempt);
    return stem + suffix + ".reg";  // sorts after the plain name, so rotation order still holds
}

// Moves the working file into the folder; a name taken by an earlier backup of the same second
// gets a suffix. Transient failures are retried until `windowMs` has passed.
std::string moveIntoFolder(const std::string& work, const std::string& folder, const std::string& stem,
                           DWORD windowMs, const BackupMessageCallback& message) {
    const DWORD start = GetTickCount();
    int attempt = 1;
    for (;;) {
        const std::string target = JoinPath(folder, candidateName(stem, attempt));
        if (MoveFileA(work.c_str(), target.c_str())) return target;
        const DWORD err = GetLastError();
        if (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS) {
            if (++attempt <= 99) continue;
        } else if (GetTickCount() - start < windowMs) {
            Sleep(100);
            continue;
        }
        say(message, "Can't move " + work + " into " + folder + " (error " + std::to_string(err) +
                         "); no backup was made.");
        return std::string();
    }
}

void rotateBackups(const std::string& folder, const std::string& justMade, const std::vector<LoggedBackup>& logged,
                   BackupResult& result, const BackupMessageCallback& message) {
    for (const auto& path : BackupsToRotateOut(BackupTimes(folder, logged), justMade)) {
        if (!DeleteFileA(path.c_str())) continue;
        RemoveKeptShortcuts(path);
        result.rotatedOut.push_back(path);
        say(message, "The old backup " + path + " was deleted: only the newest " + std::to_string(BACKUPS_KEPT) +
                         " backups are kept.");
    }
}
}  // namespace

std::string BackupFileName(const SYSTEMTIME& t) {
    char name[64];
    std::snprintf(name, sizeof name, "%4.4d-%2.2d-%2.2d_%2.2d-%2.2d-%2.2d.reg", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return name;
}

BackupResult BackupRegistry(const ErrorArray* errors, const BackupMessageCallback& message, DWORD exportWaitMs,
                            const std::vector<LoggedBackup>& logged, bool evenWithoutKeys) {
    BackupResult result;
    // The data folder, whatever the current directory is.
    const std::string data = DataFolder();
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string work = JoinPath(data, BACKUP_WORK_FILE);
    if (errors && !evenWithoutKeys && !hasKeyPath(*errors)) {
        result.status = BackupStatus::NothingToBackUp;
        return result;
    }
    if (!DeleteFileA(work.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        say(message, "Can't remove the old working file " + work + "; no backup was made.");
        return result;
    }
    DWORD moveWindowMs = MOVE_RETRY_MS;
    if (errors) {
        enableBackupPrivilege();
        if (!writeSelectiveBackup(*errors, work, result, message)) return result;
    } else if (!exportLocalMachine(work, exportWaitMs, moveWindowMs, message)) {
        return result;
    }
    const std::string folder = JoinPath(data, BACKUP_FOLDER);
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string name = BackupFileName(now);
    result.file = moveIntoFolder(work, folder, name.substr(0, name.size() - 4), moveWindowMs, message);
    if (result.file.empty()) return result;  // old backups stay when no new one was added
    rotateBackups(folder, result.file, logged, result, message);
    result.status = BackupStatus::Written;
    return result;
}
