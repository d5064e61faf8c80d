// Registry backups made before a repair, their rotation to the newest five, and the restore of
// the newest one. Outcomes are reported as texts through a callback (message boxes in the window,
// lines on standard error in the console).
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
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
    std::vector<std::string> rotatedOut;  // older backups the rotation deleted (each also said)
};

// A backup that a logged repair names, with the local time the log recorded for that repair
// ("2026-12-08 15:09:27"): the rotation orders backups by it, whatever their names say.
struct LoggedBackup {
    std::string file;
    std::string time;
};

// With an error list: a registry editor file (RegEditorFile.h) of the keys and values the records
// name, which the editor imports and our restore reads back (records with an
// empty keyPath are skipped; none left means no file at all). Without one (null): an export of
// the whole local-machine hive and then the current user's through the system's registry editor,
// each awaited for at most `exportWaitMs`, joined in one file (how older versions backed up; kept
// to make such files for tests). Either way the file lands in the backup folder, named after the
// local time when the backup started, and the folder is rotated (BackupsToRotateOut, the times of
// `logged` first), each deletion said through `message`. The caller shows a wait cursor if it wants one.
// With `evenWithoutKeys`, an error list without key paths still gets a (header-only) file, whose
// folder then keeps the repair's shortcut files. The rotation removes that folder with its file.
BackupResult BackupRegistry(const ErrorArray* errors, const BackupMessageCallback& message,
                            DWORD exportWaitMs = EXPORT_WAIT_MS, const std::vector<LoggedBackup>& logged = {},
                            bool evenWithoutKeys = false);

// A file of the backup folder and the local time it stands for: the time the repair log recorded
// for the repair that made it, or else its last write time (FILETIME units).
struct BackupOnDisk {
    std::string path;
    ULONGLONG time = 0;
};
// Those that the rotation deletes: all but the newest five by time, and never `justMade`, even when
// a clock that once ran ahead makes it the oldest (a backup deleted right after its repair would
// leave nothing to restore).
std::vector<std::string> BackupsToRotateOut(std::vector<BackupOnDisk> backups, const std::string& justMade);
// The rotation's times of the "*.reg" files of a folder: the logged time where the log names the
// file (compared without case), else the file's last write time, both as local time.
std::vector<BackupOnDisk> BackupTimes(const std::string& folder, const std::vector<LoggedBackup>& logged);

// "%4.4d-%2.2d-%2.2d_%2.2d-%2.2d-%2.2d.reg" of the given time.
std::string BackupFileName(const SYSTEMTIME& time);

// NotConfirmed: a whole-registry backup of an older version, and the caller did not confirm it.
enum class RestoreStatus { Complete, NoBackupFile, Damaged, Failed, Refused, NotConfirmed };

// What a restore asks its caller and tells it beyond its messages.
struct RestoreDialogue {
    // Asked before a whole-registry backup (an older version's registry editor export) is written
    // back, with a warning that says what that does; the restore goes on only on true. Null: refused.
    std::function<bool(const std::string& warning)> confirmWhole;
    RestoreTally tally;  // what the restore wrote back and what it left as it is now
    std::string file;    // the backup file the restore took (for a second call once confirmed)
    bool wholeRegistry = false;  // that file is a whole-registry backup
};

// The backup folders a restore looks in, the data folder's first: an older version left its
// backups below the current directory or the program's folder.
std::vector<std::string> BackupFolders();

// Under the repair lock (Refused, with its message, while another repair or restore holds it):
// writes the newest file of the backup folders back into the registry and reports "Restore
// Complete" or why not. One of our own backups (editor text or either binary format) is checked
// whole before anything is written, and then re-creates only what is absent: a key or value there
// now with other data is left as it is, and the end message lists it (LeftAsIsText). Any other
// registry editor export (an older version's backup of the whole registry) is imported through the
// registry editor only when `dialogue->confirmWhole` agrees to its warning; otherwise NotConfirmed,
// said in words only when no dialogue was given, so that a window can ask without holding the lock
// and then restore dialogue->file. The current directory is not changed.
// `refusedForRights`, when given, is set when the registry refused a write for lack of rights.
RestoreStatus RestoreLatestBackup(const BackupMessageCallback& message, bool* refusedForRights = nullptr,
                                  RestoreDialogue* dialogue = nullptr);
// The same for one given backup file (the one a logged repair made): NoBackupFile, with its
// message, when the file is not there. `lockHeld` says the caller holds the repair lock already.
RestoreStatus RestoreBackupFile(const std::string& path, const BackupMessageCallback& message,
                                bool* refusedForRights = nullptr, bool lockHeld = false,
                                RestoreDialogue* dialogue = nullptr);

// The warning asked before a whole-registry backup is written back, naming its day.
std::string WholeRegistryWarning(const std::string& path);
