// The repair routines the windows run on worker threads: the repair itself, the summary screen's
// repair thread and the results screen's repair of the ticked rows.
#include "backup/Backup.h"
#include "engine/Repair.h"
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

// The records as the backup should see them: keys to be deleted under their stored names, so that a
// restore recreates them as they were named.
ErrorArray recordsToBackUp(const ErrorArray& errors) {
    ErrorArray copy;
    for (const auto& err : errors) {
        if (!err) continue;
        copy.push_back(std::make_unique<RegistryError>(*err));
        if (err->action == "KEY" && !err->keyPath.empty()) copy.back()->keyPath = StoredKeyPath(err->keyPath);
    }
    return copy;
}
}  // namespace

RepairReport RunRepair(const RepairJob& job) {
    if (job.busy) *job.busy = true;
    RepairReport report;
    const std::string undoFile = UndoFileNameNow();
    if (StopRequested()) return report;  // a stop requested earlier and not cleared: nothing at all
    report.undoFile = undoFile;
    report.registryDone = job.engine.FixErrors(job.results, undoFile);
    if (StopRequested()) return report;
    FixShortcuts(job.shortcuts);
    report.shortcutsDone = true;
    return report;
}

unsigned long FixThread(const RepairJob& job) {
    try {
        // Without a backup the repair would remove entries nobody could get back once the undo
        // file is gone, so a failed backup removes nothing.
        if (BackupRegistry(nullptr, backupMessages(job.callbacks)).status != BackupStatus::Failed) RunRepair(job);
    } catch (...) {
        say(job.callbacks, FIX_ERROR_TEXT, FIX_ERROR_CAPTION);
    }
    if (job.callbacks.done) job.callbacks.done();
    return 0;
}

void IgnoreUntickedRows(CRegistryLib& engine, CShortcut& shortcuts, const RowTicks& ticks) {
    CRegistryLib ignore;  // loads the file as it stands now
    for (size_t row = 0; row < engine.ErrorList.size(); ++row) {
        auto& rec = engine.ErrorList[row];
        if (!rec || ticked(ticks.registry, row)) continue;
        ignore.ignoreList.push_back(std::make_unique<RegistryError>(*rec));
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
    ignore.SaveIgnoreList();
}

RepairReport RepairSelectedEntries(const RepairJob& job, const RowTicks& ticks) {
    status(job.callbacks, BACKUP_STATUS_TEXT);
    IgnoreUntickedRows(job.engine, job.shortcuts, ticks);
    const ErrorArray toBackUp = recordsToBackUp(job.engine.ErrorList);
    const BackupResult backup = BackupRegistry(&toBackUp, backupMessages(job.callbacks));
    if (backup.status == BackupStatus::Failed) {
        RepairReport report;
        report.backupFailed = true;
        return report;
    }
    status(job.callbacks, FIXING_STATUS_TEXT);
    RepairReport report = RunRepair(job);
    report.backupFile = backup.file;
    if (report.Completed()) say(job.callbacks, FIX_DONE_TEXT, FIX_DONE_CAPTION);
    return report;
}
