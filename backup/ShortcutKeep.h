// Shortcut files a repair removes, kept beside its backup so that every restore of that repair
// puts them back: "<backup folder>\<backup name without .reg>\<drive letter>\<path as it was>"
// ("UNC\server\share\..." for a network path).
#pragma once
#include <string>

#include "backup/BackupFormat.h"

// The folder that holds the kept shortcut files of a backup file.
std::string ShortcutKeepFolder(const std::string& backupFile);
// Where `original` is kept for that backup; empty for a path that is not a full path.
std::string KeptShortcutPath(const std::string& backupFile, const std::string& original);

// Moves one shortcut file into the backup's folder with its times and attributes. False, leaving
// the file where it was, when it cannot (then the repair leaves that shortcut in place).
bool KeepShortcutFile(const std::string& backupFile, const std::string& path);

struct ShortcutsBack {
    int restored = 0;  // moved back where they were
    int present = 0;   // left in the folder: a file exists at their place now
    int failed = 0;    // could not be moved back
};
// Moves every kept file of the backup back where it was, byte for byte with its times and
// attributes, never over a file that exists there now (that one is left and named in a message);
// then removes the emptied folders.
ShortcutsBack RestoreKeptShortcuts(const std::string& backupFile, const BackupMessageCallback& message);

// Removes the backup's folder of kept shortcut files with everything in it (the rotation).
void RemoveKeptShortcuts(const std::string& backupFile);
