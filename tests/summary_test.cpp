// The progress and summary dialog as a user drives it: real clicks at the built-in skin's
// coordinates, under Wine and Xvfb, with the console scan and the registry as the reference.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/AppFlags.h"
#include "app/progress/SummaryTable.h"
#include "app/progress/ThreadSummary.h"
#include "backup/RegEditorFile.h"
#include "engine/StopEvent.h"
#include "skin/SkinReader.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

const std::string CLSID_KEY = "HKEY_CLASSES_ROOT\\CLSID";
const std::string APP_PATHS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string RUN_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const OWNER_CLASS = "ZentharSummaryTestOwner";

// ---------------------------------------------------------------------------------------------
// The rows and texts, without windows.

CategoryResults Rows(const std::vector<CategoryResult>& rows) {
    CategoryResults out;
    for (const auto& r : rows) out.push_back(std::make_unique<CategoryResult>(r));
    return out;
}

TEST(SummaryRows, ScanAndRepairTablesSumEveryRowAndMarkRefusedRemovals) {
    struct Case {
        const char* name;
        std::vector<CategoryResult> rows;
        ShortcutCounts shortcuts;
        Table scanRows, fixRows;
        SummaryTotals scanTotals, fixTotals;
    };
    const Case cases[] = {
        {"nothing scanned", {}, {0, 0, 0},
         {{"Missing ShortCuts", "0", "0"}},
         {{"Missing ShortCuts", "0", "0", "0"}},
         {0, 0, 0}, {0, 0, 0}},
        {"counts and a refusal",
         {{"Invalid CLSID", 120, 3, 3, COM}, {"Invalid App Paths", 7, 2, -1, APPPATH}},
         {40, 1, 1},
         {{"Invalid CLSID", "120", "3"}, {"Invalid App Paths", "7", "2"}, {"Missing ShortCuts", "40", "1"}},
         {{"Invalid CLSID", "120", "3", "3"},
          {"Invalid App Paths", "7", "2", "Access Denied"},
          {"Missing ShortCuts", "40", "1", "1"}},
         {167, 6, 0}, {167, 6, 3}},  // the refused row lowers the fixed total
    };
    for (const auto& c : cases) {
        const CategoryResults results = Rows(c.rows);
        SummaryTotals scan{9, 9, 9}, fix{9, 9, 9};
        EXPECT_EQ(ScanCompleteRows(results, c.shortcuts, scan), c.scanRows) << c.name;
        EXPECT_EQ(FixCompleteRows(results, c.shortcuts, fix), c.fixRows) << c.name;
        EXPECT_EQ(scan.scanned, c.scanTotals.scanned) << c.name;
        EXPECT_EQ(scan.errors, c.scanTotals.errors) << c.name;
        EXPECT_EQ(scan.fixed, 0) << c.name;
        EXPECT_EQ(fix.scanned, c.fixTotals.scanned) << c.name;
        EXPECT_EQ(fix.errors, c.fixTotals.errors) << c.name;
        EXPECT_EQ(fix.fixed, c.fixTotals.fixed) << c.name;
    }
    LevelCounts counts;
    for (SafetyLevel l : {LEVEL_SAFE, LEVEL_SAFE, LEVEL_REVIEW, LEVEL_RISKY}) counts.add(l);
    EXPECT_EQ(ScanCompleteTitle(counts, DEPTH_SAFE), "4 found: 2 safe, 1 to review, 1 risky\nRepair all removes the safe ones (depth Safe)");
}

// ---------------------------------------------------------------------------------------------
// The dialog on the screen.

// Stands in for the main window: closing it runs the sub-screens' destruction step first.
class TestOwner : public Window {
public:
    DWORD closeMs = 0;
    bool dialogEnded = false;

protected:
    void OnClose() override {
        const DWORD start = GetTickCount();
        dialogEnded = CancelSummaryDialog();
        closeMs = GetTickCount() - start;
        Destroy();
    }
};

