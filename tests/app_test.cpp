// The window program: its pieces that hold logic, and Zenthar.exe itself driven as a user would
// under Wine and Xvfb (clicks at the built-in skin's coordinates, boxes answered with Return).
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "app/main/LiveCountQuery.h"
#include "app/MainApp.h"
#include "app/main/ScanProgress.h"
#include "app/SingleInstance.h"
#include "platform/DataFolder.h"
#include "platform/RepairLock.h"
#include "engine/SystemPaths.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"
#include "support/AppDriver.h"
#include "support/RegistryTree.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {
const std::string DRIVERS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string APP_PATHS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string CLASSES = "HKEY_CLASSES_ROOT\\CLSID";
const std::string SETTINGS = "HKEY_LOCAL_MACHINE\\Software\\Zenthar";

struct Finding {
    std::string type, action, keyPath, valueName, filePath;
};

// The result list's words for a console finding's type, as the user reads them.
std::string ProblemWords(const std::string& type) {
    static const std::map<std::string, std::string> words = {
        {"CLSID", "COM class: server file missing"}, {"SharedFile", "Shared DLL: file missing"},
        {"VxD", "Driver: file missing"}, {"Help", "Help file: file missing"},
        {"APPPath", "Application path: program missing"}, {"SharedTools", "Shared tool: file missing"},
        {"font", "Font: file missing"}, {"Startup", "Startup program not found"},
        {"Uninstall", "Uninstall entry: program missing"}, {"SHORTCUT", "Shortcut: target missing"}};
    const auto found = words.find(type);
    return found == words.end() ? "(unknown type " + type + ")" : found->second;
}

std::vector<Finding> ConsoleFindings(const std::string& dir) {
    std::vector<Finding> out;
    for (const auto& line : SplitLines(RunCli("scan", dir).out)) {
        std::vector<std::string> f;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            f.push_back(line.substr(start, tab - start));
        f.push_back(line.substr(start));
        if (f.size() == 6 && f[0] == "FINDING") out.push_back({f[1], f[2], f[3], f[4], f[5]});
    }
    return out;
}

bool MakeShortcut(const std::string& link, const std::string& target) {
    CoInitialize(nullptr);
    IShellLinkA* shell = nullptr;
    bool ok = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shell)))) {
        IPersistFile* file = nullptr;
        shell->SetPath(target.c_str());
        if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            std::wstring wide(link.begin(), link.end());
            ok = SUCCEEDED(file->Save(wide.c_str(), TRUE));
            file->Release();
        }
        shell->Release();
    }
    CoUninitialize();
    return ok;
}

