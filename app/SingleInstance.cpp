// One running copy: the instance mutex, the marked main window and the hand-over of arguments.
#include "app/SingleInstance.h"

#include <vector>

namespace {
BOOL CALLBACK findMarked(HWND window, LPARAM found) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == GetCurrentProcessId() || !GetPropA(window, MAIN_WINDOW_PROPERTY)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

bool sendArguments(HWND window, const std::string& arguments) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    // This process was started by the user, so it may let the running copy come to the front.
    AllowSetForegroundWindow(pid);
    std::vector<char> text(arguments.begin(), arguments.end());
    text.push_back('\0');
    COPYDATASTRUCT data{SECOND_START_COPYDATA, static_cast<DWORD>(text.size()), text.data()};
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 15000,
                               &answer) != 0 &&
           answer == TRUE;
}
}  // namespace

InstanceClaim::InstanceClaim() {
    mutex_ = CreateMutexA(nullptr, TRUE, INSTANCE_MUTEX_NAME);
    first_ = mutex_ && GetLastError() != ERROR_ALREADY_EXISTS;
    // Without a mutex (the name is taken by another kind of object) this start runs on its own.
    if (!mutex_) first_ = true;
}

InstanceClaim::~InstanceClaim() {
    if (!mutex_) return;
    if (first_) ReleaseMutex(mutex_);
    CloseHandle(mutex_);
}

bool InstanceClaim::HandOver(const std::string& arguments, DWORD waitMs) {
    if (first_) return false;
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindRunningMainWindow())
            if (sendArguments(window, arguments)) return true;
        // The running copy may be ending (its window gone first); then this start is the first.
        const DWORD waited = WaitForSingleObject(mutex_, 100);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
            first_ = true;
            return false;
        }
        if (GetTickCount() - start > waitMs) return false;
    }
}

void MarkMainWindow(HWND window) { SetPropA(window, MAIN_WINDOW_PROPERTY, reinterpret_cast<HANDLE>(1)); }

void UnmarkMainWindow(HWND window) { RemovePropA(window, MAIN_WINDOW_PROPERTY); }

HWND FindRunningMainWindow() {
    HWND found = nullptr;
    EnumWindows(findMarked, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool SecondStartArguments(LPARAM copyData, std::string& arguments) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(copyData);
    if (!data || data->dwData != SECOND_START_COPYDATA || (data->cbData && !data->lpData)) return false;
    const char* text = static_cast<const char*>(data->lpData);
    size_t n = data->cbData;
    while (n > 0 && text[n - 1] == '\0') --n;  // the sender's terminator
    arguments.assign(text ? text : "", n);
    return true;
}
