// The repair routines both front ends run on worker threads: the repair itself, the summary screen's
// repair thread and the results screen's repair of the ticked rows.
#include <algorithm>

#include "backup/Backup.h"
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

bool ticked(const std::vector<bool>& ticks, size_t row) { return row >= ticks.size() || ticks[row]; }

// The records as the backup should see them, one for one: each in the hive where it lives, and keys
// to be deleted under their stored names, so that a restore recreates them as they were.
ErrorArray recordsToBackUp(const ErrorArray& errors) {
    ErrorArray copy;
    for (const auto& err : errors) {
        copy.emplace_back(err ? std::make_unique<RegistryError>(*err) : nullptr);
        if (!err || err->keyPath.empty()) continue;
        copy.back()->keyPath = ClassesRootHive(err->keyPath);
        if (err->action == "KEY") copy.back()->keyPath = StoredKeyPath(copy.back()->keyPath);
    }
    return copy;
}
}  // namespace

RepairReport RunRepair(const RepairJob& job) {
    if (job.busy) *job.busy = true;
    RepairReport report;
    if (StopRequested()) return report;  // a stop requested earlier and not cleared: nothing at all
    report.undoFile = ReserveUndoFileName();
    // Every number taken: the name of this second, whose creation then fails, so nothing goes.
    if (report.undoFile.empty()) report.undoFile = DataFilePath(UndoFileNameNow());
    report.registryDone = job.engine.FixErrors(job.results, report.undoFile);
    const auto& outcome = job.engine.repairOutcome;
    report.undoUsable = job.engine.undoFileUsable;
    report.undoKept = GetFileAttributesA(report.undoFile.c_str()) != INVALID_FILE_ATTRIBUTES;
    report.removed = outcome.removed;
    report.left = outcome.Left();
    report.firstLeft = outcome.firstLeft;
    if (StopRequested()) return report;
    FixShortcuts(job.shortcuts);
    report.shortcutsDone = true;
    report.removed += job.shortcuts.fixedCount;
    for (const auto& path : job.shortcuts.invalidShortcuts) {
        if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
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

unsigned long FixThread(const RepairJob& job) {
    RepairLock lock;
    bool busy = false;
    try {
        if (!lock.TryAcquire(&busy)) {
            say(job.callbacks, RepairLockRefusal(busy), FIX_DONE_CAPTION);
            if (job.callbacks.done) job.callbacks.done();
            return 0;
        }
        // Without a backup the repair would remove entries nobody could get back once the undo
        // file is gone, so a failed backup removes nothing.
        // A full export covers every entry; nothing of an earlier repair's selection applies here.
        // The keys the caller left in place (keptKeyPaths, cleared by each scan) stay protected.
        job.engine.notBackedUp.clear();
        RepairReport report;
        const BackupResult backup = BackupRegistry(nullptr, backupMessages(job.callbacks));
        report.backupFailed = backup.status == BackupStatus::Failed;
        if (!report.backupFailed) report = RunRepair(job);
        report.backupFile = backup.file;
        LogRepair(job.engine, job.shortcuts, report);
        // The repair-complete screen shows a whole repair; anything else is said in words as well.
        if (!report.RemovedAll() || !report.logProblem.empty()) say(job.callbacks, RepairEndMessage(report), FIX_DONE_CAPTION);
    } catch (...) {
        say(job.callbacks, FIX_ERROR_TEXT, FIX_ERROR_CAPTION);
    }
    if (job.callbacks.done) job.callbacks.done();
    return 0;
}

bool IgnoreUntickedRows(CRegistryLib& engine, CShortcut& shortcuts, const RowTicks& ticks) {
    CRegistryLib ignore;  // loads the file as it stands now
    const size_t loaded = ignore.ignoreList.size();
    // keptKeyPaths starts empty with each scan; rows left in place by the depth are already in it.
    for (size_t row = 0; row < engine.ErrorList.size(); ++row) {
        auto& rec = engine.ErrorList[row];
        if (!rec || ticked(ticks.registry, row)) continue;
        ignore.ignoreList.push_back(std::make_unique<RegistryError>(*rec));
        // A kept row protects its key from a ticked row that names the same key or one above it.
        if (!rec->keyPath.empty()) engine.keptKeyPaths.push_back(AsciiLower(rec->keyPath));
        rec->keyPath.clear();  // names no root: the backup and the repair pass it by
    }
    for (size_t row = 0; row < shortcuts.invalidShortcuts.size(); ++row) {
        std::string& path = shortcuts.invalidShortcuts[row];
        if (ticked(ticks.shortcuts, row)) continue;
        auto entry = std::make_unique<RegistryError>();
        entry->filePath = path;
        ignore.ignoreList.push_back(std::move(entry));
        path.clear();
    }
    // Nothing kept, nothing to write: an unwritable list is no failure of this repair then.
    if (ignore.ignoreList.size() == loaded) return true;
    return ignore.SaveIgnoreList() == 0;
}

RepairReport RepairSelectedEntries(const RepairJob& job, const RowTicks& ticks, bool lockHeld) {
    // Held until the repair ends: another program's repair or restore must not interleave with it.
    RepairLock lock;
    bool busy = false;
    if (!lockHeld && !lock.TryAcquire(&busy)) {
        say(job.callbacks, RepairLockRefusal(busy), FIX_DONE_CAPTION);
        RepairReport report;
        report.refused = true;
        return report;
    }
    status(job.callbacks, BACKUP_STATUS_TEXT);
    const bool keptSaved = IgnoreUntickedRows(job.engine, job.shortcuts, ticks);
    const ErrorArray toBackUp = recordsToBackUp(job.engine.ErrorList);
    const BackupResult backup = BackupRegistry(&toBackUp, backupMessages(job.callbacks));
    if (backup.status == BackupStatus::Failed) {
        RepairReport report;
        report.keptNotSaved = !keptSaved;
        report.backupFailed = true;
        LogRepair(job.engine, job.shortcuts, report);
        say(job.callbacks, RepairEndMessage(report), FIX_DONE_CAPTION);
        return report;
    }
    // An entry the backup could not carry whole is not removed.
    job.engine.notBackedUp.clear();
    for (size_t i = 0; i < toBackUp.size() && i < job.engine.ErrorList.size(); ++i)
        if (toBackUp[i] && !toBackUp[i]->keyPath.empty() && (i >= backup.recordWhole.size() || !backup.recordWhole[i]))
            job.engine.notBackedUp.insert(job.engine.ErrorList[i].get());
    status(job.callbacks, FIXING_STATUS_TEXT);
    RepairReport report = RunRepair(job);
    report.keptNotSaved = !keptSaved;
    report.backupFile = backup.file;
    LogRepair(job.engine, job.shortcuts, report);
    say(job.callbacks, RepairEndMessage(report), FIX_DONE_CAPTION);
    return report;
}

namespace {
const char* categoryWord(const RegistryError& rec) {
    for (const auto& row : CATEGORY_TABLE)
        if (row.type[0] != '\0' && rec.type == row.type) return row.flagName;
    return rec.type.c_str();
}
}  // namespace

RepairRecord RecordOfRepair(const CRegistryLib& engine, const CShortcut& shortcuts, const RepairReport& report) {
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
    if (report.shortcutsDone)
        for (size_t i = 0; i < shortcuts.invalidShortcuts.size(); ++i) {
            const std::string& path = shortcuts.invalidShortcuts[i];
            if (!path.empty() && GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
                record.entries.push_back({CategoryInfoOf(SHORTCUTS).flagName, std::string(), std::string(), path, false,
                                          LevelKey(ShortcutJudgement(shortcuts, i).level)});
        }
    for (const auto& e : record.entries) {
        auto count = std::find_if(record.counts.begin(), record.counts.end(),
                                  [&](const std::pair<std::string, int>& c) { return c.first == e.category; });
        if (count == record.counts.end()) record.counts.emplace_back(e.category, 1);
        else ++count->second;
    }
    return record;
}

void LogRepair(const CRegistryLib& engine, const CShortcut& shortcuts, RepairReport& report) {
    // A repair with nothing selected (a console fix of a clean system) changes nothing: no record.
    const bool anySelected =
        std::any_of(engine.ErrorList.begin(), engine.ErrorList.end(), [](const auto& e) { return e && !e->keyPath.empty(); }) ||
        std::any_of(shortcuts.invalidShortcuts.begin(), shortcuts.invalidShortcuts.end(),
                    [](const std::string& p) { return !p.empty(); });
    if (!anySelected) return;
    RepairRecord record = RecordOfRepair(engine, shortcuts, report);
    std::string error, note;
    if (AppendRepairRecord(record, error, note)) report.logId = record.id;
    report.logProblem = error.empty() ? note : (note.empty() ? error : note + "\n" + error);
}
