// CMainDialog: start-up, window messages, the tray icon and the dispatcher of the main buttons.
#include "app/main/MainDialog.h"

#include <shellapi.h>

#include "app/AppFlags.h"
#include "app/main/LiveCountQuery.h"
#include "app/MainApp.h"
#include "app/RestoreConsent.h"
#include "app/SingleInstance.h"
#include "app/screens/SubScreen.h"
#include "app/screens/SubScreens.h"
#include "app/HelpPage.h"
#include "app/progress/ThreadSummary.h"
#include "app/UserMessages.h"
#include "backup/Backup.h"
#include "engine/StopEvent.h"
#include "framework/Dialog.h"
#include "framework/GdiOwners.h"
#include "settings/Clock.h"
#include "settings/ScanClock.h"
#include "settings/ScheduleMath.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"


namespace {
std::atomic<CMainDialog*> theMainDialog{nullptr};

constexpr UINT IDD_ABOUT = 100;
constexpr UINT IDS_ABOUT = 101;
constexpr UINT IDI_MAIN = 128;

class AboutBox : public Dialog {};

// Runs this thread's messages until `handle` is signalled, so that a worker's queued screen
// updates never wait for a thread that waits for the worker.
void WaitPumping(HANDLE handle) {
    while (MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
}  // namespace

CMainDialog::CMainDialog() { theMainDialog.store(this); }

CMainDialog::~CMainDialog() {
    FinishWorkers();
    CMainDialog* self = this;
    theMainDialog.compare_exchange_strong(self, nullptr);
}

CMainDialog* CMainDialog::Instance() { return theMainDialog.load(); }

const char* CMainDialog::ScreenShownFirst() const { return SUBMAIN_MAIN; }

void CMainDialog::OnFirstIdle() { ShowTrayIcon(); }

void CMainDialog::OnSkinLoaded() {
    if (scanAtStart.load() && !scanInProgress.load()) ButtonPressed("BUTTON_SCAN");
}

void CMainDialog::ShowTrayIcon() {
    if (!tray_.added() && !closing_) tray_.Add(hwnd(), WM_TRAYNOTIFY, "Zenthar");
}

BOOL CMainDialog::OnInitDialog() {
    // 1. Skin file and caption.
    skinFile = "Skin.ini";
    SetWindowTextA(hwnd(), "Zenthar");
    // 2. OLE for the picture loader and the animation host.
    ole_ = std::make_unique<ComInit>();
    if (!ole_->ok()) {
        EndDialog(-1);
        return FALSE;
    }
    // 3. The skin; it presses BUTTON_SCAN itself when a scan is wanted at start.
    CSkinDialog::OnInitDialog();
    if (!hwnd() || !IsWindow(hwnd())) return FALSE;
    ShowSubScreen("SUBMAIN_MAIN");
    // 4. The about item of the system menu.
    if (HMENU sys = GetSystemMenu(hwnd(), FALSE)) {
        char text[256] = "";
        if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUT, text, sizeof text) > 0) {
            AppendMenuA(sys, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(sys, MF_STRING, SYSMENU_ABOUT, text);
        }
    }
    // 5. Icons.
    largeIcon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN));
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(largeIcon_));
    // 6. Timers.
    SetTimer(hwnd(), TIMER_IDLE, 1000, nullptr);
    SetTimer(hwnd(), TIMER_AUTOSCAN, TheClock().TimerMs(), nullptr);
    // A window that starts in the tray never paints, so the hidden sub-screens (the schedule's
    // switch among them) and the tray icon come from the first-idle step at once.
    if (startInTray) SetTimer(hwnd(), TIMER_FIRSTIDLE, 0, nullptr);
    // 7. A later start of the program finds this window and hands it its arguments.
    MarkMainWindow(hwnd());
    return TRUE;
}

std::unique_ptr<CSubMainSkin> CMainDialog::CreateSubScreen(const SkinScreenLine& line) {
    if (auto screen = CreateAppSubScreen(line)) return screen;
    return CSkinDialog::CreateSubScreen(line);
}