SummaryQuery Ask(const std::string& label = std::string()) {
    SummaryQuery q;
    q.label = label;
    if (HWND w = SummaryDialogWindow()) SendMessageA(w, WM_SUMMARYQUERY, 0, reinterpret_cast<LPARAM>(&q));
    return q;
}

Table ReadTable(HWND table) {
    Table rows;
    if (!table) return rows;
    const int count = static_cast<int>(SendMessageA(table, LVM_GETITEMCOUNT, 0, 0));
    const HWND header = reinterpret_cast<HWND>(SendMessageA(table, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < count; ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < columns; ++c) {
            char text[260] = {};
            LVITEMA item{};
            item.iSubItem = c;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(table, LVM_GETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
            row.push_back(text);
        }
        // Trailing empty cells are cells the row never filled.
        while (row.size() > 1 && row.back().empty()) row.pop_back();
        rows.push_back(row);
    }
    return rows;
}

const char* ScreenName(SummaryScreen s) {
    switch (s) {
    case SummaryScreen::ScanProgress: return "SCREENERRORSCAN";
    case SummaryScreen::ScanComplete: return "SCREENSCANCOMPLETE";
    case SummaryScreen::RepairProgress: return "SCREENERRORFIXING";
    case SummaryScreen::RepairComplete: return "SCREENFIXCOMPLETE";
    default: return "";
    }
}

// The "Scan Complete" box of this process, if one is up.
HWND MessageBoxOfThisProcess(const char* caption) {
    HWND box = nullptr;
    while ((box = FindWindowExA(nullptr, box, "#32770", caption)) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(box, &pid);
        if (pid == GetCurrentProcessId() && IsWindowVisible(box)) return box;
    }
    return nullptr;
}

std::string BoxText(HWND box) {
    std::string all;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[1024] = {};
        GetWindowTextA(child, text, sizeof text);
        all += std::string(text) + "|";
    }
    return all;
}

// Console rows: title, scanned, bugs (the fixed column is 0 after a scan).
Table ConsoleRows(const ProcessResult& r) {
    Table rows;
    for (const auto& line : SplitLines(r.out)) {
        if (line.compare(0, 4, "ROW\t") != 0) continue;
        std::vector<std::string> cells;
        size_t from = 4;
        for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            cells.push_back(line.substr(from, tab - from));
        cells.push_back(line.substr(from));
        cells.resize(3);
        rows.push_back(cells);
    }
    return rows;
}

// With ZENTHAR_SHOTS naming a host folder, a picture of the dialog's window goes there as name.png.
void Shot(const std::string& name) {
    const char* folder = std::getenv("ZENTHAR_SHOTS");
    const HWND w = SummaryDialogWindow();
    if (!folder || !*folder || !w) return;
    PumpFor(600);  // the animation and the labels have painted
    RECT r{};
    GetWindowRect(w, &r);
    const std::string geometry = std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "+" +
                                 std::to_string(r.left) + "+" + std::to_string(r.top);
    const std::string tool = std::string("/usr/bin/import -window root -crop ") + geometry + " " + folder + "/" + name +
                             ".png; true";
    // Xdo runs any host tool named by ZENTHAR_XDOTOOL with the arguments it is given.
    const char* previous = std::getenv("ZENTHAR_XDOTOOL");
    const std::string keep = previous ? previous : "";
    _putenv_s("ZENTHAR_XDOTOOL", "/usr/bin/env");
    Xdo(tool);
    _putenv_s("ZENTHAR_XDOTOOL", keep.c_str());
}

CategoryFlags Only(std::initializer_list<ScanCategory> categories) {
    CategoryFlags flags{};
    for (ScanCategory c : categories) flags[c] = 1;
    return flags;
}

class SummaryDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        dir = std::make_unique<ScratchDir>("summary");
        skinPath = dir->file("Skin.ini");
        ASSERT_TRUE(LoadSkinDescription(skinPath));
        RegisterWindowClass(OWNER_CLASS);
        ASSERT_TRUE(owner.Create(OWNER_CLASS, 0, WS_POPUP | WS_VISIBLE, "", RECT{0, 0, 800, 560}, nullptr));
        ResetStop();
        aborted = CreateEventA(nullptr, TRUE, FALSE, "Zenthar_ABORTED");
        ResetEvent(aborted);
    }

    void TearDown() override {
        CancelSummaryDialog();
        owner.Destroy();
        if (thread) CloseHandle(thread);
        if (aborted) CloseHandle(aborted);
        ResetStop();
    }

    bool Start(const CategoryFlags& flags) {
        thread = StartSummaryDialog(owner.hwnd(), skinPath, flags);
        return thread != nullptr && PumpUntil([] { return Ask().screen == SummaryScreen::ScanProgress; });
    }

    // Waits for the screen, answering the "Scan Complete" box with a click on its OK button.
    bool WaitForScreen(SummaryScreen s, DWORD ms = 180000) {
        return PumpUntil(
            [&] {
                if (HWND box = MessageBoxOfThisProcess("Zenthar")) {
                    boxTexts += BoxText(box);
                    RECT r{};
                    GetWindowRect(GetDlgItem(box, IDOK), &r);
                    Xdo("mousemove " + std::to_string((r.left + r.right) / 2) + " " +
                        std::to_string((r.top + r.bottom) / 2) + " click 1");
                }
                const SummaryQuery q = Ask();
                return q.screen == s && !q.busy;
            },
            ms);
    }

    // A real click in the middle of the current screen's button of that name.
    bool Click(const std::string& name) {
        const HWND w = SummaryDialogWindow();
        const std::string section = std::string(ScreenName(Ask().screen)) + "_BUTTONINFO";
        for (const auto& line : ReadNumberedSection(skinPath, section)) {
            const SkinButtonLine b = ParseButtonLine(line.value);
            if (b.name != name) continue;
            return Xdo("mousemove " + ScreenXY(w, b.rect.left + b.rect.width() / 2, b.rect.top + b.rect.height() / 2) +
                       " click 1");
        }
        return false;
    }

    bool WaitClosed(DWORD ms = 20000) {
        return PumpUntil([&] { return !SummaryDialogWindow() || !IsWindow(SummaryDialogWindow()); }, ms) &&
               WaitForSingleObject(thread, ms) == WAIT_OBJECT_0;
    }

    bool Aborted() const { return WaitForSingleObject(aborted, 0) == WAIT_OBJECT_0; }

    std::unique_ptr<ScratchDir> dir;
    std::string skinPath;
    TestOwner owner;
    HANDLE thread = nullptr;
    HANDLE aborted = nullptr;
    std::string boxTexts;
};

// Seeded broken entries: two classes, one program path, one startup value, all naming a file
// that is gone.
struct BrokenEntries {
    explicit BrokenEntries(const ScratchDir& dir)
        : classA(CLSID_KEY + "\\{2E00F1A0-5E11-4A11-9000-00000000ZS01}\\InprocServer32"),
          classB(CLSID_KEY + "\\{2E00F1A0-5E11-4A11-9000-00000000ZS02}\\InprocServer32"),
          appPath(APP_PATHS + "\\zenthar-summary-test.exe"),
          run(RUN_KEY, "ZentharSummaryTest", dir.file("gone-startup.exe")) {
        classA.setString("", dir.file("gone-a.dll"));
        classB.setString("", dir.file("gone-b.dll"));
        appPath.setString("", dir.file("gone-app.exe"));
    }
    ~BrokenEntries() {
        for (const char* c : {"{2E00F1A0-5E11-4A11-9000-00000000ZS01}", "{2E00F1A0-5E11-4A11-9000-00000000ZS02}"})
            DeleteKeyPath(CLSID_KEY + "\\" + c);
    }
    SeededKey classA, classB, appPath;
    SeededValue run;
};

