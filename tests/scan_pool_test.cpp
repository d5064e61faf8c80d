// The scan's file-test pool: verdicts committed in the order of the entries, a scan on the pool
// that finds and reports exactly what the walk without one does, on one core too, and its stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "engine/OrderedFileTests.h"
#include "engine/ScanRun.h"
#include "engine/scanners/Shortcut.h"
#include "engine/StopEvent.h"
#include "engine/RegistryLib.h"
#include "support/ShortcutFile.h"
#include "support/TestSupport.h"

namespace {
const std::string HKLM_WIN = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows";
const std::string DRIVERS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string FONTS_NT = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::string RUN = HKLM_WIN + "\\CurrentVersion\\Run";
const std::string SHARED_DLLS = HKLM_WIN + "\\CurrentVersion\\SharedDLLs";
const std::string APP_PATHS = HKLM_WIN + "\\CurrentVersion\\App Paths";
const std::string UNINSTALL = HKLM_WIN + "\\CurrentVersion\\Uninstall";
const std::string CLSID = "HKEY_CLASSES_ROOT\\CLSID\\{2E0000B0-0000-0000-0000-0000000ZP";  // + digits + "}"

// Sets ZENTHAR_SCAN_THREADS for its life (empty: unset) and puts the earlier value back.
class ThreadSetting {
public:
    explicit ThreadSetting(const char* value) {
        char old[32];
        DWORD n = GetEnvironmentVariableA("ZENTHAR_SCAN_THREADS", old, sizeof old);
        had_ = n > 0 && n < sizeof old;
        if (had_) old_ = old;
        SetEnvironmentVariableA("ZENTHAR_SCAN_THREADS", *value ? value : nullptr);
    }
    ~ThreadSetting() { SetEnvironmentVariableA("ZENTHAR_SCAN_THREADS", had_ ? old_.c_str() : nullptr); }

private:
    bool had_ = false;
    std::string old_;
};

struct StopReset {
    StopReset() { ResetStop(); }
    ~StopReset() { ResetStop(); }
};

// A test whose cost varies from item to item, so that later items often finish first.
bool slowVerdict(int i) {
    for (int k = 0; k < (i * 7) % 13; ++k) GetFileAttributesA("C:\\zenthar-tests\\no-such-file");
    return i % 3 == 0;
}

// Everything a scan gives the outside, one line each: progress calls, records and rows.
std::vector<std::string> g_progress;
std::atomic<int> g_progressCount{0};

void recordProgress(const char* item, const char* text, int32_t scanned, int32_t errors) {
    g_progress.push_back(std::string("P\t") + item + "\t" + text + "\t" + std::to_string(scanned) + "\t" +
                         std::to_string(errors));
    ++g_progressCount;
}

struct ScanLines {
    std::vector<std::string> progress, records, rows;
};

ScanLines scanRegistry() {
    g_progress.clear();
    g_progressCount = 0;
    CRegistryLib engine;
    engine.progressCallback = recordProgress;
    ScanSelection selection;
    selection.selectAll();
    selection[SHORTCUTS] = 0;
    CategoryResults results;
    engine.RunSelectedScans(results, selection);
    ScanLines out;
    out.progress = g_progress;
    for (const auto& e : engine.ErrorList)
        out.records.push_back(e->type + "\t" + e->action + "\t" + e->keyPath + "\t" + e->value->name + "\t" +
                              e->value->data + "\t" + e->filePath);
    for (const auto& r : results)
        out.rows.push_back(r->title + "\t" + std::to_string(r->scannedCount) + "\t" + std::to_string(r->errorCount));
    return out;
}

void expectSameScan(const ScanLines& a, const ScanLines& b, const char* what) {
    EXPECT_EQ(a.records, b.records) << what;
    EXPECT_EQ(a.rows, b.rows) << what;
    EXPECT_EQ(a.progress, b.progress) << what;
}

// Entries of every registry category, present and missing ones interleaved, so that records
// come from many places in each walk.
struct MixedEntries : ScratchDir {
    std::vector<std::unique_ptr<SeededValue>> values;
    std::vector<std::unique_ptr<SeededKey>> keys;

