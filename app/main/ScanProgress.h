// The scan screen's progress: what the workers report, kept until the user-interface thread shows
// it (at most a few dozen repaints a second), and the ten category label pairs it refreshes.
#pragma once
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "engine/Records.h"

class CSkinStore;

struct ProgressSnapshot {
    std::string currentItem;
    std::string progressText;
    // The error count last reported while each category ran; `counted` says whether one came.
    std::array<int32_t, SCAN_CATEGORY_COUNT> counts{};
    std::array<bool, SCAN_CATEGORY_COUNT> counted{};
    int repairSteps = 0;  // entries a repair has taken so far (IsRepairStep)
};

// Reports from a worker thread, taken by the user-interface thread. Only the newest report
// matters, so reports in between replace each other instead of queueing repaints.
class ProgressMailbox {
public:
    // Worker: keeps the report, counted for the category that runs now (flag 2). True when the
    // user-interface thread is to be woken, i.e. no wake-up is pending yet.
    bool Report(const char* currentItem, const char* progressText, int32_t errorCount, const ScanSelection& selection);
    // User-interface thread: the newest report, and whether it is newer than the last one taken.
    bool Take(ProgressSnapshot& out);
    // User-interface thread: when nothing came since the last Take, the next report wakes it
    // again (returns true); otherwise it stays pending.
    bool ReleaseIfIdle();
    // A new scan or repair: no counts, nothing pending.
    void Reset();
    ProgressSnapshot Latest();

private:
    std::mutex lock_;
    ProgressSnapshot latest_;
    unsigned reported_ = 0, taken_ = 0;
    bool pending_ = false;
};

// One pair of labels of the scan screen: the state text and the count of a category.
struct CategoryLabelPair {
    ScanCategory category;
    const char* stateLabel;
    const char* countLabel;
};
// The pairs in the order the screen refreshes them.
extern const std::array<CategoryLabelPair, SCAN_CATEGORY_COUNT> PROGRESS_LABEL_ORDER;

// What a pair shows for its selection flag: 0 or 1 (not selected, or waiting) empty texts; 2
// (running) "Scanning" and the count; -1 (finished) "Done" and the count kept. A text left alone
// has its `set` false.
struct PairTexts {
    bool setState = false;
    std::string state;
    bool setCount = false;
    std::string count;
};
PairTexts PairTextsFor(int32_t flag, bool counted, int32_t count);

// A repair's progress reports: its first registry pass reports each record once (a record the
// user unticked with an empty key), the later passes each record again, and the shortcut repair
// each file. True for the reports that mean the repair has taken one more selected entry.
bool IsRepairStep(const std::string& currentItem, const std::string& progressText);
// "3 of 40", the entries taken of those selected.
std::string RepairCountText(int done, int total);
// The entry a report names, on one line (its parts joined by backslashes) and, when longer than
// `width` characters, cut at its start, where a registry path is least telling.
std::string EntryText(const std::string& currentItem, size_t width);
// Shows a repair's snapshot on the scan screen: "Removing", the count and the entry.
void ShowRepairProgress(CSkinStore& screen, const ProgressSnapshot& snapshot, int total);
// Empties what ShowRepairProgress wrote.
void ClearRepairProgress(CSkinStore& screen);

// Shows a snapshot on the scan screen: the status and current item, then the pairs in order.
void ShowProgress(CSkinStore& screen, const ProgressSnapshot& snapshot, const ScanSelection& selection);
// Only the pairs (the end of a scan shows them from the final selection).
void ShowCategoryPairs(CSkinStore& screen, const ProgressSnapshot& snapshot, const ScanSelection& selection);
