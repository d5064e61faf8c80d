// The repair: removal of the selected registry entries and broken shortcut files. The routines that
// wrap it with the ignore list and the backup live in routines/, above the engine and the backup.
#pragma once
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "engine/Records.h"

class CRegistryLib;
class CShortcut;

// What a repair takes: one tick per ErrorList record, then one per broken shortcut. A row without a
// tick counts as ticked, as the results list shows every row ticked at first. An unticked row is
// passed by as it stands; its record is never altered to say so.
struct RowTicks {
    std::vector<bool> registry;
    std::vector<bool> shortcuts;
    bool Registry(size_t row) const { return row >= registry.size() || registry[row]; }
    bool Shortcut(size_t row) const { return row >= shortcuts.size() || shortcuts[row]; }
};

constexpr const char* UNDO_FILE_FORMAT = "FixedOn%A%B%d%Y%H%M%S.xml";  // in the data folder
constexpr const char* FIX_ERROR_TEXT = "Error Occurred while Fixing";
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
// The full path, in the data folder, of an undo file for now that no file has yet, the file created
// empty to hold the name: a second repair within the same second gets the next number and never
// truncates the first one's file. Empty when every number is taken.
std::string ReserveUndoFileName();

// Where a key path below HKEY_CLASSES_ROOT lives: the same path below the current user's classes
// when the key exists there (the merged view shows those first), else below the machine's classes
// when it exists there; any other path, or a key in neither, unchanged.
std::string ClassesRootHive(const std::string& keyPath);

// True when a "KEY" record names a key strictly below the key its scanner walks (a class below
// HKEY_CLASSES_ROOT\CLSID, a program below either App Paths, a tool below Shared Tools, a verb of
// a file type below its shell key), so that deleting it with its subtree can never take the
// container, a root or a stranger's key with it.
bool IsRemovableKeyRecord(const RegistryError& record);

// The key path with the names the registry stores for its components (some scanners keep key
// names lowered), so that a key written back from the undo file or a backup gets its own name
// again. The path unchanged when the key cannot be opened or its stored name not read.
std::string StoredKeyPath(const std::string& keyPath);

// Deletes the files of invalidShortcuts (read-only ones too) and counts them in fixedCount. Rows
// unticked in `ticks` are left alone. Shortcut files get no undo record, so each is checked again right before:
// one whose target exists again (or that no longer reads as a shortcut) stays, and one whose
// deletion fails gets its attributes back. With `remove`, that call removes each file instead of
// the deletion (moving it where a restore finds it) and says whether it is gone.
using ShortcutRemover = std::function<bool(const std::string& path)>;
void FixShortcuts(CShortcut& shortcuts, const std::vector<bool>& ticks = {}, const ShortcutRemover& remove = nullptr);
