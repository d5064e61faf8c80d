// The stop event: one process-wide handle opened by name on first use.
#include "engine/StopEvent.h"

#include <mutex>

HANDLE StopEventHandle() {
    static HANDLE handle = nullptr;
    static std::once_flag once;
    std::call_once(once, [] { handle = CreateEventA(nullptr, TRUE, FALSE, STOP_EVENT_NAME); });
    return handle;
}

bool StopRequested() {
    HANDLE h = StopEventHandle();
    return h && WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
}

void SignalStop() {
    if (HANDLE h = StopEventHandle()) SetEvent(h);
}

void ResetStop() {
    if (HANDLE h = StopEventHandle()) ResetEvent(h);
}
