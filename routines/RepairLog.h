// The repair log of the data folder: every repair of either front end appends one record; the
// History page and the console's history command read it, and a repair's own backup is restored
// from it.
#pragma once
#include <string>
#include <vector>

#include "backup/Backup.h"
#include "routines/RepairLogFormat.h"

constexpr const char* REPAIR_LOG_NAME = "repairs.log";
// A log that passes this size is renamed "repairs-<its highest id>.log" (an older log, still read,
// never appended to) and the next repair starts a new one.
constexpr const char* REPAIR_LOG_ROLLED_PREFIX = "repairs-";
constexpr unsigned long long REPAIR_LOG_ROLL_BYTES = 8ull * 1024 * 1024;

std::string RepairLogPath();

struct RepairLogLoad {
    std::vector<RepairRecord> records;  // oldest first
    // Empty when the log read cleanly (or there is none yet); otherwise what was wrong, how many
    // repairs were read before it, and where the damaged file was kept.
    std::string note;
    bool readable = true;  // false when the file exists but could not be read at all
    bool damagedInPlace = false;  // the damage is still in the file (not mended, or mending failed)
    int highestId = 0;  // of the files read
};

// Reads the older logs and the log, a piece at a time; damaged stretches are passed over and every
// sound record read. With `mayMend` (the caller holds the repair lock, so no repair is appending
// now) a damaged log is renamed aside, never deleted, and a new log holding its sound records
// takes its place, so that later repairs append to a sound file. Without it the file is left as it
// is. Without `withEntries` each record keeps only its count of entries (a long history in little
// memory); LoadRepairEntries then reads one record's entries.
RepairLogLoad LoadRepairLog(bool mayMend, bool withEntries = true);
// Fills in the entries of the record read with this id and time; false when it is not found.
bool LoadRepairEntries(RepairRecord& record);

// Under the repair lock: mends a damaged log (as LoadRepairLog does), gives the record an id above
// every id ever given (those of the older logs and of the damaged files set aside too), starts a
// new log when this one passed REPAIR_LOG_ROLL_BYTES, and appends the record in one write, flushed
// to the disk. A write that fails part way is cut back off.
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

// True when the entry is a shortcut file the repair kept with its backup, so that a restore of the
// repair puts it back (repairs of older versions deleted them for good).
bool ShortcutComesBack(const RepairRecord& record, const RepairLogEntry& entry);
// How many of the record's entries are shortcut files, and how many of those come back.
int ShortcutEntries(const RepairRecord& record, int* comingBack = nullptr);

// "Restore this repair": the record with this id, checked as RepairRestoreRefusal does, its
// backup written back under the repair lock (RestoreBackupFile). Reports through `message` as a
// restore does; NoBackupFile for an unknown id or a backup that is gone, with the reason.
// `dialogue` as RestoreBackupFile takes it (a whole-registry backup of an older version is asked for).
RestoreStatus RestoreRepair(int id, const BackupMessageCallback& message, bool* refusedForRights = nullptr,
                            RestoreDialogue* dialogue = nullptr);