bool HasBackup(const std::string& dir) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((dir + "\\Registry Backups\\*.reg").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

// A number setting for the test's life.
class DwordSetting {
public:
    DwordSetting(const char* name, DWORD value) : name_(name) {
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Zenthar", &key) != ERROR_SUCCESS) return;
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
    ~DwordSetting() {
        HKEY key = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Zenthar", &key) != ERROR_SUCCESS) return;
        RegDeleteValueA(key, name_.c_str());
        RegCloseKey(key);
    }

private:
    std::string name_;
};

using WindowProgram = WindowProgramTest;
}  // namespace

// ---- the pieces with logic of their own ----

TEST(MainApp, OnlyTheExactWordScanAsksForAScan) {
    const struct {
        const char* full;
        const char* arguments;
        bool scan;
    } cases[] = {
        {"Zenthar.exe scan", "scan", true},
        {"\"C:\\Program Files\\Zenthar\\Zenthar.exe\" scan", "scan", true},
        {"\"C:\\a b\\Zenthar.exe\"scan", "scan", true},
        {"Zenthar.exe Scan", "Scan", false},
        {"Zenthar.exe  scan", " scan", false},
        {"Zenthar.exe scan now", "scan now", false},
        {"Zenthar.exe scan ", "scan ", false},
        {"Zenthar.exe", "", false},
        {"\"unclosed scan", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CMainApp::ArgumentsOf(c.full), c.arguments) << c.full;
        EXPECT_EQ(CMainApp::IsScanCommand(CMainApp::ArgumentsOf(c.full)), c.scan) << c.full;
    }
}

TEST(MainApp, OnlyASecondStartsOwnCopyDataIsTakenAsArguments) {
    char scan[] = "scan";
    char unterminated[] = {'s', 'c', 'a', 'n'};
    const struct {
        const char* what;
        COPYDATASTRUCT data;
        bool taken;
        const char* arguments;
    } cases[] = {
        {"with its terminator", {SECOND_START_COPYDATA, sizeof scan, scan}, true, "scan"},
        {"without one", {SECOND_START_COPYDATA, sizeof unterminated, unterminated}, true, "scan"},
        {"no arguments", {SECOND_START_COPYDATA, 0, nullptr}, true, ""},
        {"another program's tag", {SECOND_START_COPYDATA + 1, sizeof scan, scan}, false, ""},
        {"a length without data", {SECOND_START_COPYDATA, 4, nullptr}, false, ""},
    };
    for (const auto& c : cases) {
        std::string arguments;
        EXPECT_EQ(SecondStartArguments(reinterpret_cast<LPARAM>(&c.data), arguments), c.taken) << c.what;
        EXPECT_EQ(arguments, c.arguments) << c.what;
    }
    std::string untouched;
    EXPECT_FALSE(SecondStartArguments(0, untouched));
}

TEST(MainApp, TheTrayArgumentAloneOrAMinimisedStartGoStraightToTheTray) {
    const struct {
        const char* arguments;
        int show;
        bool tray;
    } cases[] = {
        {"/tray", -1, true},          {"/TRAY", -1, true},          {" /tray ", -1, true},
        {"/tray scan", -1, false},    {"scan /tray", -1, false},    {"tray", -1, false},
        {"/trayx", -1, false},        {"", -1, false},              {"scan", -1, false},
        {"", SW_SHOWMINNOACTIVE, true}, {"", SW_SHOWMINIMIZED, true}, {"", SW_MINIMIZE, true},
        {"", SW_FORCEMINIMIZE, true}, {"scan", SW_SHOWMINNOACTIVE, true}, {"", SW_SHOWNORMAL, false},
        {"", SW_SHOWMAXIMIZED, false}, {"", SW_SHOWDEFAULT, false}, {"", SW_HIDE, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CMainApp::StartsInTray(c.arguments, c.show), c.tray) << "\"" << c.arguments << "\" " << c.show;
}

TEST(ScanProgress, PairTextsFollowTheFlag) {
    const struct {
        int32_t flag;
        bool counted;
        int32_t count;
        bool setState;
        const char* state;
        bool setCount;
        const char* countText;
    } cases[] = {
        {0, true, 5, true, "", true, ""},          {1, false, 0, true, "", true, ""},
        {2, true, 7, true, "Scanning", true, "7"}, {2, false, 0, true, "Scanning", true, "0"},
        {-1, true, 3, true, "Done", true, "3"},    {-1, false, 0, true, "Done", false, ""},
        {5, true, 1, false, "", false, ""},
    };
    for (const auto& c : cases) {
        const PairTexts t = PairTextsFor(c.flag, c.counted, c.count);
        EXPECT_EQ(t.setState, c.setState) << c.flag;
        EXPECT_EQ(t.state, c.state) << c.flag;
        EXPECT_EQ(t.setCount, c.setCount) << c.flag;
        EXPECT_EQ(t.count, c.countText) << c.flag;
    }
}

TEST(ScanProgress, PairsAreRefreshedInTheScreensOrder) {
    std::vector<std::string> order;
    for (const auto& p : PROGRESS_LABEL_ORDER) order.push_back(p.stateLabel);
    const std::vector<std::string> expected{
        "PROGRESS_TEXT_COM",   "PROGRESS_TEXT_COM_SUBS", "PROGRESS_TEXT_HELP",      "PROGRESS_TEXT_APPPATH",
        "PROGRESS_TEXT_SHARED_TOOLS", "PROGRESS_TEXT_FONTS", "PROGRESS_TEXT_STARTUP", "PROGRESS_TEXT_UNINSTALL",
        "PROGRESS_TEXT_FILETYPES", "PROGRESS_TEXT_DRV", "PROGRESS_TEXT_SHORTCUTS"};
    EXPECT_EQ(order, expected);
}

TEST(ScanProgress, ReportsBetweenRepaintsMergeAndKeepEachCategorysLastCount) {
    ProgressMailbox box;
    ScanSelection sel;
    sel[COM] = 2;
    EXPECT_TRUE(box.Report("a", "Scanning CLSID", 1, sel));   // wakes the window
    EXPECT_FALSE(box.Report("b", "Scanning CLSID", 2, sel));  // merged: already pending
    sel[COM] = -1;
    sel[DRV] = 2;
    EXPECT_FALSE(box.Report("c", "Scanning VXD", 4, sel));
    ProgressSnapshot s;
    EXPECT_TRUE(box.Take(s));
    EXPECT_EQ(s.currentItem, "c");
    EXPECT_EQ(s.counts[COM], 2);  // the last count while COM ran, though never shown
    EXPECT_EQ(s.counts[DRV], 4);
    EXPECT_FALSE(s.counted[HELP]);
    EXPECT_FALSE(box.Take(s));         // nothing newer
    EXPECT_TRUE(box.ReleaseIfIdle());  // so the next report wakes the window again
    EXPECT_TRUE(box.Report("d", "Scanning VXD", 5, sel));
    EXPECT_FALSE(box.ReleaseIfIdle());  // a report not yet taken keeps it pending
}

TEST(RepairProgress, OnlyTheFirstPassAndTheShortcutsCountAndTheEntryIsCutAtItsStart) {
    const struct {
        const char* item;
        const char* title;
        bool counts;
    } reports[] = {
        {"HKEY_CLASSES_ROOT\nCLSID\\{A}", "Fixing CLSID ", true},
        {"\n", "Fixing CLSID ", false},  // a row the user kept: its record names no key
        {"HKEY_CLASSES_ROOT\nCLSID\\{A}", "Fixing Help Files ", false},  // the same record again
        {"HKEY_LOCAL_MACHINE\nSoftware\\Fonts\nArial", "Fixing fonts ", false},
        {"C:\\Links\\Gone.lnk", "Fixing ShortCuts", true},
        {"C:\\gone.dll", "Scanning CLSID", false},  // a scan's report
    };
    ProgressMailbox box;
    ScanSelection sel;
    int expected = 0;
    for (const auto& r : reports) {
        EXPECT_EQ(IsRepairStep(r.item, r.title), r.counts) << r.item << " / " << r.title;
        box.Report(r.item, r.title, 0, sel);
        expected += r.counts ? 1 : 0;
    }
    EXPECT_EQ(box.Latest().repairSteps, expected);
    box.Reset();
    EXPECT_EQ(box.Latest().repairSteps, 0) << "a new repair counts from nought";

    EXPECT_EQ(RepairCountText(3, 40), "3 of 40");
    EXPECT_EQ(RepairCountText(41, 40), "40 of 40");  // never more than were asked for
    EXPECT_EQ(EntryText("HKEY_CLASSES_ROOT\nCLSID", 30), "HKEY_CLASSES_ROOT\\CLSID");
    EXPECT_EQ(EntryText("HKEY_CLASSES_ROOT\nCLSID\\{5A3D7E57-0000-4000}", 20), "...3D7E57-0000-4000}");
    EXPECT_EQ(EntryText("HKEY_CLASSES_ROOT\nCLSID\\{5A3D7E57-0000-4000}", 20).size(), 20u);
}

// ---- Zenthar.exe as a user meets it ----

TEST_F(WindowProgram, ScanUntickRemoveRestoreGivesTheRegistryBackByteForByte) {
    ScratchDir dir("app-flow");
    SeededValue deep("HKEY_LOCAL_MACHINE\\Software\\Zenthar", "repairdepth", "deep");  // every row ticked at first
    EnsuredKey drivers(DRIVERS);
    const std::string kept = dir.file("kept-driver.drv");
    SeededValue keep(DRIVERS, "zt.app.kept", kept);
    SeededValue gone(DRIVERS, "zt.app.gone", dir.file("gone-driver.drv"));
    SeededKey appKey(APP_PATHS + "\\ZentharAppTest.exe");
    appKey.setString("", dir.file("gone-app.exe"));
    const std::string target = dir.file("target.txt"), link = dir.file("Broken Tool.lnk");
    WriteTextFile(target, "x");
    ASSERT_TRUE(MakeShortcut(link, target));
    DeleteFileA(target.c_str());

    const std::vector<Finding> console = ConsoleFindings(dir.path());
    ASSERT_GE(console.size(), 4u);
    std::map<std::string, RegistryTree> before;
    for (const auto& f : console)
        if (!f.keyPath.empty()) before[f.keyPath] = SnapshotTree(f.keyPath);

    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    EXPECT_EQ(app.VisibleScreen(), "SUBMAIN_MAIN");
    ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
    HWND box = app.WaitForBox(120000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(app.BoxText(box), "Scan Complete");
    EXPECT_EQ(app.ListAtResultPlace(RESULT_COLUMNS), nullptr) << "the list shows only after the box";
    ASSERT_TRUE(app.AnswerBox(box));
    HWND list = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (list = app.ListAtResultPlace(RESULT_COLUMNS)) != nullptr; }, 10000));
    EXPECT_EQ(app.VisibleScreen(), "SUBMAIN_RESULT");

    RemoteList rows(app.process(), list);
    ASSERT_EQ(rows.Count(), static_cast<int>(console.size()));
    int keptRow = -1;
    for (int i = 0; i < rows.Count(); ++i) {
        const Finding& f = console[static_cast<size_t>(i)];
        EXPECT_EQ(rows.Text(i, 1), ProblemWords(f.type)) << i;
        // A shortcut's own path is where it is found; the others name the missing file.
        EXPECT_EQ(rows.Text(i, f.type == "SHORTCUT" ? 3 : 2), f.filePath) << i;
        EXPECT_EQ(rows.Text(i, 0), "") << i;
        EXPECT_TRUE(rows.Checked(i)) << i;
        if (f.filePath == kept) keptRow = i;
    }
    ASSERT_GE(keptRow, 0);
    ASSERT_TRUE(ClickRowBox(list, rows, keptRow));
    ASSERT_TRUE(PumpUntil([&] { return !rows.Checked(keptRow); }, 3000)) << "the tick did not go";

    ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
    ASSERT_EQ(app.AnswerNextBox(120000), "Items selected have been removed from the system");
    EXPECT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_MAIN"; }, 10000));

    const std::string data = AppDataFolderOf(dir.path());
    EXPECT_NE(ReadTextFile(data + "\\ignore.lst").find(kept), std::string::npos);
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.app.kept"));
    for (const auto& f : console) {
        if (f.filePath == kept) continue;
        if (f.type == "SHORTCUT") EXPECT_FALSE(PathExists(f.filePath)) << f.filePath;
        else if (f.action == "KEY") EXPECT_FALSE(KeyExists(f.keyPath)) << f.keyPath;
        else EXPECT_FALSE(ValueExists(f.keyPath, f.valueName)) << f.keyPath << " " << f.valueName;
    }
    EXPECT_TRUE(HasBackup(data));
    EXPECT_FALSE(PathExists(dir.file("ignore.lst")) || HasBackup(dir.path())) << "the start folder stays as it was";

    ASSERT_TRUE(app.Click(RESTORE_BUTTON.x, RESTORE_BUTTON.y));
    const std::string said = app.AnswerNextBox(60000);
    EXPECT_EQ(said.find("Restore Complete\n"), 0u) << said;
    EXPECT_NE(said.find("put back"), std::string::npos) << said;
    for (const auto& [path, tree] : before) EXPECT_EQ(FirstTreeDifference(tree, SnapshotTree(path)), "") << path;
    for (const auto& f : console)
        if (f.type == "SHORTCUT") {
            EXPECT_TRUE(PathExists(f.filePath)) << f.filePath;
        }

    ASSERT_TRUE(app.Click(EXIT_BUTTON.x, EXIT_BUTTON.y));
    EXPECT_TRUE(app.Exited(15000));
}

