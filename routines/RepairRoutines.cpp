// The repair routines both front ends run on worker threads: the repair itself, the summary screen's
// repair thread and the results screen's repair of the ticked rows.
#include <algorithm>

#include "backup/Backup.h"
#include "backup/ShortcutKeep.h"
#include "platform/DataFolder.h"
#include "engine/PathCleanup.h"
#include "platform/RepairLock.h"
#include "routines/RepairLog.h"
#include "routines/RepairRoutines.h"

#include "engine/FindingLevels.h"
#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "engine/RegistryLib.h"

namespace {
void say(const RepairCallbacks& cb, const std::string& text, const std::string& caption) {
    if (cb.message) cb.message(text, caption);
}

void status(const RepairCallbacks& cb, const std::string& text) {
    if (cb.status) cb.status(text);
}

BackupMessageCallback backupMessages(const RepairCallbacks& cb) {
    return [&cb](const std::string& text) { say(cb, text, FIX_DONE_CAPTION); };
}

// Copies of the ticked records as the backup should see them, one for one: each in the hive where
// it lives, and keys to be deleted under their stored names, so that a restore recreates them as
// they were. `rowOf` gives each copy's row in the ErrorList.
ErrorArray recordsToBackUp(const ErrorArray& errors, const RowTicks& ticks, std::vector<size_t>& rowOf) {
    ErrorArray copy;
    rowOf.clear();
    for (size_t row = 0; row < errors.size(); ++row) {
        const auto& err = errors[row];
        if (!err || err->keyPath.empty() || !ticks.Registry(row)) continue;
        copy.push_back(std::make_unique<RegistryError>(*err));
        rowOf.push_back(row);
        copy.back()->keyPath = ClassesRootHive(err->keyPath);
        if (err->action == "KEY") copy.back()->keyPath = StoredKeyPath(copy.back()->keyPath);
    }
    return copy;
}

// The backups the repair log names, with the times it recorded, for the rotation.
std::vector<LoggedBackup> loggedBackups() {
    std::vector<LoggedBackup> logged;
    for (const auto& record : LoadRepairLog(false).records)
        if (!record.backupFile.empty()) logged.push_back({record.backupFile, record.time});
    return logged;
}
}  // namespace

