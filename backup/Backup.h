// Registry backups made before a repair, their rotation to the newest five, and the restore of
// the newest one. Outcomes are reported as texts through a callback (message boxes in the window,
// lines on standard error in the console).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "backup/BackupFormat.h"
#include "registry/RegistryError.h"

constexpr const char* BACKUP_FOLDER = "Registry Backups";  // below the data folder
constexpr const char* BACKUP_WORK_FILE = "1.reg";          // in the data folder
constexpr size_t BACKUPS_KEPT = 5;
constexpr DWORD EXPORT_WAIT_MS = 60 * 1000;   // for the registry editor's export
constexpr DWORD IMPORT_WAIT_MS = 300 * 1000;  // for the registry editor's import of an export
constexpr DWORD MOVE_RETRY_MS = 5 * 1000;     // for a working file that is briefly in use

enum class BackupStatus { Written, NothingToBackUp, Failed };

struct BackupResult {
    BackupStatus status = BackupStatus::Failed;
    std::string file;            // full path of the new backup file
    int32_t entriesLeftOut = 0;  // records that could not be read whole, and so were not written
    // Per record of the error list given, in its order: true when the record's key (or value) went
    // into the file whole. The repair removes no entry whose record is false.
    std::vector<bool> recordWhole;
};

// With an error list: a registry editor file (RegEditorFile.h) of the keys and values the records
// name, which the editor imports and our restore reads back (records with an
// empty keyPath are skipped; none left means no file at all). Without one (null): an export of
// the whole local-machine hive and then the current user's through the system's registry editor,
// each awaited for at most `exportWaitMs`, joined in one file. Either way the file lands in the backup folder, named after the local time when
// the backup started, and the folder is trimmed to the newest five "*.reg" files by name.
// The caller shows a wait cursor if it wants one.
// With `evenWithoutKeys`, an error list without key paths still gets a (header-only) file, whose
// folder then keeps the repair's shortcut files. The rotation removes that folder with its file.
BackupResult BackupRegistry(const ErrorArray* errors, const BackupMessageCallback& message,
                            DWORD exportWaitMs = EXPORT_WAIT_MS, bool evenWithoutKeys = false);

// Of the "*.reg" files of the backup folder, in any order, those that the rotation deletes: all
// but the last five by name.
std::vector<std::string> BackupsToRotateOut(std::vector<std::string> paths);

// "%4.4d-%2.2d-%2.2d_%2.2d-%2.2d-%2.2d.reg" of the given time.
std::string BackupFileName(const SYSTEMTIME& time);

enum class RestoreStatus { Complete, NoBackupFile, Damaged, Failed, Refused };

// The backup folders a restore looks in, the data folder's first: an older version left its
// backups below the current directory or the program's folder.
std::vector<std::string> BackupFolders();

// Under the repair lock (Refused, with its message, while another repair or restore holds it):
// writes the newest file of the backup folders back into the registry and reports "Restore
// Complete" or why not. One of our own backups (editor text or either binary format) is checked
// whole before anything is written; any other registry
// editor export is imported through the registry editor. The current directory is not changed.
// `refusedForRights`, when given, is set when the registry refused a write for lack of rights.
RestoreStatus RestoreLatestBackup(const BackupMessageCallback& message, bool* refusedForRights = nullptr);
// The same for one given backup file (the one a logged repair made): NoBackupFile, with its
// message, when the file is not there. `lockHeld` says the caller holds the repair lock already.
RestoreStatus RestoreBackupFile(const std::string& path, const BackupMessageCallback& message,
                                bool* refusedForRights = nullptr, bool lockHeld = false);