// The live counts of the program's owners, which Wine's own counters do not give, are answered
// to another process, and repeated scans leave no picture, font, DC or handle behind.
TEST_F(WindowProgram, LiveCountsAreAnsweredAndDoNotGrowOverScans) {
    ScratchDir dir("app-live");
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    auto ask = [&](WPARAM kind) {
        DWORD_PTR answer = 0;
        EXPECT_TRUE(SendMessageTimeoutA(app.main(), WM_MAIN_LIVECOUNT, kind, 0, SMTO_ABORTIFHUNG, 5000, &answer));
        return static_cast<long>(answer);
    };
    auto all = [&] {
        std::vector<long> counts;
        for (WPARAM k = 0; k < static_cast<WPARAM>(LiveKind::Count); ++k) counts.push_back(ask(k));
        return counts;
    };
    EXPECT_GT(ask(static_cast<WPARAM>(LiveKind::Bitmaps)), 0) << "the skin's pictures";
    EXPECT_GT(ask(static_cast<WPARAM>(LiveKind::Fonts)), 0) << "the labels' fonts";
    EXPECT_EQ(ask(static_cast<WPARAM>(LiveKind::Count)), -1) << "an unknown kind";
    std::vector<long> afterFirst;
    for (int scan = 1; scan <= 3; ++scan) {
        PostMessageA(app.main(), WM_COMMAND, 32774, 0);  // the tray menu's scan command
        ASSERT_NE(app.ScanComplete(120000), nullptr) << "scan " << scan;
        PumpFor(300);
        const std::vector<long> counts = all();
        for (long c : counts) EXPECT_GE(c, 0) << "scan " << scan;
        if (scan == 1) afterFirst = counts;
        else EXPECT_EQ(counts, afterFirst) << "scan " << scan;
    }
}

// A scan long enough to press buttons while it runs: many classes whose servers are gone.
class LongScan {
public:
    static constexpr int SEEDED = 4000;
    LongScan(const std::string& dir, int count = SEEDED) : count_(count) {
        for (int i = 0; i < count_; ++i) {
            keys.push_back(std::make_unique<SeededKey>(CLASSES + "\\" + Name(i) + "\\InprocServer32"));
            keys.back()->setString("", dir + "\\gone\\server" + std::to_string(i) + ".dll");
        }
    }
    ~LongScan() {
        keys.clear();
        for (int i = 0; i < count_; ++i) DeleteKeyPath(CLASSES + "\\" + Name(i));
    }
    static std::string Name(int i) {
        char name[64];
        wsprintfA(name, "{5A3D7E57-0000-4000-8000-%012d}", i);
        return name;
    }

private:
    int count_;
    std::vector<std::unique_ptr<SeededKey>> keys;
};

// The list a stopped scan leaves: what was found so far, ticked by the depth (the risky classes not
// at the default one), and the window idle again.
void ExpectTheStoppedScansList(RunningApp& app, HWND list, int seeded) {
    RemoteList rows(app.process(), list);
    // The classes come first in a scan, so what was found before the stop starts with them.
    ASSERT_GT(rows.Count(), 0);
    EXPECT_LE(rows.Count(), seeded + 20);
    EXPECT_EQ(rows.Text(0, 1), ProblemWords("CLSID"));
    for (int i = 0; i < rows.Count(); ++i) ASSERT_EQ(rows.Checked(i), rows.Text(i, 4).find("Risky") == std::string::npos);
    // Idle again: a navigation button acts.
    ASSERT_TRUE(app.Click(IGNORED_BUTTON.x, IGNORED_BUTTON.y));
    EXPECT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_IGNORED"; }, 3000));
}

TEST_F(WindowProgram, DuringAScanOnlyMainAndScanActAndASecondPressStopsIt) {
    ScratchDir dir("app-scan-stop");
    // How long a scan of so many classes takes depends on the machine: when it ends before the
    // presses ("Scan Complete" comes up), the test starts again with more of them.
    const int sizes[] = {LongScan::SEEDED, 4 * LongScan::SEEDED, 12 * LongScan::SEEDED};
    for (int seeded : sizes) {
        SCOPED_TRACE(seeded);
        const bool last = seeded == sizes[2];
        LongScan seeds(dir.path(), seeded);
        RunningApp app("", dir.path());
        ASSERT_TRUE(app.started());
        // Scan, then at once the buttons that must do nothing while it runs, in one burst of clicks.
        std::string clicks = "mousemove " + ScreenXY(app.main(), SCAN_BUTTON.x, SCAN_BUTTON.y) + " click 1";
        const SkinPoint ignoredWhileScanning[] = {IGNORED_BUTTON, ABOUT_BUTTON, ADVSETTINGS_BUTTON, AUTOSCAN_BUTTON,
                                                  RESTORE_BUTTON, REMOVE_BUTTON};
        for (const auto& p : ignoredWhileScanning)
            clicks += " sleep 0.15 mousemove " + ScreenXY(app.main(), p.x, p.y) + " click 1";
        ASSERT_TRUE(Xdo(clicks));
        if (HWND done = app.WaitForBox(0)) {
            ASSERT_FALSE(last) << "even the longest scan ended before the presses";
            app.AnswerBox(done);
            continue;
        }
        EXPECT_EQ(app.VisibleScreen(), "SUBMAIN_MAIN");
        // The second press stops it: no "Scan Complete", the list shows what was found so far.
        ASSERT_TRUE(Xdo("mousemove " + ScreenXY(app.main(), SCAN_BUTTON.x, SCAN_BUTTON.y) + " click 1"));
        HWND list = nullptr, box = nullptr;
        ASSERT_TRUE(PumpUntil([&] { return (box = app.WaitForBox(0)) || (list = app.ListAtResultPlace(RESULT_COLUMNS)); }, 60000));
        if (!box) box = app.WaitForBox(1500);
        if (box) {
            ASSERT_FALSE(last) << "the scan ended before the second press: \"" << app.BoxText(box) << "\"";
            app.AnswerBox(box);
            continue;
        }
        ExpectTheStoppedScansList(app, list, seeded);
        return;
    }
}

