// The window program: its pieces that hold logic, and Zenthar.exe itself driven as a user would
// under Wine and Xvfb (clicks at the built-in skin's coordinates, boxes answered with Return).
#include <gtest/gtest.h>

#include <shlobj.h>

#include <set>
#include <tuple>

#include "app/LiveCountQuery.h"
#include "app/MainApp.h"
#include "app/ScanProgress.h"
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

class WindowProgram : public testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        if (AppPath().empty()) GTEST_SKIP() << "ZENTHAR_APP not set";
    }
};
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
        "PROGRESS_TEXT_DRV",   "PROGRESS_TEXT_SHORTCUTS"};
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

// ---- Zenthar.exe as a user meets it ----

TEST_F(WindowProgram, ScanUntickRemoveRestoreGivesTheRegistryBackByteForByte) {
    ScratchDir dir("app-flow");
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
    EXPECT_EQ(app.ListAtResultPlace(3), nullptr) << "the list shows only after the box";
    ASSERT_TRUE(app.AnswerBox(box));
    HWND list = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (list = app.ListAtResultPlace(3)) != nullptr; }, 10000));
    EXPECT_EQ(app.VisibleScreen(), "SUBMAIN_RESULT");

    RemoteList rows(app.process(), list);
    ASSERT_EQ(rows.Count(), static_cast<int>(console.size()));
    int keptRow = -1;
    for (int i = 0; i < rows.Count(); ++i) {
        const Finding& f = console[static_cast<size_t>(i)];
        EXPECT_EQ(rows.Text(i, 1), f.type == "SHORTCUT" ? "SHORTCUT" : f.type) << i;
        EXPECT_EQ(rows.Text(i, 2), f.filePath) << i;
        EXPECT_EQ(rows.Text(i, 0), "") << i;
        EXPECT_TRUE(rows.Checked(i)) << i;
        if (f.filePath == kept) keptRow = i;
    }
    ASSERT_GE(keptRow, 0);
    const RECT r = rows.RowRect(keptRow);
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(list, r.left + 40, (r.top + r.bottom) / 2) + " sleep 0.2 mousemove " +
                    ScreenXY(list, r.left + 9, (r.top + r.bottom) / 2) + " sleep 0.2 click 1"));
    ASSERT_TRUE(PumpUntil([&] { return !rows.Checked(keptRow); }, 3000)) << "the tick did not go";

    ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
    box = app.WaitForBox(120000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(app.BoxText(box), "Items selected have been removed from the system");
    ASSERT_TRUE(app.AnswerBox(box));
    EXPECT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_MAIN"; }, 10000));

    EXPECT_NE(ReadTextFile(dir.file("ignore.lst")).find(kept), std::string::npos);
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.app.kept"));
    for (const auto& f : console) {
        if (f.filePath == kept) continue;
        if (f.type == "SHORTCUT") EXPECT_FALSE(PathExists(f.filePath)) << f.filePath;
        else if (f.action == "KEY") EXPECT_FALSE(KeyExists(f.keyPath)) << f.keyPath;
        else EXPECT_FALSE(ValueExists(f.keyPath, f.valueName)) << f.keyPath << " " << f.valueName;
    }
    EXPECT_TRUE(HasBackup(dir.path()));

    ASSERT_TRUE(app.Click(RESTORE_BUTTON.x, RESTORE_BUTTON.y));
    box = app.WaitForBox(60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(app.BoxText(box), "Restore Complete");
    ASSERT_TRUE(app.AnswerBox(box));
    for (const auto& [path, tree] : before) EXPECT_EQ(FirstTreeDifference(tree, SnapshotTree(path)), "") << path;

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
        HWND box = app.WaitForBox(120000);
        ASSERT_NE(box, nullptr) << "scan " << scan;
        ASSERT_TRUE(app.AnswerBox(box));
        ASSERT_TRUE(PumpUntil([&] { return app.ListAtResultPlace(3) != nullptr; }, 10000)) << "scan " << scan;
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

// The list a stopped scan leaves: what was found so far, every row ticked, and the window idle again.
void ExpectTheStoppedScansList(RunningApp& app, HWND list, int seeded) {
    RemoteList rows(app.process(), list);
    // The classes come first in a scan, so what was found before the stop starts with them.
    ASSERT_GT(rows.Count(), 0);
    EXPECT_LE(rows.Count(), seeded + 20);
    EXPECT_EQ(rows.Text(0, 1), "CLSID");
    for (int i = 0; i < rows.Count(); ++i) ASSERT_TRUE(rows.Checked(i));
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
        ASSERT_TRUE(PumpUntil([&] { return (box = app.WaitForBox(0)) || (list = app.ListAtResultPlace(3)); }, 60000));
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
    ScratchDir dir("app-exit-repair");
    LongScan seeds(dir.path());
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
    HWND box = app.WaitForBox(180000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(app.AnswerBox(box));
    ASSERT_TRUE(PumpUntil([&] { return app.ListAtResultPlace(3) != nullptr; }, 10000));
    // Remove, then Exit at once: the window goes, the process waits for the repair.
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(app.main(), REMOVE_BUTTON.x, REMOVE_BUTTON.y) + " click 1 sleep 0.3 mousemove " +
                    ScreenXY(app.main(), EXIT_BUTTON.x, EXIT_BUTTON.y) + " click 1"));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(app.main()); }, 5000));
    EXPECT_TRUE(app.Exited(300000));
    EXPECT_EQ(app.WaitForBox(0), nullptr);
    for (int i : {0, LongScan::SEEDED / 2, LongScan::SEEDED - 1})
        EXPECT_FALSE(KeyExists(CLASSES + "\\" + LongScan::Name(i))) << LongScan::Name(i);
    EXPECT_TRUE(HasBackup(dir.path()));
    WIN32_FIND_DATAA data;
    HANDLE undo = FindFirstFileA(dir.file("FixedOn*.xml").c_str(), &data);
    EXPECT_EQ(undo, INVALID_HANDLE_VALUE) << "the undo file of a complete repair is deleted";
    if (undo != INVALID_HANDLE_VALUE) FindClose(undo);
    // The prefix's own entries the repair took come back from the backup.
    EXPECT_EQ(RunCli("restore", dir.path()).exitCode, 0u);
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
        HWND box = app.WaitForBox(c.scans ? 60000 : 4000);
        EXPECT_EQ(box != nullptr, c.scans) << "\"" << c.arguments << "\" autoscan " << c.autoscanSetting;
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
    HWND box = app.WaitForBox(25000);
    ASSERT_NE(box, nullptr) << "no automatic scan";
    EXPECT_EQ(app.BoxText(box), "Scan Complete");
    EXPECT_TRUE(app.AnswerBox(box));
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