void CMainDialog::OnDestroy() {
    UnmarkMainWindow(hwnd());
    closing_ = true;
    FinishWorkers();
    KillTimer(hwnd(), TIMER_IDLE);
    KillTimer(hwnd(), TIMER_AUTOSCAN);
    KillTimer(hwnd(), TIMER_PROGRESS);
    WinHelpA(hwnd(), nullptr, HELP_QUIT, 0);
    tray_.Remove();
    CSkinDialog::OnDestroy();
}

void CMainDialog::OnPaint() {
    if (IsIconic(hwnd())) {
        PaintDC dc(hwnd());
        if (!dc.get()) return;
        SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
        const RECT client = ClientRect();
        const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc.get(), x, y, largeIcon_);
        return;
    }
    CSkinDialog::OnPaint();
    if (currentScreen) currentScreen->Invalidate(true);
}

void CMainDialog::OnSize(UINT type, int, int) {
    // Minimised by the button, the title bar or the task bar: only the tray icon remains.
    if (type == SIZE_MINIMIZED) {
        ShowTrayIcon();  // minimised before the window first went idle: the icon must be there
        ShowWindow(hwnd(), SW_HIDE);
        return;
    }
    Default();
}

void CMainDialog::OnTimer(UINT_PTR id) {
    if (id == TIMER_AUTOSCAN) {
        if (closing_ || !TheClock().TickDue()) return;
        // The schedule screen decides whether scanning is on: it must have been built first.
        AllScreens();
        bool started = false;
        if (TheScanClock().DueCheck(scanInProgress.load() != 0)) {
            ButtonPressed("BUTTON_SCAN");
            automaticScan_ = started = scanInProgress.load() != 0;
        }
        ShowClockTexts();
        TheClock().TickDone(started);
    } else if (id == TIMER_PROGRESS) {
        KillTimer(hwnd(), TIMER_PROGRESS);
        ShowQueuedProgress();
    } else {
        CSkinDialog::OnTimer(id);
    }
}

void CMainDialog::ShowAndFocus() {
    startInTray = false;
    ShowWindow(hwnd(), IsIconic(hwnd()) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd());
    SetFocus(hwnd());
}

bool CMainDialog::OnCommand(UINT id, UINT, HWND) {
    switch (id) {
    case TRAY_SHOW:
        ShowAndFocus();
        return true;
    case TRAY_CLOSE:
        Exit();
        return true;
    case TRAY_SCAN:
        if (!scanInProgress) {
            startInTray = false;
            ShowWindow(hwnd(), IsIconic(hwnd()) ? SW_RESTORE : SW_SHOW);
            SetForegroundWindow(hwnd());
            ButtonPressed("BUTTON_SCAN");
            SetFocus(hwnd());
        }
        return true;
    case TRAY_AUTOSCAN:
    case TRAY_SUPPORT:
        if (!scanInProgress) {
            ShowAndFocus();
            ButtonPressed(id == TRAY_AUTOSCAN ? "BUTTON_AUTOSCAN" : "BUTTON_SUPPORT");
        }
        return true;
    case TRAY_NOTHING:
        return true;
    default:
        return false;
    }
}

