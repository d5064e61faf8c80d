// The main window's notification-area icon (id 132, tip "Zenthar") and its menu 140.
#pragma once
#include <windows.h>
#include <shellapi.h>

constexpr UINT TRAY_ICON_ID = 132;
constexpr UINT TRAY_MENU_ID = 140;
constexpr UINT TRAY_SHOW = 32771;
constexpr UINT TRAY_CLOSE = 32773;
constexpr UINT TRAY_SCAN = 32774;
constexpr UINT TRAY_AUTOSCAN = 32775;
constexpr UINT TRAY_NOTHING = 32776;
constexpr UINT TRAY_SUPPORT = 32777;

class TrayIcon {
public:
    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon() { Remove(); }

    // Adds the icon for `owner`; its mouse events arrive as `callbackMessage`. False when the
    // shell refuses (the program then goes on without it).
    bool Add(HWND owner, UINT callbackMessage, const char* tip);
    void Remove();
    bool added() const { return added_; }

private:
    NOTIFYICONDATAA data_{};
    bool added_ = false;
};

// Tracks the first popup of menu 140 at the cursor for the thread's window `owner`, then posts
// WM_NULL so that the menu closes properly.
void ShowTrayMenu(HWND owner);
