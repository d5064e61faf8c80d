// Window: binding, the shared static procedures, reflection and the dispatch switch.
#include "framework/Window.h"

#include <windowsx.h>

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "framework/ThreadState.h"

namespace {
// The bound windows of this process. Every message of every window asks for its object, so the
// answer must come from our own memory: a window property is a round trip to the window server
// under Wine, and those round trips were what made a result list of thousands of rows slow to fill.
struct BoundWindows {
    std::mutex lock;
    std::unordered_map<HWND, Window*> objects;
};
BoundWindows& boundWindows() {
    static BoundWindows bound;
    return bound;
}
// The window whose destruction ends the calling thread's message loop.
thread_local HWND threadMainWindow = nullptr;

void NoteWindowDestroyed(HWND hwnd) {
    if (hwnd && hwnd == threadMainWindow) {
        threadMainWindow = nullptr;
        PostQuitMessage(0);
    }
}
}  // namespace

void SetThreadMainWindow(HWND hwnd) { threadMainWindow = hwnd; }
HWND ThreadMainWindow() { return threadMainWindow; }

HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

bool RegisterWindowClass(const char* className, UINT style, HBRUSH background, HCURSOR cursor) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(ModuleInstance(), className, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = &Window::StaticProc;
    wc.hInstance = ModuleInstance();
    wc.hCursor = cursor ? cursor : LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

Window::~Window() {
    if (hwnd_) {
        // Unbind first: the derived part of this object is already gone, so the window's last
        // messages must not reach it.
        HWND h = hwnd_;
        Detach();
        DestroyWindow(h);
    }
}

Window* Window::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    BoundWindows& bound = boundWindows();
    std::lock_guard<std::mutex> hold(bound.lock);
    const auto found = bound.objects.find(hwnd);
    return found == bound.objects.end() ? nullptr : found->second;
}

void Window::Bind(HWND hwnd) {
    hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    BoundWindows& bound = boundWindows();
    std::lock_guard<std::mutex> hold(bound.lock);
    bound.objects[hwnd] = this;
}

void Window::Unbind() {
    if (!hwnd_) return;
    {
        BoundWindows& bound = boundWindows();
        std::lock_guard<std::mutex> hold(bound.lock);
        const auto found = bound.objects.find(hwnd_);
        if (found != bound.objects.end() && found->second == this) bound.objects.erase(found);
    }
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    oldProc_ = nullptr;
}

bool Window::Create(const char* className, DWORD exStyle, DWORD style, const char* text, const RECT& rect,
                    HWND parent, UINT id, HINSTANCE instance) {
    if (hwnd_ || !RegisterWindowClass(className)) return false;
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND h = CreateWindowExA(exStyle, className, text ? text : "", style, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, parent, menu,
                             instance ? instance : ModuleInstance(), this);
    if (!h) return false;
    if (hwnd_ == h) return true;
    // A class name of someone else's (a system control) makes a window that never reaches our
    // procedure: nothing would own it, so it must not outlive this refusal.
    DestroyWindow(h);
    return false;
}

bool Window::CreateControl(const char* className, DWORD exStyle, DWORD style, const char* text,
                           const RECT& rect, HWND parent, UINT id) {
    if (hwnd_) return false;
    HWND h = CreateWindowExA(exStyle, className, text ? text : "", style, rect.left, rect.top,
                             rect.right - rect.left, rect.bottom - rect.top, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ModuleInstance(), nullptr);
    if (!h) return false;
    if (Subclass(h)) return true;
    DestroyWindow(h);
    return false;
}

bool Window::Subclass(HWND hwnd) {
    if (hwnd_ || !hwnd || FromHandle(hwnd)) return false;
    Bind(hwnd);
    oldProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProc)));
    if (oldProc_) return true;
    Unbind();
    return false;
}

void Window::Detach() {
    if (!hwnd_) return;
    if (oldProc_) SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
    Unbind();
}

void Window::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

std::string Window::GetText() const {
    if (!hwnd_) return std::string();
    int length = GetWindowTextLengthA(hwnd_);
    std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
    int got = GetWindowTextA(hwnd_, buffer.data(), length + 1);
    return std::string(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void Window::SetText(const std::string& text) {
    if (hwnd_) SetWindowTextA(hwnd_, text.c_str());
}

RECT Window::ClientRect() const {
    RECT r{};
    if (hwnd_) GetClientRect(hwnd_, &r);
    return r;
}

void Window::Invalidate(bool erase) {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, erase);
}

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = FromHandle(hwnd);
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        if (self) self->Bind(hwnd);
    }
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    return self->Route(msg, wp, lp);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = FromHandle(hwnd);
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    return self->Route(msg, wp, lp);
}

