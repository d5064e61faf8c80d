// CMainDialog's scan and fix workers, the progress handler, and what the window does when each
// worker ends. Workers never touch a window: they queue their screen updates for the window's
// thread, which runs them in the order queued.
#include <utility>

#include "app/AppFlags.h"
#include "app/main/MainDialog.h"
#include "app/screens/ResultList.h"
#include "app/screens/SubScreen.h"
#include "app/screens/RepairDepthSetting.h"
#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "routines/DepthSelection.h"
#include "settings/ScanClock.h"

namespace {
// The category toggles of the scan screen, in the member order of the selection.
const std::pair<ScanCategory, const char*> CATEGORY_BUTTONS[] = {
    {COM, "BUTTON_COM"},       {COM_SUBS, "BUTTON_COM_SUBS"},         {DRV, "BUTTON_DRV"},
    {HELP, "BUTTON_HELP"},     {APPPATH, "BUTTON_APPPATH"},           {SHARED_TOOLS, "BUTTON_SHARED_TOOLS"},
    {FONTS, "BUTTON_FONTS"},   {STARTUP, "BUTTON_STARTUP"},           {SHORTCUTS, "BUTTON_SHORTCUTS"},
    {UNINSTALL, "BUTTON_UNINSTALL"}, {FILETYPES, "BUTTON_FILETYPES"},
};

CSubMainSkin* FindScreen(const std::vector<std::unique_ptr<CSubMainSkin>>& screens, const char* name) {
    for (const auto& s : screens)
        if (s->name == name) return s.get();
    return nullptr;
}
}  // namespace

void MainProgressHandler(const char* currentItem, const char* progressText, int32_t, int32_t errorCount) {
    CMainDialog* d = CMainDialog::Instance();
    if (!d) return;
    // The engine clears the stop event once as a run begins; a stop asked for before that
    // moment is made good here, at the next entry.
    if (d->stopWanted_ && !StopRequested()) SignalStop();
    if (d->progress_.Report(currentItem, progressText, errorCount, d->selection))
        PostMessageA(d->hwnd(), WM_MAIN_PROGRESS, 0, 0);
}

bool CMainDialog::StartLowPriorityThread(LPTHREAD_START_ROUTINE proc, void* arg, OwnedHandle& out) {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, proc, arg, CREATE_SUSPENDED, &id);
    if (!thread) return false;
    SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
    out.reset(thread);
    ResumeThread(thread);
    return true;
}

void CMainDialog::Post(std::function<void()> update) {
    {
        std::lock_guard<std::mutex> hold(queueLock_);
        queue_.push_back(std::move(update));
    }
    PostMessageA(hwnd(), WM_MAIN_RUNQUEUED, 0, 0);
}

void CMainDialog::RunQueued() {
    for (;;) {
        std::function<void()> update;
        {
            std::lock_guard<std::mutex> hold(queueLock_);
            if (closing_) queue_.clear();
            if (queue_.empty()) return;
            update = std::move(queue_.front());
            queue_.pop_front();
        }
        update();
    }
}

void CMainDialog::ShowQueuedProgress() {
    ProgressSnapshot snapshot;
    if (progress_.Take(snapshot)) {
        if (progressActive_ && scanScreen_) {
            if (repairing_) ShowRepairProgress(scanScreen_->store, snapshot, repairTotal_);
            else ShowProgress(scanScreen_->store, snapshot, selection);
        }
        // The next report waits for the timer: the screen gets at most one repaint per period.
        SetTimer(hwnd(), TIMER_PROGRESS, PROGRESS_REPAINT_MS, nullptr);
    } else if (!progress_.ReleaseIfIdle()) {
        SetTimer(hwnd(), TIMER_PROGRESS, PROGRESS_REPAINT_MS, nullptr);
    }
}

void CMainDialog::SetScanText(const char* label, const std::string& text) {
    if (scanScreen_) scanScreen_->store.SetLabelText(label, text);
}

