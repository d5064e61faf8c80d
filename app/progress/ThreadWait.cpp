// Waits that keep a window's thread answering, and closing a worker's message boxes.
#include "app/progress/ThreadWait.h"

#include <cstring>

bool WaitServingSentMessages(HANDLE object, DWORD milliseconds) {
    if (!object) return true;
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD left = INFINITE;
        if (milliseconds != INFINITE) {
            const DWORD spent = GetTickCount() - start;
            if (spent >= milliseconds) return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
            left = milliseconds - spent;
        }
        const DWORD r = MsgWaitForMultipleObjects(1, &object, FALSE, left, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return WaitForSingleObject(object, 0) == WAIT_OBJECT_0;
        // Peeking for sent messages only runs their handlers and removes nothing posted.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

namespace {
BOOL CALLBACK answerBox(HWND hwnd, LPARAM counter) {
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(hwnd)) return TRUE;
    // IDOK for an OK box; a box without an OK button takes IDCANCEL.
    const UINT id = GetDlgItem(hwnd, IDOK) ? IDOK : IDCANCEL;
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}
}  // namespace

int CloseThreadMessageBoxes(DWORD threadId) {
    int answered = 0;
    if (threadId) EnumThreadWindows(threadId, &answerBox, reinterpret_cast<LPARAM>(&answered));
    return answered;
}
