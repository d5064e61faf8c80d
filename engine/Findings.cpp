// The words of a finding, per category.
#include "engine/Findings.h"

#include "engine/FindingLevels.h"
#include "engine/scanners/Shortcut.h"

namespace {
struct ProblemWords {
    ScanCategory category;
    const char* text;
};
// Said the way a user would say it: what the entry is, then what is wrong with it.
constexpr ProblemWords PROBLEM_WORDS[] = {
    {COM, "COM class: server file missing"},
    {COM_SUBS, "Shared DLL: file missing"},
    {DRV, "Driver: file missing"},
    {HELP, "Help file: file missing"},
    {APPPATH, "Application path: program missing"},
    {SHARED_TOOLS, "Shared tool: file missing"},
    {FONTS, "Font: file missing"},
    {STARTUP, "Startup program not found"},
    {UNINSTALL, "Uninstall entry: program missing"},
    {FILETYPES, "File type command: program missing"},
    {SHORTCUTS, "Shortcut: target missing"},
};
// The areas as the scan areas page names them.
constexpr ProblemWords AREA_WORDS[] = {
    {COM, "COM classes"},         {COM_SUBS, "Shared DLLs"},    {DRV, "Drivers"},
    {HELP, "Help files"},         {APPPATH, "Application paths"}, {SHARED_TOOLS, "Shared tools"},
    {FONTS, "Fonts"},             {STARTUP, "Startup programs"}, {UNINSTALL, "Uninstall entries"},
    {FILETYPES, "File types"},    {SHORTCUTS, "Shortcuts"},
};
}  // namespace

std::string AreaWords(const std::string& categoryWord) {
    for (const auto& row : CATEGORY_TABLE) {
        if (categoryWord != row.flagName) continue;
        for (const auto& words : AREA_WORDS)
            if (words.category == row.category) return words.text;
    }
    return categoryWord;
}

const char* ProblemText(ScanCategory category) {
    for (const auto& words : PROBLEM_WORDS)
        if (words.category == category) return words.text;
    return PROBLEM_WORDS[0].text;
}

ScanCategory CategoryOfType(const std::string& type) {
    for (const auto& row : CATEGORY_TABLE)
        if (*row.type && type == row.type) return row.category;
    return COM;
}

Finding FindingOf(const RegistryError& err, size_t index) {
    Finding f;
    f.category = CategoryOfType(err.type);
    f.problem = ProblemText(f.category);
    f.missingFile = err.filePath;
    f.key = err.keyPath;
    f.removesKey = err.action != "VAL";
    if (!f.removesKey && err.value) f.valueName = err.value->name;
    f.location = f.removesKey ? f.key : f.key + " : " + f.valueName;
    // On 64-bit Windows the same key may exist in both views: say which one the repair touches.
    f.view64 = err.view64;
    if (f.view64) f.location += " (64-bit)";
    f.index = index;
    const LevelJudgement j = JudgementOf(err);
    f.level = j.level;
    f.reason = j.reason;
    return f;
}

Finding ShortcutFinding(const std::string& linkPath, const std::string& target, size_t index,
                        const LevelJudgement& level) {
    Finding f;
    f.category = SHORTCUTS;
    f.problem = ProblemText(SHORTCUTS);
    f.missingFile = target;
    f.location = linkPath;
    f.shortcut = true;
    f.index = index;
    f.level = level.level;
    f.reason = level.reason;
    return f;
}

std::vector<Finding> FindingsOf(const ErrorArray& errors, const CShortcut& shortcuts) {
    std::vector<Finding> out;
    out.reserve(errors.size() + shortcuts.invalidShortcuts.size());
    for (size_t i = 0; i < errors.size(); ++i)
        if (errors[i]) out.push_back(FindingOf(*errors[i], i));
    for (size_t i = 0; i < shortcuts.invalidShortcuts.size(); ++i)
        out.push_back(ShortcutFinding(shortcuts.invalidShortcuts[i], shortcuts.MissingTargetOf(shortcuts.invalidShortcuts[i]), i,
                                      ShortcutJudgement(shortcuts, i)));
    return out;
}

std::string FindingDetails(const Finding& f) {
    std::string text = f.problem + ": " + (f.missingFile.empty() ? std::string("(target unknown)") : f.missingFile) + "\n";
    const std::string level = std::string("\n") + LevelWord(f.level) + ": " + f.reason;
    if (f.shortcut) return text + "Shortcut file: " + f.location + "\nA repair deletes this shortcut file." + level;
    text += "Registry key: " + f.key + (f.view64 ? " (64-bit view)\n" : "\n");
    if (f.removesKey) return text + "A repair removes this key and everything under it." + level;
    return text + "A repair removes the value \"" + f.valueName + "\" of this key." + level;
}
