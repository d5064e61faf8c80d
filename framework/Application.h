// Application (the program's start and message loop) and UiThread (a thread with its own loop).
#pragma once
#include <windows.h>

#include <string>

#include "framework/Handles.h"
#include "framework/Window.h"

// Runs the calling thread's message loop until WM_QUIT; returns the quit code. Modeless dialogs
// of the thread get their keyboard navigation.
int RunMessageLoop();

// One per process, made in WinMain: `MyApp app(instance, cmdLine); return app.Run();`.
class Application {
public:
    Application(HINSTANCE instance, const char* commandLine);
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* Instance();
    HINSTANCE instance() const { return instance_; }
    const std::string& commandLine() const { return commandLine_; }

    // InitInstance; if it returns true, the message loop until WM_QUIT; then ExitInstance.
    // A program whose main window is a modal dialog runs it in InitInstance and returns false.
    int Run();

protected:
    virtual bool InitInstance() { return true; }
    // The process's exit code; `loopResult` is the quit code, or 0 when no loop ran.
    virtual int ExitInstance(int loopResult) { return loopResult; }

private:
    HINSTANCE instance_;
    std::string commandLine_;
};

// A user-interface thread: InitInstance (create the thread's window) and the message loop run on
// the new thread. The loop ends on WM_QUIT (Stop(), PostQuitMessage) or when the window given to
// SetMainWindow is destroyed; then the windows the thread still has are destroyed on the thread,
// with their last messages, and ExitInstance runs.
// A derived class whose members the thread uses (its windows) calls Stop() and Wait() first in
// its own destructor: by the time the base destructor stops the thread, those members are gone.
class UiThread {
public:
    UiThread() = default;
    virtual ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Starts the thread; true once its InitInstance has returned true and its loop runs.
    bool Start();
    void Stop();
    // Waits for the end of the thread; true if it ended within `milliseconds`.
    bool Wait(DWORD milliseconds = INFINITE);
    DWORD threadId() const { return threadId_; }
    HANDLE handle() const { return thread_.get(); }
    int exitCode() const { return exitCode_; }

protected:
    // On the thread (in InitInstance): the loop ends when this window of ours is destroyed, as by
    // a cross-thread WM_COMMAND IDCANCEL that closes the thread's dialog.
    void SetMainWindow(HWND hwnd) { SetThreadMainWindow(hwnd); }
    // On the new thread, before its loop. Returning false ends the thread at once.
    virtual bool InitInstance() = 0;
    // On the new thread, after its loop; the result is the thread's exit code.
    virtual int ExitInstance(int loopResult) { return loopResult; }

private:
    static DWORD WINAPI ThreadMain(void* self);
    OwnedHandle thread_;
    OwnedHandle started_;  // event: InitInstance has returned
    DWORD threadId_ = 0;
    bool initOk_ = false;
    int exitCode_ = 0;
};
