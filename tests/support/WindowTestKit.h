// Helpers of the window tests: message pumping, real mouse input through xdotool, pixels.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>

// Dispatches this thread's messages for `milliseconds`.
inline void PumpFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

// Dispatches messages until `done` holds or the time is up; returns whether it held.
inline bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 5000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > milliseconds) return false;
        PumpFor(10);
    }
    return true;
}

// The host path of a path of the prefix (Wine's own conversion), or "" outside Wine.
inline std::string HostPathOf(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char* unix = toUnix(wide);
    if (!unix) return std::string();
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Runs a host command line (xdotool, import) and waits for it while dispatching messages (a context
// menu's own loop runs inside that dispatching). True when it ended in time with status 0.
// Under Wine a program starts a host program by its NT path "\\?\unix\<host path>", which works
// without a drive letter for the host's root (our prefixes have none), and the child inherits
// DISPLAY. Wine gives no process handle for a host program, so a shell runs the command and writes its
// exit status to a marker file in the prefix's temporary folder, which the test reads.
inline bool RunHost(const std::string& commandLine, DWORD timeoutMs = 20000) {
    static int calls = 0;
    // The marker lives in the prefix's own temporary folder: test programs that run side by side,
    // each in a prefix of its own, can have the same process id.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string markerNt = std::string(temp) + "zenthar-host-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(GetTickCount()) + "-" + std::to_string(++calls);
    const std::string marker = HostPathOf(markerNt);
    if (marker.empty()) return false;
    std::string command = "\\\\?\\unix\\bin\\sh -c \"" + commandLine + "; echo $? > '" + marker + "'\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    // Wine fills in no process for a host program; whatever else it left there is not ours to close.
    if (pi.hProcess) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    // Ended once the shell has written the whole status line ("0\n").
    char status[16] = {};
    const bool ended = PumpUntil(
        [&] {
            HANDLE f = CreateFileA(markerNt.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
            if (f == INVALID_HANDLE_VALUE) return false;
            DWORD got = 0;
            const BOOL read = ReadFile(f, status, sizeof status - 1, &got, nullptr);
            CloseHandle(f);
            return read && got > 0 && status[got - 1] == '\n';
        },
        timeoutMs);
    DeleteFileA(markerNt.c_str());
    // Let the X events reach the windows.
    PumpFor(150);
    return ended && status[0] == '0' && status[1] == '\n';
}

// Runs xdotool with `args` on the X display the program's windows are on (ZENTHAR_XDOTOOL names
// another host path for the tool).
inline bool Xdo(const std::string& args, DWORD timeoutMs = 15000) {
    const char* tool = std::getenv("ZENTHAR_XDOTOOL");
    return RunHost(std::string(tool && *tool ? tool : "/usr/bin/xdotool") + " " + args, timeoutMs);
}

// Screen position of client point (x, y) of hwnd, as "X Y" for xdotool.
inline std::string ScreenXY(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return std::to_string(p.x) + " " + std::to_string(p.y);
}

inline COLORREF PixelAt(HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}