LRESULT Window::Route(UINT msg, WPARAM wp, LPARAM lp, bool* defaulted) {
    const HWND window = hwnd_;
    LRESULT result = Dispatch(msg, wp, lp, defaulted);
    if (msg == WM_NCDESTROY) {
        NoteWindowDestroyed(window);
        Unbind();
        finalPending_ = true;
    }
    RunFinalMessage();
    return result;
}

namespace {
// Objects whose handlers were on the stack when their owner let them go; freed by a later call on
// the same thread, or when the thread's loop ends (see ThreadState for why not a thread_local).
using Graveyard = std::vector<std::unique_ptr<Window>>;
}

void Window::DeleteWhenIdle(std::unique_ptr<Window> w) {
    const bool defer = w && w->depth_ > 0;
    if (defer) ThreadState<Graveyard>::get().push_back(std::move(w));
    ReleaseIdle();
}

void Window::ReleaseIdle() {
    Graveyard* graveyard = ThreadState<Graveyard>::peek();
    if (!graveyard) return;
    // Moved out before they are deleted: a destructor may let go of further windows.
    Graveyard idle;
    for (auto& g : *graveyard) {
        if (g->depth_ == 0) idle.push_back(std::move(g));
    }
    graveyard->erase(std::remove(graveyard->begin(), graveyard->end(), nullptr), graveyard->end());
    if (graveyard->empty()) ThreadState<Graveyard>::release();
    idle.clear();
}

void Window::RunFinalMessage() {
    // Only when no handler of this object is still on the stack: OnFinalMessage may delete it.
    if (finalPending_ && depth_ == 0) {
        finalPending_ = false;
        OnFinalMessage();
    }
}

LRESULT Window::Dispatch(UINT msg, WPARAM wp, LPARAM lp, bool* defaulted) {
    Current current{msg, wp, lp, 0, false};
    Current* saved = current_;
    current_ = &current;
    ++depth_;
    LRESULT result = 0;
    if (!Reflect(msg, wp, lp, result)) result = WindowProc(msg, wp, lp);
    --depth_;
    current_ = saved;
    if (defaulted) *defaulted = current.defaulted;
    return result;
}

LRESULT Window::Default() {
    if (!current_) return 0;
    current_->defaulted = true;
    current_->result = DefaultProc(current_->msg, current_->wp, current_->lp);
    return current_->result;
}

void Window::StoreResult(LRESULT result) {
    if (current_) current_->result = result;
}

void Window::SetResult(LRESULT result) {
    if (current_) {
        current_->result = result;
        current_->defaulted = false;
    }
}

LRESULT Window::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (!hwnd_) return 0;
    if (oldProc_) return CallWindowProcA(oldProc_, hwnd_, msg, wp, lp);
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

bool Window::Reflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (!item || item->CtlType == ODT_MENU) return false;
        Window* child = FromHandle(item->hwndItem);
        if (!child || child == this || !child->OnReflectedDrawItem(*item)) return false;
        result = TRUE;
        return true;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        Window* child = header ? FromHandle(header->hwndFrom) : nullptr;
        LRESULT answer = 0;
        if (!child || child == this || !child->OnReflectedNotify(*header, answer)) return false;
        result = answer;
        return true;
    }
    case WM_COMMAND: {
        Window* child = lp ? FromHandle(reinterpret_cast<HWND>(lp)) : nullptr;
        if (!child || child == this || !child->OnReflectedCommand(HIWORD(wp))) return false;
        result = 0;
        return true;
    }
    case WM_CONTEXTMENU: {
        HWND where = reinterpret_cast<HWND>(wp);
        Window* child = where != hwnd_ ? FromHandle(where) : nullptr;
        // A child that declined its own request passes it up through its default processing;
        // asking it again would run its handler twice for one click.
        if (child && child->current_ && child->current_->msg == WM_CONTEXTMENU) return false;
        if (!child || !child->OnContextMenu(where, GET_X_LPARAM(lp), GET_Y_LPARAM(lp))) return false;
        result = 0;
        return true;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR: {
        Window* child = FromHandle(reinterpret_cast<HWND>(lp));
        HBRUSH brush = child && child != this ? child->OnReflectedCtlColor(reinterpret_cast<HDC>(wp)) : nullptr;
        if (!brush) return false;
        result = reinterpret_cast<LRESULT>(brush);
        return true;
    }
    default:
        return false;
    }
}