void CMainDialog::RepaintScanScreen() {
    if (scanScreen_) scanScreen_->Invalidate(true);
}

void CMainDialog::StartScan() {
    store.SetButtonCheck("BUTTON_SCAN", 1);
    scanScreen_ = currentScreen;
    for (const auto& [category, button] : CATEGORY_BUTTONS)
        selection[category] = scanScreen_ ? scanScreen_->store.GetButtonCheck(button) : 0;
    scanInProgress = 1;
    scanSkinFile_ = skinFile;
    stopWanted_ = false;
    ResetStop();
    progress_.Reset();
    progressActive_ = true;
    if (!StartLowPriorityThread(&CMainDialog::ScanWorker, this, scanThread_)) {
        progressActive_ = false;
        scanInProgress = 0;
        store.SetButtonCheck("BUTTON_SCAN", 0);
    }
}

void CMainDialog::StopScan() {
    store.SetButtonCheck("BUTTON_SCAN", 0);
    stopWanted_ = true;
    SignalStop();
}

DWORD WINAPI CMainDialog::ScanWorker(void* self) {
    auto* d = static_cast<CMainDialog*>(self);
    bool completed = false;
    try {
        ScanRun(*d->engine, d->shortcut, d->selection, d->results, [&completed] { completed = true; });
    } catch (...) {
        completed = false;  // listed like a stopped scan: what was found so far
    }
    d->Post([d, completed] { d->ScanFinished(completed); });
    return 0;
}

void CMainDialog::ScanFinished(bool completed) {
    if (scanThread_) {
        WaitForSingleObject(scanThread_.get(), INFINITE);
        scanThread_.reset();
    }
    progressActive_ = false;
    KillTimer(hwnd(), TIMER_PROGRESS);
    const ProgressSnapshot last = progress_.Latest();
    if (automaticScan_ && completed)
        TheScanClock().RecordAutomaticScan(
            static_cast<int32_t>(engine->ErrorList.size() + shortcut.invalidShortcuts.size()));
    automaticScan_ = false;
    ShowClockTexts();
    // The scan run's own message, before the list is filled.
    if (completed) MessageBoxA(hwnd(), "Scan Complete", "Zenthar", MB_OK);
    if (closing_) return;
    if (scanScreen_) ShowCategoryPairs(scanScreen_->store, last, selection);
    SetScanText("TEXT_ERRORSCAN_STATUS", "ScanComplete");
    ShowSubScreen("SUBMAIN_RESULT");
    store.EnableAllButtons(true);
    if (ResultPage* page = ResultPageOf(currentScreen)) page->Fill(FindingsOf(engine->ErrorList, shortcut));
    ShowSubScreen("SUBMAIN_RESULT");
    store.SetButtonCheck("BUTTON_SCAN", 0);
    resultsReady_ = true;
    scanInProgress = 0;
    stopWanted_ = false;
    ResetStop();
    SetScanText("TEXT_ERRORSCAN_CURRENTITEM", "");
    if (selection.get(SHORTCUTS) != 0) SetScanText("PROGRESS_TEXT_SHORTCUTS", "Done");
}

void CMainDialog::StartRepair() {
    const ResultPage* results = ResultPageOf(FindScreen(AllScreens(), SUBMAIN_RESULT));
    if (!results) return;  // nothing was shown, so nothing is removed
    // Set before the worker starts, so that a second press can never start a second repair.
    fixInProgress = 1;
    ticks_ = results->Ticks(engine->ErrorList.size(), shortcut.invalidShortcuts.size());
    repairTotal_ = 0;
    for (size_t i = 0; i < engine->ErrorList.size(); ++i)
        repairTotal_ += (i >= ticks_.registry.size() || ticks_.registry[i]) && engine->ErrorList[i] ? 1 : 0;
    for (size_t i = 0; i < shortcut.invalidShortcuts.size(); ++i)
        repairTotal_ += (i >= ticks_.shortcuts.size() || ticks_.shortcuts[i]) && !shortcut.invalidShortcuts[i].empty();
    if (!scanScreen_) scanScreen_ = FindScreen(AllScreens(), "SUBMAIN_MAIN");
    progress_.Reset();
    progressActive_ = true;
    repairing_ = true;
    // A stop left signalled by whatever ran before would make this repair remove nothing.
    ResetStop();
    if (!StartLowPriorityThread(&CMainDialog::FixWorker, this, fixThread_)) {
        progressActive_ = false;
        repairing_ = false;
        fixInProgress = 0;
    }
}

