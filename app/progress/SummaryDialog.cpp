// CSummaryDialog: screens, dispatcher, workers and completion handling of the progress dialog.
#include "app/progress/SummaryDialog.h"

#include <commctrl.h>

#include "app/AppFlags.h"
#include "app/HelpPage.h"
#include "app/progress/ThreadWait.h"
#include "app/UserMessages.h"
#include "app/screens/RepairDepthSetting.h"
#include "engine/FindingLevels.h"
#include "routines/DepthSelection.h"
#include "routines/RepairRoutines.h"
#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "framework/Resource.h"
#include "skin/SkinNames.h"
#include "skin/SkinImage.h"
#include "skin/SkinNames.h"
#include "skin/SkinReader.h"
#include "skin/SkinScale.h"

namespace {
constexpr UINT_PTR OWNER_TIMER = 0x5A;  // watches the owner: a window whose owner is gone cancels
constexpr UINT OWNER_CHECK_MS = 500;
constexpr UINT RESULT_TABLE_ID = 1010;
constexpr DWORD PROGRESS_INTERVAL_MS = 50;

// The progress handler reaches the dialog only through this registration, under the lock, so a
// screen change or the window's end never meets a handler half-way.
std::mutex g_progressLock;
CSummaryDialog* g_progressTarget = nullptr;
DWORD g_lastProgress = 0;

// The dialog's thread takes the lock while still answering sent messages: a worker holding it
// may be repainting one of this thread's labels.
void lockServingSentMessages() {
    while (!g_progressLock.try_lock()) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        Sleep(1);
    }
}

std::string oneLine(const char* text) {
    std::string s = text ? text : "";
    for (auto& c : s)
        if (c == '\n' || c == '\r') c = '\\';
    return s;
}

// The one text of everything a repair worker said.
std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

// Kept open for the life of the process, so that a waiter that opens it later still finds it set.
void signalAborted() {
    static HANDLE aborted = CreateEventA(nullptr, TRUE, FALSE, ABORTED_EVENT_NAME);
    if (aborted) SetEvent(aborted);
}
}  // namespace

HANDLE SummaryRepairIdleEvent() {
    static HANDLE idle = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    return idle;
}

CSummaryDialog::~CSummaryDialog() {
    RegisterProgress(false);
    FinishWorker();
}

void CSummaryDialog::RegisterProgress(bool on) {
    lockServingSentMessages();
    if (on) g_progressTarget = this;
    else if (g_progressTarget == this) g_progressTarget = nullptr;
    g_lastProgress = 0;
    g_progressLock.unlock();
}

void CSummaryDialog::Progress(const char* currentItem, const char* progressText, int32_t, int32_t errors) {
    std::lock_guard<std::mutex> hold(g_progressLock);
    CSummaryDialog* d = g_progressTarget;
    if (!d) return;
    const DWORD now = GetTickCount();
    if (g_lastProgress && now - g_lastProgress < PROGRESS_INTERVAL_MS) return;
    g_lastProgress = now ? now : 1;
    CSkinStore& s = d->store;
    if (d->screen_ == SummaryScreen::ScanProgress) {
        s.SetLabelText("TEXT_ERRORSCAN_STATUS", progressText ? progressText : "");
        s.SetLabelText("TEXT_ERRORSCAN_ERRORFOUND", CountText(errors));
        s.SetLabelText("TEXT_ERRORSCAN_CURRENTITEM", oneLine(currentItem));
    } else if (d->screen_ == SummaryScreen::RepairProgress) {
        s.SetLabelText("TEXT_ERRORFIXING_STATUS", progressText ? progressText : "");
        s.SetLabelText("TEXT_ERRORFIXING_CURRENTITEM", oneLine(currentItem));
    }
}

