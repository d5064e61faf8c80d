// The notification-area icon and its menu.
#include "app/main/TrayIcon.h"

#include <shellapi.h>

#include <cstring>

#include "platform/LibraryFunction.h"
#include "framework/Handles.h"

namespace {
// The shell's library is loaded when the icon is first added, after the window has painted.
BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA* data) {
    static const auto notify = LibraryFunction<decltype(&Shell_NotifyIconA)>("shell32.dll", "Shell_NotifyIconA");
    return notify ? notify(message, data) : FALSE;
}
}  // namespace

bool TrayIcon::Add(HWND owner, UINT callbackMessage, const char* tip) {
    Remove();
    data_ = NOTIFYICONDATAA{};
    data_.cbSize = sizeof data_;
    data_.hWnd = owner;
    data_.uID = TRAY_ICON_ID;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
    data_.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(TRAY_ICON_ID));
    // Bounded by the record's own tip field.
    std::strncpy(data_.szTip, tip, sizeof data_.szTip - 1);
    added_ = NotifyIcon(NIM_ADD, &data_) != FALSE;
    return added_;
}

void TrayIcon::Remove() {
    if (!added_) return;
    NotifyIcon(NIM_DELETE, &data_);
    added_ = false;
}

void ShowTrayMenu(HWND owner) {
    OwnedMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(TRAY_MENU_ID)));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu.get(), 0);
    if (!popup) return;
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(owner);
    TrackPopupMenu(popup, TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
    PostMessageA(owner, WM_NULL, 0, 0);
}