    MixedEntries() : ScratchDir("scanpool") {
        for (int i = 0; i < 24; ++i) {
            const std::string n = std::to_string(i);
            const bool gone = i % 3 != 1;
            const std::string exe = file((gone ? "gone" : "here") + n + ".exe");
            if (!gone) WriteTextFile(exe, "x");
            values.push_back(std::make_unique<SeededValue>(RUN, "ZtPool" + n, "\"" + exe + "\" /min"));
            values.push_back(std::make_unique<SeededValue>(DRIVERS, "zt.pool" + n, exe));
            values.push_back(std::make_unique<SeededValue>(SHARED_DLLS, exe, "1"));
            values.push_back(std::make_unique<SeededValue>(FONTS_NT, "Zt Pool " + n + " (TrueType)", exe));
            values.push_back(std::make_unique<SeededValue>(HKLM_WIN + "\\Help", "ztpool" + n + ".hlp", path()));
            addKey(APP_PATHS + "\\ZtPool" + n + ".exe", "", exe);
            addKey(UNINSTALL + "\\ZtPool" + n, "UninstallString", "\"" + exe + "\" /S");
            addKey(CLSID + (i < 10 ? "0" : "") + n + "}\\InprocServer32", "", exe);
            if (i % 4 == 0) addKey(CLSID + (i < 10 ? "0" : "") + n + "}\\LocalServer32", "", file("absent.exe"));
        }
    }
    void addKey(const std::string& path, const std::string& name, const std::string& data) {
        keys.push_back(std::make_unique<SeededKey>(path));
        keys.back()->setString(name, data);
    }
};

// A whole run as the windows and the console start it: the registry, then the shortcuts.
struct RunLines : ScanLines {
    std::vector<std::string> links;
    std::string shortcutCounts;
    int completed = 0;
    int32_t shortcutFlag = 0;
};

RunLines scanRun(int32_t shortcutCountsBefore = 0) {
    g_progress.clear();
    CRegistryLib engine;
    CShortcut shortcuts(&engine);
    shortcuts.scannedCount = shortcuts.errorCount = shortcutCountsBefore;
    engine.progressCallback = recordProgress;
    shortcuts.progressCallback = recordProgress;
    ScanSelection selection;
    selection.selectAll();
    CategoryResults results;
    RunLines out;
    ScanRun(engine, shortcuts, selection, results, [&] { ++out.completed; });
    out.progress = g_progress;
    for (const auto& e : engine.ErrorList) out.records.push_back(e->type + "\t" + e->keyPath + "\t" + e->filePath);
    for (const auto& r : results)
        out.rows.push_back(r->title + "\t" + std::to_string(r->scannedCount) + "\t" + std::to_string(r->errorCount));
    out.links = shortcuts.invalidShortcuts;
    out.shortcutCounts = std::to_string(shortcuts.scannedCount) + "/" + std::to_string(shortcuts.errorCount);
    out.shortcutFlag = selection.get(SHORTCUTS);
    return out;
}

size_t countContaining(const std::vector<std::string>& lines, const std::string& part) {
    size_t n = 0;
    for (const std::string& l : lines) n += l.find(part) != std::string::npos;
    return n;
}
}  // namespace

TEST(OrderedFileTests, VerdictsAreCommittedOnTheCallerInTheOrderOfSubmission) {
    StopReset guard;
    const struct {
        int threads;
        int items;
        bool someWithoutTest;
    } cases[] = {{1, 50, false}, {2, 600, false}, {4, 600, true}, {8, 1000, true}};
    for (const auto& c : cases) {
        OrderedFileTests tests;
        tests.start(c.threads);
        EXPECT_EQ(tests.pooled(), c.threads > 1) << c.threads;
        std::vector<int> order;
        std::vector<bool> verdicts;
        bool elsewhere = false;
        const DWORD caller = GetCurrentThreadId();
        for (int i = 0; i < c.items; ++i) {
            const bool withTest = !(c.someWithoutTest && i % 5 == 2);
            std::function<bool()> test;
            if (withTest) test = [i] { return slowVerdict(i); };
            tests.submit(std::move(test), [&, i](bool verdict) {
                order.push_back(i);
                verdicts.push_back(verdict);
                elsewhere = elsewhere || GetCurrentThreadId() != caller;
            });
        }
        tests.finish();
        ASSERT_EQ(order.size(), static_cast<size_t>(c.items)) << c.threads;
        for (int i = 0; i < c.items; ++i) {
            ASSERT_EQ(order[i], i) << c.threads << " threads";
            const bool withTest = !(c.someWithoutTest && i % 5 == 2);
            EXPECT_EQ(verdicts[i], withTest && i % 3 == 0) << "item " << i << ", " << c.threads << " threads";
        }
        EXPECT_FALSE(elsewhere) << "a commit ran on a worker, " << c.threads << " threads";
    }
}

