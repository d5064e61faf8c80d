// CSummaryDialog: the progress and summary dialog, a Summary that scans and repairs in its own
// window and shows four screens in turn.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/ScanObjects.h"
#include "skin/Summary.h"
#include "app/progress/SummaryTable.h"

// The category flags a scan starts with (ScanSelection's member order; 0 = not selected).
using CategoryFlags = std::array<int32_t, SCAN_CATEGORY_COUNT>;

// Announced when a run of the dialog was stopped, for whoever waits on it.
constexpr const char* ABORTED_EVENT_NAME = "Zenthar_ABORTED";
constexpr const char* SCAN_ERROR_TEXT = "Error Occurred while scanning";
constexpr const char* SCAN_ERROR_CAPTION = "Scan thread";
constexpr const char* SCAN_COMPLETE_TEXT = "Scan Complete";
constexpr const char* SCAN_COMPLETE_CAPTION = "Zenthar";
// How long Cancel waits for a worker before it closes the window all the same: below the 10 s
// that a closing main window waits for the whole dialog.
constexpr DWORD CANCEL_WAIT_MS = 7000;

enum class SummaryScreen { None, ScanProgress, ScanComplete, RepairProgress, RepairComplete };

// The skin sections of the four screens (each INFO section holds the screen's line "1").
constexpr const char* SCAN_PROGRESS_INFO = "SCREENERRORSCANINFO";
constexpr const char* SCAN_COMPLETE_INFO = "SCREENSCANCOMPLETEINFO";
constexpr const char* REPAIR_PROGRESS_INFO = "SCREENERRORFIXINGINFO";
constexpr const char* REPAIR_COMPLETE_INFO = "SCREENFIXCOMPLETEINFO";
constexpr const char* SCAN_ANIMATION_SECTION = "SCANSCREENANIMATION";

// What another thread may ask the dialog's thread (WM_SUMMARYQUERY, sent with a pointer to this).
struct SummaryQuery {
    std::string label;  // in: a label name; out: its text in `text`
    std::string text;
    bool labelFound = false;
    SummaryScreen screen = SummaryScreen::None;
    HWND table = nullptr;
    bool busy = false;
};
constexpr UINT WM_SUMMARYQUERY = WM_APP + 0x20;
// Posted to itself by Begin: the screen is built and the scan started from the dialog's loop.
constexpr UINT WM_SUMMARYBEGIN = WM_APP + 0x21;
// Posted to the owner window: wParam 1 when the dialog starts a scan or a repair, 0 when it only
// shows results again or closes. The owner's buttons do nothing meanwhile and should look so.
constexpr UINT WM_SUMMARYWORKING = WM_APP + 0x22;
// Told by a dialog's repair-all press while another scan or repair runs.
constexpr const char* SUMMARY_BUSY_TEXT = "Another scan or repair is running. Repair once it has ended.";

// Signalled while no progress dialog repairs (manual reset, for the life of the process): whoever
// closes the program waits on it, so that a repair the dialog started completes first.
HANDLE SummaryRepairIdleEvent();

class CSummaryDialog : public ScanObjects, public Summary {
public:
    CSummaryDialog() = default;
    ~CSummaryDialog() override;

    // On the dialog's own thread: creates the (hidden) window owned by `parent`'s top-level window;
    // once the thread's loop runs, the window builds the scan-progress screen, shows itself and
    // starts the animation and the scan worker. The screens are placed in the client coordinates
    // of that top-level window.
    bool Begin(HWND parent, const std::string& skinPath, const CategoryFlags& flags);

    // The dispatcher: BUTTON_FIXERROR, BUTTON_CANCEL, BUTTON_OK, BUTTON_STOPSCAN.
    void ButtonPressed(const std::string& name) override;
    // Stops a scan, waits for it (CANCEL_WAIT_MS at most, answering what it sends), then closes
    // the window; a stopped run is announced and the process-wide flags cleared. A repair is not
    // stopped: it completes first, shortcut files included.
    void OnCancel() override;

    // After the window is gone: signals the stop, answers the worker's message boxes and waits
    // for it without limit, since the worker uses this object. Clears the flags a late worker
    // left set.
    void FinishWorker();

    SummaryScreen screen() const { return screen_; }
    // The message loop of the dialog's thread ends when the window is destroyed.
    bool quitOnDestroy = false;

    // The progress handler of the engine and the shortcut scanner while this dialog runs.
    static void Progress(const char* currentItem, const char* progressText, int32_t scanned, int32_t errors);

protected:
    // Completion messages of the workers.
    LRESULT OnScanDone(WPARAM wp, LPARAM lp);
    LRESULT OnFixDone(WPARAM wp, LPARAM lp);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnTimer(UINT_PTR id) override;
    void OnDestroy() override;

private:
    void Open();
    static DWORD WINAPI ScanWorker(void* self);
    static DWORD WINAPI RepairWorker(void* self);

    // Clears the container and builds the screen of `infoSection`: pictures, place and size,
    // buttons, labels and the table of its LISTINFO section (without check boxes).
    bool BuildScreen(const char* infoSection, SummaryScreen which);
    void FillTable(const SummaryRows& rows);
    void StartWorker(LPTHREAD_START_ROUTINE routine);
    // Waits for the worker thread to end and closes its handle. False when it has not ended.
    bool JoinWorker(DWORD milliseconds);
    // The stopped run: no table, no results, stop event reset, "Zenthar_ABORTED" signalled.
    void AbortRun();
    // A worker's completion message: joins it and stops progress reports; after a stop, aborts the
    // run and closes the window, and returns true.
    bool EndWorkerStopped();
    void DiscardResults();
    void ClearRunFlags();
    ShortcutCounts ShortcutTotals() const;
    // The progress handler writes to this window only while it is registered.
    void RegisterProgress(bool on);
    // Tells the owner whether a scan or a repair of this dialog runs (WM_SUMMARYWORKING).
    void AnnounceWorking(bool working);
    void StartRepair();

    HWND owner_ = nullptr;  // the top-level window the screens are placed in
    HWND workerWindow_ = nullptr;  // what the workers post to, fixed before they start
    SummaryScreen screen_ = SummaryScreen::None;
    bool ownsScanFlag_ = false;  // this dialog set scanInProgress
    bool ownsFixFlag_ = false;
    bool announcedWorking_ = false;
    // What the repair worker had to say, shown once it has ended (written by the worker only
    // while it runs, read by this thread after joining it).
    std::vector<std::string> repairMessages_;
    SummaryTotals scanTotals_;
};
