// The notification-area icon and its menu.
#include "app/TrayIcon.h"

#include <shellapi.h>

#include <cstring>

#include "framework/Handles.h"

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
    added_ = Shell_NotifyIconA(NIM_ADD, &data_) != FALSE;
    return added_;
}

void TrayIcon::Remove() {
    if (!added_) return;
    Shell_NotifyIconA(NIM_DELETE, &data_);
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
