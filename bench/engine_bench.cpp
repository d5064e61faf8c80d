// Engine benchmark: scan (and repair) speed against the least work the same results need, in one run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "backup/Backup.h"
#include "platform/DataFolder.h"
#include "routines/RepairLog.h"
#include "routines/RepairRoutines.h"
#include "engine/FindingLevels.h"
#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "engine/scanners/ScanSupport.h"
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
        for (auto c : REGISTRY_CATEGORIES) selection[c] = 1;
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

// What a full scan gives the outside, for comparing the walk with and without the file-test pool.
std::string scanText(BenchScan& scan) {
    std::string text;
    for (const auto& e : scan.engine.ErrorList)
        text += e->type + "\t" + e->action + "\t" + e->keyPath + "\t" + e->value->name + "\t" + e->filePath + "\n";
    for (const auto& link : scan.links.invalidShortcuts) text += link + "\n";
    for (const auto& r : scan.results)
        text += r->title + "\t" + std::to_string(r->scannedCount) + "\t" + std::to_string(r->errorCount) + "\n";
    return text;
}

void setScanThreads(const char* value) { SetEnvironmentVariableA("ZENTHAR_SCAN_THREADS", value); }

struct PoolRound {
    double seconds = 0;
    std::string text;
};

// One scan of the selected categories (all ten when `category` is SCAN_CATEGORY_COUNT), its file
// tests on the pool (`threads` null) or tested by the walk itself ("1").
PoolRound poolRound(const char* threads, ScanCategory category) {
    setScanThreads(threads ? threads : std::getenv("BENCH_POOL_THREADS"));
    BenchScan scan;
    if (category == SCAN_CATEGORY_COUNT) scan.selection.selectAll();
    else scan.selection[category] = 1;
    PoolRound r;
    r.seconds = TimeSeconds([&] { scan.run(); });
    r.text = scanText(scan);
    setScanThreads(nullptr);
    return r;
}

void line(const char* what, double engine, double baseline);

// --pool: the scan with its file tests on the pool against the same scan without it and against
// the least-work walk, interleaved in alternating order; the findings of both scans compared.
int poolBench(int runs, bool oneCore, bool fullOnly = false) {
    if (oneCore) SetProcessAffinityMask(GetCurrentProcess(), 1);
    setScanThreads(std::getenv("BENCH_POOL_THREADS"));
    std::printf("pool benchmark: %d runs each, medians, %d scan threads%s\n", runs, ScanThreadCount(),
                oneCore ? " (one core)" : "");
    bool same = true;
    auto compare = [&](ScanCategory category, const char* what) {
        std::vector<double> pooled, walk, base, pairRatio;
        for (int r = 0; r < runs; ++r) {
            PoolRound a, b;
            double t = 0;
            auto baseline = [&] {
                t = TimeSeconds([&] {
                    if (category == SCAN_CATEGORY_COUNT) BaselineRegistryScan(), BaselineShortcutScan();
                    else if (category == SHORTCUTS) BaselineShortcutScan();
                    else BaselineCategory(category);
                });
            };
            if (r % 2 == 0) a = poolRound(nullptr, category), b = poolRound("1", category), baseline();
            else baseline(), b = poolRound("1", category), a = poolRound(nullptr, category);
            pooled.push_back(a.seconds);
            walk.push_back(b.seconds);
            base.push_back(t);
            pairRatio.push_back(b.seconds > 0 ? a.seconds / b.seconds : 0);
            if (a.text != b.text) {
                same = false;
                std::printf("%s: DIFFERENT findings or rows with and without the pool\n", what);
            }
        }
        // The ratio of medians, and the median of the ratios of runs made back to back.
        std::printf("%-14s pool %7.3f s  walk %7.3f s  least-work %7.3f s  pool/walk %.3f (by run %.3f)  "
                    "pool/least %.3f  walk/least %.3f\n",
                    what, Median(pooled), Median(walk), Median(base), Median(pooled) / Median(walk), Median(pairRatio),
                    Median(pooled) / Median(base), Median(walk) / Median(base));
    };
    // Where the time goes: the file tests alone (the paths the COM scan reports, tested as the scan
    // tests them), against the whole COM walk that also reads the registry.
    {
        static std::vector<std::string> paths;
        CRegistryLib engine;
        engine.progressCallback = [](const char* item, const char*, int32_t, int32_t) { paths.push_back(item); };
        ScanSelection sel;
        sel[COM] = 1;
        CategoryResults results;
        setScanThreads("1");
        double walk = TimeSeconds([&] { engine.RunSelectedScans(results, sel); });
        setScanThreads(nullptr);
        int missing = 0;
        double tests = TimeSeconds([&] {
            for (const std::string& p : paths)
                missing += engine.CheckFile(p, 0) == -1 &&
                           StaysMissing(engine.drives, p, BareNamePlace::SYSTEM_DIRECTORY, p);
        });
        std::printf("COM walk %.3f s, its %zu file tests alone %.3f s (%d missing): %.0f%% of the walk\n", walk,
                    paths.size(), tests, missing, walk > 0 ? 100 * tests / walk : 0.0);
    }
    compare(SCAN_CATEGORY_COUNT, "full scan");
    for (auto c : {COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP, UNINSTALL, FILETYPES, SHORTCUTS})
        if (!fullOnly) compare(c, CategoryInfoOf(c).flagName);
    std::printf("%s\n", same ? "the scans with and without the pool gave the same findings and rows"
                              : "MISMATCH between the scans with and without the pool");
    return same ? 0 : 1;
}

