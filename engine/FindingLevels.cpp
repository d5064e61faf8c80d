// Each finding's facts, read once the scan has ended, and the level judged from them.
#include "engine/FindingLevels.h"

#include <windows.h>

#include <unordered_map>

#include "engine/Findings.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/Shortcut.h"

namespace {
std::string lowerText(std::string text) {
    if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// A %NAME% left in the text: expansion keeps the tokens it does not know as they are.
bool holdsUnexpandedVariable(const std::string& path) {
    const size_t open = path.find('%');
    if (open == std::string::npos) return false;
    const size_t close = path.find('%', open + 1);
    return close != std::string::npos && close > open + 1 && path.find('\\', open) > close;
}

bool underFolder(const std::string& lowerPath, const std::string& lowerFolder) {
    if (lowerFolder.empty() || lowerPath.compare(0, lowerFolder.size(), lowerFolder) != 0) return false;
    return lowerPath.size() == lowerFolder.size() || lowerPath[lowerFolder.size()] == '\\' ||
           lowerFolder.back() == '\\';
}

// Folder tests of one judging run: missing files of one program tend to share their folder.
class FolderPresence {
public:
    bool present(const std::string& lowerFolder) {
        const auto found = seen_.find(lowerFolder);
        if (found != seen_.end()) return found->second;
        const DWORD attributes = GetFileAttributesA(lowerFolder.c_str());
        const bool there = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        seen_.emplace(lowerFolder, there);
        return there;
    }

private:
    std::unordered_map<std::string, bool> seen_;
};

LevelFacts factsOf(ScanCategory category, const std::string& path, bool readExactly, FolderPresence& folders) {
    LevelFacts f;
    f.category = category;
    f.readExactly = readExactly;
    f.unexpandedVariable = holdsUnexpandedVariable(path);
    const std::string lower = lowerText(path);
    static const std::string windowsFolder = lowerText(WindowsDirectory());
    f.inWindowsFolder = underFolder(lower, windowsFolder);
    const size_t slash = lower.find_last_of('\\');
    // "C:\x.exe" lies in the root folder, which is always there.
    f.folderPresent = slash == std::string::npos || folders.present(lower.substr(0, slash == 2 ? 3 : slash));
    return f;
}

// The path a record names reads back exactly: a shared DLL's path is its value's name, the
// others' the value's text.
bool readsExactly(const RegistryError& err, ScanCategory category) {
    if (!err.value) return false;
    return err.value->exactName && (category == COM_SUBS || err.value->exactData);
}

LevelJudgement judgeRecord(const RegistryError& err, FolderPresence& folders) {
    const ScanCategory category = CategoryOfType(err.type);
    return JudgeLevel(factsOf(category, err.filePath, readsExactly(err, category), folders));
}
}  // namespace

LevelFacts FactsOfPath(ScanCategory category, const std::string& path, bool readExactly) {
    FolderPresence folders;
    return factsOf(category, path, readExactly, folders);
}

void JudgeFindings(ErrorArray& errors, CShortcut& shortcuts) {
    FolderPresence folders;
    for (auto& err : errors) {
        if (!err) continue;
        const LevelJudgement j = judgeRecord(*err, folders);
        err->safetyLevel = j.level;
        err->safetyReason = j.reason;
    }
    shortcuts.levels.clear();
    shortcuts.levels.reserve(shortcuts.invalidShortcuts.size());
    for (const auto& link : shortcuts.invalidShortcuts)
        shortcuts.levels.push_back(JudgeLevel(factsOf(SHORTCUTS, shortcuts.MissingTargetOf(link), true, folders)));
}

LevelJudgement JudgementOf(const RegistryError& err) {
    if (err.safetyLevel >= 0 && err.safetyLevel < SAFETY_LEVEL_COUNT && err.safetyReason)
        return {static_cast<SafetyLevel>(err.safetyLevel), err.safetyReason};
    FolderPresence folders;
    return judgeRecord(err, folders);
}

LevelJudgement ShortcutJudgement(const CShortcut& shortcuts, size_t index) {
    if (index < shortcuts.levels.size()) return shortcuts.levels[index];
    if (index >= shortcuts.invalidShortcuts.size()) return {};
    FolderPresence folders;
    const std::string& link = shortcuts.invalidShortcuts[index];
    return JudgeLevel(factsOf(SHORTCUTS, shortcuts.MissingTargetOf(link), true, folders));
}

LevelCounts CountLevels(const ErrorArray& errors, const CShortcut& shortcuts) {
    LevelCounts counts;
    for (const auto& err : errors)
        if (err && !err->keyPath.empty()) counts.add(JudgementOf(*err).level);
    for (size_t i = 0; i < shortcuts.invalidShortcuts.size(); ++i)
        if (!shortcuts.invalidShortcuts[i].empty()) counts.add(ShortcutJudgement(shortcuts, i).level);
    return counts;
}
