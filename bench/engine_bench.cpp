// Engine benchmark: scan (and repair) speed against the least work the same results need, in one run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "backup/Backup.h"
#include "routines/RepairRoutines.h"
#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "engine/RegistryLib.h"
#include "support/Baseline.h"
#include "support/Timing.h"

namespace {
struct ScanFigures {
    double seconds = 0;
    size_t registryFound = 0;
    size_t shortcutsFound = 0;
};

// The engine objects of one scan, as a window holds them.
struct BenchScan {
    CRegistryLib engine;
    CShortcut links{&engine};
    ScanSelection selection;
    CategoryResults results;
    BenchScan() { ResetStop(); }
    void run() { ScanRun(engine, links, selection, results, nullptr); }
};

ScanFigures engineScan(bool registry, bool shortcuts) {
    BenchScan scan;
    CRegistryLib& engine = scan.engine;
    CShortcut& links = scan.links;
    ScanSelection& selection = scan.selection;
    if (registry)
        for (auto c : {COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP, UNINSTALL}) selection[c] = 1;
    if (shortcuts) selection[SHORTCUTS] = 1;
    ScanFigures f;
    f.seconds = TimeSeconds([&] { scan.run(); });
    f.registryFound = engine.ErrorList.size();
    f.shortcutsFound = links.invalidShortcuts.size();
    return f;
}

// Signals the stop event at a random moment of a full scan; returns seconds from signal to end.
double stopLatency(std::mt19937& rng, double scanSeconds) {
    BenchScan scan;
    scan.selection.selectAll();
    std::thread worker([&] { scan.run(); });
    std::uniform_real_distribution<double> when(0.05, std::max(0.1, scanSeconds * 0.9));
    Sleep(static_cast<DWORD>(when(rng) * 1000));
    double signalled = NowSeconds();
    SignalStop();
    worker.join();
    double latency = NowSeconds() - signalled;
    ResetStop();
    return latency;
}

struct RepairFigures {
    double seconds = 0;
    size_t findings = 0;
    bool restoredSame = false;
};

// Scans, then runs the results-screen repair on every finding (selective backup, undo file,
// deletion), then puts everything back: the registry from the new backup and the shortcut files
// from a copy made before, so that the next round meets the same registry.
RepairFigures repairRound() {
    RepairFigures f;
    BenchScan scan;
    scan.selection.selectAll();
    scan.run();
    CRegistryLib& engine = scan.engine;
    CShortcut& links = scan.links;
    CategoryResults& results = scan.results;
    f.findings = engine.ErrorList.size() + links.invalidShortcuts.size();
    CreateDirectoryA("C:\\bench-stash", nullptr);
    std::vector<std::pair<std::string, std::string>> stash;
    for (size_t i = 0; i < links.invalidShortcuts.size(); ++i) {
        std::string copy = "C:\\bench-stash\\" + std::to_string(i) + ".lnk";
        if (CopyFileA(links.invalidShortcuts[i].c_str(), copy.c_str(), FALSE)) stash.emplace_back(copy, links.invalidShortcuts[i]);
    }
    RepairJob job{engine, links, results, nullptr, {}};
    RepairReport report;
    f.seconds = TimeSeconds([&] { report = RepairSelectedEntries(job, RowTicks{}); });
    if (!report.Completed()) std::printf("repair did not complete (backup failed: %d)\n", report.backupFailed);
    RestoreLatestBackup([](const std::string&) {});
    for (const auto& s : stash) MoveFileExA(s.first.c_str(), s.second.c_str(), MOVEFILE_REPLACE_EXISTING);
    ScanFigures again = engineScan(true, true);
    f.restoredSame = again.registryFound + again.shortcutsFound == f.findings;
    return f;
}

void line(const char* what, double engine, double baseline) {
    std::printf("%-28s engine %8.3f s   baseline %8.3f s   ratio %.3f\n", what, engine, baseline,
                baseline > 0 ? engine / baseline : 0.0);
}
}  // namespace

