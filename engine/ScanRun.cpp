// The scan run shared by the windows and the console.
#include "engine/ScanRun.h"

#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "engine/FindingLevels.h"
#include "engine/OrderedFileTests.h"
#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "engine/RegistryLib.h"

namespace {
struct ProgressCall {
    std::string item, text;
    int32_t scanned, errors;
};
// The shortcut scan's progress while it runs beside the registry scan, kept for its turn.
thread_local std::vector<ProgressCall>* t_recorded = nullptr;

void recordProgress(const char* item, const char* text, int32_t scanned, int32_t errors) {
    if (t_recorded) t_recorded->push_back({item ? item : "", text ? text : "", scanned, errors});
}

bool anyRegistryCategory(const ScanSelection& selection) {
    for (ScanCategory c : REGISTRY_CATEGORIES)
        if (selection.get(c) != 0) return true;
    return false;
}

void scanShortcutsInTurn(CShortcut& shortcuts, ScanSelection& selection) {
    if (selection.get(SHORTCUTS) == 0) return;
    selection[SHORTCUTS] = 2;
    shortcuts.ScanAllDrives();
    selection[SHORTCUTS] = -1;
}

// The shortcut scan walks the disks on a thread of its own while the registry is read (the two
// share nothing but the ignore list, which neither changes), and takes its turn afterwards: its
// progress is shown then, in the order it came, so the run looks as if one followed the other.
class ShortcutsAlongside {
public:
    ShortcutsAlongside(CShortcut& shortcuts) : shortcuts_(shortcuts), shown_(shortcuts.progressCallback) {}
    ~ShortcutsAlongside() { join(); }
    void start() {
        shortcuts_.progressCallback = recordProgress;
        thread_ = std::thread([this] {
            t_recorded = &calls_;
            try {
                shortcuts_.ScanAllDrives();
            } catch (...) {
                failure_ = std::current_exception();
            }
            t_recorded = nullptr;
        });
    }
    bool started() const { return thread_.joinable(); }
    void join() {
        if (thread_.joinable()) thread_.join();
        shortcuts_.progressCallback = shown_;
    }
    void takeTurn(ScanSelection& selection) {
        join();
        if (failure_) std::rethrow_exception(failure_);
        selection[SHORTCUTS] = 2;
        for (size_t i = 0; i < calls_.size(); ++i) {
            const ProgressCall& c = calls_[i];
            if (shown_) shown_(c.item.c_str(), c.text.c_str(), c.scanned, c.errors);
            if (!StopRequested() || i + 1 == calls_.size()) continue;
            // Stopped from the display: the scan ends where it was shown to be. A call gives the
            // counts from before its own link was judged; the next call has them from after.
            const int32_t found = calls_[i + 1].errors;
            if (found >= 0 && static_cast<size_t>(found) <= shortcuts_.invalidShortcuts.size())
                shortcuts_.invalidShortcuts.resize(static_cast<size_t>(found));
            shortcuts_.scannedCount = c.scanned;
            shortcuts_.errorCount = found;
            break;
        }
        selection[SHORTCUTS] = -1;
    }

private:
    CShortcut& shortcuts_;
    ScanProgressCallback shown_;
    std::vector<ProgressCall> calls_;
    std::exception_ptr failure_;
    std::thread thread_;
};

void scanAll(CRegistryLib& engine, CShortcut& shortcuts, ScanSelection& selection, CategoryResults& results) {
    results.clear();
    shortcuts.ClearInvalidShortcuts();
    if (StopRequested()) return;
    if (selection.get(SHORTCUTS) == 0 || !anyRegistryCategory(selection) || ScanThreadCount() <= 1) {
        engine.RunSelectedScans(results, selection);
        if (StopRequested()) return;
        scanShortcutsInTurn(shortcuts, selection);
    } else {
        const int32_t counts[3] = {shortcuts.scannedCount, shortcuts.fixedCount, shortcuts.errorCount};
        ShortcutsAlongside links(shortcuts);
        engine.RunSelectedScans(results, selection, [&] { links.start(); });
        if (StopRequested()) {
            // Stopped among the registry categories: the shortcut scan never had its turn.
            links.join();
            shortcuts.ClearInvalidShortcuts();
            shortcuts.scannedCount = counts[0], shortcuts.fixedCount = counts[1], shortcuts.errorCount = counts[2];
            return;
        }
        if (links.started()) links.takeTurn(selection);
        else scanShortcutsInTurn(shortcuts, selection);
    }
}
}  // namespace

void ScanRun(CRegistryLib& engine, CShortcut& shortcuts, ScanSelection& selection,
             CategoryResults& results, const std::function<void()>& onComplete) {
    scanAll(engine, shortcuts, selection, results);
    // Judged once here, after a stop too: the findings made before it are shown with their levels.
    JudgeFindings(engine.ErrorList, shortcuts);
    if (!StopRequested() && onComplete) onComplete();
}
