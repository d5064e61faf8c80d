// CThreadSummary and the start and end of the progress dialog from a sub-screen.
#include "app/progress/ThreadSummary.h"

#include <memory>
#include <mutex>

#include "app/AppFlags.h"
#include "app/progress/ThreadWait.h"
#include "engine/StopEvent.h"

CThreadSummary::CThreadSummary(HWND parent, const std::string& skinFile, const CategoryFlags& flags)
    : parent_(parent), skinFile_(skinFile), flags_(flags) {}

CThreadSummary::~CThreadSummary() {
    // The dialog is a member: the thread must be gone before it is.
    Stop();
    Wait();
}

bool CThreadSummary::InitInstance() {
    summary.quitOnDestroy = true;
    if (!summary.Begin(parent_, skinFile_, flags_)) return false;
    window_ = summary.hwnd();
    return true;
}

int CThreadSummary::ExitInstance(int loopResult) {
    window_ = nullptr;
    summary.FinishWorker();  // destroys a window left by a quit request and waits for the worker
    return loopResult;
}

namespace {
// The one dialog thread. At the end of the process a thread that is still running is left to the
// process's end rather than waited for.
struct DialogThreadSlot {
    std::mutex lock;
    std::unique_ptr<CThreadSummary> thread;
    ~DialogThreadSlot() {
        if (thread && !thread->Wait(0)) (void)thread.release();
    }
};

DialogThreadSlot& slot() {
    static DialogThreadSlot s;
    return s;
}
}  // namespace

CategoryFlags CategoryFlagsFromToggles(const CSkinStore& toggles) {
    CategoryFlags flags{};
    for (const auto& info : CATEGORY_TABLE) flags[info.category] = toggles.GetButtonCheck(info.button) != 0 ? 1 : 0;
    return flags;
}

HANDLE StartSummaryDialog(HWND parent, const std::string& skinFile, const CategoryFlags& flags) {
    DialogThreadSlot& s = slot();
    std::lock_guard<std::mutex> hold(s.lock);
    if (s.thread) {
        if (!s.thread->Wait(0)) return nullptr;  // a dialog is open
        s.thread.reset();
    }
    if (scanInProgress || fixInProgress) return nullptr;
    scanInProgress = 1;
    ResetStop();  // a stop left from an earlier run would end this scan before it began
    auto thread = std::make_unique<CThreadSummary>(parent, skinFile, flags);
    if (!thread->Start()) {
        thread.reset();  // waits for the thread, which has released everything
        scanInProgress = 0;
        return nullptr;
    }
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), thread->handle(), GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
    s.thread = std::move(thread);
    return copy;
}

bool CancelSummaryDialog(DWORD milliseconds) {
    DialogThreadSlot& s = slot();
    CThreadSummary* thread = nullptr;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        thread = s.thread.get();
    }
    if (!thread) return true;
    const DWORD start = GetTickCount();
    const HWND window = thread->window();
    if (window && IsWindow(window)) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0, SMTO_NORMAL, milliseconds, &ignored);
    }
    const DWORD spent = GetTickCount() - start;
    const bool ended = WaitServingSentMessages(thread->handle(), spent < milliseconds ? milliseconds - spent : 0);
    if (ended) {
        std::lock_guard<std::mutex> hold(s.lock);
        if (s.thread.get() == thread) s.thread.reset();
    }
    return ended;
}

HWND SummaryDialogWindow() {
    DialogThreadSlot& s = slot();
    std::lock_guard<std::mutex> hold(s.lock);
    return s.thread ? s.thread->window() : nullptr;
}
