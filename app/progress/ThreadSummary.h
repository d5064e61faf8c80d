// CThreadSummary: the user-interface thread of the progress and summary dialog, and the two calls
// by which a sub-screen starts the dialog (its BUTTON_SCAN) and ends it (its destruction step).
#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "app/progress/SummaryDialog.h"
#include "framework/Application.h"
#include "skin/SkinStore.h"

// How long a sub-screen's destruction step waits for the dialog's thread.
constexpr DWORD SUMMARY_CLOSE_WAIT_MS = 10000;

class CThreadSummary : public UiThread {
public:
    // `parent`: the window that starts the dialog (the screens are placed in its top-level
    // window); `skinFile`: the full path the skin description is registered under.
    CThreadSummary(HWND parent, const std::string& skinFile, const CategoryFlags& flags);
    ~CThreadSummary() override;

    // The dialog's window while it exists (any thread may read it).
    HWND window() const { return window_.load(); }

    CSummaryDialog summary;

protected:
    bool InitInstance() override;
    int ExitInstance(int loopResult) override;

private:
    HWND parent_;
    std::string skinFile_;
    CategoryFlags flags_;
    std::atomic<HWND> window_{nullptr};
};

// The category toggles BUTTON_COM ... BUTTON_SHORTCUTS of a sub-screen, as the flags a scan
// starts with (a ticked toggle selects its category).
CategoryFlags CategoryFlagsFromToggles(const CSkinStore& toggles);

// A sub-screen's BUTTON_SCAN: when neither a scan nor a repair runs and no progress dialog is open,
// sets scanInProgress, resets the stop event and starts the dialog's thread, which scans the
// categories of `flags`. Returns a new handle of that thread for the sub-screen's slot (the caller
// closes it), or null when nothing was started.
HANDLE StartSummaryDialog(HWND parent, const std::string& skinFile, const CategoryFlags& flags);

// A sub-screen's destruction step: when a progress dialog is open, sends it IDCANCEL and waits up
// to `milliseconds` for its thread, answering what that thread sends meanwhile; a thread that has
// ended is forgotten. True when no dialog thread runs any more.
bool CancelSummaryDialog(DWORD milliseconds = SUMMARY_CLOSE_WAIT_MS);

// The open progress dialog's window, or null.
HWND SummaryDialogWindow();