DWORD WINAPI CMainDialog::FixWorker(void* self) {
    auto* d = static_cast<CMainDialog*>(self);
    d->Post([d] {
        d->ShowSubScreen("SUBMAIN_MAIN");
        d->SetScanText("TEXT_ERRORSCAN_CURRENTITEM", BACKUP_STATUS_TEXT);
        d->RepaintScanScreen();
    });
    // The page stays on the scan screen, which shows the repair's progress.
    std::vector<std::string> lines;  // the backup's notes, then how the repair ended
    std::string caption = FIX_DONE_CAPTION;
    bool refused = false;
    RepairJob job{*d->engine, d->shortcut, d->results, nullptr, {}};
    job.callbacks.status = [d](const std::string& text) {
        if (text == BACKUP_STATUS_TEXT) return;  // already shown
        const int total = d->repairTotal_;
        d->Post([d, text, total] {
            d->SetScanText("TEXT_ERRORSCAN_STATUS", text);
            d->SetScanText("TEXT_ERRORSCAN_CURRENTITEM", "");
            if (d->scanScreen_) ShowRepairProgress(d->scanScreen_->store, ProgressSnapshot{}, total);
            d->RepaintScanScreen();
        });
    };
    job.callbacks.message = [&lines](const std::string& text, const std::string&) { lines.push_back(text); };
    try {
        LeaveUntickedByDepth(*d->engine, d->shortcut, d->ticks_, LoadRepairDepth());
        refused = RepairSelectedEntries(job, d->ticks_).refused;
    } catch (...) {
        lines.push_back(FIX_ERROR_TEXT);
        caption = FIX_ERROR_CAPTION;
    }
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "\n") + line;
    d->Post([d, text, caption, refused] { d->RepairFinished(text, caption, refused); });
    return 0;
}

void CMainDialog::RepairFinished(const std::string& text, const std::string& caption, bool refused) {
    if (fixThread_) {
        WaitForSingleObject(fixThread_.get(), INFINITE);
        fixThread_.reset();
    }
    progressActive_ = false;
    repairing_ = false;
    KillTimer(hwnd(), TIMER_PROGRESS);
    if (scanScreen_) ClearRepairProgress(scanScreen_->store);
    // One message, however the repair ended.
    if (!closing_ && !text.empty()) MessageBoxA(hwnd(), text.c_str(), caption.c_str(), MB_OK);
    fixInProgress = 0;
    if (closing_) return;
    if (refused) {
        // Another repair held the lock and nothing was touched: the results and their ticks are as
        // they were, so the page comes back and Remove can be pressed again once that one ends.
        // Going to the main page would end the results (as every page change does).
        SetScanText("TEXT_ERRORSCAN_CURRENTITEM", "");
        ShowSubScreen("SUBMAIN_RESULT");
        return;
    }
    ShowSubScreen("SUBMAIN_IGNORED");
    ReloadIgnoredList();
    SetScanText("TEXT_ERRORSCAN_CURRENTITEM", "");
    ButtonPressed("BUTTON_MAIN");
    SetScanText("TEXT_ERRORSCAN_CURRENTITEM", "");
}

void CMainDialog::ReloadIgnoredList() {
    // The ignored screen reads "ignore.lst" as the repair left it.
    if (auto* ignored = dynamic_cast<AppSubScreen*>(FindScreen(AllScreens(), "SUBMAIN_IGNORED"))) ignored->FillIgnoredList();
}
