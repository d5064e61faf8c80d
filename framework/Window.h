// Window: a C++ object bound to its HWND, with a thin switch into typed virtual handlers.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

// The object of a window is kept in GWLP_USERDATA and in a process-wide table of bound windows
// (only the table is trusted, so that a foreign value in GWLP_USERDATA is never taken for an
// object) from WM_NCCREATE / attachment until WM_NCDESTROY.
// Handlers that do not handle a message call Default(), the class's own processing.
class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    // The object bound to hwnd, or null for windows without one.
    static Window* FromHandle(HWND hwnd);

    // A window of one of our own classes (registered on first use with the shared procedure).
    bool Create(const char* className, DWORD exStyle, DWORD style, const char* text, const RECT& rect,
                HWND parent, UINT id = 0, HINSTANCE instance = nullptr);
    // A system control (BUTTON, STATIC, EDIT, SysListView32 ...) created and subclassed at once.
    bool CreateControl(const char* className, DWORD exStyle, DWORD style, const char* text,
                       const RECT& rect, HWND parent, UINT id = 0);
    // Binds an existing window (for example a dialog's control) to this object by subclassing.
    bool Subclass(HWND hwnd);
    // Unbinds without destroying the window (a subclassed control gets its own procedure back).
    void Detach();
    // Destroys the window; the object stays and can create another.
    void Destroy();

    // Deletes w now, or, when one of its handlers is on the stack (a button whose click reloads
    // the screen that owns it), at a later call once that handler has returned.
    static void DeleteWhenIdle(std::unique_ptr<Window> w);
    // Deletes the calling thread's deferred objects whose handlers have returned. A thread's loop
    // calls it when it ends, so that nothing of the thread's is left for the thread's exit.
    static void ReleaseIdle();

    std::string GetText() const;
    void SetText(const std::string& text);
    RECT ClientRect() const;
    void Invalidate(bool erase = true);

protected:
    // The dispatch switch; override only for messages without a typed handler (call the base).
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // The default processing of the message being handled: the subclassed control's procedure,
    // DefWindowProc, or for dialogs the dialog manager. Returns its result.
    LRESULT Default();
    // Sets the result returned for the message being handled.
    void SetResult(LRESULT result);

    // Typed handlers. The defaults call Default().
    virtual LRESULT OnCreate(CREATESTRUCTA* cs);
    virtual void OnDestroy();
    virtual void OnPaint();
    virtual LRESULT OnEraseBkgnd(HDC dc);
    virtual void OnTimer(UINT_PTR id);
    virtual void OnSize(UINT type, int width, int height);
    virtual void OnLButtonDown(UINT keys, int x, int y);
    virtual void OnLButtonUp(UINT keys, int x, int y);
    virtual void OnLButtonDblClk(UINT keys, int x, int y);
    virtual void OnRButtonDown(UINT keys, int x, int y);
    virtual void OnRButtonUp(UINT keys, int x, int y);
    virtual void OnMouseMove(UINT keys, int x, int y);
    virtual void OnKillFocus(HWND newFocus);
    virtual void OnCaptureChanged(HWND newCapture);
    virtual LRESULT OnNcHitTest(int screenX, int screenY);
    virtual void OnClose();
    // Return true when handled; otherwise default processing runs.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    virtual bool OnNotify(NMHDR& header, LRESULT& result);
    virtual bool OnDrawItem(UINT id, DRAWITEMSTRUCT& item);
    // (x, y) in screen coordinates; (-1, -1) when asked for from the keyboard.
    virtual bool OnContextMenu(HWND where, int x, int y);
    // Any message without a typed handler (user messages among them).
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    // After WM_NCDESTROY, once the object is unbound: a heap-owned window may delete itself here.
    virtual void OnFinalMessage() {}

    // Messages a parent reflects to the child that sent them. Return true when handled.
    virtual bool OnReflectedDrawItem(DRAWITEMSTRUCT& item);
    virtual bool OnReflectedNotify(NMHDR& header, LRESULT& result);
    virtual bool OnReflectedCommand(UINT code);
    virtual HBRUSH OnReflectedCtlColor(HDC dc);

    // What Default() calls; dialogs answer "not handled" instead.
    virtual LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);
    // Binds hwnd to this object (USERDATA and marker property).
    void Bind(HWND hwnd);
    // Runs one message through WindowProc with the bookkeeping Default() needs; `defaulted`
    // tells whether the handlers passed it on to the default processing.
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp, bool* defaulted);
    void Unbind();

    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // After the message: unbinds on WM_NCDESTROY and runs OnFinalMessage when it is safe.
    LRESULT Route(UINT msg, WPARAM wp, LPARAM lp, bool* defaulted = nullptr);
    void RunFinalMessage();

public:
    // The one procedure of every window class of ours: takes the object from the create parameters.
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    struct Current {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        LRESULT result;
        bool defaulted;
    };
    // Reflection of WM_DRAWITEM / WM_NOTIFY / WM_COMMAND / WM_CONTEXTMENU / WM_CTLCOLOR* to the
    // child's own object; true when the child handled it and `result` is the answer.
    bool Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    HWND hwnd_ = nullptr;
    WNDPROC oldProc_ = nullptr;  // the control's own procedure when subclassed
    Current* current_ = nullptr;
    int depth_ = 0;              // handlers of this object on the stack
    bool finalPending_ = false;  // WM_NCDESTROY seen, OnFinalMessage not yet run
    // The value a typed handler returned, leaving the "defaulted" mark as the handler left it.
    void StoreResult(LRESULT result);
};

// The run-time type test of the framework: the object of hwnd as T, or null.
template <class T>
T* WindowAs(HWND hwnd) {
    return dynamic_cast<T*>(Window::FromHandle(hwnd));
}

// Registers a window class of ours once per process (the shared static procedure). Returns false
// only when registration fails for another reason than an existing class.
bool RegisterWindowClass(const char* className, UINT style = CS_DBLCLKS, HBRUSH background = nullptr,
                         HCURSOR cursor = nullptr);

HINSTANCE ModuleInstance();

// The calling thread's main window (a window bound to an object of ours): when it is destroyed,
// by its own thread or by a message from another one, WM_QUIT is posted and the thread's message
// loop ends. Null clears it.
void SetThreadMainWindow(HWND hwnd);
HWND ThreadMainWindow();