LRESULT Window::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    const UINT keys = static_cast<UINT>(wp);
    switch (msg) {
    case WM_CREATE: StoreResult(OnCreate(reinterpret_cast<CREATESTRUCTA*>(lp))); break;
    case WM_DESTROY: OnDestroy(); break;
    case WM_PAINT: OnPaint(); break;
    case WM_ERASEBKGND: StoreResult(OnEraseBkgnd(reinterpret_cast<HDC>(wp))); break;
    case WM_TIMER: OnTimer(wp); break;
    case WM_SIZE: OnSize(static_cast<UINT>(wp), x, y); break;
    case WM_LBUTTONDOWN: OnLButtonDown(keys, x, y); break;
    case WM_LBUTTONUP: OnLButtonUp(keys, x, y); break;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(keys, x, y); break;
    case WM_RBUTTONDOWN: OnRButtonDown(keys, x, y); break;
    case WM_RBUTTONUP: OnRButtonUp(keys, x, y); break;
    case WM_MOUSEMOVE: OnMouseMove(keys, x, y); break;
    case WM_KILLFOCUS: OnKillFocus(reinterpret_cast<HWND>(wp)); break;
    case WM_CAPTURECHANGED: OnCaptureChanged(reinterpret_cast<HWND>(lp)); break;
    case WM_NCHITTEST: StoreResult(OnNcHitTest(x, y)); break;
    case WM_CLOSE: OnClose(); break;
    case WM_COMMAND:
        if (!OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) Default();
        break;
    case WM_NOTIFY: {
        LRESULT answer = 0;
        if (OnNotify(*reinterpret_cast<NMHDR*>(lp), answer)) SetResult(answer);
        else Default();
        break;
    }
    case WM_DRAWITEM:
        if (OnDrawItem(static_cast<UINT>(wp), *reinterpret_cast<DRAWITEMSTRUCT*>(lp))) SetResult(TRUE);
        else Default();
        break;
    case WM_CONTEXTMENU:
        if (!OnContextMenu(reinterpret_cast<HWND>(wp), x, y)) Default();
        break;
    default: StoreResult(OnMessage(msg, wp, lp)); break;
    }
    return current_ ? current_->result : 0;
}

LRESULT Window::OnCreate(CREATESTRUCTA*) { return Default(); }
void Window::OnDestroy() { Default(); }
void Window::OnPaint() { Default(); }
LRESULT Window::OnEraseBkgnd(HDC) { return Default(); }
void Window::OnTimer(UINT_PTR) { Default(); }
void Window::OnSize(UINT, int, int) { Default(); }
void Window::OnLButtonDown(UINT, int, int) { Default(); }
void Window::OnLButtonUp(UINT, int, int) { Default(); }
void Window::OnLButtonDblClk(UINT, int, int) { Default(); }
void Window::OnRButtonDown(UINT, int, int) { Default(); }
void Window::OnRButtonUp(UINT, int, int) { Default(); }
void Window::OnMouseMove(UINT, int, int) { Default(); }
void Window::OnKillFocus(HWND) { Default(); }
void Window::OnCaptureChanged(HWND) { Default(); }
LRESULT Window::OnNcHitTest(int, int) { return Default(); }
void Window::OnClose() { Default(); }
bool Window::OnCommand(UINT, UINT, HWND) { return false; }
bool Window::OnNotify(NMHDR&, LRESULT&) { return false; }
bool Window::OnDrawItem(UINT, DRAWITEMSTRUCT&) { return false; }
bool Window::OnContextMenu(HWND, int, int) { return false; }
LRESULT Window::OnMessage(UINT, WPARAM, LPARAM) { return Default(); }
bool Window::OnReflectedDrawItem(DRAWITEMSTRUCT&) { return false; }
bool Window::OnReflectedNotify(NMHDR&, LRESULT&) { return false; }
bool Window::OnReflectedCommand(UINT) { return false; }
HBRUSH Window::OnReflectedCtlColor(HDC) { return nullptr; }