TEST_F(WindowProgram, ExitDuringARepairEndsTheProgramOnlyOnceTheRepairIsComplete) {
    // Exit, or Windows ending the session: either way the repair completes and the process ends.
    for (const bool endSession : {false, true}) {
        SCOPED_TRACE(endSession ? "end of session" : "Exit");
        ScratchDir dir(endSession ? "app-session-repair" : "app-exit-repair");
        LongScan seeds(dir.path());
        SeededValue deep("HKEY_LOCAL_MACHINE\\Software\\Zenthar", "repairdepth", "deep");  // COM classes are risky
        RunningApp app("", dir.path());
        ASSERT_TRUE(app.started());
        ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
        ASSERT_NE(app.ScanComplete(180000), nullptr);
        // Remove, then away at once: the window goes, the process waits for the repair.
        if (endSession) {
            ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
            PostMessageA(app.main(), WM_ENDSESSION, TRUE, 0);
        } else {
            ASSERT_TRUE(Xdo("mousemove " + ScreenXY(app.main(), REMOVE_BUTTON.x, REMOVE_BUTTON.y) +
                            " click 1 sleep 0.3 mousemove " + ScreenXY(app.main(), EXIT_BUTTON.x, EXIT_BUTTON.y) +
                            " click 1"));
        }
        EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(app.main()); }, 5000));
        EXPECT_TRUE(app.Exited(300000));
        EXPECT_EQ(app.WaitForBox(0), nullptr);
        for (int i : {0, LongScan::SEEDED / 2, LongScan::SEEDED - 1})
            EXPECT_FALSE(KeyExists(CLASSES + "\\" + LongScan::Name(i))) << LongScan::Name(i);
        const std::string dataFolder = AppDataFolderOf(dir.path());
        EXPECT_TRUE(HasBackup(dataFolder));
        WIN32_FIND_DATAA data;
        HANDLE undo = FindFirstFileA((dataFolder + "\\FixedOn*.xml").c_str(), &data);
        EXPECT_EQ(undo, INVALID_HANDLE_VALUE) << "the undo file of a complete repair is deleted";
        if (undo != INVALID_HANDLE_VALUE) FindClose(undo);
        // The prefix's own entries the repair took come back from the backup.
        EXPECT_EQ(RunCli("restore", dataFolder).exitCode, 0u);
    }
}

TEST_F(WindowProgram, OnlyTheCommandLineScanOrTheAutoscanSettingStartAScanAtOnce) {
    ScratchDir dir("app-command-line");
    const struct {
        const char* arguments;
        bool autoscanSetting;
        bool scans;
    } cases[] = {
        {"scan", false, true}, {"Scan", false, false}, {"scan now", false, false}, {"", true, true}, {"", false, false},
    };
    for (const auto& c : cases) {
        EnsuredKey settings(SETTINGS);
        std::unique_ptr<SeededValue> autoscan;
        if (c.autoscanSetting) autoscan = std::make_unique<SeededValue>(SETTINGS, "autoscan", "1");
        RunningApp app(c.arguments, dir.path());
        ASSERT_TRUE(app.started()) << c.arguments;
        // A scan at start is pressed before the window first shows: running, or ended in its box.
        EXPECT_EQ(app.ScanRunning(), c.scans) << "\"" << c.arguments << "\" autoscan " << c.autoscanSetting;
        HWND box = app.WaitForBox(c.scans ? 60000 : 0);
        EXPECT_EQ(box != nullptr, c.scans);
        if (box) {
            EXPECT_EQ(app.BoxText(box), "Scan Complete");
            EXPECT_TRUE(app.AnswerBox(box));
            EXPECT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_RESULT"; }, 5000));
        } else {
            EXPECT_EQ(app.VisibleScreen(), "SUBMAIN_MAIN");
        }
    }
}

TEST_F(WindowProgram, AnAutomaticScanThatIsDueStartsWithinTenSeconds) {
    ScratchDir dir("app-due");
    EnsuredKey settings(SETTINGS);
    SeededValue enabled(SETTINGS, "enablescan", "1");
    DwordSetting next("scannext", static_cast<DWORD>(time(nullptr) - 86400));
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    EXPECT_EQ(app.AdvanceClock(CLOCK_TICK_SECONDS), 1) << "the first tick starts the missed scan";
    HWND box = app.WaitForBox(60000);
    ASSERT_NE(box, nullptr) << "no automatic scan";
    EXPECT_EQ(app.BoxText(box), "Scan Complete");
    EXPECT_TRUE(app.AnswerBox(box));
}

// Class, caption and size of a window, for a failure's message.
std::string WindowSummary(HWND w) {
    if (!w) return "no window";
    char cls[64] = {}, text[128] = {};
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, text, sizeof text);
    RECT r{};
    GetWindowRect(w, &r);
    return std::string(cls) + " \"" + text + "\" " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// What is stored and how the program is started, against whether the clock's first tick starts a
// scan, where the window is, and what is stored once it has closed.
TEST_F(WindowProgram, TheClockAtStartInTheWindowAndInTheTray) {
    constexpr long DAY = 86400;
    struct Row {
        const char* what;
        bool enabled;
        const char* minutes;  // "Scan every" these minutes is chosen
        DWORD period;
        long next;  // from now
        const char* arguments;
        int show;  // the start-up show command, -1 for none
        bool inTray, scans;
        DWORD periodAfter;
        const char* minutesAfter;
    } rows[] = {
        {"due, scanning on", true, "10", 600, -DAY, "", -1, false, true, 600, "10"},
        {"due, scanning off, /tray", false, "10", 600, -DAY, "/tray", -1, true, false, 7 * DAY, "10"},
        {"due, scanning on, /tray", true, "10", 600, -DAY, "/tray", -1, true, true, 600, "10"},
        {"due, scanning on, run minimised", true, "10", 600, -DAY, "", SW_SHOWMINNOACTIVE, true, true, 600, "10"},
        {"due, scanning off, run minimised", false, "10", 600, -DAY, "", SW_SHOWMINIMIZED, true, false, 7 * DAY, "10"},
        {"/tray together with scan is no tray start", false, "10", 600, DAY, "/tray scan", -1, false, false, 7 * DAY,
         "10"},
        {"2 minutes shown, a day and a minute stored", true, "2", 86460, 3 * DAY, "", -1, false, false, 120, "2"},
        {"wrapped minutes and period of an older version", true, "99999999999", 0xFFFFFFC4u, -100, "/tray", -1, true,
         true, 86460, "1441"},
    };
    ScratchDir dir("app-clock");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SeededKey settings(SETTINGS);
        if (row.enabled) settings.setString("enablescan", "1");
        settings.setString("scanevery", "1");
        settings.setString("scanminutes", row.minutes);
        settings.setDword("scanperiod", row.period);
        settings.setDword("scannext", static_cast<DWORD>(time(nullptr) + row.next));
        {
            RunningApp app(row.arguments, dir.path(), "", row.show, row.inTray);
            ASSERT_TRUE(app.started());
            EXPECT_EQ(IsWindowVisible(app.main()) == FALSE, row.inTray);
            EXPECT_TRUE(!row.inTray || PumpUntil([&] { return app.HasTrayIcon(); }, 5000)) << "the tray icon";
            EXPECT_EQ(app.AdvanceClock(CLOCK_TICK_SECONDS), row.scans ? 1 : 0);
            HWND box = app.WaitForBox(row.scans ? 60000 : 0);
            EXPECT_EQ(box != nullptr, row.scans) << WindowSummary(box);
            if (box) {
                EXPECT_EQ(app.BoxText(box), "Scan Complete");
                EXPECT_TRUE(app.AnswerBox(box));
                EXPECT_EQ(IsWindowVisible(app.main()) == FALSE, row.inTray) << "the scan keeps the window where it was";
            }
        }
        const DWORD closed = static_cast<DWORD>(time(nullptr) + CLOCK_TICK_SECONDS);  // the program's time
        EXPECT_EQ(ReadNumberSetting("scanperiod"), row.periodAfter);
        EXPECT_EQ(LoadTextSetting(SETTINGS_KEY_PATH, "scanminutes").text, row.minutesAfter);
        const DWORD next = ReadNumberSetting("scannext");
        EXPECT_GE(next + 2, closed) << "never a time in the past";
        EXPECT_LE(next, closed + row.periodAfter);
    }
}

