// The safety-level table and the repair depths.
#include "engine/SafetyLevels.h"

namespace {
// What a row asks of the facts besides its category.
enum class When { UNREADABLE, UNEXPANDED, WINDOWS_FOLDER, ALWAYS, FOLDER_PRESENT, FOLDER_GONE };
constexpr ScanCategory ANY_CATEGORY = SCAN_CATEGORY_COUNT;

struct LevelRule {
    When when;
    ScanCategory category;  // ANY_CATEGORY for every category
    SafetyLevel level;
    const char* reason;
};

// Read from the top; the first row that matches decides. Doubt about what an entry names comes
// first, then what Windows itself registered, then the kinds whose wrong removal breaks software;
// the kinds that only stop something already failing are Safe only once their folder is gone too.
// A category without a row of its own (a kind added later) is Review.
constexpr LevelRule LEVEL_RULES[] = {
    {When::UNREADABLE, ANY_CATEGORY, LEVEL_RISKY,
     "Its path could not be read exactly: what it names is uncertain."},
    {When::UNEXPANDED, ANY_CATEGORY, LEVEL_RISKY,
     "Its path uses a variable that does not expand here."},
    {When::WINDOWS_FOLDER, ANY_CATEGORY, LEVEL_RISKY,
     "Its file is in the Windows folder: Windows registered it."},
    {When::ALWAYS, COM, LEVEL_RISKY,
     "COM class: a wrong removal breaks the programs that use it."},
    {When::ALWAYS, DRV, LEVEL_REVIEW, "A driver entry: worth a look before it goes."},
    {When::ALWAYS, SHARED_TOOLS, LEVEL_REVIEW, "A shared tool: other programs may still expect it."},
    {When::FOLDER_PRESENT, ANY_CATEGORY, LEVEL_REVIEW,
     "File missing but its folder is there: mid-update or moved?"},
    {When::FOLDER_GONE, STARTUP, LEVEL_SAFE, "Program gone with its folder: the entry fails at every start."},
    {When::FOLDER_GONE, UNINSTALL, LEVEL_SAFE, "Program gone with its folder: the entry can only fail."},
    {When::FOLDER_GONE, APPPATH, LEVEL_SAFE, "Program gone with its folder: the path leads nowhere."},
    {When::FOLDER_GONE, SHORTCUTS, LEVEL_SAFE, "Target gone with its folder: the shortcut can only fail."},
    {When::FOLDER_GONE, COM_SUBS, LEVEL_SAFE, "Shared file gone with its folder: the count names nothing."},
    {When::FOLDER_GONE, HELP, LEVEL_SAFE, "Help file gone with its folder: the entry names nothing."},
    {When::FOLDER_GONE, FONTS, LEVEL_SAFE, "Font file gone with its folder: the entry names nothing."},
    {When::ALWAYS, ANY_CATEGORY, LEVEL_REVIEW, "Not a kind known to be safe: worth a look."},
};

bool matches(const LevelRule& rule, const LevelFacts& f) {
    if (rule.category != ANY_CATEGORY && rule.category != f.category) return false;
    switch (rule.when) {
        case When::UNREADABLE: return !f.readExactly;
        case When::UNEXPANDED: return f.unexpandedVariable;
        case When::WINDOWS_FOLDER: return f.inWindowsFolder;
        case When::FOLDER_PRESENT: return f.folderPresent;
        case When::FOLDER_GONE: return !f.folderPresent;
        case When::ALWAYS: return true;
    }
    return false;
}

constexpr const char* LEVEL_WORDS[] = {"Safe", "Review", "Risky"};
constexpr const char* LEVEL_KEYS[] = {"safe", "review", "risky"};
constexpr const char* DEPTH_WORDS[] = {"Safe", "Normal", "Deep"};
constexpr const char* DEPTH_KEYS[] = {"safe", "normal", "deep"};
RepairDepth knownDepth(RepairDepth depth) { return depth >= DEPTH_SAFE && depth <= DEPTH_DEEP ? depth : DEFAULT_DEPTH; }

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}
}  // namespace

LevelJudgement JudgeLevel(const LevelFacts& facts) {
    for (const LevelRule& rule : LEVEL_RULES)
        if (matches(rule, facts)) return {rule.level, rule.reason};
    return {LEVEL_REVIEW, LEVEL_RULES[sizeof LEVEL_RULES / sizeof LEVEL_RULES[0] - 1].reason};
}

const char* LevelWord(SafetyLevel level) { return LEVEL_WORDS[level < SAFETY_LEVEL_COUNT ? level : LEVEL_RISKY]; }
const char* LevelKey(SafetyLevel level) { return LEVEL_KEYS[level < SAFETY_LEVEL_COUNT ? level : LEVEL_RISKY]; }

// Each depth takes its own level and those below it: Safe takes Safe, Normal adds Review, Deep all.
bool TakenAtDepth(SafetyLevel level, RepairDepth depth) { return static_cast<int>(level) <= static_cast<int>(depth); }

const char* DepthWord(RepairDepth depth) { return DEPTH_WORDS[knownDepth(depth)]; }
const char* DepthKey(RepairDepth depth) { return DEPTH_KEYS[knownDepth(depth)]; }

bool ParseDepth(const std::string& word, RepairDepth& depth) {
    const std::string w = lowered(word);
    for (int d = DEPTH_SAFE; d <= DEPTH_DEEP; ++d)
        if (w == DEPTH_KEYS[d]) {
            depth = static_cast<RepairDepth>(d);
            return true;
        }
    return false;
}

RepairDepth DepthOrDefault(const std::string& word) {
    RepairDepth depth = DEFAULT_DEPTH;
    return ParseDepth(word, depth) ? depth : DEFAULT_DEPTH;
}

size_t LevelCounts::beyond(RepairDepth depth) const {
    size_t left = 0;
    for (int l = 0; l < SAFETY_LEVEL_COUNT; ++l)
        if (!TakenAtDepth(static_cast<SafetyLevel>(l), depth)) left += n[static_cast<size_t>(l)];
    return left;
}

std::string LevelSummary(const LevelCounts& c) {
    return std::to_string(c.total()) + " found: " + std::to_string(c.n[LEVEL_SAFE]) + " safe, " +
           std::to_string(c.n[LEVEL_REVIEW]) + " to review, " + std::to_string(c.n[LEVEL_RISKY]) + " risky";
}

std::string LeftAtDepthText(const LevelCounts& c, RepairDepth depth) {
    const size_t left = c.beyond(depth);
    if (left == 0) return std::string();
    std::string text = std::to_string(left) + " left in place at depth " + DepthWord(depth) + ":";
    if (!TakenAtDepth(LEVEL_REVIEW, depth)) text += " " + std::to_string(c.n[LEVEL_REVIEW]) + " to review,";
    text += " " + std::to_string(c.n[LEVEL_RISKY]) + " risky";
    return text;
}