LRESULT CMainDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_HELP:
        // F1, wherever the focus is in the window: the controls pass it up to here.
        OpenHelpPage(hwnd());
        SetResult(TRUE);
        return TRUE;
    case WM_TRAYNOTIFY:
        if (wp == TRAY_ICON_ID) {
            if (lp == WM_LBUTTONDBLCLK) ShowAndFocus();
            else if (lp == WM_RBUTTONUP) ShowTrayMenu(hwnd());
        }
        SetResult(0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SYSMENU_ABOUT) {
            AboutBox about;
            about.DoModal(IDD_ABOUT, hwnd());
            SetResult(0);
            return 0;
        }
        return Default();
    case WM_WINDOWPOSCHANGING:
        // Started in the tray: the dialog manager's own show at its first idle moment is refused.
        if (startInTray) reinterpret_cast<WINDOWPOS*>(lp)->flags &= ~SWP_SHOWWINDOW;
        return Default();
    case WM_QUERYDRAGICON:
        SetResult(reinterpret_cast<LRESULT>(largeIcon_));
        return reinterpret_cast<LRESULT>(largeIcon_);
    case WM_ENDSESSION:
        // Stop a scan, let a repair complete (the progress dialog's too), then end as Exit does:
        // the process must not stay behind, hidden, whether or not Windows ends it.
        if (wp) Exit();
        SetResult(0);
        return 0;
    case WM_SUMMARYWORKING:
        ShowSummaryWorking(wp != 0);
        SetResult(0);
        return 0;
    case WM_COPYDATA: {
        // A later start of the program: come forward (out of the tray) and scan when it asks to.
        std::string arguments;
        if (!SecondStartArguments(lp, arguments)) return CSkinDialog::OnMessage(msg, wp, lp);
        // A window that is closing declines: the later start waits for this process to end.
        const LRESULT taken = closing_ ? FALSE : TRUE;
        if (taken) {
            // A later start meant for the tray (the logon entry while the program already runs)
            // leaves the window where it is.
            if (!CMainApp::StartsInTray(arguments, -1)) ShowAndFocus();
            if (CMainApp::IsScanCommand(arguments)) OnCommand(TRAY_SCAN, 0, nullptr);
        }
        SetResult(taken);
        return taken;
    }
    case WM_MAIN_RUNQUEUED:
        RunQueued();
        SetResult(0);
        return 0;
    case WM_MAIN_PROGRESS:
        ShowQueuedProgress();
        SetResult(0);
        return 0;
    case WM_MAIN_LIVECOUNT: {
        const LRESULT count = LiveCountOf(static_cast<LiveKind>(wp));
        SetResult(count);
        return count;
    }
    default:
        return CSkinDialog::OnMessage(msg, wp, lp);
    }
}

void CMainDialog::ShowPage(const char* screen, const char* button) {
    CommitScheduleMinutes();
    ShowSubScreen(screen);
    store.EnableAllButtons(true);
    store.EnableButton(button, false);
    ShowClockTexts();
}

void CMainDialog::CommitScheduleMinutes() {
    if (auto* shown = dynamic_cast<AppSubScreen*>(currentScreen)) shown->CommitScanMinutes();
}

void CMainDialog::ShowClockTexts() {
    for (const auto& screen : screens)
        if (auto* s = dynamic_cast<AppSubScreen*>(screen.get()); s && s->IsScheduleScreen()) s->ShowClockTexts();
}

void CMainDialog::CommonEnd() {
    resultsReady_ = false;
    if (!currentScreen) return;
    const std::string count = currentScreen->store.GetEditText("EDIT_BAKUP_COUNT");
    if (!count.empty()) WriteTextSetting(SETTING_SAVE_COUNT, count);
    currentScreen->Invalidate(true);
}

void CMainDialog::ButtonPressed(const std::string& name) {
    // The progress handler of the main window, for the engine and the shortcut scanner.
    if (engine && engine->progressCallback != &MainProgressHandler) engine->progressCallback = &MainProgressHandler;
    if (shortcut.progressCallback != &MainProgressHandler) shortcut.progressCallback = &MainProgressHandler;

    if (name == "BUTTON_EXIT") {
        Exit();
    } else if (name == "BUTTON_MINIMIZE") {
        ShowWindow(hwnd(), SW_MINIMIZE);
    } else if (name == "BUTTON_SUPPORT") {
        // Help changes nothing, so it opens also while a scan or a repair runs.
        OpenHelpPage(hwnd());
        return;
    } else if (fixInProgress || summaryWorking_) {
        return;
    } else if (name == "BUTTON_MAIN") {
        ShowPage("SUBMAIN_MAIN", "BUTTON_MAIN");
    } else if (name == "BUTTON_SCAN") {
        ShowPage("SUBMAIN_MAIN", "BUTTON_MAIN");
        if (scanInProgress) StopScan();
        else StartScan();
        return;
    } else if (scanInProgress) {
        return;
    } else if (name == "BUTTON_REMOVE" && resultsReady_) {
        StartRepair();
        return;
    } else if (name == "BUTTON_ADVSETTINGS") {
        ShowPage("SUBMAIN_ADVANCED", "BUTTON_ADVSETTINGS");
    } else if (name == "BUTTON_IGNORED") {
        ShowPage("SUBMAIN_IGNORED", "BUTTON_IGNORED");
    } else if (name == "BUTTON_AUTOSCAN") {
        ShowPage(TheScanClock().autoScanEnabled ? "SUBMAIN_SCHEDULE" : "SUBMAIN_SCHEDULE_DISABLED", "BUTTON_AUTOSCAN");
    } else if (name == "BUTTON_HISTORY") {
        ShowPage("SUBMAIN_HISTORY", "BUTTON_HISTORY");
        // Read anew each time: a repair of this window or of the console may have been added.
        for (const auto& screen : AllScreens())
            if (auto* history = dynamic_cast<AppSubScreen*>(screen.get()); history && screen->name == SUBMAIN_HISTORY)
                history->FillHistory();
    } else if (name == "BUTTON_ABOUT") {
        ShowPage("SUBMAIN_ABOUT", "BUTTON_ABOUT");
    } else if (name == "BUTTON_RESTORE") {
        RestoreNewestBackup();
    }
    CommonEnd();
}

