// The ignore list at scale: loading a long list, a full scan with it against a scan with none, and
// the window program with it (start-up until the ignored list is filled, opening that page, removing
// one line). Run in a seeded bench prefix on an X display (tools/run-bench.sh).
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "engine/RegistryLib.h"
#include "support/AppDriver.h"
#include "support/Timing.h"

namespace {
const char* const BENCH_ROOT = "C:\\ignore-bench";

// A folder holding an ignore list of `lines` paths that no scan finds (so that both scans report
// the same entries and differ only in the lookups), or none for 0.
std::string MakeListFolder(const std::string& name, int lines) {
    CreateDirectoryA(BENCH_ROOT, nullptr);
    const std::string folder = std::string(BENCH_ROOT) + "\\" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string file = folder + "\\ignore.lst";
    DeleteFileA(file.c_str());
    if (lines > 0) {
        FILE* f = std::fopen(file.c_str(), "wt");
        for (int i = 0; f && i < lines; ++i)
            std::fprintf(f, "C:\\Program Files\\Vendor %05d\\Tool %d\\bin\\helper%d.dll\n", i, i % 97, i);
        if (f) std::fclose(f);
    }
    return folder;
}

struct ScanFigures {
    double seconds = 0;       // the scan run, which reloads the list
    double withEngine = 0;    // and before it the engine's construction, which loads it first
    size_t findings = 0;
};

// A full scan, registry and shortcuts, as the window runs it, in `folder` (where the engine reads
// its ignore list).
ScanFigures FullScan(const std::string& folder) {
    SetCurrentDirectoryA(folder.c_str());
    ResetStop();
    ScanFigures f;
    const double t0 = NowSeconds();
    CRegistryLib engine;
    CShortcut links{&engine};
    ScanSelection selection;
    selection.selectAll();
    CategoryResults results;
    f.seconds = TimeSeconds([&] { ScanRun(engine, links, selection, results, nullptr); });
    f.withEngine = NowSeconds() - t0;
    f.findings = engine.ErrorList.size() + links.invalidShortcuts.size();
    return f;
}

// The window program started in `folder`, followed until its ignored list holds `lines` rows.
class WindowRun {
public:
    WindowRun(const std::string& folder, int lines) {
        std::string command = "\"" + AppPath() + "\"";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        const double t0 = NowSeconds();
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi_))
            return;
        while (NowSeconds() - t0 < 120) {
            if (!main_) main_ = FindMain();
            if (main_ && painted < 0 && IsWindowVisible(main_)) painted = NowSeconds() - t0;
            HWND list = IgnoredList();
            if (list && Count(list) == lines && Idle()) {
                filled = NowSeconds() - t0;
                break;
            }
            Sleep(5);
        }
    }
    ~WindowRun() {
        if (!pi_.hProcess) return;
        if (main_) PostMessageA(main_, WM_COMMAND, 32773, 0);  // the tray menu's Close
        if (WaitForSingleObject(pi_.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }

    double painted = -1, filled = -1;  // seconds from the process's creation

    // Seconds from the side bar's Ignored button until that page shows and the window answers.
    double OpenIgnoredPage() {
        const double t0 = NowSeconds();
        if (!Press(main_, IGNORED_BUTTON.x, IGNORED_BUTTON.y)) return -1;
        while (NowSeconds() - t0 < 60) {
            if (IsWindowVisible(IgnoredScreen()) && Idle()) return NowSeconds() - t0;
            Sleep(2);
        }
        return -1;
    }

    // Seconds from the delete button, with the first row ticked, until the list holds one row less.
    double RemoveFirstRow() {
        HWND list = IgnoredList();
        const int before = Count(list);
        if (!TickFirstRow(list)) return -1;
        const double t0 = NowSeconds();
        if (!Press(IgnoredScreen(), 203 + 10, 191 + 10)) return -1;  // BUTTON_IGNORED_DELETE
        while (NowSeconds() - t0 < 60) {
            if (Count(list) == before - 1 && Idle()) return NowSeconds() - t0;
            Sleep(2);
        }
        return -1;
    }

    // Seconds from the delete button, with every row ticked by "Select all", until the list is empty.
    double RemoveAll() {
        HWND list = IgnoredList();
        if (!Press(IgnoredScreen(), 14 + 5, 198 + 5) || !Idle()) return -1;  // BUTTON_IGNORED_SEL_ALL
        const double t0 = NowSeconds();
        if (!Press(IgnoredScreen(), 203 + 10, 191 + 10)) return -1;
        while (NowSeconds() - t0 < 60) {
            if (Count(list) == 0 && Idle()) return NowSeconds() - t0;
            Sleep(2);
        }
        return -1;
    }

    double PeakWorkingSetMB() const {
        PROCESS_MEMORY_COUNTERS pmc{};
        pmc.cb = sizeof pmc;
        GetProcessMemoryInfo(pi_.hProcess, &pmc, sizeof pmc);
        return pmc.PeakWorkingSetSize / 1048576.0;
    }

private:
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr;

    struct Search {
        DWORD pid;
        HWND found;
    };
    static BOOL CALLBACK FindVisible(HWND w, LPARAM p) {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        RECT r{};
        GetWindowRect(w, &r);
        if (pid == s->pid && r.right - r.left == 751) {
            s->found = w;
            return FALSE;
        }
        return TRUE;
    }
    HWND FindMain() const {
        Search s{pi_.dwProcessId, nullptr};
        EnumWindows(&FindVisible, reinterpret_cast<LPARAM>(&s));
        return s.found;
    }
    HWND IgnoredScreen() const {
        return main_ ? FindWindowExA(main_, nullptr, "ZentharSubScreen", "SUBMAIN_IGNORED") : nullptr;
    }
    HWND IgnoredList() const {
        HWND screen = IgnoredScreen();
        return screen ? FindWindowExA(screen, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
    }
    static int Count(HWND list) {
        DWORD_PTR n = 0;
        if (!SendMessageTimeoutA(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 60000, &n)) return -1;
        return static_cast<int>(n);
    }
    // The window's thread has worked through its messages, paints included.
    bool Idle() const {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored)) return false;
        return WaitForInputIdle(pi_.hProcess, 60000) == 0;
    }
    // A click as the button sees it: pressed and released inside it.
    static bool Press(HWND parent, int x, int y) {
        HWND button = ChildWindowFromPointEx(parent, POINT{x, y}, CWP_SKIPINVISIBLE);
        if (!button || button == parent) return false;
        POINT at{x, y};
        MapWindowPoints(parent, button, &at, 1);
        const LPARAM where = MAKELPARAM(at.x, at.y);
        PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, where);
        PostMessageA(button, WM_LBUTTONUP, 0, where);
        return true;
    }
    // A click on the first row's check box, as the list receives it.
    bool TickFirstRow(HWND list) const {
        const RECT row = RemoteList(pi_.hProcess, list).RowRect(0);
        if (row.bottom <= row.top) return false;
        const LPARAM where = MAKELPARAM(row.left + 9, (row.top + row.bottom) / 2);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
        SendMessageA(list, WM_LBUTTONUP, 0, where);
        return RemoteList(pi_.hProcess, list).Checked(0);
    }
};