TEST_F(WindowProgram, MinimiseHidesToTheTrayAndTheTrayBringsItBackAndCloses) {
    ScratchDir dir("app-tray");
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    const struct {
        const char* how;
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    } ways[] = {
        {"Show", WM_COMMAND, 32771, 0},
        {"double-click", WM_USER + 0x02, 132, WM_LBUTTONDBLCLK},
    };
    for (const auto& w : ways) {
        ASSERT_TRUE(app.Click(MINIMIZE_BUTTON.x, MINIMIZE_BUTTON.y));
        EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(app.main()); }, 5000)) << w.how;
        PostMessageA(app.main(), w.msg, w.wp, w.lp);
        EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(app.main()) && !IsIconic(app.main()); }, 5000)) << w.how;
    }
    // Enter and Escape leave it open.
    PostMessageA(app.main(), WM_COMMAND, IDOK, 0);
    PostMessageA(app.main(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(app.Exited(1500));
    PostMessageA(app.main(), WM_COMMAND, 32773, 0);
    EXPECT_TRUE(app.Exited(15000));
}

TEST_F(WindowProgram, TheExitButtonEndsTheProgram) {
    ScratchDir dir("app-exit");
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(app.Click(EXIT_BUTTON.x, EXIT_BUTTON.y));
    EXPECT_TRUE(app.Exited(15000));
}

// ---- the window at the display's scale ----
// Entries of their own run this with the display at 120, 144 and 192 dots per inch (the prefix's
// LogPixels); the plain entry runs it at 96, where the factor is one.

// A length of the description (96-dpi units) at `dpi`, halves rounded up.
int AtDpi(double units, int dpi) { return static_cast<int>(std::floor(units * dpi / 96.0 + 0.5)); }

// The program's own 1x mask (a 24-bit bitmap in its resources): true where the window is.
struct ProgramMask {
    int w = 0, h = 0;
    std::vector<char> inside;
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < w && y < h && inside[static_cast<size_t>(y) * static_cast<size_t>(w) + x];
    }
};

bool ReadProgramMask(ProgramMask& mask) {
    HMODULE exe = LoadLibraryExA(AppPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!exe) return false;
    bool ok = false;
    HRSRC found = FindResourceA(exe, "MASK", "GIF");
    HGLOBAL loaded = found ? LoadResource(exe, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    const DWORD size = found ? SizeofResource(exe, found) : 0;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    if (bytes && size > sizeof file + sizeof info) {
        memcpy(&file, bytes, sizeof file);
        memcpy(&info, bytes + sizeof file, sizeof info);
        const int w = info.biWidth, h = std::abs(info.biHeight);
        const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
        if (file.bfType == 0x4D42 && info.biBitCount == 24 && w > 0 && file.bfOffBits + stride * h <= size) {
            mask.w = w;
            mask.h = h;
            mask.inside.assign(static_cast<size_t>(w) * h, 0);
            for (int y = 0; y < h; ++y) {
                const unsigned char* row = bytes + file.bfOffBits + stride * (info.biHeight > 0 ? h - 1 - y : y);
                for (int x = 0; x < w; ++x) {
                    const unsigned char* p = row + x * 3;
                    // The program treats white and what is within 16 of it as outside.
                    mask.inside[static_cast<size_t>(y) * w + x] = !(p[0] >= 0xEF && p[1] >= 0xEF && p[2] >= 0xEF);
                }
            }
            ok = true;
        }
    }
    FreeLibrary(exe);
    return ok;
}

TEST_F(WindowProgram, AtTheDisplaysScaleTheWindowItsOutlineAndItsButtonsGrowByTheSameFactor) {
    // This program, too, sees the display's own pixels (looked up: the headers target older systems).
    using SetAwareFn = BOOL(WINAPI*)();
    const auto setAware = reinterpret_cast<SetAwareFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDPIAware")));
    ASSERT_NE(setAware, nullptr);
    setAware();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (const char* want = std::getenv("ZENTHAR_TEST_DPI")) {
        ASSERT_EQ(dpi, std::atoi(want)) << "the entry's display scale did not reach its programs";
    }
    ProgramMask mask;
    ASSERT_TRUE(ReadProgramMask(mask));
    ASSERT_EQ(mask.w, 751);
    ASSERT_EQ(mask.h, 514);

    ScratchDir dir("app-scale");
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    RECT window{};
    GetWindowRect(app.main(), &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    EXPECT_EQ(width, AtDpi(mask.w, dpi));
    EXPECT_EQ(height, AtDpi(mask.h, dpi));

    // The outline is the 1x mask grown by the factor. Pixels within one 1x pixel of the mask's edge
    // may fall either way; every other pixel must be inside exactly where the mask is.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(app.main(), region), ERROR);
    int checked = 0, wrong = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int mx = static_cast<int>((x + 0.5) * 96 / dpi), my = static_cast<int>((y + 0.5) * 96 / dpi);
            const bool in = mask.at(mx, my);
            bool uniform = true;
            for (int dy = -1; dy <= 1 && uniform; ++dy)
                for (int dx = -1; dx <= 1; ++dx) uniform = uniform && mask.at(mx + dx, my + dy) == in;
            if (!uniform) continue;
            ++checked;
            if ((PtInRegion(region, x, y) != FALSE) != in && wrong++ == 0) firstX = x, firstY = y;
        }
    }
    DeleteObject(region);
    EXPECT_EQ(wrong, 0) << "first at " << firstX << "," << firstY;
    EXPECT_GT(checked, width * height * 9 / 10);

    // A click at the scaled centre of each main button presses it.
    struct Press {
        const char* button;
        double x, y, w, h;
        const char* screen;  // the sub-screen it shows
    };
    const Press pages[] = {
        {"BUTTON_AUTOSCAN", 8, 130, 76, 52, "SUBMAIN_SCHEDULE"}, {"BUTTON_IGNORED", 8, 188, 76, 52, "SUBMAIN_IGNORED"},
        {"BUTTON_ADVSETTINGS", 8, 246, 76, 52, "SUBMAIN_ADVANCED"}, {"BUTTON_HISTORY", 8, 304, 76, 52, "SUBMAIN_HISTORY"},
        {"BUTTON_ABOUT", 8, 362, 76, 52, "SUBMAIN_ABOUT"}, {"BUTTON_MAIN", 8, 72, 76, 52, "SUBMAIN_MAIN"},
    };
    auto centre = [&](const Press& p) { return std::make_pair(AtDpi(p.x + p.w / 2, dpi), AtDpi(p.y + p.h / 2, dpi)); };
    for (const auto& p : pages) {
        const auto [x, y] = centre(p);
        ASSERT_TRUE(app.Click(x, y)) << p.button;
        EXPECT_TRUE(PumpUntil([&] { return app.VisibleScreen().rfind(p.screen, 0) == 0; }, 10000))
            << p.button << " shows " << app.VisibleScreen();
    }
    const Press restore{"BUTTON_RESTORE", 626, 214, 104, 34, ""};
    ASSERT_TRUE(app.Click(centre(restore).first, centre(restore).second));
    ASSERT_NE(app.AnswerNextBox(30000), "") << "Restore answers with a box";
    const Press scan{"BUTTON_SCAN", 107, 258, 117, 38, ""};
    ASSERT_TRUE(app.Click(centre(scan).first, centre(scan).second));
    ASSERT_EQ(app.AnswerNextBox(180000), "Scan Complete");
    const Press minimize{"BUTTON_MINIMIZE", 668, 18, 32, 28, ""};
    ASSERT_TRUE(app.Click(centre(minimize).first, centre(minimize).second));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(app.main()); }, 5000));
    PostMessageA(app.main(), WM_COMMAND, 32771, 0);  // the tray menu's Show
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(app.main()) && !IsIconic(app.main()); }, 5000));
    const Press exit{"BUTTON_EXIT", 704, 18, 32, 28, ""};
    ASSERT_TRUE(app.Click(centre(exit).first, centre(exit).second));
    EXPECT_TRUE(app.Exited(15000));
}

