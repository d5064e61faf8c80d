// Starting the system's registry editor hidden, for exports and imports of .reg files.
#pragma once
#include <windows.h>

#include <string>

#include "backup/BackupFile.h"

struct EditorLaunch {
    bool started = false;
    FileHandle process;  // may stay empty even when started: then its end cannot be awaited
    std::string error;   // why it did not start
};

// Starts regedit.exe of the Windows folder (never one that lies in the current directory) with
// the given arguments, hidden, without waiting.
EditorLaunch StartRegistryEditor(const std::string& arguments);

// Quotes a path for the editor's command line.
std::string QuotedPath(const std::string& path);