void line(const char* what, double engine, double baseline) {
    std::printf("%-28s engine %8.3f s   baseline %8.3f s   ratio %.3f\n", what, engine, baseline,
                baseline > 0 ? engine / baseline : 0.0);
}
}  // namespace

namespace {
// --repair-log [N]: the repair log of N repairs (1,000 by default) loaded as the History page and
// the history command load it, and the next repair appended to it. The records hold 1 to 49
// entries of full-length paths (25 on average), as the repairs the scans of this bench make.
int repairLogBench(int runs, int repairs) {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "zenthar-repair-log-bench";
    CreateDirectoryA(folder.c_str(), nullptr);
    SetDataFolder(folder);
    DeleteFileA(RepairLogPath().c_str());
    std::mt19937 rng(7);
    std::string bytes = REPAIR_LOG_HEADER;
    size_t entries = 0;
    for (int id = 1; id <= repairs; ++id) {
        RepairRecord r;
        r.id = id;
        r.time = "2026-12-08 15:30:" + std::to_string(10 + id % 50);
        r.completed = id % 7 != 0;
        r.backupFile = folder + "\\Registry Backups\\2026-12-08_15-30-" + std::to_string(10 + id % 50) + ".reg";
        const int n = 1 + static_cast<int>(rng() % 49);
        for (int e = 0; e < n; ++e)
            r.entries.push_back({"COM", "HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{0A3F51B2-77C4-4E0B-9D1A-" +
                                            std::to_string(100000000000LL + rng()) + "}",
                                 "", "C:\\Program Files\\Some Vendor\\Some Product " + std::to_string(e) +
                                         "\\bin\\component" + std::to_string(rng() % 1000) + ".dll"});
        r.counts = {{"COM", n}};
        entries += static_cast<size_t>(n);
        bytes += EncodeRepairRecord(r);
    }
    FILE* f = std::fopen(RepairLogPath().c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) return 2;
    std::fclose(f);
    std::vector<double> loads;
    size_t loaded = 0;
    for (int r = 0; r < runs; ++r) loads.push_back(TimeSeconds([&] { loaded = LoadRepairLog(false).records.size(); }));
    RepairRecord next;
    next.time = "2026-12-08 16:00:00";
    next.entries.push_back({"DRV", "HKEY_LOCAL_MACHINE\\x", "v", "C:\\gone.drv"});
    std::string error, note;
    bool appended = false;
    const double append = TimeSeconds([&] { appended = AppendRepairRecord(next, error, note); });
    std::printf("repair log of %d repairs, %zu entries, %.1f KB: load %.1f ms (median of %d, slowest %.1f ms), "
                "%zu records read; the next repair appended (load and mend check included) in %.1f ms%s\n",
                repairs, entries, bytes.size() / 1024.0, Median(loads) * 1000, runs,
                *std::max_element(loads.begin(), loads.end()) * 1000, loaded, append * 1000,
                appended && next.id == repairs + 1 ? "" : " FAILED");
    DeleteFileA(RepairLogPath().c_str());
    return loaded == static_cast<size_t>(repairs) && appended ? 0 : 1;
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
    if (argc >= 2 && !std::strcmp(argv[1], "--repair-log"))
        return repairLogBench(runs, argc >= 3 ? std::atoi(argv[2]) : 1000);
    // --pool [--one-core]: the file-test pool against the walk without it, per category;
    // --pool-full: the full scan only.
    if (argc > 1 && !std::strcmp(argv[argc - 1], "--pool")) return poolBench(runs, false);
    if (argc > 1 && !std::strcmp(argv[argc - 1], "--pool-full")) return poolBench(runs, false, true);
    if (argc > 2 && !std::strcmp(argv[argc - 1], "--one-core") && !std::strcmp(argv[argc - 2], "--pool"))
        return poolBench(runs, true);
    // One scan and nothing else, for tracing the calls of one side (for example with
    // WINEDEBUG=+server): --once engine|baseline|links|baselinks
    // A third word names one registry category (its console name).
    if ((argc == 3 || argc == 4) && !std::strcmp(argv[1], "--once")) {
        std::string what = argv[2];
        double s = 0;
        int64_t n = 0;
        if (argc == 4) {
            for (auto cat : REGISTRY_CATEGORIES) {
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
    {
        // The scan judges every finding's level once it has ended: that share of the full scan, alone.
        BenchScan levels;
        levels.selection.selectAll();
        levels.run();
        std::vector<double> judged;
        for (int i = 0; i < runs; ++i)
            judged.push_back(TimeSeconds([&] { JudgeFindings(levels.engine.ErrorList, levels.links); }));
        std::printf("levels: judging %zu findings took %.1f ms, %.2f %% of the full scan\n",
                    levels.engine.ErrorList.size() + levels.links.invalidShortcuts.size(), Median(judged) * 1000,
                    100 * Median(judged) / Median(full));
    }
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
