// Application and UiThread: the message loops of the user-interface threads.
#include "framework/Application.h"

#include "framework/Dialog.h"

#include <vector>

namespace {
Application* currentApplication = nullptr;

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

// The platform removes a thread's windows when the thread ends without sending them a message,
// so their objects would keep handles that no longer exist. Destroy them here instead.
void destroyThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), &collectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND hwnd : windows) {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);  // an owner may already have taken it along
    }
    SetThreadMainWindow(nullptr);
    Window::ReleaseIdle();
}
}  // namespace

int RunMessageLoop() {
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);
        if (got == -1) return -1;
        if (Dialog::RouteModelessMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

Application::Application(HINSTANCE instance, const char* commandLine)
    : instance_(instance), commandLine_(commandLine ? commandLine : "") {
    currentApplication = this;
}

Application::~Application() {
    if (currentApplication == this) currentApplication = nullptr;
}

Application* Application::Instance() { return currentApplication; }

int Application::Run() {
    int loopResult = 0;
    if (InitInstance()) loopResult = RunMessageLoop();
    const int code = ExitInstance(loopResult);
    Window::ReleaseIdle();
    return code;
}

UiThread::~UiThread() {
    Stop();
    Wait();
}

bool UiThread::Start() {
    if (thread_) return false;
    started_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!started_) return false;
    thread_.reset(CreateThread(nullptr, 0, &UiThread::ThreadMain, this, 0, &threadId_));
    if (!thread_) return false;
    HANDLE waits[2] = {started_.get(), thread_.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (!initOk_) WaitForSingleObject(thread_.get(), INFINITE);
    return initOk_;
}

void UiThread::Stop() {
    if (thread_ && threadId_) PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
}

bool UiThread::Wait(DWORD milliseconds) {
    if (!thread_) return true;
    return WaitForSingleObject(thread_.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD WINAPI UiThread::ThreadMain(void* param) {
    auto* self = static_cast<UiThread*>(param);
    MSG msg;
    // Make the thread's queue exist before anyone may post WM_QUIT to it.
    PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    self->initOk_ = self->InitInstance();
    if (!self->initOk_) {
        // Finish before Start returns: its caller may destroy this object as soon as it does.
        destroyThreadWindows();
        self->exitCode_ = self->ExitInstance(0);
        Window::ReleaseIdle();
        const DWORD code = static_cast<DWORD>(self->exitCode_);
        SetEvent(self->started_.get());
        return code;
    }
    SetEvent(self->started_.get());
    const int loopResult = RunMessageLoop();
    destroyThreadWindows();
    self->exitCode_ = self->ExitInstance(loopResult);
    Window::ReleaseIdle();  // what ExitInstance let go of
    return static_cast<DWORD>(self->exitCode_);
}
