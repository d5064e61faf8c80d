// The progress mailbox and the category label pairs of the scan screen.
#include "app/main/ScanProgress.h"

#include "skin/SkinStore.h"

const std::array<CategoryLabelPair, SCAN_CATEGORY_COUNT> PROGRESS_LABEL_ORDER{{
    {COM, "PROGRESS_TEXT_COM", "PROGRESS_COUNT_COM"},
    {COM_SUBS, "PROGRESS_TEXT_COM_SUBS", "PROGRESS_COUNT_COM_SUBS"},
    {HELP, "PROGRESS_TEXT_HELP", "PROGRESS_COUNT_HELP"},
    {APPPATH, "PROGRESS_TEXT_APPPATH", "PROGRESS_COUNT_APPPATH"},
    {SHARED_TOOLS, "PROGRESS_TEXT_SHARED_TOOLS", "PROGRESS_COUNT_SHARED_TOOLS"},
    {FONTS, "PROGRESS_TEXT_FONTS", "PROGRESS_COUNT_FONTS"},
    {STARTUP, "PROGRESS_TEXT_STARTUP", "PROGRESS_COUNT_STARTUP"},
    {UNINSTALL, "PROGRESS_TEXT_UNINSTALL", "PROGRESS_COUNT_UNINSTALL"},
    {FILETYPES, "PROGRESS_TEXT_FILETYPES", "PROGRESS_COUNT_FILETYPES"},
    {DRV, "PROGRESS_TEXT_DRV", "PROGRESS_COUNT_DRV"},
    {SHORTCUTS, "PROGRESS_TEXT_SHORTCUTS", "PROGRESS_COUNT_SHORTCUTS"},
}};

bool ProgressMailbox::Report(const char* currentItem, const char* progressText, int32_t errorCount,
                             const ScanSelection& selection) {
    std::lock_guard<std::mutex> hold(lock_);
    latest_.currentItem = currentItem ? currentItem : "";
    latest_.progressText = progressText ? progressText : "";
    for (int c = 0; c < SCAN_CATEGORY_COUNT; ++c) {
        if (selection.get(static_cast<ScanCategory>(c)) != 2) continue;
        latest_.counts[c] = errorCount;
        latest_.counted[c] = true;
    }
    if (IsRepairStep(latest_.currentItem, latest_.progressText)) ++latest_.repairSteps;
    ++reported_;
    if (pending_) return false;
    pending_ = true;
    return true;
}

bool ProgressMailbox::Take(ProgressSnapshot& out) {
    std::lock_guard<std::mutex> hold(lock_);
    out = latest_;
    const bool newer = reported_ != taken_;
    taken_ = reported_;
    return newer;
}

bool ProgressMailbox::ReleaseIfIdle() {
    std::lock_guard<std::mutex> hold(lock_);
    if (reported_ != taken_) return false;
    pending_ = false;
    return true;
}

void ProgressMailbox::Reset() {
    std::lock_guard<std::mutex> hold(lock_);
    latest_ = ProgressSnapshot{};
    taken_ = reported_;
    pending_ = false;
}

ProgressSnapshot ProgressMailbox::Latest() {
    std::lock_guard<std::mutex> hold(lock_);
    return latest_;
}

PairTexts PairTextsFor(int32_t flag, bool counted, int32_t count) {
    PairTexts t;
    if (flag == 0 || flag == 1) {
        t.setState = t.setCount = true;
    } else if (flag == 2) {
        t.setState = t.setCount = true;
        t.state = "Scanning";
        t.count = std::to_string(counted ? count : 0);
    } else if (flag == -1) {
        t.setState = true;
        t.state = "Done";
        // The count stays as the category left it; reports that were merged on the way are
        // made up here with the last one the category gave.
        t.setCount = counted;
        if (counted) t.count = std::to_string(count);
    }
    return t;
}

void ShowCategoryPairs(CSkinStore& screen, const ProgressSnapshot& snapshot, const ScanSelection& selection) {
    for (const auto& pair : PROGRESS_LABEL_ORDER) {
        const PairTexts t =
            PairTextsFor(selection.get(pair.category), snapshot.counted[pair.category], snapshot.counts[pair.category]);
        if (t.setState) screen.UpdateLabelText(pair.stateLabel, t.state);
        if (t.setCount) screen.UpdateLabelText(pair.countLabel, t.count);
    }
}

void ShowProgress(CSkinStore& screen, const ProgressSnapshot& snapshot, const ScanSelection& selection) {
    screen.UpdateLabelText("TEXT_ERRORSCAN_STATUS", snapshot.progressText);
    screen.UpdateLabelText("TEXT_ERRORSCAN_CURRENTITEM", snapshot.currentItem);
    ShowCategoryPairs(screen, snapshot, selection);
}

namespace {
constexpr const char* FIRST_PASS_TITLE = "Fixing CLSID ";
constexpr const char* SHORTCUT_TITLE = "Fixing ShortCuts";
constexpr size_t ENTRY_LABEL_WIDTH = 30;  // what the current-item label shows of an entry
}  // namespace

bool IsRepairStep(const std::string& currentItem, const std::string& progressText) {
    if (progressText == SHORTCUT_TITLE) return !currentItem.empty();
    return progressText == FIRST_PASS_TITLE && !currentItem.empty() && currentItem[0] != '\n';
}

std::string RepairCountText(int done, int total) {
    if (done > total) done = total;
    return std::to_string(done) + " of " + std::to_string(total);
}

std::string EntryText(const std::string& currentItem, size_t width) {
    std::string text = currentItem;
    for (auto& c : text)
        if (c == '\n' || c == '\r') c = '\\';
    if (text.size() <= width || width < 4) return text;
    return "..." + text.substr(text.size() - (width - 3));
}

void ShowRepairProgress(CSkinStore& screen, const ProgressSnapshot& snapshot, int total) {
    screen.UpdateLabelText("PROGRESS_TEXT_MSDOS", "Removing");
    screen.UpdateLabelText("TEXT_ERRORSCAN_ERRORFOUND", RepairCountText(snapshot.repairSteps, total));
    if (!snapshot.currentItem.empty())
        screen.UpdateLabelText("TEXT_ERRORSCAN_CURRENTITEM", EntryText(snapshot.currentItem, ENTRY_LABEL_WIDTH));
}

void ClearRepairProgress(CSkinStore& screen) {
    screen.UpdateLabelText("PROGRESS_TEXT_MSDOS", "");
    screen.UpdateLabelText("TEXT_ERRORSCAN_ERRORFOUND", "");
    screen.UpdateLabelText("TEXT_ERRORSCAN_CURRENTITEM", "");
}