RepairReport RunRepair(const RepairJob& job, const RowTicks& ticks, const std::string& backupFile) {
    if (job.busy) *job.busy = true;
    RepairReport report;
    if (StopRequested()) return report;  // a stop requested earlier and not cleared: nothing at all
    report.undoFile = ReserveUndoFileName();
    // Every number taken: the name of this second, whose creation then fails, so nothing goes.
    if (report.undoFile.empty()) report.undoFile = DataFilePath(UndoFileNameNow());
    report.registryDone = job.engine.FixErrors(job.results, report.undoFile, ticks);
    const auto& outcome = job.engine.repairOutcome;
    report.undoUsable = job.engine.undoFileUsable;
    report.undoKept = GetFileAttributesA(report.undoFile.c_str()) != INVALID_FILE_ATTRIBUTES;
    report.removed = outcome.removed;
    report.left = outcome.Left();
    report.firstLeft = outcome.firstLeft;
    if (StopRequested()) return report;
    // Kept with the backup, so that its restore puts them back; one that cannot be kept stays.
    FixShortcuts(job.shortcuts, ticks.shortcuts,
                 backupFile.empty() ? ShortcutRemover()
                                    : [&backupFile](const std::string& path) { return KeepShortcutFile(backupFile, path); });
    report.shortcutsDone = true;
    report.removed += job.shortcuts.fixedCount;
    for (size_t row = 0; row < job.shortcuts.invalidShortcuts.size(); ++row) {
        const std::string& path = job.shortcuts.invalidShortcuts[row];
        if (path.empty() || !ticks.Shortcut(row) || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        ++report.left;
        if (report.firstLeft.size() >= CRegistryLib::FIRST_LEFT_KEPT) continue;
        // FixShortcuts leaves a shortcut whose target is back, and one it could not delete.
        CShortcut recheck;
        recheck.CheckLinkFile(path);
        report.firstLeft.push_back(path + (recheck.invalidShortcuts.empty() ? " (its target exists again)"
                                                                            : " (the file could not be deleted)"));
    }
    return report;
}

namespace {
std::string fullPath(const std::string& file) {
    char full[MAX_PATH] = "";
    const DWORD n = GetFullPathNameA(file.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : file;
}

std::string entries(int n) { return std::to_string(n) + (n == 1 ? " entry" : " entries"); }
}  // namespace

namespace {
std::string repairOutcomeText(const RepairReport& report) {
    if (report.backupFailed) return "No backup could be made, so nothing was removed.";
    if (report.undoFile.empty()) return "The repair was stopped before it began; nothing was removed.";
    if (report.RemovedAll()) return FIX_DONE_TEXT;
    std::string text = entries(report.removed) + (report.removed == 1 ? " was" : " were") + " removed";
    if (report.left > 0) {
        text += "; " + entries(report.left) + (report.left == 1 ? " was" : " were") + " left in place:";
        for (const auto& line : report.firstLeft) text += "\n  " + line;
        if (report.left > static_cast<int>(report.firstLeft.size()))
            text += "\n  and " + std::to_string(report.left - static_cast<int>(report.firstLeft.size())) + " more";
    } else {
        text += ".";
    }
    if (!report.shortcutsDone) text += "\nThe repair was stopped before the shortcut files; they were left in place.";
    if (!report.undoUsable) {
        text += "\nThe undo file " + fullPath(report.undoFile) + " could not be written.";
    } else if (report.undoKept) {
        text += "\nThe undo file " + fullPath(report.undoFile) +
                " was kept: it holds what was removed, to be put back with Restore.";
    }
    return text;
}
}  // namespace

std::string RepairEndMessage(const RepairReport& report) {
    std::string text = repairOutcomeText(report);
    // Kept rows that did not reach the ignore list come back at the next scan: said in the same text.
    if (report.keptNotSaved) text += std::string("\n") + KEPT_NOT_SAVED_TEXT + CRegistryLib::IgnoreFileName();
    if (!report.logProblem.empty()) text += "\n" + report.logProblem;
    return text;
}

bool IgnoreUntickedRows(CRegistryLib& engine, CShortcut& shortcuts, const RowTicks& ticks) {
    CRegistryLib ignore;  // loads the file as it stands now
    const size_t loaded = ignore.ignoreList.size();
    // keptKeyPaths starts empty with each scan; rows left in place by the depth are already in it.
    for (size_t row = 0; row < engine.ErrorList.size(); ++row) {
        const auto& rec = engine.ErrorList[row];
        if (!rec || ticks.Registry(row)) continue;
        // Keep on the result page may have put it there already; each other kept row has its line.
        if (!ignore.WasIgnoredAtLoad(rec->filePath)) ignore.ignoreList.push_back(std::make_unique<RegistryError>(*rec));
        // A kept row protects its key from a ticked row that names the same key or one above it.
        if (!rec->keyPath.empty()) engine.keptKeyPaths.push_back(AsciiLower(rec->keyPath));
    }
    for (size_t row = 0; row < shortcuts.invalidShortcuts.size(); ++row) {
        if (ticks.Shortcut(row) || ignore.WasIgnoredAtLoad(shortcuts.invalidShortcuts[row])) continue;
        auto entry = std::make_unique<RegistryError>();
        entry->filePath = shortcuts.invalidShortcuts[row];
        ignore.ignoreList.push_back(std::move(entry));
    }
    // Nothing kept, nothing to write: an unwritable list is no failure of this repair then.
    if (ignore.ignoreList.size() == loaded) return true;
    return ignore.SaveIgnoreList() == 0;
}

namespace {
// The one repair sequence: lock, kept rows, backup of exactly what goes, repair, log, message.
// `quietWhenWhole` leaves a whole repair unsaid, for a window that shows it by a screen of its own.
RepairReport repairPipeline(const RepairJob& job, const RowTicks& ticks, bool lockHeld, bool quietWhenWhole) {
    // Held until the repair ends: another program's repair or restore must not interleave with it.
    RepairLock lock;
    bool busy = false;
    RepairReport report;
    if (!lockHeld && !lock.TryAcquire(&busy)) {
        say(job.callbacks, RepairLockRefusal(busy), FIX_DONE_CAPTION);
        report.refused = true;
        return report;
    }
    status(job.callbacks, BACKUP_STATUS_TEXT);
    const bool keptSaved = IgnoreUntickedRows(job.engine, job.shortcuts, ticks);
    std::vector<size_t> rowOf;
    const ErrorArray toBackUp = recordsToBackUp(job.engine.ErrorList, ticks, rowOf);
    // Shortcut files alone still get a backup file: they are kept in its folder.
    bool anyShortcut = false;
    for (size_t row = 0; row < job.shortcuts.invalidShortcuts.size(); ++row)
        anyShortcut |= !job.shortcuts.invalidShortcuts[row].empty() && ticks.Shortcut(row);
    const BackupResult backup =
        BackupRegistry(&toBackUp, backupMessages(job.callbacks), EXPORT_WAIT_MS, loggedBackups(), anyShortcut);
    // Without a backup the repair would remove entries nobody could get back once the undo file is
    // gone, so a failed backup removes nothing; an entry the backup could not carry whole stays.
    job.engine.notBackedUp.clear();
    if (backup.status == BackupStatus::Failed) {
        report.backupFailed = true;
    } else {
        for (size_t i = 0; i < toBackUp.size(); ++i)
            if (i >= backup.recordWhole.size() || !backup.recordWhole[i])
                job.engine.notBackedUp.insert(job.engine.ErrorList[rowOf[i]].get());
        status(job.callbacks, FIXING_STATUS_TEXT);
        report = RunRepair(job, ticks, backup.file);
    }
    report.keptNotSaved = !keptSaved;
    report.backupFile = backup.file;
    LogRepair(job.engine, job.shortcuts, report, ticks);
    if (!quietWhenWhole || !report.RemovedAll() || !report.logProblem.empty() || report.keptNotSaved)
        say(job.callbacks, RepairEndMessage(report), FIX_DONE_CAPTION);
    return report;
}
}  // namespace

unsigned long FixThread(const RepairJob& job) {
    try {
        repairPipeline(job, RowTicks{}, false, true);
    } catch (...) {
        say(job.callbacks, FIX_ERROR_TEXT, FIX_ERROR_CAPTION);
    }
    if (job.callbacks.done) job.callbacks.done();
    return 0;
}

RepairReport RepairSelectedEntries(const RepairJob& job, const RowTicks& ticks, bool lockHeld) {
    return repairPipeline(job, ticks, lockHeld, false);
}

namespace {
const char* categoryWord(const RegistryError& rec) {
    for (const auto& row : CATEGORY_TABLE)
        if (row.type[0] != '\0' && rec.type == row.type) return row.flagName;
    return rec.type.c_str();
}
}  // namespace

RepairRecord RecordOfRepair(const CRegistryLib& engine, const CShortcut& shortcuts, const RepairReport& report,
                            const RowTicks& ticks) {
    RepairRecord record;
    record.time = RepairLogTimeNow();
    record.completed = report.Completed() && !report.backupFailed;
    record.backupFile = report.backupFile;
    if (!report.backupFailed && !report.undoFile.empty()) {
        for (const RegistryError* rec : engine.repairOutcome.removedRecords) {
            if (!rec) continue;
            const bool value = rec->action != "KEY" && rec->value;
            record.entries.push_back({categoryWord(*rec), rec->keyPath, value ? rec->value->name : std::string(),
                                      rec->filePath, rec->view64, LevelKey(JudgementOf(*rec).level)});
        }
    }
    // A shortcut file the repair deleted is gone now; one it left is still there.
    for (size_t row = 0; report.shortcutsDone && row < shortcuts.invalidShortcuts.size(); ++row) {
        const std::string& path = shortcuts.invalidShortcuts[row];
        if (!path.empty() && ticks.Shortcut(row) && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            record.entries.push_back({CategoryInfoOf(SHORTCUTS).flagName, std::string(), std::string(), path, false,
                                      LevelKey(ShortcutJudgement(shortcuts, row).level)});
    }
    for (const auto& e : record.entries) {
        auto count = std::find_if(record.counts.begin(), record.counts.end(),
                                  [&](const std::pair<std::string, int>& c) { return c.first == e.category; });
        if (count == record.counts.end()) record.counts.emplace_back(e.category, 1);
        else ++count->second;
    }
    return record;
}

void LogRepair(const CRegistryLib& engine, const CShortcut& shortcuts, RepairReport& report, const RowTicks& ticks) {
    // A repair with nothing selected (a console fix of a clean system) changes nothing: no record.
    bool anySelected = false;
    for (size_t row = 0; row < engine.ErrorList.size(); ++row)
        anySelected |= engine.ErrorList[row] && !engine.ErrorList[row]->keyPath.empty() && ticks.Registry(row);
    for (size_t row = 0; row < shortcuts.invalidShortcuts.size(); ++row)
        anySelected |= !shortcuts.invalidShortcuts[row].empty() && ticks.Shortcut(row);
    if (!anySelected) return;
    RepairRecord record = RecordOfRepair(engine, shortcuts, report, ticks);
    std::string error, note;
    if (AppendRepairRecord(record, error, note)) report.logId = record.id;
    report.logProblem = error.empty() ? note : (note.empty() ? error : note + "\n" + error);
}
