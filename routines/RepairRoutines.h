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
    bool keptNotSaved = false;   // the rows the user kept could not be written to the ignore list
    bool backupFailed = false;   // no backup could be made, so nothing was removed
    std::string backupFile;      // the new backup file (results-screen repair)
    std::string undoFile;        // empty when a stop came before the registry passes
    bool registryDone = false;   // every pass ran and the undo file was deleted
    bool shortcutsDone = false;  // the shortcut files were deleted
    bool Completed() const { return registryDone && shortcutsDone; }
};

// Sets the busy flag, then, unless the stop event is signalled, repairs the ErrorList under a
// fresh undo file name; then, unless the stop event is signalled by then, the shortcut files.
// The stop event is read only at those two points and is not reset.
RepairReport RunRepair(const RepairJob& job);

// The summary screen's repair thread: a full backup of the local-machine hive, the repair, and
// the completion callback in every case. An exception is reported as "Error Occured while Fixing".
// Returns 0, as a thread procedure does.
unsigned long FixThread(const RepairJob& job);

// The ticks of the results list: one per ErrorList record, then one per broken shortcut. A row
// without a tick entry counts as ticked, as the list shows every row ticked at first.
struct RowTicks {
    std::vector<bool> registry;
    std::vector<bool> shortcuts;
};

// Said when the kept rows could not be written to the ignore list (a folder of its name, a
// read-only file, a full disk); the text ends with the file's name.
constexpr const char* KEPT_NOT_SAVED_TEXT =
    "The entries you kept could not be saved, so the next scan will report them again. "
    "The ignore list could not be written: ";

// Unticked rows go to "ignore.lst" and are blanked in the ErrorList and the shortcut list, so that
// neither the backup nor the repair touches them. False when there were such rows and the list
// could not be saved; they are blanked all the same, so this repair leaves them in place.
bool IgnoreUntickedRows(CRegistryLib& engine, CShortcut& shortcuts, const RowTicks& ticks);

// The results screen's repair: status "Backup in progress", the unticked rows to the ignore list,
// a selective backup of the remaining entries, status "Fixing errors", the repair, and "Items
// selected have been removed from the system" once it completed. Nothing is removed when the
// backup could not be made. Kept rows that could not be saved are said at once (keptNotSaved).
RepairReport RepairSelectedEntries(const RepairJob& job, const RowTicks& ticks);