TEST(OrderedFileTests, AStopEndsTheCommitsAndFinishDropsTheRest) {
    for (int threads : {1, 3}) {
        StopReset guard;
        OrderedFileTests tests;
        tests.start(threads);
        std::vector<int> committed;
        for (int i = 0; i < 2000; ++i) {
            if (threads == 1 && StopRequested()) break;  // the walk's own check, before each entry
            tests.submit([i] { return slowVerdict(i); }, [&, i](bool) {
                committed.push_back(i);
                if (i == 40) SignalStop();
            });
        }
        tests.finish();
        ASSERT_EQ(committed.size(), 41u) << threads << " threads";
        for (int i = 0; i <= 40; ++i) EXPECT_EQ(committed[i], i);
        // The next scan starts afresh on the same object.
        ResetStop();
        committed.clear();
        tests.submit([] { return true; }, [&](bool v) { committed.push_back(v ? 1 : 0); });
        tests.finish();
        EXPECT_EQ(committed, std::vector<int>{1}) << threads << " threads";
    }
}

TEST(OrderedFileTests, AFailingTestSurfacesAtItsOwnPlaceOnTheCaller) {
    StopReset guard;
    OrderedFileTests tests;
    tests.start(2);
    std::vector<int> committed;
    auto run = [&] {
        for (int i = 0; i < 100; ++i)
            tests.submit(
                [i]() -> bool {
                    if (i == 30) throw std::runtime_error("out of memory");
                    return slowVerdict(i);
                },
                [&, i](bool) { committed.push_back(i); });
        tests.finish();
    };
    EXPECT_THROW(run(), std::runtime_error);
    ASSERT_EQ(committed.size(), 30u);
    EXPECT_EQ(committed.back(), 29);
    tests.stop();  // joins with tests still queued
}

TEST(ScanOnThePool, FindsAndReportsWhatTheWalkWithoutOneDoes) {
    StopReset guard;
    MixedEntries entries;
    ScanLines walk;
    {
        ThreadSetting one("1");
        walk = scanRegistry();
    }
    // The table's premise: records from every category, and both kinds of entry.
    ASSERT_EQ(walk.rows.size(), 10u);
    // Sixteen missing programs in seven categories; the local servers beside six of the classes.
    EXPECT_EQ(countContaining(walk.records, entries.file("gone")), 16u * 7);
    EXPECT_EQ(countContaining(walk.records, entries.file("absent.exe")), 6u);
    EXPECT_EQ(countContaining(walk.records, entries.file("here")), 0u);
    EXPECT_EQ(countContaining(walk.records, entries.file("ztpool")), 24u);  // help files, all missing
    for (const char* setting : {"", "2", "4", "8"}) {
        ThreadSetting threads(setting);
        expectSameScan(scanRegistry(), walk, *setting ? setting : "default");
    }
}

TEST(ScanOnThePool, OneCoreGivesTheSameScan) {
    StopReset guard;
    MixedEntries entries;
    ScanLines walk;
    {
        ThreadSetting one("1");
        walk = scanRegistry();
    }
    DWORD_PTR process = 0, system = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
    ASSERT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), 1));
    struct Restore {
        DWORD_PTR mask;
        ~Restore() { SetProcessAffinityMask(GetCurrentProcess(), mask); }
    } restore{process};
    {
        ThreadSetting unset("");
        EXPECT_EQ(ScanThreadCount(), 1) << "one core: the walk tests its files itself";
        expectSameScan(scanRegistry(), walk, "one core");
    }
    ThreadSetting pooled("3");  // a pool on one core: its threads take turns with the walk
    expectSameScan(scanRegistry(), walk, "a pool on one core");
}

