// The window program's bench: start-up against a minimal window program, a full scan started
// with the scan button against the console scan of the same prefix, peak memory, and the
// process's handles after ten scans; then, in this process, the result page's list of --results
// findings (50,000) filled, sorted by each column, and saved as CSV and HTML. Run in a seeded
// bench prefix on an X display.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main/LiveCountQuery.h"
#include "app/screens/ResultList.h"
#include "engine/Report.h"
#include "engine/scanners/Shortcut.h"
#include "skin/SkinList.h"
#include "skin/SkinStore.h"
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

// The minimal program beside this bench. Under Wine this module's own name comes back without its
// "\\?\" start when the prefix has no drive for the host's root, and such a name cannot be
// started; the program is found the way the window program is, from the host path.
std::string MinimalPath() {
    std::string app = AppPath();
    const size_t slash = app.find_last_of('\\');
    return (slash == std::string::npos ? std::string() : app.substr(0, slash + 1)) + "bench\\minimal_window_bench.exe";
}

// The main window's width at the display's scale: the bench sees the display's own pixels
// (main makes it aware), as the window program does.
int mainWidth = 751;

// A length of the skin (96-dpi units) at the display's scale, halves rounded up.
int AtDisplayScale(int units) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return (units * dpi * 2 + 96) / (2 * 96);
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
    if (pid == f->pid && IsWindowVisible(w) && r.right - r.left == mainWidth) {
        f->w = w;
        return FALSE;
    }
    return TRUE;
}

// The colour on the screen at client point (x, y) of w: what the display shows. A window DC of
// another process's window does not give that under Wine (its pixels live in that process).
COLORREF ScreenPixelAt(HWND w, int x, int y) {
    POINT p{x, y};
    ClientToScreen(w, &p);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}

// A visible message box of the process (a dialog titled "Zenthar" that is not the main window),
// found with a few server requests: the poll runs every few milliseconds during the timed scan,
// and a walk over every window would load the window server that the scan itself needs.
HWND FindBox(DWORD pid, HWND main) {
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", "Zenthar"); w;
         w = FindWindowExA(nullptr, w, "#32770", "Zenthar")) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (w != main && owner == pid && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// The live counts of the window program's owners, summed as GDI objects and as handles.
struct LiveCounts {
    long gdi = 0, handles = 0;
    bool ok = true;
};
LiveCounts AskLiveCounts(HWND main) {
    LiveCounts counts;
    for (WPARAM k = 0; k < static_cast<WPARAM>(LiveKind::Count); ++k) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(main, WM_MAIN_LIVECOUNT, k, 0, SMTO_ABORTIFHUNG, 5000, &answer) ||
            static_cast<long>(answer) < 0) {
            counts.ok = false;
            continue;
        }
        const auto kind = static_cast<LiveKind>(k);
        const bool handle = kind == LiveKind::Handles || kind == LiveKind::Menus || kind == LiveKind::ComPointers;
        (handle ? counts.handles : counts.gdi) += static_cast<long>(answer);
    }
    return counts;
}

// Seconds from process start until its main-window-wide window shows `colour` at client (x, y); with a
// `lastChild` window text, also until the window has a sub-screen of that name (`complete`, else -1).
// `cpu`, when given, gets the processor seconds the program had used by then (user and kernel):
// on a machine others load, the work a start-up takes shows there better than in the time.
double TimeToPaint(const std::string& command, int x, int y, COLORREF colour, UINT closeCommand,
                   const char* lastChild = nullptr, double* complete = nullptr, double* cpu = nullptr) {
    std::string line = command;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = Now();
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("could not start %s (error %lu)\n", command.c_str(), GetLastError());
        return -1;
    }
    double t = -1;
    Found f{pi.dwProcessId, nullptr};
    while (Now() - t0 < 60) {
        if (!f.w) EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&f));
        if (f.w && ScreenPixelAt(f.w, x, y) == colour) {
            t = Now() - t0;
            FILETIME created, ended, kernel, user;
            if (cpu && GetProcessTimes(pi.hProcess, &created, &ended, &kernel, &user)) {
                auto seconds = [](const FILETIME& ft) {
                    return (static_cast<double>(ft.dwHighDateTime) * 4294967296.0 + ft.dwLowDateTime) / 1e7;
                };
                *cpu = seconds(kernel) + seconds(user);
            }
            break;
        }
        Sleep(2);
    }
    if (complete) {
        *complete = -1;
        while (t >= 0 && lastChild && Now() - t0 < 60) {
            if (FindWindowExA(f.w, nullptr, "ZentharSubScreen", lastChild)) {
                *complete = Now() - t0;
                break;
            }
            Sleep(2);
        }
    }
    if (t < 0)
        std::printf("%s: %s\n", command.c_str(),
                    f.w ? "its window never showed the colour looked for" : "no visible window of its width");
    if (f.w) PostMessageA(f.w, closeCommand ? WM_COMMAND : WM_CLOSE, closeCommand, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return t;
}

