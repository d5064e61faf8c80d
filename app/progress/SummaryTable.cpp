// The progress dialog's result rows and texts.
#include "app/progress/SummaryTable.h"

#include <cstdio>

std::string CountText(int32_t count) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(count));
    return buffer;
}

std::string FixedText(int32_t fixed) { return fixed < 0 ? ACCESS_DENIED_TEXT : CountText(fixed); }

SummaryRows ScanCompleteRows(const CategoryResults& results, const ShortcutCounts& shortcuts, SummaryTotals& totals) {
    SummaryRows rows;
    totals = SummaryTotals{};
    for (const auto& r : results) {
        if (!r) continue;
        rows.push_back({r->title, CountText(r->scannedCount), CountText(r->errorCount)});
        totals.scanned += r->scannedCount;
        totals.errors += r->errorCount;
    }
    rows.push_back({SHORTCUT_ROW_TITLE, CountText(shortcuts.scanned), CountText(shortcuts.errors)});
    totals.scanned += shortcuts.scanned;
    totals.errors += shortcuts.errors;
    return rows;
}

SummaryRows FixCompleteRows(const CategoryResults& results, const ShortcutCounts& shortcuts, SummaryTotals& totals) {
    SummaryRows rows;
    totals = SummaryTotals{};
    for (const auto& r : results) {
        if (!r) continue;
        rows.push_back({r->title, CountText(r->scannedCount), CountText(r->errorCount), FixedText(r->fixedCount)});
        totals.scanned += r->scannedCount;
        totals.errors += r->errorCount;
        totals.fixed += r->fixedCount;
    }
    rows.push_back({SHORTCUT_ROW_TITLE, CountText(shortcuts.scanned), CountText(shortcuts.errors),
                    CountText(shortcuts.fixed)});
    totals.scanned += shortcuts.scanned;
    totals.errors += shortcuts.errors;
    totals.fixed += shortcuts.fixed;
    return rows;
}

std::string ScanCompleteTitle(const LevelCounts& counts, RepairDepth depth) {
    static const char* const TAKES[] = {"the safe ones", "safe and review", "all of them, risky too"};
    if (counts.total() == 0) return LevelSummary(counts);
    return LevelSummary(counts) + "\nRepair all removes " + TAKES[depth] + " (depth " + DepthWord(depth) + ")";
}
