// One running copy of the window program: the first start owns a named mutex and marks its main
// window; a later start hands its arguments to that window (which comes forward, out of the tray,
// and starts a scan for "scan") and ends.
#pragma once
#include <windows.h>

#include <string>

constexpr const char* INSTANCE_MUTEX_NAME = "Zenthar.MainWindow.Instance";
constexpr const char* MAIN_WINDOW_PROPERTY = "Zenthar.MainWindow";
constexpr ULONG_PTR SECOND_START_COPYDATA = 0x5A4E5452;  // WM_COPYDATA tag of a second start's arguments
constexpr DWORD SECOND_START_WAIT_MS = 60 * 1000;        // for the first start's window to appear

// Owns the instance mutex for its life when it is the first start of this session.
class InstanceClaim {
public:
    InstanceClaim();
    ~InstanceClaim();
    InstanceClaim(const InstanceClaim&) = delete;
    InstanceClaim& operator=(const InstanceClaim&) = delete;
    bool first() const { return first_; }
    // A later start: waits until the running copy's window can take `arguments` (true: handed
    // over, this process should end) or the running copy ends (false: this one is first now).
    // False too, with first() still false, when neither happened within `waitMs`.
    bool HandOver(const std::string& arguments, DWORD waitMs = SECOND_START_WAIT_MS);

private:
    HANDLE mutex_ = nullptr;
    bool first_ = false;
};

// The main window marks itself so that a later start finds it, and unmarks itself when it goes.
void MarkMainWindow(HWND window);
void UnmarkMainWindow(HWND window);
// The marked main window of another process of this session, or null.
HWND FindRunningMainWindow();
// The arguments a later start sent with WM_COPYDATA; false for any other WM_COPYDATA.
bool SecondStartArguments(LPARAM copyData, std::string& arguments);
