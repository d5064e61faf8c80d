// Shared pieces of the console commands: category lists, output lines, progress and Ctrl+C.
#pragma once
#include <string>

#include "engine/Records.h"
#include "engine/scanners/Shortcut.h"
#include "engine/RegistryLib.h"

// Fills the selection from a comma-separated list of category words (empty: all). False, with a
// message in `error`, for an unknown word.
bool ParseCategoryList(const std::string& list, ScanSelection& selection, std::string& error);

std::string OneLineField(const std::string& text);  // tabs and line breaks become one space
void PrintFinding(const RegistryError& err);
void PrintRow(const CategoryResult& row);
void PrintShortcutFinding(const std::string& path);
void PrintShortcutRow(const CShortcut& shortcuts);

// Progress on standard error, one line updated in place, only when it is a console.
void ConsoleProgress(const char* currentItem, const char* progressText, int32_t scanned, int32_t errors);
void EndConsoleProgress();

// Ctrl+C and Ctrl+Break signal the stop event instead of killing the process.
void InstallStopOnCtrlC();

// A scan run as the console commands start it: Ctrl+C stops it, progress goes to standard error.
struct ConsoleScan {
    CRegistryLib engine;
    CShortcut shortcuts{&engine};
    CategoryResults results;
    bool wantShortcuts = false;  // the "Missing ShortCuts" row is printed only then
    void run(ScanSelection& selection);
};

// The console runs with the rights of whoever starts it: when the registry refused a removal or a
// restore for lack of rights (ERROR_ACCESS_DENIED), says so on standard error and what to do.
void SayRefusedForRights(const char* what);
// True when the repair met an entry whose removal was refused for rights.
bool RemovalRefusedForRights(const CRegistryLib& engine);

int ScanCommand(int argc, char** argv);
int RestoreCommand(int argc, char** argv);
int UndoCommand(int argc, char** argv);
int FixCommand(int argc, char** argv);
int HistoryCommand(int argc, char** argv);