bool CSummaryDialog::Begin(HWND parent, const std::string& skinPath, const CategoryFlags& flags) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    ownsScanFlag_ = true;  // the starter set scanInProgress for this dialog; it clears it
    owner_ = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
    skinFile = skinPath;
    for (size_t i = 0; i < flags.size(); ++i) selection.flags[i] = flags[i];
    engine->progressCallback = &CSummaryDialog::Progress;
    shortcut.progressCallback = &CSummaryDialog::Progress;
    if (!CreateModeless(IDD_SUMMARY, owner_)) return false;
    // The rest runs from the dialog's own loop: whoever started this thread waits for Begin, and
    // showing the window may send activation messages to that thread's windows.
    PostMessageA(hwnd(), WM_SUMMARYBEGIN, 0, 0);
    return true;
}

void CSummaryDialog::Open() {
    if (!BuildScreen(SCAN_PROGRESS_INFO, SummaryScreen::ScanProgress)) {
        ShowSkinNotFound(hwnd());
        ClearRunFlags();
        Destroy();
        return;
    }
    // The movie comes straight from the program's resource: the main window writes and deletes
    // the movie file on its own thread, so that file is not ours to rely on.
    std::string dimension = GetSkinString(skinFile, SCAN_ANIMATION_SECTION, "DIMENSION", "0,0,0,0");
    const RECT rect = ToRect(ParseSkinRect(dimension));
    if (flash.Create(PROGRESS_ANIMATION_NAME, WS_CHILD | WS_VISIBLE, rect, hwnd(), PROGRESS_ANIMATION_ID)) {
        const void* data = nullptr;
        DWORD size = 0;
        int movieDpi = SKIN_BASE_DPI;
        const char* type = BuiltInMovieType(SkinDpi(), movieDpi);
        if (type && LoadDataResource(ANIMATION_RESOURCE, type, &data, &size))
            flash.SetMovieData(std::string(static_cast<const char*>(data), size), movieDpi);
        flash.Play();
    }
    ShowWindow(hwnd(), SW_SHOW);
    SetTimer(hwnd(), OWNER_TIMER, OWNER_CHECK_MS, nullptr);
    RegisterProgress(true);
    AnnounceWorking(true);
    StartWorker(&CSummaryDialog::ScanWorker);
    if (!workerThread) PostMessageA(hwnd(), WM_SCANDONE, 0, 0);
}