TEST_F(SummaryDialogTest, AScanWithNothingToFindListsEveryCategoryWithNoBugs) {
    // The categories the prefix itself has no broken entries in.
    const ProcessResult console = RunCli("scan", dir->path());
    Table reference = ConsoleRows(console);
    CategoryFlags flags{};
    for (const auto& info : CATEGORY_TABLE) flags[info.category] = 1;
    flags[SHORTCUTS] = 0;
    for (size_t i = 0; i < reference.size() && i < 10; ++i)
        if (reference[i][2] != "0") flags[CATEGORY_TABLE[i].category] = 0;

    ASSERT_TRUE(Start(flags));
    ASSERT_TRUE(WaitForScreen(SummaryScreen::ScanComplete)) << "screen " << static_cast<int>(Ask().screen);
    EXPECT_NE(boxTexts.find("Scan Complete"), std::string::npos) << boxTexts;
    const Table rows = ReadTable(Ask().table);
    int selected = 0;
    for (int f : flags) selected += f != 0;
    ASSERT_EQ(rows.size(), static_cast<size_t>(selected) + 1);
    for (size_t i = 0; i + 1 < rows.size(); ++i) EXPECT_EQ(rows[i][2], "0") << rows[i][0];
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"Missing ShortCuts", "0", "0"}));
    EXPECT_EQ(Ask("TEXT_SCANCOMPLETE_ERRORFOUND").text, "0");
    EXPECT_EQ(Ask("TEXT_SCREENSCANCOMPLETE_TITLE").text, ScanCompleteTitle(LevelCounts(), DEPTH_NORMAL));
    EXPECT_FALSE(scanInProgress.load()) << "showing only results, the dialog leaves the main window free";
    ASSERT_TRUE(Click("BUTTON_CANCEL"));
    EXPECT_TRUE(WaitClosed());
    EXPECT_FALSE(scanInProgress.load());
}

TEST_F(SummaryDialogTest, AScanFindsTheSeededEntriesAsTheConsoleCountsThem) {
    BrokenEntries broken(*dir);
    const ProcessResult console = RunCli("scan", dir->path());
    const Table reference = ConsoleRows(console);
    CategoryFlags all{};
    all.fill(1);
    ASSERT_TRUE(Start(all));
    ASSERT_TRUE(WaitForScreen(SummaryScreen::ScanComplete));
    const Table rows = ReadTable(Ask().table);
    ASSERT_EQ(rows, reference);
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_GE(std::atoi(rows[0][2].c_str()), 2);  // the two classes
    int scanned = 0, bugs = 0;
    for (const auto& r : rows) {
        scanned += std::atoi(r[1].c_str());
        bugs += std::atoi(r[2].c_str());
    }
    EXPECT_EQ(Ask("TEXT_SCANCOMPLETE_ITEMSCANNED").text, std::to_string(scanned));
    EXPECT_EQ(Ask("TEXT_SCANCOMPLETE_ERRORFOUND").text, std::to_string(bugs));
    // The same counts per level as the console's last line, and what Repair all takes by default.
    const std::string perLevel = console.err.substr(console.err.rfind("found:") - std::to_string(bugs).size() - 1);
    EXPECT_EQ(Ask("TEXT_SCREENSCANCOMPLETE_TITLE").text,
              perLevel.substr(0, perLevel.find_first_of("\r\n")) + "\nRepair all removes safe and review (depth Normal)");

    // Cancel on the results screen repairs nothing.
    ASSERT_TRUE(Click("BUTTON_CANCEL"));
    EXPECT_TRUE(WaitClosed());
    EXPECT_TRUE(KeyExists(broken.classA.path()));
    EXPECT_TRUE(KeyExists(broken.appPath.path()));
    EXPECT_TRUE(ValueExists(RUN_KEY, "ZentharSummaryTest"));
    EXPECT_FALSE(PathExists(dir->file("Registry Backups")));
    EXPECT_FALSE(scanInProgress.load());
    EXPECT_FALSE(Aborted());
}