// ---- one data folder and one running copy ----

TEST_F(WindowProgram, ASecondStartBringsTheRunningWindowForwardAndHandsItScan) {
    ScratchDir dir("app-second-start");
    RunningApp first("", dir.path());
    ASSERT_TRUE(first.started());
    const struct {
        const char* arguments;
        bool scans;
        bool comesForward;
    } starts[] = {{"/tray", false, false}, {"", false, true}, {"scan", true, true}, {"Scan", false, true}};
    for (const auto& c : starts) {
        SCOPED_TRACE(std::string("second start with \"") + c.arguments + "\"");
        // Hidden in the tray, as after a minimise (a start meant for the tray left it there).
        if (IsWindowVisible(first.main())) {
            ASSERT_TRUE(first.Click(MINIMIZE_BUTTON.x, MINIMIZE_BUTTON.y));
        }
        ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(first.main()); }, 5000));
        RunningApp second(c.arguments, dir.path());
        EXPECT_FALSE(second.started()) << "a second window opened";
        EXPECT_TRUE(second.Exited(30000)) << "the second start did not end";
        // The hand-over is a sent message: once the second start has ended, the first has acted on it.
        if (c.comesForward)
            EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(first.main()) && !IsIconic(first.main()); }, 10000))
                << "the running window did not come forward";
        else
            EXPECT_FALSE(IsWindowVisible(first.main())) << "a start meant for the tray showed the window";
        EXPECT_EQ(first.ScanRunning(), c.scans);
        HWND box = first.WaitForBox(c.scans ? 120000 : 0);
        EXPECT_EQ(box != nullptr, c.scans);
        if (box) {
            EXPECT_EQ(first.BoxText(box), "Scan Complete");
            EXPECT_TRUE(first.AnswerBox(box));
        }
    }
    ASSERT_TRUE(first.Click(EXIT_BUTTON.x, EXIT_BUTTON.y));
    EXPECT_TRUE(first.Exited(15000));
    // With the first copy gone, a new start opens its own window again.
    RunningApp again("", dir.path());
    EXPECT_TRUE(again.started());
}

TEST_F(WindowProgram, StartedInTheSystemFolderItSharesTheConsolesFilesAndRespectsItsLock) {
    ScratchDir dir("app-system-start");
    const std::string data = AppDataFolderOf(dir.path());
    CreateDirectoryA(data.c_str(), nullptr);
    EnsuredKey drivers(DRIVERS);
    const std::string kept = dir.file("kept-by-console.drv");
    SeededValue keptValue(DRIVERS, "zt.app.sys.kept", kept);
    SeededValue goneValue(DRIVERS, "zt.app.sys.gone", dir.file("gone.drv"));
    const ProcessResult fix = RunCli("fix --only DRV --keep \"" + kept + "\" --yes", data);
    ASSERT_EQ(fix.exitCode, 0u) << fix.err;
    ASSERT_FALSE(ValueExists(DRIVERS, "zt.app.sys.gone"));

    RunningApp app("", SystemDirectory(), dir.path());  // as the Run entry starts it
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(app.Click(IGNORED_BUTTON.x, IGNORED_BUTTON.y));
    HWND ignored = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (ignored = app.ListAtResultPlace(2)) != nullptr; }, 10000));
    RemoteList rows(app.process(), ignored);
    bool listed = false;
    for (int i = 0; i < rows.Count(); ++i) listed = listed || rows.Text(i, 1) == kept;
    EXPECT_TRUE(listed) << "the console's kept entry is on the Ignored page";

    // While the console holds the lock the window restores nothing and says why.
    SetDataFolder(data);
    RepairLock console;
    ASSERT_TRUE(console.TryAcquire());
    ASSERT_TRUE(app.Click(RESTORE_BUTTON.x, RESTORE_BUTTON.y));
    ASSERT_EQ(app.AnswerNextBox(30000), REPAIR_LOCK_BUSY_TEXT);
    EXPECT_FALSE(ValueExists(DRIVERS, "zt.app.sys.gone"));
    console.Release();
    ASSERT_TRUE(app.Click(RESTORE_BUTTON.x, RESTORE_BUTTON.y));
    ASSERT_EQ(app.AnswerNextBox(60000), "Restore Complete") << "the console's backup, found from the system folder";
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.app.sys.gone"));

    // A repair of the window refuses too, and removes nothing.
    ASSERT_TRUE(PumpUntil([&] { return console.TryAcquire(); }, 10000)) << "the window's restore kept the lock";
    ASSERT_TRUE(app.Click(MAIN_BUTTON.x, MAIN_BUTTON.y));
    ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
    ASSERT_NE(app.ScanComplete(120000), nullptr);
    ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
    ASSERT_EQ(app.AnswerNextBox(60000), REPAIR_LOCK_BUSY_TEXT);
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.app.sys.gone"));
    console.Release();
    // Once the other holder is done, the same results repair without a new scan.
    ASSERT_TRUE(PumpUntil([&] { return app.ListAtResultPlace(RESULT_COLUMNS) != nullptr; }, 10000));
    ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
    EXPECT_EQ(app.AnswerNextBox(60000), "Items selected have been removed from the system");
    EXPECT_FALSE(ValueExists(DRIVERS, "zt.app.sys.gone"));

    for (const char* name : {"ignore.lst", "Registry Backups", "1.reg", "repair.lock"})
        EXPECT_FALSE(PathExists(SystemDirectory() + "\\" + name)) << name << " in the system folder";
}

// With ZENTHAR_SHOTS naming a host folder, a picture of the whole screen goes there as name.png.
void ScreenShot(const std::string& name) {
    const char* folder = std::getenv("ZENTHAR_SHOTS");
    if (!folder || !*folder) return;
    PumpFor(500);  // what was asked for has painted
    // Made before the environment changes, which may move the texts getenv gave.
    const std::string command = std::string("/usr/bin/import -window root ") + folder + "/" + name + ".png; true";
    // Xdo runs any host tool named by ZENTHAR_XDOTOOL with the arguments it is given.
    const char* previous = std::getenv("ZENTHAR_XDOTOOL");
    const std::string keep = previous ? previous : "";
    _putenv_s("ZENTHAR_XDOTOOL", "/usr/bin/env");
    Xdo(command);
    _putenv_s("ZENTHAR_XDOTOOL", keep.c_str());
}

