// The window program's bench: start-up against a minimal window program, a full scan started
// with the scan button against the console scan of the same prefix, peak memory, and the
// process's handles after ten scans. Run in a seeded bench prefix on an X display.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/AppDriver.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {
double Now() {
    static LARGE_INTEGER f{};
    if (!f.QuadPart) QueryPerformanceFrequency(&f);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::string Sibling(const char* name) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

struct Found {
    DWORD pid;
    HWND w;
};
BOOL CALLBACK FindVisible(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<Found*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    RECT r{};
    GetWindowRect(w, &r);
    if (pid == f->pid && IsWindowVisible(w) && r.right - r.left == 751) {
        f->w = w;
        return FALSE;
    }
    return TRUE;
}

// Seconds from process start until its 751-pixel window shows `colour` at client (x, y).
double TimeToPaint(const std::string& command, int x, int y, COLORREF colour, UINT closeCommand) {
    std::string line = command;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = Now();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    double t = -1;
    Found f{pi.dwProcessId, nullptr};
    while (Now() - t0 < 60) {
        if (!f.w) EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&f));
        if (f.w && PixelAt(f.w, x, y) == colour) {
            t = Now() - t0;
            break;
        }
        Sleep(2);
    }
    if (f.w) PostMessageA(f.w, closeCommand ? WM_COMMAND : WM_CLOSE, closeCommand, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return t;
}

// One scan started with the scan button's command; seconds until the list holds `expected` rows.
double TimedScan(RunningApp& app, int expected, int& listed) {
    const double t0 = Now();
    PostMessageA(app.main(), WM_COMMAND, 32774, 0);  // the scan button, pressed by the program itself
    HWND list = nullptr;
    double t = -1;
    while (Now() - t0 < 600) {
        if (HWND box = app.WaitForBox(0)) PostMessageA(box, WM_COMMAND, IDOK, 0);  // "Scan Complete"
        list = app.ListAtResultPlace(3);
        if (list) {
            RemoteList rows(app.process(), list);
            listed = rows.Count();
            if (listed >= expected) {
                t = Now() - t0;
                break;
            }
        }
        Sleep(5);
    }
    return t;
}
}  // namespace

int main(int argc, char** argv) {
    int runs = 5, scans = 10;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--runs") runs = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--scans") scans = std::atoi(argv[i + 1]);
    }
    const std::string app = "\"" + AppPath() + "\"", minimal = "\"" + Sibling("minimal_window_bench.exe") + "\"";
    const int px = 46, py = 470;  // a point of the main window's side bar
    // The side bar's colour as the skin paints it, from a window that has settled.
    COLORREF sidebar = CLR_INVALID;
    {
        RunningApp settle("", ".");
        if (settle.started()) sidebar = PixelAt(settle.main(), px, py);
    }
    std::vector<double> appStart, minStart;
    for (int r = 0; r < runs; ++r) {
        if (r % 2) appStart.push_back(TimeToPaint(app, px, py, sidebar, 32773));
        minStart.push_back(TimeToPaint(minimal, px, py, RGB(30, 42, 56), 0));
        if (!(r % 2)) appStart.push_back(TimeToPaint(app, px, py, sidebar, 32773));
    }
    std::printf("start-up to painted window: Zenthar %.3f s, minimal %.3f s, ratio %.2f\n", Median(appStart),
                Median(minStart), Median(appStart) / Median(minStart));

    // The console scan of the same prefix, and the window's scans.
    std::vector<double> cliTimes, appTimes;
    int findings = 0, listed = 0;
    RunningApp window("", ".");
    if (!window.started()) return 1;
    DWORD handlesAfterFirst = 0, handlesAfterLast = 0;
    for (int s = 0; s < scans; ++s) {
        if (s < runs) {
            const double t0 = Now();
            const ProcessResult cli = RunCli("scan");
            cliTimes.push_back(Now() - t0);
            findings = 0;
            for (const auto& line : SplitLines(cli.out)) findings += line.rfind("FINDING\t", 0) == 0;
        }
        const double t = TimedScan(window, findings, listed);
        if (s < runs) appTimes.push_back(t);
        DWORD handles = 0;
        GetProcessHandleCount(window.process(), &handles);
        if (s == 0) handlesAfterFirst = handles;
        handlesAfterLast = handles;
    }
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(window.process(), &pmc, sizeof pmc);
    std::printf("full scan: window %.3f s (until the list holds every finding), console %.3f s, ratio %.3f\n",
                Median(appTimes), Median(cliTimes), Median(appTimes) / Median(cliTimes));
    std::printf("findings: console %d, listed %d\n", findings, listed);
    std::printf("peak working set of the window program: %.1f MB\n", pmc.PeakWorkingSetSize / 1048576.0);
    std::printf("handles of the window program after scan 1: %lu, after scan %d: %lu\n", handlesAfterFirst, scans,
                handlesAfterLast);
    return 0;
}
