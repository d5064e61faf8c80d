// F1 for a whole window: a message hook of the window's thread, which sees the key in every message
// loop of that thread (the dialog manager's modal loop among them) before any control does.
#include "app/HelpKey.h"

#include <algorithm>
#include <vector>

#include "framework/ThreadState.h"

namespace {
struct HelpKeyWatch {
    HHOOK hook = nullptr;
    std::vector<HWND> roots;
};

bool PlainKey() { return GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0 && GetKeyState(VK_SHIFT) >= 0; }

LRESULT CALLBACK HelpKeyHook(int code, WPARAM removed, LPARAM lp) {
    HelpKeyWatch* watch = ThreadState<HelpKeyWatch>::peek();
    MSG* msg = reinterpret_cast<MSG*>(lp);
    if (watch && code == HC_ACTION && removed == PM_REMOVE && msg->message == WM_KEYDOWN && msg->wParam == VK_F1 &&
        PlainKey()) {
        for (HWND root : watch->roots) {
            if (msg->hwnd != root && !IsChild(root, msg->hwnd)) continue;
            PostMessageA(root, WM_HELPKEY, 0, 0);
            msg->message = WM_NULL;  // the focused control never sees it
            break;
        }
    }
    return CallNextHookEx(watch ? watch->hook : nullptr, code, removed, lp);
}
}  // namespace

void WatchHelpKey(HWND root) {
    HelpKeyWatch& watch = ThreadState<HelpKeyWatch>::get();
    if (!watch.hook) watch.hook = SetWindowsHookExA(WH_GETMESSAGE, &HelpKeyHook, nullptr, GetCurrentThreadId());
    if (std::find(watch.roots.begin(), watch.roots.end(), root) == watch.roots.end()) watch.roots.push_back(root);
}

void UnwatchHelpKey(HWND root) {
    HelpKeyWatch* watch = ThreadState<HelpKeyWatch>::peek();
    if (!watch) return;
    watch->roots.erase(std::remove(watch->roots.begin(), watch->roots.end(), root), watch->roots.end());
    if (!watch->roots.empty()) return;
    if (watch->hook) UnhookWindowsHookEx(watch->hook);
    ThreadState<HelpKeyWatch>::release();
}