namespace {
// A real click on a row's check box in the program's list.
void ClickRowCheck(HWND list, const RemoteList& rows, int row) {
    const RECT r = rows.RowRect(row);
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(list, r.left + 40, (r.top + r.bottom) / 2) + " sleep 0.2 mousemove " +
                    ScreenXY(list, r.left + 9, (r.top + r.bottom) / 2) + " sleep 0.2 click 1"));
    ASSERT_TRUE(PumpUntil([&] { return rows.Checked(row); }, 3000)) << "no tick on row " << row;
}

// Answers every box the program shows until none comes for `quietMs`; their texts in order.
std::vector<std::string> AnswerBoxes(RunningApp& app, DWORD firstMs, DWORD quietMs) {
    std::vector<std::string> texts;
    for (HWND box = app.WaitForBox(firstMs); box; box = app.WaitForBox(quietMs)) {
        texts.push_back(app.BoxText(box));
        if (!app.AnswerBox(box)) break;
    }
    return texts;
}

bool AnyContains(const std::vector<std::string>& texts, const std::string& part) {
    for (const auto& t : texts)
        if (t.find(part) != std::string::npos) return true;
    return false;
}

constexpr SkinPoint IGNORED_DELETE_BUTTON{250 + 203 + 67, 115 + 191 + 12};
}  // namespace

TEST_F(WindowProgram, AnIgnoreListThatCannotBeWrittenIsSaidAndNothingIsLost) {
    ScratchDir dir("app-ignore-unwritable");
    const std::string lines = "C:\\gone\\one.dll\nC:\\gone\\two.dll\n";
    WriteTextFile(dir.file("ignore.lst"), lines);
    ASSERT_TRUE(SetFileAttributesA(dir.file("ignore.lst").c_str(), FILE_ATTRIBUTE_READONLY));
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
    ClickRowCheck(list, rows, 0);
    ASSERT_TRUE(app.Click(IGNORED_DELETE_BUTTON.x, IGNORED_DELETE_BUTTON.y));
    const std::vector<std::string> deleteBoxes = AnswerBoxes(app, 10000, 2000);
    EXPECT_TRUE(AnyContains(deleteBoxes, "The ignore list could not be written")) << ::testing::PrintToString(deleteBoxes);
    EXPECT_EQ(ReadTextFile(dir.file("ignore.lst")), lines);
    EXPECT_EQ(rows.Count(), 2);

    // A repair whose kept row cannot be written to the list says so; the kept entry stays.
    ASSERT_TRUE(app.Click(MAIN_BUTTON.x, MAIN_BUTTON.y));
    ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
    HWND box = app.WaitForBox(120000);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(app.AnswerBox(box));  // "Scan Complete"
    HWND results = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (results = app.ListAtResultPlace(3)) != nullptr; }, 10000));
    RemoteList found(app.process(), results);
    int keptRow = -1;
    for (int i = 0; i < found.Count(); ++i)
        if (found.Text(i, 2) == kept) keptRow = i;
    ASSERT_GE(keptRow, 0);
    ASSERT_TRUE(found.Checked(keptRow));
    const RECT r = found.RowRect(keptRow);
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(results, r.left + 40, (r.top + r.bottom) / 2) + " sleep 0.2 mousemove " +
                    ScreenXY(results, r.left + 9, (r.top + r.bottom) / 2) + " sleep 0.2 click 1"));
    ASSERT_TRUE(PumpUntil([&] { return !found.Checked(keptRow); }, 3000));
    ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
    const std::vector<std::string> repairBoxes = AnswerBoxes(app, 120000, 3000);
    EXPECT_TRUE(AnyContains(repairBoxes, "The entries you kept could not be saved")) << ::testing::PrintToString(repairBoxes);
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.app.unsaved"));
    EXPECT_EQ(ReadTextFile(dir.file("ignore.lst")), lines);
    // What else the scan found in the prefix goes back from the repair's backup.
    ASSERT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_MAIN"; }, 10000));
    ASSERT_TRUE(app.Click(RESTORE_BUTTON.x, RESTORE_BUTTON.y));
    EXPECT_TRUE(AnyContains(AnswerBoxes(app, 60000, 2000), "Restore Complete"));
    SetFileAttributesA(dir.file("ignore.lst").c_str(), FILE_ATTRIBUTE_NORMAL);
}