TEST(ScanOnThePool, AStopAtRandomMomentsEndsSoonWithTheRowsReachedSoFar) {
    StopReset guard;
    MixedEntries entries;
    ThreadSetting pooled("4");
    const ScanLines full = scanRegistry();
    ASSERT_GT(full.progress.size(), 20u);
    std::mt19937 rng(30);
    std::uniform_int_distribution<int> moment(1, static_cast<int>(full.progress.size()) - 1);
    for (int round = 0; round < 10; ++round) {
        ResetStop();
        const int after = moment(rng);
        g_progressCount = 0;  // before the stopper looks at it
        std::atomic<double> signalled{0};
        std::thread stopper([&] {
            while (g_progressCount.load() < after) SwitchToThread();  // until the scan reaches the moment
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            signalled = static_cast<double>(now.QuadPart);
            SignalStop();
        });
        ScanLines part = scanRegistry();
        LARGE_INTEGER end, freq;
        QueryPerformanceCounter(&end);
        QueryPerformanceFrequency(&freq);
        stopper.join();
        const double ms = (static_cast<double>(end.QuadPart) - signalled.load()) * 1000.0 / freq.QuadPart;
        EXPECT_LE(ms, 100.0) << "stop after progress call " << after;
        // What was reached is the start of the full scan: records, progress and rows.
        ASSERT_LE(part.records.size(), full.records.size());
        EXPECT_TRUE(std::equal(part.records.begin(), part.records.end(), full.records.begin())) << after;
        ASSERT_LE(part.progress.size(), full.progress.size());
        EXPECT_GE(part.progress.size(), static_cast<size_t>(after));
        EXPECT_TRUE(std::equal(part.progress.begin(), part.progress.end(), full.progress.begin())) << after;
        ASSERT_FALSE(part.rows.empty());
        ASSERT_LE(part.rows.size(), full.rows.size());
        for (size_t i = 0; i + 1 < part.rows.size(); ++i) EXPECT_EQ(part.rows[i], full.rows[i]) << after;
        const std::string& last = part.rows.back();
        EXPECT_EQ(last.substr(0, last.find('\t')), full.rows[part.rows.size() - 1].substr(0, last.find('\t')));
    }
}

TEST(ScanOnThePool, TheShortcutScanAlongsideTakesItsTurnAfterTheRegistry) {
    StopReset guard;
    MixedEntries entries;
    ASSERT_TRUE(MakeShortcut(entries.file("broken.lnk"), entries.file("gone-target.exe")));
    RunLines walk;
    {
        ThreadSetting one("1");
        walk = scanRun();
    }
    ASSERT_EQ(walk.completed, 1);
    ASSERT_EQ(std::count(walk.links.begin(), walk.links.end(), entries.file("broken.lnk")), 1);
    // The table's premise: shortcut progress comes after every registry record's progress.
    ASSERT_GT(countContaining(walk.progress, "Scanning ShortCuts"), 0u);
    for (const char* setting : {"", "3"}) {
        ThreadSetting threads(setting);
        RunLines run = scanRun();
        expectSameScan(run, walk, *setting ? setting : "default");
        EXPECT_EQ(run.links, walk.links);
        EXPECT_EQ(run.shortcutCounts, walk.shortcutCounts);
        EXPECT_EQ(run.completed, 1);
        EXPECT_EQ(run.shortcutFlag, -1);
    }
}

TEST(ScanOnThePool, AStopAmongTheRegistryCategoriesLeavesTheShortcutsUnscanned) {
    StopReset guard;
    MixedEntries entries;
    ASSERT_TRUE(MakeShortcut(entries.file("broken.lnk"), entries.file("gone-target.exe")));
    for (const char* setting : {"1", ""}) {
        ThreadSetting threads(setting);
        // Stopped at the first startup entry, from the scan's own progress report.
        static std::string stopAt;
        static ScanSelection* running;
        ScanSelection selection;
        selection.selectAll();
        running = &selection;
        stopAt = entries.file("gone0.exe");
        g_progress.clear();
        CRegistryLib engine;
        CShortcut shortcuts(&engine);
        shortcuts.scannedCount = 7;  // left from an earlier run
        engine.progressCallback = [](const char* item, const char*, int32_t, int32_t) {
            if (stopAt == item && running->get(STARTUP) == 2) SignalStop();
        };
        shortcuts.progressCallback = [](const char*, const char*, int32_t, int32_t) { ADD_FAILURE() << "link shown"; };
        CategoryResults results;
        int completed = 0;
        ScanRun(engine, shortcuts, selection, results, [&] { ++completed; });
        EXPECT_TRUE(StopRequested()) << setting;
        EXPECT_EQ(completed, 0) << setting;
        EXPECT_EQ(results.size(), 8u) << setting;  // COM to STARTUP
        EXPECT_TRUE(shortcuts.invalidShortcuts.empty()) << setting;
        EXPECT_EQ(shortcuts.scannedCount, 7) << setting;
        EXPECT_EQ(selection.get(SHORTCUTS), 1) << setting;
        ResetStop();
    }
}