// The undo file a message names ("The undo file <path> was kept"), or "".
std::string UndoFileNamed(const std::string& text) {
    const std::string before = "The undo file ", after = " was kept";
    const size_t from = text.find(before), to = text.find(after);
    if (from == std::string::npos || to == std::string::npos || to < from) return "";
    return text.substr(from + before.size(), to - from - before.size());
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A class that cannot go: its leaf may be read but not listed, which the deletion needs.
TEST_F(WindowProgram, APartialRepairEndsWithOneMessageOfCountsReasonsAndTheKeptUndoFile) {
    ScratchDir dir("app-partial");
    const std::string gone = CLASSES + "\\{5A3D7E57-0000-4000-8000-0000000000A1}";
    const std::string stuck = CLASSES + "\\{5A3D7E57-0000-4000-8000-0000000000A2}";
    for (const auto& k : {gone, stuck}) DeleteKeyPath(k);
    SeededKey goneServer(gone + "\\InprocServer32"), stuckServer(stuck + "\\InprocServer32");
    goneServer.setString("", dir.file("gone-a.dll"));
    stuckServer.setString("", dir.file("gone-b.dll"));
    SeededKey stuckLeaf(stuck + "\\B");
    stuckLeaf.setString("b", "2");
    SeededValue deep("HKEY_LOCAL_MACHINE\\Software\\Zenthar", "repairdepth", "deep");  // COM classes are risky
    {
        KeyAccessLimit leaf(stuck + "\\B", KEY_QUERY_VALUE);
        ASSERT_TRUE(leaf.applied());
        RunningApp app("", dir.path());
        ASSERT_TRUE(app.started());
        ASSERT_TRUE(app.ScanOnly({AREA_COM}));
        ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
        HWND list = app.ScanComplete(120000);
        ASSERT_NE(list, nullptr);
        const int rows = RemoteList(app.process(), list).Count();
        ASSERT_GE(rows, 2);

        ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
        HWND box = app.WaitForBox(180000);
        ASSERT_NE(box, nullptr);
        const std::string text = app.BoxText(box);
        ScreenShot("partial-repair-message");
        const int removed = rows - 1;
        EXPECT_EQ(text.rfind(std::to_string(removed) + (removed == 1 ? " entry was" : " entries were") +
                                 " removed; 1 entry was left in place:\n  ",
                             0),
                  0u)
            << text;
        EXPECT_NE(Lower(text).find(Lower(stuck) + " (access denied)"), std::string::npos) << text;
        const std::string undo = UndoFileNamed(text);
        EXPECT_EQ(undo.rfind("C:\\", 0), 0u) << "a full path: " << text;
        EXPECT_TRUE(PathExists(undo)) << undo;
        EXPECT_NE(ReadTextFile(undo).find("<registry>"), std::string::npos);
        ASSERT_TRUE(app.AnswerBox(box));
        EXPECT_EQ(app.WaitForBox(1500), nullptr) << "one message";
        EXPECT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_MAIN"; }, 10000));
        EXPECT_FALSE(KeyExists(gone));
        EXPECT_TRUE(KeyExists(stuck + "\\InprocServer32"));
        ASSERT_TRUE(app.Click(EXIT_BUTTON.x, EXIT_BUTTON.y));
        EXPECT_TRUE(app.Exited(15000));
    }
    EXPECT_EQ(RunCli("restore", AppDataFolderOf(dir.path())).exitCode, 0u);  // the prefix's own classes the repair took
    for (const auto& k : {gone, stuck}) DeleteKeyPath(k);
}

namespace {
// Broken program paths enough that a repair of them lasts long enough to be watched: the backup
// holds only what a repair removes, so a single entry goes in a moment.
std::vector<std::unique_ptr<SeededKey>> ManyBrokenAppPaths(const ScratchDir& dir, const std::string& stem) {
    std::vector<std::unique_ptr<SeededKey>> keys;
    for (int i = 0; i < 1500; ++i) {
        keys.push_back(std::make_unique<SeededKey>(APP_PATHS + "\\" + stem + std::to_string(i) + ".exe"));
        keys.back()->setString("", dir.file("gone-app.exe"));
    }
    return keys;
}
}  // namespace

// The progress dialog beside the main window, driven by clicks: its scan and repair make the main
// window's buttons look and be disabled; its results leave them free, and a scan of the main
// window then does not keep the dialog's repair from removing what it found.
TEST_F(WindowProgram, TheProgressDialogsWorkDisablesTheMainButtonsAndAMainScanLeavesItsRepairWhole) {
    ScratchDir dir("app-dialog");
    EnsuredKey appPaths(APP_PATHS);
    SeededKey broken(APP_PATHS + "\\ZentharDialogTest.exe");
    broken.setString("", dir.file("gone-app.exe"));
    const auto many = ManyBrokenAppPaths(dir, "ZentharDialogMany");
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(app.ScanOnly({AREA_APPPATH}));
    ASSERT_TRUE(app.Click(SCAN_WITH_SUMMARY.x, SCAN_WITH_SUMMARY.y));
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (dialog = app.ProgressDialog()) != nullptr; }, 30000));
    // It lies inside the main window.
    RECT main{}, inner{};
    GetWindowRect(app.main(), &main);
    GetWindowRect(dialog, &inner);
    EXPECT_TRUE(inner.left >= main.left && inner.top >= main.top && inner.right <= main.right &&
                inner.bottom <= main.bottom)
        << inner.left << "," << inner.top << "-" << inner.right << "," << inner.bottom;
    HWND box = app.WaitForBox(120000);  // its scan waits on this box: it still works
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(app.BoxText(box), "Scan Complete");
    ScreenShot("progress-dialog-scanning");
    const SkinPoint idleWhileWorking[] = {SCAN_BUTTON, IGNORED_BUTTON, ABOUT_BUTTON, RESTORE_BUTTON, MAIN_BUTTON};
    for (const auto& p : idleWhileWorking)
        EXPECT_TRUE(PumpUntil([&] { return !app.ButtonEnabled(p.x, p.y); }, 5000)) << p.x << "," << p.y;
    EXPECT_TRUE(app.ButtonEnabled(EXIT_BUTTON.x, EXIT_BUTTON.y));
    EXPECT_TRUE(app.ButtonEnabled(MINIMIZE_BUTTON.x, MINIMIZE_BUTTON.y));
    ASSERT_TRUE(app.AnswerBox(box));

    // Results only: the main window acts, its own scan included.
    ASSERT_TRUE(PumpUntil([&] { return app.ButtonEnabled(IGNORED_BUTTON.x, IGNORED_BUTTON.y); }, 10000));
    ASSERT_TRUE(app.Click(IGNORED_BUTTON.x, IGNORED_BUTTON.y));
    EXPECT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_IGNORED"; }, 5000));
    ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
    ASSERT_NE(app.ScanComplete(120000), nullptr);

    // The dialog's repair all: the buttons go idle while it works, the entry goes, they come back.
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(dialog, REPAIR_ALL.x, REPAIR_ALL.y) + " click 1"));
    EXPECT_TRUE(PumpUntil([&] { return !app.ButtonEnabled(IGNORED_BUTTON.x, IGNORED_BUTTON.y); }, 10000));
    EXPECT_TRUE(app.ButtonEnabled(EXIT_BUTTON.x, EXIT_BUTTON.y));
    EXPECT_TRUE(PumpUntil([&] { return !KeyExists(broken.path()); }, 180000)) << "the repair removed nothing";
    EXPECT_TRUE(PumpUntil([&] { return app.ButtonEnabled(IGNORED_BUTTON.x, IGNORED_BUTTON.y); }, 30000));
    if (HWND said = app.WaitForBox(0)) ADD_FAILURE() << app.BoxText(said);
    EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "it shows what it repaired";
}

