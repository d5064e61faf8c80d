// The stop event: one process-wide handle opened by name on first use, mirrored in a flag.
//
// Scanners poll before every entry; a wait on the event costs a round trip to the Wine server
// (a kernel call on Windows), so a watcher thread mirrors the event's state into an atomic flag
// and a poll is a plain load. Signals from other processes reach the flag through the watcher.
#include "engine/StopEvent.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace {
HANDLE g_event = nullptr;
HANDLE g_rearm = nullptr;  // auto-reset: lets the watcher wait for the next signal after a reset
std::atomic<bool> g_stop{false};
std::mutex g_lock;  // orders the watcher's check-and-set against ResetStop

void watch() {
    for (;;) {
        if (WaitForSingleObject(g_event, INFINITE) != WAIT_OBJECT_0) return;
        {
            std::lock_guard<std::mutex> hold(g_lock);
            if (WaitForSingleObject(g_event, 0) == WAIT_OBJECT_0) g_stop = true;
        }
        WaitForSingleObject(g_rearm, INFINITE);
    }
}
}  // namespace

HANDLE StopEventHandle() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_event = CreateEventA(nullptr, TRUE, FALSE, STOP_EVENT_NAME);
        g_rearm = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!g_event || !g_rearm) return;
        g_stop = WaitForSingleObject(g_event, 0) == WAIT_OBJECT_0;
        std::thread(watch).detach();
    });
    return g_event;
}

bool StopRequested() {
    if (!StopEventHandle()) return false;
    return g_stop.load(std::memory_order_acquire);
}

void SignalStop() {
    if (!StopEventHandle()) return;
    SetEvent(g_event);
    g_stop = true;
}

void ResetStop() {
    if (!StopEventHandle()) return;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        ResetEvent(g_event);
        g_stop = false;
    }
    SetEvent(g_rearm);
}
