// A finding as people read it: the problem in words, the missing file, where it is registered, and
// what a repair does to it. Shared by the result list, the saved reports and the console.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "engine/Records.h"
#include "engine/SafetyLevels.h"

class CShortcut;

struct Finding {
    ScanCategory category = COM;
    std::string problem;      // "Startup program not found"
    std::string missingFile;  // the file the entry points at
    std::string location;     // the key (and value), or the shortcut's own path
    std::string key;          // the registry key alone; empty for a shortcut
    std::string valueName;    // the value a repair removes; empty when it removes the key
    bool removesKey = false;
    bool view64 = false;      // read through the 64-bit registry view
    // Where the finding sits in the engine's lists: ErrorList[index], or invalidShortcuts[index].
    bool shortcut = false;
    size_t index = 0;
    SafetyLevel level = LEVEL_REVIEW;  // as judged after the scan
    std::string reason;                // why, in one line
};

// The problem in words for a category, e.g. "Shared DLL: file missing".
const char* ProblemText(ScanCategory category);
// The area a category word of the console or the repair log ("COM_SUBS") names, in words
// ("Shared DLLs"); the word itself when it names no category.
std::string AreaWords(const std::string& categoryWord);
// The category of a record's type ("CLSID", "Startup", ...); COM for an unknown type.
ScanCategory CategoryOfType(const std::string& type);

Finding FindingOf(const RegistryError& err, size_t index);
Finding ShortcutFinding(const std::string& linkPath, const std::string& target, size_t index,
                        const LevelJudgement& level = LevelJudgement());
// The records first, in their order, then the shortcuts.
std::vector<Finding> FindingsOf(const ErrorArray& errors, const CShortcut& shortcuts);

// The selected entry in full, on four lines: the problem and the missing file, the location, what a
// repair does to it, and its level with the reason.
std::string FindingDetails(const Finding& finding);