// Exit, or the end of the session, while the progress dialog repairs: the repair runs to its
// end, shortcut files included, and then the process ends.
TEST_F(WindowProgram, LeavingWhileTheProgressDialogRepairsCompletesItAndThenEnds) {
    const struct {
        const char* how;
        bool endSession;
    } ways[] = {{"Exit", false}, {"end of session", true}};
    for (const auto& w : ways) {
        SCOPED_TRACE(w.how);
        ScratchDir dir(std::string("app-dialog-exit-") + (w.endSession ? "session" : "button"));
        EnsuredKey appPaths(APP_PATHS);
        SeededKey broken(APP_PATHS + "\\ZentharDialogExit.exe");
        broken.setString("", dir.file("gone-app.exe"));
        const auto many = ManyBrokenAppPaths(dir, "ZentharDialogExit");
        std::vector<std::string> links;
        for (int i = 0; i < 3; ++i) {
            const std::string target = dir.file("target" + std::to_string(i) + ".txt");
            links.push_back(dir.file("Broken " + std::to_string(i) + ".lnk"));
            WriteTextFile(target, "x");
            ASSERT_TRUE(MakeShortcut(links.back(), target));
            DeleteFileA(target.c_str());
        }
        RunningApp app("", dir.path());
        ASSERT_TRUE(app.started());
        ASSERT_TRUE(app.ScanOnly({AREA_APPPATH, AREA_SHORTCUTS}));
        ASSERT_TRUE(app.Click(SCAN_WITH_SUMMARY.x, SCAN_WITH_SUMMARY.y));
        ASSERT_NE(app.AnswerNextBox(180000), "");
        HWND dialog = app.ProgressDialog();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(PumpUntil([&] { return app.ButtonEnabled(IGNORED_BUTTON.x, IGNORED_BUTTON.y); }, 10000));
        // Repair all, and at once away: the repair is still at work.
        ASSERT_TRUE(Xdo("mousemove " + ScreenXY(dialog, REPAIR_ALL.x, REPAIR_ALL.y) + " click 1"));
        ASSERT_TRUE(PumpUntil([&] { return !app.ButtonEnabled(IGNORED_BUTTON.x, IGNORED_BUTTON.y); }, 10000));
        if (w.endSession) {
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(app.main(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &ignored);
            PostMessageA(app.main(), WM_ENDSESSION, TRUE, 0);
        } else {
            ASSERT_TRUE(app.Click(EXIT_BUTTON.x, EXIT_BUTTON.y));
        }
        EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(app.main()); }, 10000));
        EXPECT_TRUE(app.Exited(300000));
        EXPECT_FALSE(KeyExists(broken.path()));
        for (const auto& l : links) EXPECT_FALSE(PathExists(l)) << l;
        EXPECT_TRUE(HasBackup(AppDataFolderOf(dir.path())));
        EXPECT_EQ(RunCli("restore", AppDataFolderOf(dir.path())).exitCode, 0u);  // the prefix's own entries the repair took
        DeleteKeyPath(broken.path());
    }
}

namespace {
bool AnyContains(const std::vector<std::string>& texts, const std::string& part) {
    for (const auto& t : texts)
        if (t.find(part) != std::string::npos) return true;
    return false;
}

constexpr SkinPoint IGNORED_DELETE_BUTTON{250 + 203 + 67, 115 + 191 + 12};
}  // namespace

TEST_F(WindowProgram, AnIgnoreListThatCannotBeWrittenIsSaidAndNothingIsLost) {
    ScratchDir dir("app-ignore-unwritable");
    SeededValue deep("HKEY_LOCAL_MACHINE\\Software\\Zenthar", "repairdepth", "deep");  // every row ticked at first
    const std::string listFile = AppDataFolderOf(dir.path()) + "\\ignore.lst";
    CreateDirectoryA(AppDataFolderOf(dir.path()).c_str(), nullptr);
    const std::string lines = "C:\\gone\\one.dll\nC:\\gone\\two.dll\n";
    WriteTextFile(listFile, lines);
    ASSERT_TRUE(SetFileAttributesA(listFile.c_str(), FILE_ATTRIBUTE_READONLY));
    EnsuredKey drivers(DRIVERS);
    const std::string kept = dir.file("kept.drv");
    SeededValue keep(DRIVERS, "zt.app.unsaved", kept);

    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    // The Ignored page: a delete that cannot be written says so and the rows stay.
    ASSERT_TRUE(app.Click(IGNORED_BUTTON.x, IGNORED_BUTTON.y));
    ASSERT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_IGNORED"; }, 3000));
    HWND list = app.ListAtResultPlace(2);
    ASSERT_NE(list, nullptr);
    RemoteList rows(app.process(), list);
    ASSERT_EQ(rows.Count(), 2);
    EXPECT_EQ(rows.Text(1, 1), "C:\\gone\\two.dll");
    ASSERT_TRUE(ClickRowBox(list, rows, 0));
    ASSERT_TRUE(PumpUntil([&] { return rows.Checked(0); }, 3000)) << "no tick";
    ASSERT_TRUE(app.Click(IGNORED_DELETE_BUTTON.x, IGNORED_DELETE_BUTTON.y));
    const std::vector<std::string> deleteBoxes = app.AnswerBoxes(10000, 2000);
    EXPECT_TRUE(AnyContains(deleteBoxes, "The ignore list could not be written")) << ::testing::PrintToString(deleteBoxes);
    EXPECT_EQ(ReadTextFile(listFile), lines);
    EXPECT_EQ(rows.Count(), 2);

    // A repair whose kept row cannot be written to the list says so; the kept entry stays.
    ASSERT_TRUE(app.Click(MAIN_BUTTON.x, MAIN_BUTTON.y));
    ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
    HWND results = app.ScanComplete(120000);
    ASSERT_NE(results, nullptr);
    RemoteList found(app.process(), results);
    const int keptRow = RowShowing(found, kept);
    ASSERT_GE(keptRow, 0);
    ASSERT_TRUE(found.Checked(keptRow));
    ASSERT_TRUE(ClickRowBox(results, found, keptRow));
    ASSERT_TRUE(PumpUntil([&] { return !found.Checked(keptRow); }, 3000));
    ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
    const std::vector<std::string> repairBoxes = app.AnswerBoxes(120000, 3000);
    EXPECT_TRUE(AnyContains(repairBoxes, "The entries you kept could not be saved")) << ::testing::PrintToString(repairBoxes);
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.app.unsaved"));
    EXPECT_EQ(ReadTextFile(listFile), lines);
    // What else the scan found in the prefix goes back from the repair's backup.
    ASSERT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_MAIN"; }, 10000));
    ASSERT_TRUE(app.Click(RESTORE_BUTTON.x, RESTORE_BUTTON.y));
    EXPECT_TRUE(AnyContains(app.AnswerBoxes(60000, 2000), "Restore Complete"));
    SetFileAttributesA(listFile.c_str(), FILE_ATTRIBUTE_NORMAL);
}
