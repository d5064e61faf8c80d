// How safe a finding is to remove, in one table with the reason for each judgement, and the repair
// depth that decides which levels a repair takes by default. Pure logic: no windows.h here.
#pragma once
#include <array>
#include <cstddef>
#include <string>

#include "engine/Records.h"

enum SafetyLevel : int { LEVEL_SAFE, LEVEL_REVIEW, LEVEL_RISKY, SAFETY_LEVEL_COUNT };

// The facts a judgement reads, all known once the scan has found the entry's file missing.
struct LevelFacts {
    ScanCategory category = COM;
    bool folderPresent = false;       // the missing file's folder still exists
    bool inWindowsFolder = false;     // the file belongs in the Windows folder or below it
    bool readExactly = true;          // the path reads back exactly as stored
    bool unexpandedVariable = false;  // the path still holds a %NAME% that did not expand
};

struct LevelJudgement {
    SafetyLevel level = LEVEL_REVIEW;
    const char* reason = "";
};

// The first row of the table that matches the facts.
LevelJudgement JudgeLevel(const LevelFacts& facts);

// "Safe", "Review", "Risky" for people; "safe", "review", "risky" for scripts.
const char* LevelWord(SafetyLevel level);
const char* LevelKey(SafetyLevel level);

// How deep a repair goes: which levels are ticked after a scan.
enum RepairDepth : int { DEPTH_SAFE, DEPTH_NORMAL, DEPTH_DEEP };
constexpr RepairDepth DEFAULT_DEPTH = DEPTH_NORMAL;
bool TakenAtDepth(SafetyLevel level, RepairDepth depth);
const char* DepthWord(RepairDepth depth);  // "Safe", "Normal", "Deep"
const char* DepthKey(RepairDepth depth);   // "safe", "normal", "deep", as the console and the settings take it
// "safe", "normal", "deep" without regard to case; false for anything else.
bool ParseDepth(const std::string& word, RepairDepth& depth);
// The stored setting: an unknown or missing word reads as the default.
RepairDepth DepthOrDefault(const std::string& word);

// Findings per level, and the honest summary of them: "118 found: 90 safe, 20 to review, 8 risky".
struct LevelCounts {
    std::array<size_t, SAFETY_LEVEL_COUNT> n{};
    void add(SafetyLevel level) { ++n[static_cast<size_t>(level)]; }
    size_t total() const { return n[0] + n[1] + n[2]; }
    size_t beyond(RepairDepth depth) const;  // those the depth leaves unticked
};
std::string LevelSummary(const LevelCounts& counts);
// "12 left in place: 10 to review, 2 risky" for what a depth leaves; "" when it leaves nothing.
std::string LeftAtDepthText(const LevelCounts& counts, RepairDepth depth);