double Ratio(double a, double b) { return b > 0 ? a / b : 0; }
}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int runs = 5, lines = 100000, removals = 3;
    bool window = true, scans = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--runs" && i + 1 < argc) runs = std::atoi(argv[++i]);
        else if (a == "--lines" && i + 1 < argc) lines = std::atoi(argv[++i]);
        else if (a == "--removals" && i + 1 < argc) removals = std::atoi(argv[++i]);
        else if (a == "--no-window") window = false;
        else if (a == "--no-scan") scans = false;
    }
    const std::string full = MakeListFolder("full", lines), empty = MakeListFolder("empty", 0);
    std::printf("ignore list: %d lines, runs %d\n", lines, runs);

    // Loading and saving the list on its own.
    std::vector<double> load, save;
    for (int r = 0; r < runs; ++r) {
        SetCurrentDirectoryA(full.c_str());
        std::unique_ptr<CRegistryLib> engine;
        load.push_back(TimeSeconds([&] { engine = std::make_unique<CRegistryLib>(); }));
        save.push_back(TimeSeconds([&] { engine->SaveIgnoreList(); }));
    }
    std::printf("load of the list: %.3f s, save %.3f s\n", Median(load), Median(save));
    {
        // What a scan pays for the list: the reload at its start and one lookup per missing file.
        SetCurrentDirectoryA(full.c_str());
        CRegistryLib engine;
        const double reload = TimeSeconds([&] { engine.LoadIgnoreList(); });
        int hits = 0;
        const double lookups = TimeSeconds([&] {
            for (int i = 0; i < 10000; ++i)
                hits += engine.IsIgnored("C:\\Program Files\\Vendor " + std::to_string(i * 7) + "\\missing.dll");
        });
        std::printf("reload of the unchanged list: %.4f s; 10,000 lookups: %.4f s (%d hits)\n", reload, lookups, hits);
    }

    if (scans) {
        // Interleaved, in alternating order, so that the machine's load falls on both alike.
        std::vector<double> withList, without, engineWithList, engineWithout, pairs;
        size_t foundWith = 0, foundWithout = 0;
        for (int r = 0; r < runs; ++r) {
            for (int k = 0; k < 2; ++k) {
                const bool list = (r + k) % 2 == 0;
                const ScanFigures f = FullScan(list ? full : empty);
                (list ? withList : without).push_back(f.seconds);
                (list ? engineWithList : engineWithout).push_back(f.withEngine);
                (list ? foundWith : foundWithout) = f.findings;
            }
            pairs.push_back(Ratio(withList.back(), without.back()));  // two scans run back to back
        }
        std::printf("full scan: with the list %.3f s, with none %.3f s, ratio %.3f (target 1.05); findings %u and %u\n",
                    Median(withList), Median(without), Ratio(Median(withList), Median(without)),
                    static_cast<unsigned>(foundWith), static_cast<unsigned>(foundWithout));
        std::printf("full scan, median of the ratios of back-to-back pairs: %.3f\n", Median(pairs));
        std::printf("engine built, then the full scan: with the list %.3f s, with none %.3f s, ratio %.3f\n",
                    Median(engineWithList), Median(engineWithout), Ratio(Median(engineWithList), Median(engineWithout)));
        if (std::getenv("IGNORE_BENCH_HELD")) {
            // The same scan without a list, while another engine holds the long list in memory.
            std::vector<double> held;
            SetCurrentDirectoryA(full.c_str());
            CRegistryLib holder;
            for (int r = 0; r < runs; ++r) held.push_back(FullScan(empty).seconds);
            std::printf("full scan with none while another engine holds the list: %.3f s\n", Median(held));
        }
    }

    if (window) {
        std::vector<double> startFull, startEmpty, paintFull, open, remove;
        double peakFull = 0, peakEmpty = 0;
        for (int r = 0; r < runs; ++r) {
            {
                WindowRun app(empty, 0);
                startEmpty.push_back(app.filled);
                peakEmpty = app.PeakWorkingSetMB();
            }
            MakeListFolder("full", lines);  // as it was before the last run's removals
            WindowRun app(full, lines);
            startFull.push_back(app.filled);
            paintFull.push_back(app.painted);
            if (app.filled < 0) {
                std::printf("run %d: the ignored list never held %d rows\n", r, lines);
                continue;
            }
            open.push_back(app.OpenIgnoredPage());
            for (int k = 0; k < removals && r == 0; ++k) remove.push_back(app.RemoveFirstRow());
            if (r == 0) {
                std::printf("removals:");
                for (double t : remove) std::printf(" %.3f s", t);
                std::printf("; every line at once (Select all): %.3f s\n", app.RemoveAll());
            }
            peakFull = app.PeakWorkingSetMB();
        }
        std::printf("window start until the ignored list is filled: %.3f s with the list (shown %.3f s), %.3f s "
                    "with none, ratio %.2f\n",
                    Median(startFull), Median(paintFull), Median(startEmpty), Ratio(Median(startFull), Median(startEmpty)));
        std::printf("opening the Ignored page: %.3f s; removing one line: %.3f s (target under 1 s each)\n",
                    Median(open), Median(remove));
        std::printf("peak working set of the window program: %.1f MB with the list, %.1f MB with none\n", peakFull,
                    peakEmpty);
    }
    return 0;
}