TEST_F(SummaryDialogTest, StopDuringTheScanClosesTheWindowAndAnnouncesTheAbort) {
    // Enough classes that the scan is still running when the click arrives.
    std::vector<std::unique_ptr<SeededKey>> many;
    for (int i = 0; i < 1500; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "%s\\{2E00F1A0-5E11-4A11-9000-0000Z%07d}\\InprocServer32", CLSID_KEY.c_str(), i);
        many.push_back(std::make_unique<SeededKey>(name));
        many.back()->setString("", dir->file("gone.dll"));
    }
    CategoryFlags all{};
    all.fill(1);
    ASSERT_TRUE(Start(all));
    EXPECT_TRUE(scanInProgress.load());
    ASSERT_TRUE(Click("BUTTON_STOPSCAN"));
    EXPECT_TRUE(WaitClosed());
    EXPECT_TRUE(Aborted());
    EXPECT_FALSE(scanInProgress.load());
    EXPECT_FALSE(StopRequested());  // reset for the next scan
    EXPECT_EQ(MessageBoxOfThisProcess("Zenthar"), nullptr);  // no "Scan Complete" after a stop
    for (int i = 0; i < 1500; ++i) {
        char name[80];
        std::snprintf(name, sizeof name, "%s\\{2E00F1A0-5E11-4A11-9000-0000Z%07d}", CLSID_KEY.c_str(), i);
        DeleteKeyPath(name);
    }
}