bool CSummaryDialog::BuildScreen(const char* infoSection, SummaryScreen which) {
    RegisterProgress(false);
    const std::string value = GetSkinString(skinFile, infoSection, "1", "");
    if (value.empty()) return false;
    const SkinScreenLine line = ParseScreenLine(value);
    store.Reset();
    resultTable.Destroy();
    const std::string folder = GetSkinFolder(skinFile);
    SIZE size{};
    store.LoadPictures(folder, line.images, size);
    // The screens' rectangles are in the owner's client coordinates.
    POINT origin{0, 0};
    if (owner_ && IsWindow(owner_)) ClientToScreen(owner_, &origin);
    const RECT at = ToRect(line.rect);
    SetWindowPos(hwnd(), nullptr, origin.x + at.left, origin.y + at.top, at.right - at.left, at.bottom - at.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    store.LoadButtons(hwnd(), skinFile, line.name + "_BUTTONINFO");
    store.LoadLabels(hwnd(), skinFile, line.name + "_TEXTINFO");
    const std::string list = GetSkinString(skinFile, line.name + "_LISTINFO", "1", "");
    if (!list.empty()) {
        const SkinListLine l = ParseListLine(list);
        if (resultTable.CreateControl(WC_LISTVIEWA, 0, WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL,
                                      "", ToRect(l.rect), hwnd(), RESULT_TABLE_ID)) {
            SendMessageA(resultTable.hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
            NameSkinControl(resultTable.hwnd(), line.name + "_LISTINFO", "1");
            for (size_t c = 0; c < l.columns.size(); ++c) {
                LVCOLUMNA col{};
                col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
                col.pszText = const_cast<char*>(l.columns[c].title.c_str());
                col.cx = ScaleToDpi(l.columns[c].width, SkinDpi());
                col.iSubItem = static_cast<int>(c);
                SendMessageA(resultTable.hwnd(), LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
            }
        }
    }
    SortByReadingOrder(hwnd());
    screen_ = which;
    Invalidate(true);
    return true;
}

void CSummaryDialog::FillTable(const SummaryRows& rows) {
    HWND table = resultTable.hwnd();
    if (!table) return;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(r);
            item.iSubItem = static_cast<int>(c);
            item.pszText = const_cast<char*>(rows[r][c].c_str());
            SendMessageA(table, c == 0 ? LVM_INSERTITEMA : LVM_SETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
        }
    }
    // Hidden and shown again, so that it paints over the new background.
    ShowWindow(table, SW_HIDE);
    ShowWindow(table, SW_SHOW);
}

void CSummaryDialog::StartWorker(LPTHREAD_START_ROUTINE routine) {
    busy = 1;
    workerWindow_ = hwnd();
    DWORD id = 0;
    workerThread.reset(CreateThread(nullptr, 0, routine, this, 0, &id));
    workerThreadId = workerThread ? id : 0;
    if (!workerThread) busy = 0;
}

bool CSummaryDialog::JoinWorker(DWORD milliseconds) {
    if (!workerThread) return true;
    if (!WaitServingSentMessages(workerThread.get(), milliseconds)) return false;
    workerThread.reset();
    workerThreadId = 0;
    return true;
}

ShortcutCounts CSummaryDialog::ShortcutTotals() const {
    return ShortcutCounts{shortcut.scannedCount, shortcut.errorCount, shortcut.fixedCount};
}

void CSummaryDialog::DiscardResults() { results.clear(); }

void CSummaryDialog::ClearRunFlags() {
    if (ownsScanFlag_) scanInProgress = 0;
    if (ownsFixFlag_) fixInProgress = 0;
    ownsScanFlag_ = ownsFixFlag_ = false;
}

void CSummaryDialog::AbortRun() {
    resultTable.Destroy();
    DiscardResults();
    ResetStop();
    ClearRunFlags();
    signalAborted();
}

DWORD WINAPI CSummaryDialog::ScanWorker(void* param) {
    auto* self = static_cast<CSummaryDialog*>(param);
    const HWND window = self->workerWindow_;
    try {
        ScanRun(*self->engine, self->shortcut, self->selection, self->results,
                [window] { MessageBoxA(window, SCAN_COMPLETE_TEXT, SCAN_COMPLETE_CAPTION, MB_OK); });
    } catch (...) {
        MessageBoxA(window, SCAN_ERROR_TEXT, SCAN_ERROR_CAPTION, MB_OK);
    }
    PostMessageA(window, WM_SCANDONE, 0, 0);
    return 0;
}

DWORD WINAPI CSummaryDialog::RepairWorker(void* param) {
    auto* self = static_cast<CSummaryDialog*>(param);
    const HWND window = self->workerWindow_;
    // No box while it runs: a repair that outlives the window (the program closing) must never
    // wait for an answer. What it said is shown once it has ended.
    try {
        RepairJob job{*self->engine, self->shortcut, self->results, nullptr, {}};
        job.callbacks.message = [self](const std::string& text, const std::string&) {
            self->repairMessages_.push_back(text);
        };
        // Repair all takes what the depth would tick; the rest stays, unignored, for the result page.
        const RepairDepth depth = LoadRepairDepth();
        const LevelCounts left =
            LeaveInPlace(*self->engine, self->shortcut, TicksAtDepth(*self->engine, self->shortcut, depth));
        FixThread(job);  // reports its own exceptions with "Error Occurred while Fixing"
        const std::string leftText = LeftAtDepthText(left, depth);
        if (!leftText.empty()) self->repairMessages_.push_back(leftText + ". Scan again to review them in the list.");
    } catch (...) {
        self->repairMessages_.push_back(FIX_ERROR_TEXT);
    }
    PostMessageA(window, WM_FIXDONE, 0, 0);
    SetEvent(SummaryRepairIdleEvent());
    return 0;
}

void CSummaryDialog::AnnounceWorking(bool working) {
    if (working == announcedWorking_) return;
    announcedWorking_ = working;
    if (owner_ && IsWindow(owner_)) PostMessageA(owner_, WM_SUMMARYWORKING, working ? 1 : 0, 0);
}

void CSummaryDialog::StartRepair() {
    // The results stay until the scan or repair that runs beside this dialog has ended.
    if (scanInProgress || fixInProgress) {
        MessageBoxA(hwnd(), SUMMARY_BUSY_TEXT, SCAN_COMPLETE_CAPTION, MB_OK | MB_ICONINFORMATION);
        return;
    }
    store.EnableButton("BUTTON_FIXERROR", false);
    resultTable.Destroy();
    flash.Destroy();
    if (!BuildScreen(REPAIR_PROGRESS_INFO, SummaryScreen::RepairProgress)) screen_ = SummaryScreen::RepairProgress;
    store.SetLabelText("TEXT_ERRORFIXING_STATUS", BACKUP_STATUS_TEXT);
    store.SetLabelText("TEXT_ERRORFIXING_ITEMSCANNED", CountText(scanTotals_.scanned));
    store.SetLabelText("TEXT_ERRORFIXING_ERRORFOUND", CountText(scanTotals_.errors));
    fixInProgress = 1;
    ownsFixFlag_ = true;
    // A stop left signalled by whatever ran before (the main window's scan) would make the
    // repair remove nothing.
    ResetStop();
    repairMessages_.clear();
    RegisterProgress(true);
    AnnounceWorking(true);
    ResetEvent(SummaryRepairIdleEvent());
    StartWorker(&CSummaryDialog::RepairWorker);
    if (!workerThread) {
        SetEvent(SummaryRepairIdleEvent());
        PostMessageA(hwnd(), WM_FIXDONE, 0, 0);
    }
}

void CSummaryDialog::ButtonPressed(const std::string& name) {
    if (name == "BUTTON_FIXERROR") {
        if (screen_ != SummaryScreen::ScanComplete || workerThread) return;
        StartRepair();
    } else if (name == "BUTTON_CANCEL" || name == "BUTTON_OK") {
        if (workerThread) return;  // only the two result screens show these buttons
        DiscardResults();
        ClearRunFlags();
        Destroy();
    } else if (name == "BUTTON_STOPSCAN") {
        SignalStop();
    }
}

bool CSummaryDialog::EndWorkerStopped() {
    JoinWorker(INFINITE);  // the worker posts its completion message as its last step
    RegisterProgress(false);
    if (!StopRequested()) return false;
    AbortRun();
    busy = 0;
    Destroy();
    return true;
}

LRESULT CSummaryDialog::OnScanDone(WPARAM, LPARAM) {
    if (EndWorkerStopped()) return 0;
    flash.Destroy();  // the animation belongs to the progress screen only
    BuildScreen(SCAN_COMPLETE_INFO, SummaryScreen::ScanComplete);
    FillTable(ScanCompleteRows(results, ShortcutTotals(), scanTotals_));
    store.SetLabelText("TEXT_SCANCOMPLETE_STATUS", "Complete");
    store.SetLabelText("TEXT_SCANCOMPLETE_ITEMSCANNED", CountText(scanTotals_.scanned));
    store.SetLabelText("TEXT_SCANCOMPLETE_ERRORFOUND", CountText(scanTotals_.errors));
    store.SetLabelText("TEXT_SCREENSCANCOMPLETE_TITLE",
                       ScanCompleteTitle(CountLevels(engine->ErrorList, shortcut), LoadRepairDepth()));
    // Only results are shown now: the main window acts again, its own scan included.
    if (ownsScanFlag_) scanInProgress = 0;
    ownsScanFlag_ = false;
    AnnounceWorking(false);
    busy = 0;
    return 0;
}

LRESULT CSummaryDialog::OnFixDone(WPARAM, LPARAM) {
    const bool stopped = EndWorkerStopped();
    const std::string said = joined(repairMessages_);
    repairMessages_.clear();
    if (stopped) {
        if (!said.empty() && !appClosing) MessageBoxA(nullptr, said.c_str(), FIX_DONE_CAPTION, MB_OK);
        return 0;
    }
    AnnounceWorking(false);
    if (ownsFixFlag_) fixInProgress = 0;
    ownsFixFlag_ = false;
    BuildScreen(REPAIR_COMPLETE_INFO, SummaryScreen::RepairComplete);
    SummaryTotals totals;
    FillTable(FixCompleteRows(results, ShortcutTotals(), totals));
    DiscardResults();
    store.SetLabelText("TEXT_FIXCOMPLETE_STATUS", FIXED_STATUS_TEXT);
    store.SetLabelText("TEXT_FIXCOMPLETE_ITEMSCANNED", CountText(totals.scanned));
    store.SetLabelText("TEXT_FIXCOMPLETE_ERRORFOUND", CountText(totals.errors));
    store.SetLabelText("TEXT_FIXCOMPLETE_FIXED", CountText(totals.fixed));
    // What stayed and why, over the table that counts it.
    if (!said.empty() && !appClosing) MessageBoxA(hwnd(), said.c_str(), FIX_DONE_CAPTION, MB_OK);
    busy = 0;
    return 0;
}

void CSummaryDialog::OnCancel() {
    if (workerThread && screen_ == SummaryScreen::RepairProgress) {
        // A repair runs to its end, as the main window's own does when the program closes.
        ShowWindow(hwnd(), SW_HIDE);
        JoinWorker(INFINITE);
        RegisterProgress(false);
        DiscardResults();
        ClearRunFlags();
        busy = 0;
    } else if (workerThread) {
        SignalStop();
        const DWORD start = GetTickCount();
        bool ended = false;
        // A worker waiting on its message box could never end: the box is answered for it.
        while (!(ended = JoinWorker(200)) && GetTickCount() - start < CANCEL_WAIT_MS)
            CloseThreadMessageBoxes(workerThreadId);
        RegisterProgress(false);
        if (ended) AbortRun();  // otherwise FinishWorker does it once the worker has ended
        busy = 0;
    } else {
        DiscardResults();
        ClearRunFlags();
    }
    EndDialog(IDCANCEL);
}

void CSummaryDialog::FinishWorker() {
    const bool repairing = screen_ == SummaryScreen::RepairProgress;
    if (hwnd()) Destroy();
    if (workerThread) {
        if (!repairing) SignalStop();  // a repair is never cut short (see OnCancel)
        while (!JoinWorker(200)) CloseThreadMessageBoxes(workerThreadId);
        if (!repairing) AbortRun();
    }
    ClearRunFlags();
}

void CSummaryDialog::OnTimer(UINT_PTR id) {
    if (id == OWNER_TIMER && owner_ && !IsWindow(owner_)) {
        owner_ = nullptr;
        OnCancel();
    }
}

void CSummaryDialog::OnDestroy() {
    RegisterProgress(false);
    AnnounceWorking(false);
    KillTimer(hwnd(), OWNER_TIMER);
    if (quitOnDestroy) PostQuitMessage(0);
    Summary::OnDestroy();
}

LRESULT CSummaryDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SUMMARYBEGIN) {
        Open();
        SetResult(0);
        return 0;
    }
    if (msg == WM_HELP) {  // F1 on any of its screens, passed up by the focused control
        OpenHelpPage(hwnd());
        SetResult(TRUE);
        return TRUE;
    }
    if (msg == WM_SCANDONE || msg == WM_FIXDONE) {
        const LRESULT r = msg == WM_SCANDONE ? OnScanDone(wp, lp) : OnFixDone(wp, lp);
        SetResult(r);
        return r;
    }
    if (msg != WM_SUMMARYQUERY) return Summary::OnMessage(msg, wp, lp);
    auto* q = reinterpret_cast<SummaryQuery*>(lp);
    if (q) {
        const CSkinLabel* label = q->label.empty() ? nullptr : store.FindLabel(q->label);
        q->labelFound = label != nullptr;
        q->text = label ? label->Text() : std::string();
        q->screen = screen_;
        q->table = resultTable.hwnd();
        q->busy = busy != 0;
    }
    SetResult(1);
    return 1;
}