// One scan started with the scan button's command; seconds until the list holds `expected` rows.
// The list is read only once the "Scan Complete" box has gone: the program fills the list right
// after the box, without reading its messages in between, so the count read then is the new one
// and never the previous scan's.
double TimedScan(RunningApp& app, int expected, int& listed) {
    const DWORD pid = GetProcessId(app.process());
    HWND list = nullptr, box = nullptr;
    bool boxGone = false;
    const double t0 = Now();
    PostMessageA(app.main(), WM_COMMAND, 32774, 0);  // the scan button, pressed by the program itself
    while (Now() - t0 < 600) {
        if (!boxGone) {
            if (HWND shown = FindBox(pid, app.main())) {
                box = shown;
                PostMessageA(box, WM_COMMAND, IDOK, 0);  // "Scan Complete"
            } else if (box && !IsWindow(box)) {
                boxGone = true;
            }
        }
        if (boxGone) {
            if (!list) list = app.ListAtResultPlace(RESULT_COLUMNS);
            listed = list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
            if (listed >= expected) return Now() - t0;
        }
        Sleep(5);
    }
    return -1;
}
// The result page's own work at size, in this process: `count` findings of every category in a
// virtual list on a window of its own, as the page fills, sorts and saves them.
void ResultPageAtSize(int count) {
    ErrorArray errors;
    for (int i = 0; i < count; ++i) {
        const CategoryInfo& info = CATEGORY_TABLE[i % 9];
        auto err = std::make_unique<RegistryError>();
        err->type = info.type;
        err->action = info.action;
        err->keyPath = std::string("HKEY_LOCAL_MACHINE\\Software\\Bench\\Key") + std::to_string((i * 7919) % count);
        err->value = std::make_unique<ValueRecord>();
        err->value->name = "Value " + std::to_string(i);
        err->filePath = "C:\\Program Files\\Bench " + std::to_string((i * 104729) % count) + "\\file.dll";
        errors.push_back(std::move(err));
    }
    CShortcut links;
    const double t0 = Now();
    std::vector<Finding> findings = FindingsOf(errors, links);
    const double words = Now() - t0;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZentharBenchPage";
    RegisterClassA(&wc);
    HWND page = CreateWindowA("ZentharBenchPage", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480, nullptr,
                              nullptr, wc.hInstance, nullptr);
    CSkinList list;
    CSkinStore store;
    if (!page || !list.Create(page, RECT{10, 10, 500, 300}, {{"Fix", 34}, {"Problem", 160}, {"Missing file", 140},
                                                            {"Registry location", 127}}, true)) {
        std::printf("result page at size: no window\n");
        return;
    }
    ResultPage results(page, list, store);
    const double t1 = Now();
    results.Fill(findings);
    UpdateWindow(list.hwnd());
    const double fill = Now() - t1;
    std::printf("result page, %d findings: words %.3f s, fill and first paint %.3f s\n", count, words, fill);
    for (int column = 0; column < 4; ++column) {
        std::vector<double> times;
        for (bool ascending : {true, false}) {
            const double t = Now();
            list.SortBy(column, ascending);
            UpdateWindow(list.hwnd());
            times.push_back(Now() - t);
        }
        std::printf("sort by column %d: %.3f s up, %.3f s down (with the repaint)\n", column, times[0], times[1]);
    }
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    for (bool html : {false, true}) {
        const double t = Now();
        std::string error;
        const std::string path = std::string(temp) + (html ? "bench-report.html" : "bench-report.csv");
        const std::string text = html ? HtmlReport(findings, CurrentReportHeader()) : CsvReport(findings);
        const bool written = WriteReportFile(path, text, error);
        std::printf("report of %d findings as %s: %.3f s, %.1f MB%s\n", count, html ? "HTML" : "CSV", Now() - t,
                    text.size() / 1048576.0, written ? "" : (" NOT WRITTEN: " + error).c_str());
        DeleteFileA(path.c_str());
    }
    DestroyWindow(page);
}
}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);  // each line as it comes, also into a pipe
    int runs = 5, scans = 10, results = 50000;
    bool startOnly = false;  // only the window program's start-up, at the display's scale
    bool pageOnly = false;   // only the result page at size
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--start-only") startOnly = true;
        if (std::string(argv[i]) == "--page-only") pageOnly = true;
        if (i + 1 == argc) break;
        if (std::string(argv[i]) == "--runs") runs = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--scans") scans = std::atoi(argv[i + 1]);
        if (std::string(argv[i]) == "--results") results = std::atoi(argv[i + 1]);
    }
    if (!startOnly && results > 0) ResultPageAtSize(results);
    if (pageOnly) return 0;
    using SetAwareFn = BOOL(WINAPI*)();
    if (const auto setAware = reinterpret_cast<SetAwareFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware"))))
        setAware();
    mainWidth = AtDisplayScale(751);
    const std::string app = "\"" + AppPath() + "\"", minimal = "\"" + MinimalPath() + "\"";
    const int px = AtDisplayScale(46), py = AtDisplayScale(470);  // a point of the main window's side bar
    // The side bar's colour as the skin paints it, from a window that has settled.
    COLORREF sidebar = CLR_INVALID;
    {
        RunningApp settle("", ".");
        if (settle.started()) sidebar = ScreenPixelAt(settle.main(), px, py);
    }
    const COLORREF minimalColour = RGB(30, 42, 56);
    std::printf("colours looked for: side bar %06lx, minimal window %06lx\n", static_cast<unsigned long>(sidebar),
                static_cast<unsigned long>(minimalColour));
    if (sidebar == CLR_INVALID || sidebar == minimalColour) std::printf("the side bar's colour is no proof of a painted skin\n");
    std::vector<double> appStart, appComplete, minStart, appCpu;
    // The last sub-screen of the description is the last one the program builds, once its window
    // has painted.
    auto startApp = [&] {
        double complete = -1;
        double cpu = -1;
        appStart.push_back(TimeToPaint(app, px, py, sidebar, 32773, "SUBMAIN_ABOUT", &complete, &cpu));
        appCpu.push_back(cpu);
        appComplete.push_back(complete);
    };
    if (startOnly) {
        for (int r = 0; r < runs; ++r) startApp();
        std::printf("start-up to painted window at %d pixels wide: Zenthar %.3f s (processor %.3f s); every "
                    "sub-screen built: %.3f s\n", mainWidth, Median(appStart), Median(appCpu), Median(appComplete));
        return 0;
    }
    for (int r = 0; r < runs; ++r) {
        if (r % 2) startApp();
        minStart.push_back(TimeToPaint(minimal, px, py, minimalColour, 0));
        if (!(r % 2)) startApp();
    }
    std::printf("start-up to painted window: Zenthar %.3f s, minimal %.3f s, ratio %.2f\n", Median(appStart),
                Median(minStart), Median(appStart) / Median(minStart));
    std::printf("start-up until every sub-screen is built: Zenthar %.3f s, ratio %.2f\n",
                Median(appComplete), Median(appComplete) / Median(minStart));

    // The console scan of the same prefix, and the window's scans.
    std::vector<double> cliTimes, appTimes;
    int findings = 0, listed = 0;
    RunningApp window("", ".");
    if (!window.started()) return 1;
    LiveCounts afterFirst, afterLast;
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
        const LiveCounts live = AskLiveCounts(window.main());
        if (s == 0) afterFirst = live;
        afterLast = live;
    }
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(window.process(), &pmc, sizeof pmc);
    std::printf("full scan: window %.3f s (until the list holds every finding), console %.3f s, ratio %.3f\n",
                Median(appTimes), Median(cliTimes), Median(appTimes) / Median(cliTimes));
    std::printf("findings: console %d, listed %d\n", findings, listed);
    std::printf("peak working set of the window program: %.1f MB\n", pmc.PeakWorkingSetSize / 1048576.0);
    // Wine answers 0 for a process's GDI objects and handles: these are the program's own owners.
    std::printf("live GDI objects (owners) after scan 1: %ld, after scan %d: %ld%s\n", afterFirst.gdi, scans,
                afterLast.gdi, afterFirst.ok && afterLast.ok ? "" : " (not all counts answered)");
    std::printf("live handles, menus and COM pointers (owners) after scan 1: %ld, after scan %d: %ld\n",
                afterFirst.handles, scans, afterLast.handles);
    return 0;
}