TEST_F(SummaryDialogTest, ARepairShowsWhatWasRemovedAndAccessDeniedWhereARemovalFailed) {
    BrokenEntries broken(*dir);
    // The program path cannot be removed: a subkey that may be read but not listed.
    SeededKey keepA(broken.appPath.path() + "\\A"), keepB(broken.appPath.path() + "\\B");
    keepA.setString("a", "1");
    keepB.setString("b", "2");
    KeyAccessLimit refuse(broken.appPath.path() + "\\B", KEY_QUERY_VALUE);
    ASSERT_TRUE(refuse.applied());
    // Deep: Repair all takes the risky COM classes too, and says it left nothing.
    SeededValue deep("HKEY_LOCAL_MACHINE\\Software\\Zenthar", "repairdepth", "deep");
    const CategoryFlags flags = Only({COM, APPPATH, STARTUP});
    const Table before = ConsoleRows(RunCli("scan --only COM,APPPATH,STARTUP", dir->path()));
    ASSERT_EQ(before.size(), 3u);

    ASSERT_TRUE(Start(flags));
    Shot("summary-scanning");
    ASSERT_TRUE(WaitForScreen(SummaryScreen::ScanComplete));
    Shot("summary-scan-done");
    ASSERT_TRUE(Click("BUTTON_FIXERROR"));
    ASSERT_TRUE(PumpUntil([] { return Ask().screen != SummaryScreen::ScanComplete; }, 10000));
    Shot("summary-repairing");
    ASSERT_TRUE(WaitForScreen(SummaryScreen::RepairComplete, 300000)) << "screen " << static_cast<int>(Ask().screen);
    // The entry that stayed is also said in words, with its reason and the undo file kept.
    EXPECT_NE(boxTexts.find("1 entry was left in place"), std::string::npos) << boxTexts;
    EXPECT_NE(boxTexts.find("(access denied)"), std::string::npos) << boxTexts;
    EXPECT_NE(boxTexts.find("was kept"), std::string::npos) << boxTexts;
    // Backed up as the main window's repair is: exactly the entries it removes, no hive export.
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(dir->file("Registry Backups\\*.reg").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    const std::string backup = ReadTextFile(dir->file("Registry Backups\\") + found.cFileName);
    EXPECT_TRUE(IsRegEditorBackup(backup));
    EXPECT_LT(backup.size(), 64u * 1024);
    EXPECT_EQ(boxTexts.find("left in place at depth"), std::string::npos) << boxTexts;
    const Table rows = ReadTable(Ask().table);
    ASSERT_EQ(rows.size(), 4u);
    // The registry read back: what each row says was removed is gone, the refused key stays.
    EXPECT_FALSE(KeyExists(broken.classA.path()));
    EXPECT_FALSE(KeyExists(broken.classB.path()));
    EXPECT_FALSE(ValueExists(RUN_KEY, "ZentharSummaryTest"));
    EXPECT_TRUE(KeyExists(broken.appPath.path()));
    const std::vector<std::string> expected[] = {
        {"Invalid CLSID", before[0][1], before[0][2], before[0][2]},
        {"Invalid App Paths", before[1][1], before[1][2], "Access Denied"},
        {"Invalid Startup Items", before[2][1], before[2][2], before[2][2]},
        {"Missing ShortCuts", "0", "0", "0"},
    };
    for (size_t i = 0; i < 4; ++i) EXPECT_EQ(rows[i], expected[i]) << i;
    Shot("summary-repair-done");
    EXPECT_EQ(Ask("TEXT_FIXCOMPLETE_STATUS").text, "Fixed");
    const int fixed = std::atoi(before[0][2].c_str()) - 1 + std::atoi(before[2][2].c_str());
    EXPECT_EQ(Ask("TEXT_FIXCOMPLETE_FIXED").text, std::to_string(fixed));
    EXPECT_FALSE(fixInProgress.load());
    ASSERT_TRUE(Click("BUTTON_OK"));
    EXPECT_TRUE(WaitClosed());
    EXPECT_FALSE(scanInProgress.load());
}

// At the default depth Repair all leaves the risky COM classes where they are, and says so.
TEST_F(SummaryDialogTest, RepairAllAtTheDefaultDepthLeavesTheRiskyClassesAndSaysHowMany) {
    BrokenEntries broken(*dir);
    ASSERT_TRUE(Start(Only({COM, STARTUP})));
    ASSERT_TRUE(WaitForScreen(SummaryScreen::ScanComplete));
    ASSERT_TRUE(Click("BUTTON_FIXERROR"));
    ASSERT_TRUE(WaitForScreen(SummaryScreen::RepairComplete, 300000)) << "screen " << static_cast<int>(Ask().screen);
    EXPECT_NE(boxTexts.find("2 left in place at depth Normal: 2 risky"), std::string::npos) << boxTexts;
    EXPECT_TRUE(KeyExists(broken.classA.path()));
    EXPECT_TRUE(KeyExists(broken.classB.path()));
    EXPECT_FALSE(ValueExists(RUN_KEY, "ZentharSummaryTest"));
    ASSERT_TRUE(Click("BUTTON_OK"));
    EXPECT_TRUE(WaitClosed());
}

TEST_F(SummaryDialogTest, ClosingTheOwnerWhileTheDialogScansEndsBothWithinTenSeconds) {
    BrokenEntries broken(*dir);
    CategoryFlags all{};
    all.fill(1);
    ASSERT_TRUE(Start(all));
    PostMessageA(owner.hwnd(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(owner.hwnd()); }, 15000));
    EXPECT_TRUE(owner.dialogEnded);
    EXPECT_LT(owner.closeMs, SUMMARY_CLOSE_WAIT_MS);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    EXPECT_EQ(SummaryDialogWindow(), nullptr);
    EXPECT_FALSE(scanInProgress.load());
    // A scan removes nothing.
    EXPECT_TRUE(KeyExists(broken.classA.path()));
    EXPECT_TRUE(ValueExists(RUN_KEY, "ZentharSummaryTest"));
}

TEST_F(SummaryDialogTest, ASecondStartWhileTheDialogIsOpenStartsNothing) {
    ASSERT_TRUE(Start(Only({HELP})));
    EXPECT_EQ(StartSummaryDialog(owner.hwnd(), skinPath, Only({HELP})), nullptr);
    ASSERT_TRUE(WaitForScreen(SummaryScreen::ScanComplete));
    ASSERT_TRUE(Click("BUTTON_CANCEL"));
    EXPECT_TRUE(WaitClosed());
    // Closed, the dialog can be started again.
    HANDLE again = StartSummaryDialog(owner.hwnd(), skinPath, Only({HELP}));
    ASSERT_NE(again, nullptr);
    CloseHandle(again);
    EXPECT_TRUE(CancelSummaryDialog());
    EXPECT_FALSE(scanInProgress.load());
}

}  // namespace
