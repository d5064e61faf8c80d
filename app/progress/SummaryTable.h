// The rows and texts of the progress dialog's two result tables (no window code).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Records.h"
#include "engine/SafetyLevels.h"

constexpr const char* SHORTCUT_ROW_TITLE = "Missing ShortCuts";
constexpr const char* ACCESS_DENIED_TEXT = "Access Denied";
constexpr const char* FIXED_STATUS_TEXT = "Fixed";

// The shortcut scanner's counts, which have no CategoryResult row of their own.
struct ShortcutCounts {
    int32_t scanned = 0, errors = 0, fixed = 0;
};

struct SummaryTotals {
    int32_t scanned = 0, errors = 0, fixed = 0;
};

using SummaryRows = std::vector<std::vector<std::string>>;

// "%d" of a count.
std::string CountText(int32_t count);
// The "Fixed" column: the count, or "Access Denied" when it is negative.
std::string FixedText(int32_t fixed);

// Scan complete: title, scanned, bugs per category in order, then "Missing ShortCuts". The sums of
// every row go to `totals` (fixed stays 0).
SummaryRows ScanCompleteRows(const CategoryResults& results, const ShortcutCounts& shortcuts, SummaryTotals& totals);
// Repair complete: the same with the fixed column, then "Missing ShortCuts". Negative fixed counts
// lower the fixed sum like any other count.
SummaryRows FixCompleteRows(const CategoryResults& results, const ShortcutCounts& shortcuts, SummaryTotals& totals);

// The findings per level ("118 found: 90 safe, 20 to review, 8 risky") and, on a second line,
// which of them Repair all takes at the chosen depth.
std::string ScanCompleteTitle(const LevelCounts& counts, RepairDepth depth);
