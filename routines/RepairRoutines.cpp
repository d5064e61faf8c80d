// The repair routines both front ends run on worker threads: the repair itself, the summary screen's
// repair thread and the results screen's repair of the ticked rows.
#include "backup/Backup.h"
#include "engine/PathCleanup.h"
#include "routines/RepairRoutines.h"
#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "registry/RegistryLib.h"

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
    if (report.undoFile.empty()) report.undoFile = UndoFileNameNow();  // its creation fails, so nothing goes
    report.registryDone = job.engine.FixErrors(job.results, report.undoFile);
    if (StopRequested()) return report;
    FixShortcuts(job.shortcuts);
    report.shortcutsDone = true;
    return report;
}

unsigned long FixThread(const RepairJob& job) {
    try {
        // Without a backup the repair would remove entries nobody could get back once the undo
        // file is gone, so a failed backup removes nothing.
        // A full export covers every entry; nothing of an earlier repair's selection applies here.
        job.engine.notBackedUp.clear();
        job.engine.keptKeyPaths.clear();
        if (BackupRegistry(nullptr, backupMessages(job.callbacks)).status != BackupStatus::Failed) RunRepair(job);
    } catch (...) {
        say(job.callbacks, FIX_ERROR_TEXT, FIX_ERROR_CAPTION);
    }
    if (job.callbacks.done) job.callbacks.done();
    return 0;
}

bool IgnoreUntickedRows(CRegistryLib& engine, CShortcut& shortcuts, const RowTicks& ticks) {
    CRegistryLib ignore;  // loads the file as it stands now
    const size_t loaded = ignore.ignoreList.size();
    engine.keptKeyPaths.clear();
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

RepairReport RepairSelectedEntries(const RepairJob& job, const RowTicks& ticks) {
    status(job.callbacks, BACKUP_STATUS_TEXT);
    const bool keptSaved = IgnoreUntickedRows(job.engine, job.shortcuts, ticks);
    if (!keptSaved) say(job.callbacks, KEPT_NOT_SAVED_TEXT + CRegistryLib::IgnoreFileName(), FIX_DONE_CAPTION);
    const ErrorArray toBackUp = recordsToBackUp(job.engine.ErrorList);
    const BackupResult backup = BackupRegistry(&toBackUp, backupMessages(job.callbacks));
    if (backup.status == BackupStatus::Failed) {
        RepairReport report;
        report.keptNotSaved = !keptSaved;
        report.backupFailed = true;
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
    if (report.Completed()) say(job.callbacks, FIX_DONE_TEXT, FIX_DONE_CAPTION);
    return report;
}
