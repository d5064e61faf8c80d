// The repair: removal of the selected registry entries and broken shortcut files, and the two repair
// routines the windows run on their worker threads. Windows take part only through callbacks.
#pragma once
#include <atomic>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "engine/Records.h"

class CRegistryLib;
class CShortcut;

constexpr const char* UNDO_FILE_FORMAT = "FixedOn%A%B%d%Y%H%M%S.xml";  // in the current directory
constexpr const char* FIX_ERROR_TEXT = "Error Occured while Fixing";
constexpr const char* FIX_ERROR_CAPTION = "Fix thread";
constexpr const char* FIX_DONE_TEXT = "Items selected have been removed from the system";
constexpr const char* FIX_DONE_CAPTION = "Zenthar";
constexpr const char* BACKUP_STATUS_TEXT = "Backup in progress";
constexpr const char* FIXING_STATUS_TEXT = "Fixing errors";

// The undo file's name for a local time, e.g. FixedOnSundayDecember062026221730.xml.
std::string UndoFileName(const std::tm& localTime);
std::string UndoFileNameNow();
constexpr int MAX_UNDO_FILES_PER_SECOND = 999;
// The name with "_N" before its extension for N above 1 (FixedOn..._2.xml).
std::string NumberedUndoFileName(const std::string& name, int number);
// An undo file name for now that no file has yet, the file created empty to hold the name: a second
// repair within the same second gets the next number and never truncates the first one's file.
// Empty when every number is taken.
std::string ReserveUndoFileName();

// Where a key path below HKEY_CLASSES_ROOT lives: the same path below the current user's classes
// when the key exists there (the merged view shows those first), else below the machine's classes
// when it exists there; any other path, or a key in neither, unchanged.
std::string ClassesRootHive(const std::string& keyPath);

// True when a "KEY" record names a key strictly below the key its scanner walks (a class below
// HKEY_CLASSES_ROOT\CLSID, a program below App Paths, a tool below Shared Tools), so that deleting
// it with its subtree can never take the container, a root or a stranger's key with it.
bool IsRemovableKeyRecord(const RegistryError& record);

// The key path with the names the registry stores for its components (some scanners keep key
// names lowered), so that a key written back from the undo file or a backup gets its own name
// again. The path unchanged when the key cannot be opened or its stored name not read.
std::string StoredKeyPath(const std::string& keyPath);

// Deletes the files of invalidShortcuts (read-only ones too) and counts them in fixedCount. Emptied
// paths are left alone. Shortcut files get no undo record, so each is checked again right before:
// one whose target exists again (or that no longer reads as a shortcut) stays, and one whose
// deletion fails gets its attributes back.
void FixShortcuts(CShortcut& shortcuts);

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

// Unticked rows go to "ignore.lst" and are blanked in the ErrorList and the shortcut list, so that
// neither the backup nor the repair touches them.
void IgnoreUntickedRows(CRegistryLib& engine, CShortcut& shortcuts, const RowTicks& ticks);

// The results screen's repair: status "Backup in progress", the unticked rows to the ignore list,
// a selective backup of the remaining entries, status "Fixing errors", the repair, and "Items
// selected have been removed from the system" once it completed. Nothing is removed when the
// backup could not be made.
RepairReport RepairSelectedEntries(const RepairJob& job, const RowTicks& ticks);
