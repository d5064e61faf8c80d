// CMainDialog: the program's main window: start-up, the tray icon, the dispatcher of the eleven
// main buttons, and the scan and repair workers it starts.
#pragma once
#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/main/ScanProgress.h"
#include "app/main/TrayIcon.h"
#include "framework/ComPtr.h"
#include "framework/Handles.h"
#include "routines/RepairRoutines.h"
#include "app/ScanObjects.h"
#include "skin/SkinDialog.h"

// Messages the workers post to the main window (private to it).
constexpr UINT WM_MAIN_RUNQUEUED = WM_APP + 0x18;  // run the queued screen updates, in order
constexpr UINT WM_MAIN_PROGRESS = WM_APP + 0x19;   // a progress report waits
constexpr UINT_PTR TIMER_IDLE = 1;                 // ticks that do nothing
constexpr UINT_PTR TIMER_AUTOSCAN = 2;             // the automatic-scan check
constexpr UINT_PTR TIMER_PROGRESS = 3;             // spaces progress repaints
constexpr UINT PROGRESS_REPAINT_MS = 40;           // at most 25 progress repaints a second
constexpr UINT SYSMENU_ABOUT = 16;

// The scan objects come first, so that they outlive the window parts that show them.
class CMainDialog : public ScanObjects, public CSkinDialog {
public:
    CMainDialog();
    ~CMainDialog() override;

    // The one main window, for the progress handler (a plain function called by the engine).
    static CMainDialog* Instance();

    // Enter and Escape never close the main window.
    void OnOK() override {}
    void OnCancel() override {}
    // The dispatcher of the main window's buttons, by skin name.
    void ButtonPressed(const std::string& name) override;

    bool resultsReady() const { return resultsReady_; }

    // Set before the window is made: it starts hidden with only its tray icon (a start with
    // Windows, a shortcut run minimised) and shows when the user asks for it (ShowAndFocus).
    bool startInTray = false;
    // Out of the tray: shown, restored and in front.
    void ShowAndFocus();

protected:
    BOOL OnInitDialog() override;
    std::unique_ptr<CSubMainSkin> CreateSubScreen(const SkinScreenLine& line) override;
    // The home sub-screen; the others are built right after the window is first painted.
    const char* ScreenShownFirst() const override;
    // The tray icon, whose shell library need not load before the window shows.
    void OnFirstIdle() override;
    // A scan asked for at start (the command line or the setting) begins once the skin is loaded.
    void OnSkinLoaded() override;
    void OnDestroy() override;
    void OnPaint() override;
    void OnSize(UINT type, int width, int height) override;
    void OnTimer(UINT_PTR id) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    friend void MainProgressHandler(const char*, const char*, int32_t, int32_t);
    static DWORD WINAPI ScanWorker(void* self);
    static DWORD WINAPI FixWorker(void* self);

    // Pages and the end every dispatched press reaches.
    void ShowPage(const char* screen, const char* button);
    void CommonEnd();
    // The schedule pair: minutes typed and not yet taken, and the clock's lines.
    void CommitScheduleMinutes();
    void ShowClockTexts();
    // Scan and repair, started and ended on this thread.
    void StartScan();
    void StopScan();
    void StartRepair();
    void ScanFinished(bool completed);
    void RepairFinished(const std::string& text, const std::string& caption, bool refused);
    void RestoreNewestBackup();
    // Closing: a scan is stopped, a repair finishes first (window hidden); then the dialog ends.
    void Exit();
    void FinishWorkers();
    // The progress dialog scans or repairs (true) or only shows results or is gone (false).
    void ShowSummaryWorking(bool working);
    // Worker side: a screen update queued for this thread, run in the order queued.
    void Post(std::function<void()> update);
    void RunQueued();
    void ShowQueuedProgress();
    void SetScanText(const char* label, const std::string& text);
    void RepaintScanScreen();
    void ReloadIgnoredList();
    static bool StartLowPriorityThread(LPTHREAD_START_ROUTINE proc, void* arg, OwnedHandle& out);

    std::unique_ptr<ComInit> ole_;
    // Adds the tray icon unless it is there or the window is closing.
    void ShowTrayIcon();
    TrayIcon tray_;
    HICON largeIcon_ = nullptr;
    CSubMainSkin* scanScreen_ = nullptr;  // SUBMAIN_MAIN when the last scan started
    std::string scanSkinFile_;
    bool resultsReady_ = false;
    bool closing_ = false;
    bool automaticScan_ = false;  // the running scan was started by the clock
    RowTicks ticks_;  // read when the repair was asked for, used by the fix worker
    OwnedHandle scanThread_, fixThread_;
    std::atomic<bool> stopWanted_{false};  // a stop asked for the running scan
    ProgressMailbox progress_;
    bool progressActive_ = false;
    bool repairing_ = false;  // the progress shown is a repair's
    int repairTotal_ = 0;     // the entries the running repair was asked to remove
    bool summaryWorking_ = false;
    std::vector<bool> enabledBeforeSummary_;  // the buttons' states before the dialog began to work
    std::mutex queueLock_;
    std::deque<std::function<void()>> queue_;
};

// The scan engine's progress handler while the main window hosts a scan or a repair.
void MainProgressHandler(const char* currentItem, const char* progressText, int32_t scannedCount, int32_t errorCount);