void CMainDialog::RestoreNewestBackup() {
    // The boxes come after the restore, so that an unanswered one never keeps the repair lock.
    std::vector<std::string> messages;
    RestoreDialogue dialogue;
    // Once confirmed, the file the first run found is restored, whatever is newest by then.
    const RestoreRun run = [](RestoreDialogue& d, const BackupMessageCallback& say) {
        return d.confirmWhole ? RestoreBackupFile(d.file, say, nullptr, false, &d) : RestoreLatestBackup(say, nullptr, &d);
    };
    if (RestoreAskingForWhole(hwnd(), "Zenthar", run, dialogue, messages) == RestoreStatus::NotConfirmed) return;
    // One box says the whole outcome: the registry's part and the shortcut files brought back.
    std::string text;
    for (const auto& m : messages) text += (text.empty() ? "" : "\n") + m;
    if (!text.empty()) MessageBoxA(hwnd(), text.c_str(), "Zenthar", MB_OK);
}

void CMainDialog::Exit() {
    if (closing_) return;
    closing_ = true;
    appClosing = 1;
    FinishWorkers();
    EndDialog(1);
}

void CMainDialog::ShowSummaryWorking(bool working) {
    if (working == summaryWorking_ || closing_) return;
    summaryWorking_ = working;
    if (working) {
        // Only Exit and Minimise act meanwhile; the others look so, and get back their state after.
        enabledBeforeSummary_.clear();
        for (const auto& b : store.buttons) enabledBeforeSummary_.push_back(IsWindowEnabled(b->hwnd()) != FALSE);
        // Exit and Minimise are never disabled on the way, not even for a moment.
        for (const auto& b : store.buttons)
            if (b->name != "BUTTON_EXIT" && b->name != "BUTTON_MINIMIZE") EnableWindow(b->hwnd(), FALSE);
    } else {
        for (size_t i = 0; i < store.buttons.size() && i < enabledBeforeSummary_.size(); ++i)
            EnableWindow(store.buttons[i]->hwnd(), enabledBeforeSummary_[i]);
    }
}

void CMainDialog::FinishWorkers() {
    if (scanThread_) {
        stopWanted_ = true;
        SignalStop();
        WaitPumping(scanThread_.get());
        scanThread_.reset();
        scanInProgress = 0;
        stopWanted_ = false;
        ResetStop();
    }
    if (fixThread_) {
        // The repair completes (undo file, backup, ignore list) before the program goes.
        if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
        tray_.Remove();
        WaitPumping(fixThread_.get());
        fixThread_.reset();
        fixInProgress = 0;
    }
    HANDLE summaryIdle = SummaryRepairIdleEvent();
    if (summaryIdle && WaitForSingleObject(summaryIdle, 0) == WAIT_TIMEOUT) {
        // The progress dialog's repair completes too, shortcut files included, with both windows
        // out of sight; the dialog then closes with this window.
        appClosing = 1;
        if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
        if (HWND dialog = SummaryDialogWindow()) ShowWindowAsync(dialog, SW_HIDE);
        tray_.Remove();
        WaitPumping(summaryIdle);
    }
    progressActive_ = false;
    if (hwnd()) KillTimer(hwnd(), TIMER_PROGRESS);
    std::lock_guard<std::mutex> hold(queueLock_);
    queue_.clear();
}