int main(int argc, char** argv) {
    int runs = 5, stops = 5, repairs = 3;
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--runs")) runs = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--stops")) stops = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--seed")) seed = static_cast<unsigned>(std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--repairs")) repairs = std::atoi(argv[i + 1]);
    }
    // One scan and nothing else, for tracing the calls of one side (for example with
    // WINEDEBUG=+server): --once engine|baseline|links|baselinks
    // A third word names one registry category (its console name).
    if ((argc == 3 || argc == 4) && !std::strcmp(argv[1], "--once")) {
        std::string what = argv[2];
        double s = 0;
        int64_t n = 0;
        if (argc == 4) {
            for (auto cat : {COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP, UNINSTALL}) {
                if (std::strcmp(CategoryInfoOf(cat).flagName, argv[3])) continue;
                if (what == "baseline") {
                    s = TimeSeconds([&] { n = BaselineCategory(cat); });
                } else {
                    CRegistryLib engine;
                    ScanSelection sel;
                    sel[cat] = 1;
                    CategoryResults results;
                    s = TimeSeconds([&] { engine.RunSelectedScans(results, sel); });
                    n = static_cast<int64_t>(engine.ErrorList.size());
                }
                std::printf("%s %s: %.3f s, %lld broken\n", what.c_str(), argv[3], s, static_cast<long long>(n));
                return 0;
            }
            return 2;
        }
        if (what == "engine") { ScanFigures f = engineScan(true, false); s = f.seconds; n = static_cast<int64_t>(f.registryFound); }
        else if (what == "links") { ScanFigures f = engineScan(false, true); s = f.seconds; n = static_cast<int64_t>(f.shortcutsFound); }
        else if (what == "baseline") s = TimeSeconds([&] { n = BaselineRegistryScan(); });
        else if (what == "baselinks") s = TimeSeconds([&] { n = BaselineShortcutScan(); });
        else return 2;
        std::printf("%s: %.3f s, %lld broken\n", what.c_str(), s, static_cast<long long>(n));
        return 0;
    }
    std::printf("engine benchmark: %d runs each, medians\n", runs);
    if (argc > 1 && !std::strcmp(argv[argc - 1], "--categories")) {
        for (auto c : {COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP, UNINSTALL}) {
            std::vector<double> e, b;
            for (int r = 0; r < runs; ++r) {
                ResetStop();
                CRegistryLib engine;
                ScanSelection sel;
                sel[c] = 1;
                CategoryResults results;
                e.push_back(TimeSeconds([&] { engine.RunSelectedScans(results, sel); }));
                b.push_back(TimeSeconds([&] { BaselineCategory(c); }));
            }
            line(CategoryInfoOf(c).flagName, Median(e), Median(b));
        }
        return 0;
    }

    // Peak memory is read right after the first full scan, before anything else has run.
    ScanFigures first = engineScan(true, true);
    double peakMB = PeakMemoryMB();

    std::vector<double> regEngine, regBase, lnkEngine, lnkBase, full;
    size_t engineRegFound = 0, engineLnkFound = 0;
    int64_t baseRegFound = 0, baseLnkFound = 0;
    for (int r = 0; r < runs; ++r) {
        // Interleaved so that a noisy machine slows both sides alike, and in alternating order
        // (engine first, then baseline first) so that neither side always meets the caches the
        // other has just warmed.
        auto engineRegistry = [&] {
            ScanFigures reg = engineScan(true, false);
            regEngine.push_back(reg.seconds);
            engineRegFound = reg.registryFound;
        };
        auto baselineRegistry = [&] { regBase.push_back(TimeSeconds([&] { baseRegFound = BaselineRegistryScan(); })); };
        auto engineLinks = [&] {
            ScanFigures lnk = engineScan(false, true);
            lnkEngine.push_back(lnk.seconds);
            engineLnkFound = lnk.shortcutsFound;
        };
        auto baselineLinks = [&] { lnkBase.push_back(TimeSeconds([&] { baseLnkFound = BaselineShortcutScan(); })); };
        if (r % 2 == 0) {
            engineRegistry(), baselineRegistry(), engineLinks(), baselineLinks();
        } else {
            baselineRegistry(), engineRegistry(), baselineLinks(), engineLinks();
        }
        full.push_back(engineScan(true, true).seconds);
    }
    line("registry scan (9 categories)", Median(regEngine), Median(regBase));
    line("shortcut scan", Median(lnkEngine), Median(lnkBase));
    line("full scan (10 categories)", Median(full), Median(regBase) + Median(lnkBase));
    std::printf("broken entries: registry engine %zu baseline %lld; shortcuts engine %zu baseline %lld\n",
                engineRegFound, static_cast<long long>(baseRegFound), engineLnkFound,
                static_cast<long long>(baseLnkFound));
    std::printf("first full scan: %.3f s, %zu registry records, %zu broken shortcuts\n", first.seconds,
                first.registryFound, first.shortcutsFound);
    std::printf("peak memory of the full scan: %.1f MB\n", peakMB);

    std::mt19937 rng(seed);
    double worst = 0;
    for (int i = 0; i < stops; ++i) worst = std::max(worst, stopLatency(rng, Median(full)));
    std::printf("stop latency: largest of %d stops at random moments %.1f ms\n", stops, worst * 1000);

    if (repairs > 0) {
        std::vector<double> per;
        size_t findings = 0;
        bool restored = true;
        for (int i = 0; i < repairs; ++i) {
            RepairFigures r = repairRound();
            findings = r.findings;
            restored = restored && r.restoredSame;
            per.push_back(r.findings ? r.seconds / static_cast<double>(r.findings) : 0);
        }
        double perFinding = Median(per);
        std::printf("repair of all %zu findings (selective backup, undo file, deletion): %.3f s, %.3f ms per finding\n",
                    findings, perFinding * static_cast<double>(findings), perFinding * 1000);
        std::printf("after each repair the backup and the saved shortcut files gave back the same findings: %s\n",
                    restored ? "yes" : "NO");
    }

    bool same = engineRegFound == static_cast<size_t>(baseRegFound) && engineLnkFound == static_cast<size_t>(baseLnkFound);
    std::printf("%s\n", same ? "engine and baseline agree on the broken entries" : "MISMATCH between engine and baseline");
    return same ? 0 : 1;
}
