// The facts of each finding read from the file system, and its level kept with it.
#pragma once
#include <string>

#include "engine/SafetyLevels.h"
#include "registry/RegistryError.h"

class CShortcut;

// The facts of a missing file's path. A path without a folder part counts as having its folder.
LevelFacts FactsOfPath(ScanCategory category, const std::string& path, bool readExactly);

// Judges every finding of the scan that just ended, once: each keeps its level in every output.
void JudgeFindings(ErrorArray& errors, CShortcut& shortcuts);
// The record's level as judged; one judged now when it never was.
LevelJudgement JudgementOf(const RegistryError& err);
LevelJudgement ShortcutJudgement(const CShortcut& shortcuts, size_t index);
// The findings still in the lists, per level.
LevelCounts CountLevels(const ErrorArray& errors, const CShortcut& shortcuts);
