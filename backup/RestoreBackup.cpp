// Restoring the newest backup: a binary backup is checked whole and then written back; a
// registry editor export is handed to the registry editor.
#include <cstring>
#include <vector>

#include "backup/Backup.h"
#include "backup/BackupPaths.h"
#include "backup/ListFiles.h"
#include "backup/RegistryEditor.h"

namespace {
void say(const BackupMessageCallback& message, const std::string& text) {
    if (message) message(text);
}

// The latest creation time wins; on equal times the later name, which the dated names make the
// newer backup, whatever order the listing came in.
std::string newestBackup(const std::string& folder) {
    std::vector<std::string> paths;
    int32_t files = 0, folders = 0;
    ListFiles(folder, "*.reg", false, nullptr, paths, files, folders);
    std::string best;
    FILETIME bestTime{};
    for (const auto& path : paths) {
        WIN32_FILE_ATTRIBUTE_DATA info;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) continue;
        const LONG order = best.empty() ? 1 : CompareFileTime(&info.ftCreationTime, &bestTime);
        if (order > 0 || (order == 0 && path > best)) {
            best = path;
            bestTime = info.ftCreationTime;
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

RestoreStatus importExport(const std::string& path, const BackupMessageCallback& message) {
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

RestoreStatus restoreBinary(BackupInput& in, const std::string& path, const BackupMessageCallback& message) {
    const bool v2 = hasSignatureV2(in);
    auto record = [v2, &in](bool apply, BackupReadState& state) {
        return v2 ? ReadKeyRecordV2(in, apply, state) : ReadKeyRecord(in, apply, state);
    };
    // First pass: the whole file must read cleanly before the registry is touched.
    BackupReadState check;
    while (in.remaining() > 0)
        if (!record(false, check)) {
            say(message, "The backup file " + path + " is damaged (" + check.problem + "); nothing was restored.");
            return RestoreStatus::Damaged;
        }
    if (!in.rewind() || (v2 && !hasSignatureV2(in))) {
        say(message, "Can't read the backup file " + path + "; nothing was restored.");
        return RestoreStatus::Failed;
    }
    BackupReadState apply;
    apply.message = message;
    std::vector<std::string> refused;
    while (in.remaining() > 0) {
        if (record(true, apply)) continue;
        if (apply.damaged) {
            say(message, "The backup file " + path + " could not be read to its end (" + apply.problem +
                             "); the keys before that point were restored.");
            return RestoreStatus::Damaged;
        }
        if (!v2) {
            say(message, apply.problem + "; the restore stopped and the keys after it were not restored.");
            return RestoreStatus::Failed;
        }
        refused.push_back(apply.problem);  // each record stands alone: the others are still written
        apply.problem.clear();
    }
    for (const auto& problem : refused) say(message, problem);
    if (!refused.empty() || apply.valuesFailed > 0) {
        say(message, "The restore could not write everything back: " + std::to_string(refused.size()) +
                         " keys and " + std::to_string(apply.valuesFailed) + " values were refused.");
        return RestoreStatus::Failed;
    }
    say(message, "Restore Complete");
    return RestoreStatus::Complete;
}
}  // namespace

RestoreStatus RestoreLatestBackup(const BackupMessageCallback& message) {
    // Absolute paths instead of changing the current directory, which other threads share.
    const std::string folder = JoinPath(CurrentDirectoryPath(), BACKUP_FOLDER) + "\\";
    const std::string newest = newestBackup(folder);
    // Nobody may change the file between the check and the writing pass.
    FileHandle file;
    if (!newest.empty())
        file = FileHandle(CreateFileA(newest.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        say(message, "Can't find any backup file in " + folder + "*.reg.");
        return RestoreStatus::NoBackupFile;
    }
    BackupInput in(file.get());
    if (!in.sizeKnown()) {
        say(message, "Can't read the backup file " + newest + "; nothing was restored.");
        return RestoreStatus::Failed;
    }
    if (isEditorExport(in)) {
        file.reset();  // the editor reads it itself
        return importExport(newest, message);
    }
    if (!in.rewind()) {
        say(message, "Can't read the backup file " + newest + "; nothing was restored.");
        return RestoreStatus::Failed;
    }
    return restoreBinary(in, newest, message);
}
