// The routines both front ends run on a repair: unticked rows to the ignore list, the backup, the
// repair itself and the summary screen's repair thread. They sit above the engine and the backup,
// so that the engine never includes the backup; the console and the windows use them alike.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "engine/Records.h"
#include "engine/Repair.h"
#include "routines/RepairLogFormat.h"

class CRegistryLib;
class CShortcut;

// What a repair tells the window that runs it.
struct RepairCallbacks {
    std::function<void(const std::string& text)> status;  // status label of the scan sub-screen
    std::function<void(const std::string& text, const std::string& caption)> message;  // message boxes
    std::function<void()> done;  // end of the summary screen's repair thread (WM_FIXDONE)
};

// The engine objects of the window that runs a repair.
struct RepairJob {
    CRegistryLib& engine;  // with the ErrorList of the last scan
    CShortcut& shortcuts;
    CategoryResults& results;
    std::atomic<bool>* busy = nullptr;  // the window's busy flag: set by RunRepair, cleared by the window
    RepairCallbacks callbacks;
};

struct RepairReport {
    bool refused = false;        // another repair or restore held the lock: nothing was done
    bool keptNotSaved = false;   // the rows the user kept could not be written to the ignore list
    bool backupFailed = false;   // no backup could be made, so nothing was removed
    std::string backupFile;      // the new backup file (results-screen repair)
    std::string undoFile;        // empty when a stop came before the registry passes
    bool registryDone = false;   // every pass ran and the undo file was deleted
    bool shortcutsDone = false;  // the shortcut files were deleted
    bool undoUsable = true;      // the undo file could be created and written
    bool undoKept = false;       // the undo file is still there (something went wrong)
    int removed = 0;             // registry entries and shortcut files removed
    int left = 0;                // selected entries still in place
    std::vector<std::string> firstLeft;  // "entry (why)" of the first of them
    int logId = 0;               // the repair's id in the repair log; 0 when it could not be logged
    std::string logProblem;      // why it could not be logged, or a damaged log's note
    bool Completed() const { return registryDone && shortcutsDone; }
    bool RemovedAll() const { return Completed() && left == 0; }
};

// How a repair ended, in one text: "Items selected have been removed from the system" when every
// selected entry went; otherwise how many were removed, how many stayed with the first of them and
// why, and the full path of the undo file that was kept.
std::string RepairEndMessage(const RepairReport& report);

// The repair log's record of a repair that ran (or was held back for want of a backup): the
// ErrorList records it removed and the shortcut files that are gone, with counts per category.
RepairRecord RecordOfRepair(const CRegistryLib& engine, const CShortcut& shortcuts, const RepairReport& report,
                            const RowTicks& ticks = RowTicks{});
// Appends the record of the repair to the repair log (the repair lock held) and notes the outcome
// in `report` (logId, logProblem). A repair that had nothing selected leaves no record.
void LogRepair(const CRegistryLib& engine, const CShortcut& shortcuts, RepairReport& report,
               const RowTicks& ticks = RowTicks{});

// Sets the busy flag, then, unless the stop event is signalled, repairs the ticked rows of the
// ErrorList under a fresh undo file name; then, unless the stop event is signalled by then, the
// ticked shortcut files. The stop event is read only at those two points and is not reset. The
// shortcut files go into the folder of `backupFile` (KeepShortcutFile); without a backup file they
// are deleted.
RepairReport RunRepair(const RepairJob& job, const RowTicks& ticks = RowTicks{},
                       const std::string& backupFile = std::string());

// The summary screen's repair thread: the repair of every row as RepairSelectedEntries makes it
// (the same lock, the same backup of exactly the records it removes, the same log), and the
// completion callback in every case. The repair-complete screen shows a whole repair, so only a
// repair that left something, a refusal or a note is said in words. An exception is reported as
// "Error Occurred while Fixing". Returns 0, as a thread procedure does.
unsigned long FixThread(const RepairJob& job);

// Said when the kept rows could not be written to the ignore list (a folder of its name, a
// read-only file, a full disk); the text ends with the file's name.
constexpr const char* KEPT_NOT_SAVED_TEXT =
    "The entries you kept could not be saved, so the next scan will report them again. "
    "The ignore list could not be written: ";

// Unticked rows go to "ignore.lst", and their keys are noted in the engine's keptKeyPaths so that a
// ticked key holding one is left too. The rows themselves stay as they are: the repair passes them
// by through `ticks`. False when there were such rows and the list could not be saved; this repair
// leaves them in place all the same.
bool IgnoreUntickedRows(CRegistryLib& engine, CShortcut& shortcuts, const RowTicks& ticks);

// The repair both front ends run, under the repair lock (taken here unless `lockHeld` says the
// caller holds it; while another holder has it, only its message and `refused`): status "Backup in
// progress", the unticked rows to the ignore list, a backup of exactly the ticked records, status
// "Fixing errors", the repair, the repair log, and its end message (RepairEndMessage) in every case.
// Nothing is removed when the backup could not be made. Kept rows that could not be saved are
// said in the same end message (keptNotSaved).
RepairReport RepairSelectedEntries(const RepairJob& job, const RowTicks& ticks, bool lockHeld = false);
