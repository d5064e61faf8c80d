// The repair log of the data folder: every repair of either front end appends one record; the
// History page and the console's history command read it, and a repair's own backup is restored
// from it.
#pragma once
#include <string>
#include <vector>

#include "backup/Backup.h"
#include "routines/RepairLogFormat.h"

constexpr const char* REPAIR_LOG_NAME = "repairs.log";

std::string RepairLogPath();

struct RepairLogLoad {
    std::vector<RepairRecord> records;  // oldest first
    // Empty when the log read cleanly (or there is none yet); otherwise what was wrong, how many
    // repairs were read before it, and where the damaged file was kept.
    std::string note;
    bool readable = true;  // false when the file exists but could not be read at all
    bool damagedInPlace = false;  // the damage is still in the file (not mended, or mending failed)
};

// Reads the log. A damaged or cut-off log is read up to the damage; with `mayMend` (the caller
// holds the repair lock, so no repair is appending now) the damaged file is renamed aside, never
// deleted, and a new log holding the sound records takes its place, so that later repairs append
// to a sound file. Without it the file is left as it is.
RepairLogLoad LoadRepairLog(bool mayMend);

// Under the repair lock: mends a damaged log (as LoadRepairLog does), gives the record the next id
// and appends it in one write, flushed to the disk. A write that fails part way is cut back off.
// A damaged log that could not be set aside gets nothing appended: the record would sit after the
// damage, where no reader reaches it.
// False with the reason in `error`; `note` receives the mending's note, if any.
bool AppendRepairRecord(RepairRecord& record, std::string& error, std::string& note);

// The local time as the log writes it, "2026-12-08 15:09:27".
std::string RepairLogTimeNow();

// Where a logged repair's backup stands: its file is there, the repair made none, the rotation
// took it (the backup folder holds BACKUPS_KEPT files named after it), or it is missing otherwise.
enum class RepairBackup { Present, None, RotatedAway, Missing };
RepairBackup RepairBackupState(const RepairRecord& record);

// Why a logged repair cannot be restored, in one short sentence without the file's name (empty
// when its backup is there): it made no backup, or its backup was rotated away (the newest
// BACKUPS_KEPT are kept), or the file is missing.
std::string RepairRestoreRefusal(const RepairRecord& record);

// "Restore this repair": the record with this id, checked as RepairRestoreRefusal does, its
// backup written back under the repair lock (RestoreBackupFile). Reports through `message` as a
// restore does; NoBackupFile for an unknown id or a backup that is gone, with the reason.
// `dialogue` as RestoreBackupFile takes it (a whole-registry backup of an older version is asked for).
RestoreStatus RestoreRepair(int id, const BackupMessageCallback& message, bool* refusedForRights = nullptr,
                            RestoreDialogue* dialogue = nullptr);
