// The result page of Zenthar.exe as a user meets it: the columns and the details line, sorting, the
// ticks through a sort and a repair, the row menu, the keyboard and the saved report, all through
// real clicks and keys at the built-in skin's coordinates.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <map>

#include "app/screens/ResultList.h"
#include "engine/PathCleanup.h"
#include "engine/SystemPaths.h"
#include "support/AppDriver.h"
#include "support/HostPython.h"
#include "support/ShortcutFile.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {
const std::string DRIVERS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string APP_PATHS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string RUN = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string UNINSTALL_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr SkinPoint AREA_DRV{250 + 16, 115 + 74};
constexpr SkinPoint AREA_STARTUP{250 + 16, 115 + 139};
constexpr SkinPoint AREA_UNINSTALL{250 + 16, 115 + 152};

using ResultPageWindow = WindowProgramTest;

// The program after a scan of the driver and application-path areas, with a finding of each of our
// own among the prefix's: the cases that read the page, its menu and its report share it (none
// repairs).
struct ScannedPage {
    ScratchDir dir{"result-page"};
    EnsuredKey drivers{DRIVERS};
    SeededValue drv{DRIVERS, "zt.rp.menu", dir.file("gone-menu.drv")};
    SeededKey appPath{APP_PATHS + "\\ZtResultMenu.exe"};
    std::unique_ptr<RunningApp> app;
    HWND list = nullptr;
    ScannedPage() {
        appPath.setString("", dir.file("gone-menu.exe"));
        app = std::make_unique<RunningApp>("", dir.path());
        if (app->started()) list = app->ScanTo({AREA_DRV, AREA_APPPATH});
    }
    bool ready() const { return list != nullptr; }
};
using ScannedResultPage = SharedProgramTest<ScannedPage>;

// A finding as the console lists it (tab-separated), and what the result page must show for it.
struct Expected {
    std::string type, action, key, value, file;
    std::string problem() const {
        static const std::map<std::string, std::string> words = {
            {"CLSID", "COM class: server file missing"}, {"VxD", "Driver: file missing"},
            {"APPPath", "Application path: program missing"}, {"Startup", "Startup program not found"},
            {"Uninstall", "Uninstall entry: program missing"}, {"SHORTCUT", "Shortcut: target missing"}};
        const auto found = words.find(type);
        return found == words.end() ? "?" + type : found->second;
    }
    bool shortcut() const { return type == "SHORTCUT"; }
    std::string location() const { return shortcut() || action == "KEY" ? key : key + " : " + value; }
    std::string details() const {
        std::string text = problem() + ": " + file + "\n";
        if (shortcut()) return text + "Shortcut file: " + key + "\nA repair deletes this shortcut file.";
        text += "Registry key: " + key + "\n";
        text += action == "KEY" ? "A repair removes this key and everything under it."
                                : "A repair removes the value \"" + value + "\" of this key.";
        // Seeded in a folder that exists: one to review.
        return text + "\nReview: " + (type == "VxD" ? "A driver entry: worth a look before it goes."
                                                    : "File missing but its folder is there: mid-update or moved?");
    }
};

std::vector<Expected> ConsoleFindings(const std::string& dir, const std::string& only) {
    std::vector<Expected> out;
    for (const auto& line : SplitLines(RunCli("scan --only " + only, dir).out)) {
        std::vector<std::string> f;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) f.push_back(line.substr(start, tab - start));
        f.push_back(line.substr(start));
        if (f.size() == 6 && f[0] == "FINDING") out.push_back({f[1], f[2], f[3], f[4], f[5]});
    }
    return out;
}

struct LabelSearch {
    POINT at;
    HWND found;
};
BOOL CALLBACK FindLabel(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<LabelSearch*>(p);
    RECT r{};
    GetWindowRect(w, &r);
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && r.left == s->at.x && r.top == s->at.y && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

struct MenuSearch {
    DWORD pid;
    HWND found;
};
BOOL CALLBACK FindMenu(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<MenuSearch*>(p);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (pid == s->pid && lstrcmpA(cls, "#32768") == 0 && IsWindowVisible(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CloseTopWindow(HWND w, LPARAM p) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == static_cast<DWORD>(p) && IsWindowVisible(w) && !GetParent(w)) PostMessageA(w, WM_CLOSE, 0, 0);
    return TRUE;
}

// The page's label at `place` (main-window client coordinates): its text, as the page last set it.
std::string LabelAt(const RunningApp& app, SkinPoint place) {
    LabelSearch s{{place.x, place.y}, nullptr};
    ClientToScreen(app.main(), &s.at);
    EnumChildWindows(app.main(), &FindLabel, reinterpret_cast<LPARAM>(&s));
    if (!s.found) return "<no label>";
    char text[4096] = {};
    GetWindowTextA(s.found, text, sizeof text);
    return text;
}

// A click on a column's header.
bool ClickHeader(HWND list, const RemoteList& rows, int column) {
    int x = 0;
    for (int c = 0; c < column; ++c) x += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, c, 0));
    x += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0)) / 2;
    const int top = rows.RowRect(static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0))).top;
    // A pause longer than the double-click time first: two quick clicks on a header are a double click.
    return Xdo("sleep 0.7 mousemove " + ScreenXY(list, x, top / 2) + " sleep 0.2 click 1");
}

std::vector<std::string> Column(const RemoteList& rows, int column) {
    std::vector<std::string> out;
    for (int i = 0; i < rows.Count(); ++i) out.push_back(rows.Text(i, column));
    return out;
}

bool Ordered(const std::vector<std::string>& cells, bool ascending) {
    for (size_t i = 1; i < cells.size(); ++i) {
        const int order = _stricmp(cells[i - 1].c_str(), cells[i].c_str());
        if (ascending ? order > 0 : order < 0) return false;
    }
    return true;
}

// The open popup menu of the program, or null.
HWND OpenMenu(const RunningApp& app) {
    MenuSearch s{GetProcessId(app.process()), nullptr};
    EnumWindows(&FindMenu, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// Right-clicks the row and picks the menu item by its underlined letter.
bool PickFromRowMenu(const RunningApp& app, HWND list, const RemoteList& rows, int row, const char* letter) {
    if (!ClickRow(list, rows, row, 3)) return false;
    if (!PumpUntil([&] { return OpenMenu(app) != nullptr; }, 5000)) return false;
    return Xdo(std::string("key ") + letter) && PumpUntil([&] { return OpenMenu(app) == nullptr; }, 5000);
}

std::string RegistryText(HKEY root, const char* key, const char* name) {
    char data[1024] = {};
    DWORD size = sizeof data - 1, type = 0;
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return "<no key>";
    const LONG rc = RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS ? std::string(data) : "<no value>";
}

std::vector<DWORD> ProcessesNamed(const char* exe) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, exe) == 0) ids.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return ids;
}

void CloseWindowsOf(DWORD pid) { EnumWindows(&CloseTopWindow, static_cast<LPARAM>(pid)); }
// The text of the program's tooltip over `list` while it shows ("" when none shows), read with the
// tooltip's own message through memory in the program's process.
std::string ShownTipText(const RunningApp& app, HWND list) {
    for (HWND w = FindWindowExA(nullptr, nullptr, "tooltips_class32", nullptr); w;
         w = FindWindowExA(nullptr, w, "tooltips_class32", nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != GetProcessId(app.process()) || !IsWindowVisible(w)) continue;
        const SIZE_T room = 1024;
        char* remote = static_cast<char*>(VirtualAllocEx(app.process(), nullptr, sizeof(TOOLINFOA) + room, MEM_COMMIT, PAGE_READWRITE));
        if (!remote) return "";
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = list;
        tool.uId = 1;
        tool.lpszText = remote + sizeof tool;
        char text[1024] = {};
        SIZE_T moved = 0;
        if (WriteProcessMemory(app.process(), remote, &tool, sizeof tool, &moved)) {
            SendMessageA(w, TTM_GETTEXTA, room, reinterpret_cast<LPARAM>(remote));
            ReadProcessMemory(app.process(), remote + sizeof tool, text, room - 1, &moved);
        }
        VirtualFreeEx(app.process(), remote, 0, MEM_RELEASE);
        return text;
    }
    return "";
}

}  // namespace

// The path the registry editor is given keeps the root name the editor wrote itself.
TEST(RowActions, TheEditorsPathKeepsItsOwnRootNameAndOpenFolderFindsTheNearestFolder) {
    const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Zt";
    const struct {
        const char* lastKey;
        std::string expected;
    } paths[] = {
        {"My Computer", "My Computer\\" + key},  // as this platform's editor leaves it
        {"Computer\\HKEY_CURRENT_USER\\Software", "Computer\\" + key},
        {"Arbeitsplatz\\HKEY_CLASSES_ROOT\\CLSID", "Arbeitsplatz\\" + key},
        {"HKEY_CURRENT_USER\\Software", key},  // an editor without a root name
    };
    for (const auto& p : paths) EXPECT_EQ(RegistryEditorPath(key, p.lastKey), p.expected) << p.lastKey;
    const std::string fresh = RegistryEditorPath(key, "");
    EXPECT_TRUE(fresh == "Computer\\" + key || fresh == "My Computer\\" + key) << fresh;

    ScratchDir dir("result-folders");
    CreateDirectoryA(dir.file("kept").c_str(), nullptr);
    const struct {
        std::string path, expected;
    } folders[] = {
        {dir.file("kept\\gone\\deeper\\tool.exe"), dir.file("kept")},
        {dir.file("kept"), dir.file("kept")},
        {dir.file("gone.exe"), dir.path()},
        {"C:\\zt-no-such-folder\\x.dll", "C:\\"},
        {"Q:\\no-such-drive\\x.dll", ""},
        {"tool.exe", ""},
        {"", ""},
    };
    for (const auto& f : folders) EXPECT_EQ(NearestExistingFolder(f.path), f.expected) << f.path;
}

TEST_F(ResultPageWindow, ColumnsDetailsSortingAndTheTicksThroughASortIntoTheRepair) {
    ScratchDir dir("result-columns");
    EnsuredKey drivers(DRIVERS);
    SeededValue drv(DRIVERS, "zt.rp.drv", dir.file("gone-driver.drv"));
    SeededKey app1(APP_PATHS + "\\ZtResultPage.exe");
    app1.setString("", dir.file("Gone App.exe"));
    SeededValue start(RUN, "ZtResultPage", dir.file("gone-start.exe"));
    SeededKey uninstall(UNINSTALL_KEY + "\\ZtResultPage");
    uninstall.setString("DisplayName", "Zt Result Page");
    uninstall.setString("UninstallString", dir.file("unins000.exe"));

    std::vector<Expected> ours;
    for (const Expected& f : ConsoleFindings(dir.path(), "DRV,APPPATH,STARTUP,UNINSTALL"))
        if (f.file.rfind(dir.path(), 0) == 0) ours.push_back(f);
    ASSERT_EQ(ours.size(), 4u) << "one finding of each seeded kind";

    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    HWND list = app.ScanTo({AREA_DRV, AREA_APPPATH, AREA_STARTUP, AREA_UNINSTALL});
    ASSERT_NE(list, nullptr);
    RemoteList rows(app.process(), list);
    const int total = rows.Count();
    ASSERT_GE(total, 4);
    EXPECT_EQ(LabelAt(app, RESULT_COUNT), std::to_string(total) + " of " + std::to_string(total) + " selected");

    // Every column, and the details line of the row once it is selected.
    for (const Expected& f : ours) {
        SCOPED_TRACE(f.type);
        const int row = RowShowing(rows, f.file);
        ASSERT_GE(row, 0);
        EXPECT_EQ(rows.Text(row, 1), f.problem());
        EXPECT_EQ(rows.Text(row, 3), f.location());
        ASSERT_TRUE(ClickRow(list, rows, row));
        EXPECT_TRUE(PumpUntil([&] { return LabelAt(app, RESULT_DETAILS) == f.details(); }, 5000))
            << LabelAt(app, RESULT_DETAILS);
    }

    // The driver is kept: its tick goes before the sorts, and stays with it.
    const std::string kept = ours[0].type == "VxD" ? ours[0].file : dir.file("gone-driver.drv");
    ASSERT_TRUE(ClickRowBox(list, rows, RowShowing(rows, kept)));
    ASSERT_TRUE(PumpUntil([&] { return !rows.Checked(RowShowing(rows, kept)); }, 3000));
    const std::vector<std::string> before = Column(rows, 2);
    for (int column : {2, 1, 3}) {
        for (bool ascending : {true, false}) {
            SCOPED_TRACE(std::to_string(column) + (ascending ? " up" : " down"));
            ASSERT_TRUE(ClickHeader(list, rows, column));
            EXPECT_TRUE(PumpUntil([&] { return Ordered(Column(rows, column), ascending); }, 5000));
            std::vector<std::string> after = Column(rows, 2), sortedBefore = before;
            std::sort(after.begin(), after.end());
            std::sort(sortedBefore.begin(), sortedBefore.end());
            EXPECT_EQ(after, sortedBefore) << "the same rows, in another order";
            for (int i = 0; i < rows.Count(); ++i) EXPECT_EQ(rows.Checked(i), rows.Text(i, 2) != kept) << i;
        }
    }
    EXPECT_EQ(LabelAt(app, RESULT_COUNT), std::to_string(total - 1) + " of " + std::to_string(total) + " selected");

    // The keyboard: Space ticks the selected row again, Ctrl+A ticks every row, Space unticks again.
    ASSERT_TRUE(ClickRow(list, rows, RowShowing(rows, kept)));
    ASSERT_TRUE(Xdo("key space"));
    EXPECT_TRUE(PumpUntil([&] { return rows.Checked(RowShowing(rows, kept)); }, 3000));
    ASSERT_TRUE(ClickRowBox(list, rows, RowShowing(rows, kept)));
    ASSERT_TRUE(PumpUntil([&] { return !rows.Checked(RowShowing(rows, kept)); }, 3000));
    ASSERT_TRUE(Xdo("key ctrl+a"));
    EXPECT_TRUE(PumpUntil([&] { return LabelAt(app, RESULT_COUNT) == std::to_string(total) + " of " + std::to_string(total) + " selected"; }, 3000));
    ASSERT_TRUE(Xdo("key space"));
    ASSERT_TRUE(PumpUntil([&] { return !rows.Checked(RowShowing(rows, kept)); }, 3000));

    // The repair takes exactly the ticked rows, whatever order they are shown in.
    ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
    ASSERT_NE(app.AnswerNextBox(180000), "");
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.rp.drv")) << "the kept row went";
    EXPECT_FALSE(KeyExists(APP_PATHS + "\\ZtResultPage.exe"));
    EXPECT_FALSE(ValueExists(RUN, "ZtResultPage"));
    EXPECT_FALSE(ValueExists(UNINSTALL_KEY + "\\ZtResultPage", "UninstallString"));
    EXPECT_EQ(RunCli("restore", AppDataFolderOf(dir.path())).exitCode, 0u);  // the prefix's own entries
}

namespace {
// The program's save dialog, once it shows.
HWND SaveDialog(RunningApp& app) {
    HWND dialog = nullptr;
    PumpUntil(
        [&] {
            HWND box = app.WaitForBox(0);
            char title[64] = {};
            if (box) GetWindowTextA(box, title, sizeof title);
            dialog = box && std::string(title) == "Save report" ? box : nullptr;
            return dialog != nullptr;
        },
        15000);
    return dialog;
}

// Opens the save dialog and types the name into its focused name box, then Return; the dialog.
HWND TypeIntoSaveDialog(RunningApp& app, const std::string& path) {
    if (!app.Click(SAVE_REPORT_BUTTON.x, SAVE_REPORT_BUTTON.y)) return nullptr;
    HWND dialog = SaveDialog(app);
    if (!dialog || !Xdo("key ctrl+a type --delay 20 '" + path + "'") || !Xdo("key Return")) return nullptr;
    return dialog;
}

// Saves through the dialog; true once the dialog has gone.
bool SaveAs(RunningApp& app, const std::string& path) {
    HWND dialog = TypeIntoSaveDialog(app, path);
    return dialog && PumpUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 15000);
}
}  // namespace

TEST_F(ScannedResultPage, SaveReportWritesTheTypeItsNameEndsInAndSaysWhenItCannot) {
    RunningApp& app = *state().app;
    const ScratchDir& dir = state().dir;
    const int total = RemoteList(app.process(), state().list).Count();

    ASSERT_TRUE(SaveAs(app, dir.file("findings.html")));
    ASSERT_TRUE(PumpUntil([&] { return PathExists(dir.file("findings.html")); }, 10000));
    EXPECT_TRUE(RunPython(dir.path(),
                          "import sys, xml.etree.ElementTree as ET\n"
                          "root = ET.parse(sys.argv[1]).getroot()\n"
                          "rows = [''.join(td.itertext()) for t in list(root.iter('table'))[1:] for td in t.iter('td')]\n"
                          "assert sys.argv[2] in rows, rows\n"
                          "assert len(list(root.iter('table'))[1].findall('tr')) == int(sys.argv[3]) + 1\n",
                          {dir.file("findings.html")}, {dir.file("gone-menu.drv"), std::to_string(total)}))
        << "the page is not well-formed or misses a finding";

    ASSERT_TRUE(SaveAs(app, dir.file("findings.csv")));
    ASSERT_TRUE(PumpUntil([&] { return PathExists(dir.file("findings.csv")); }, 10000));
    EXPECT_TRUE(RunPython(dir.path(),
                          "import csv, sys\n"
                          "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='latin-1'), strict=True))\n"
                          "assert rows[0][0] == 'Category' and len(rows) == int(sys.argv[3]) + 1, rows\n"
                          "assert ['DRV', 'Driver: file missing', sys.argv[2]] in [r[:3] for r in rows], rows\n",
                          {dir.file("findings.csv")}, {dir.file("gone-menu.drv"), std::to_string(total)}))
        << "the CSV file does not read back";

    // A read-only file of that name: the dialog asks to replace it, the program says it could not.
    WriteTextFile(dir.file("locked.csv"), "kept");
    SetFileAttributesA(dir.file("locked.csv").c_str(), FILE_ATTRIBUTE_READONLY);
    HWND dialog = TypeIntoSaveDialog(app, dir.file("locked.csv"));
    ASSERT_NE(dialog, nullptr);
    std::string said;
    for (int box = 0; box < 3 && said.find("could not be written") == std::string::npos; ++box) {
        // The save dialog itself is a box of the program too, until it closes: wait past it.
        HWND shown = nullptr;
        if (!PumpUntil([&] { return (shown = app.WaitForBox(0)) != nullptr && shown != dialog; }, 15000)) break;
        said = app.BoxText(shown);
        if (said.find("could not be written") == std::string::npos) ASSERT_TRUE(Xdo("key Return"));  // "replace it?"
        else ASSERT_TRUE(app.AnswerBox(shown));
        PumpUntil([&] { return !IsWindow(shown); }, 5000);
    }
    EXPECT_NE(said.find("read-only"), std::string::npos) << said;
    EXPECT_EQ(ReadTextFile(dir.file("locked.csv")), "kept");
    SetFileAttributesA(dir.file("locked.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Runs after the report's case, which leaves the ticks as the scan gave them.
TEST_F(ScannedResultPage, KeyboardTooltipsAndTheRowMenuKeepCopyAndOpenTheRegistryEditorAtTheRowsKey) {
    RunningApp& app = *state().app;
    const ScratchDir& dir = state().dir;
    HWND list = state().list;
    for (DWORD id : ProcessesNamed("regedit.exe")) CloseWindowsOf(id);
    WaitForProcessesToEnd("regedit.exe", 20000);
    RemoteList rows(app.process(), list);
    const int total = rows.Count();
    const int appRow = RowShowing(rows, dir.file("gone-menu.exe"));
    ASSERT_GE(appRow, 0);

    // Tab reaches the list, the arrows move through it, Space ticks and unticks.
    // A click on the page's count line: the focus is on no control of the list's.
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(app.main(), RESULT_COUNT.x + 2, RESULT_COUNT.y + 2) + " click 1"));
    const DWORD thread = GetWindowThreadProcessId(app.main(), nullptr);
    auto focused = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
    };
    // Every visible control is a stop: at most one round of them.
    for (int tab = 0; tab < 30 && focused() != list; ++tab) ASSERT_TRUE(Xdo("key Tab"));
    ASSERT_EQ(focused(), list) << "Tab does not reach the list";
    ASSERT_TRUE(Xdo("key Home Down"));
    EXPECT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) == 1; }, 3000));
    ASSERT_TRUE(Xdo("key space"));
    EXPECT_TRUE(PumpUntil([&] { return !rows.Checked(1); }, 3000));
    ASSERT_TRUE(Xdo("key space"));
    EXPECT_TRUE(PumpUntil([&] { return rows.Checked(1); }, 3000));

    // A cell's whole text in a tooltip while the pointer rests on it.
    {
        const RECT r = rows.RowRect(appRow);
        const int x = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0) + SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0)) + 20;
        ASSERT_TRUE(Xdo("mousemove " + ScreenXY(list, x, (r.top + r.bottom) / 2) + " sleep 0.1 mousemove " +
                        ScreenXY(list, x + 2, (r.top + r.bottom) / 2)));
        std::string tip;
        EXPECT_TRUE(PumpUntil(
            [&] {
                tip = ShownTipText(app, list);
                return tip == dir.file("gone-menu.exe");
            },
            8000))
            << "tooltip: " << tip;
    }

    // Keep unticks the row and the count follows.
    ASSERT_TRUE(PickFromRowMenu(app, list, rows, appRow, "k"));
    EXPECT_TRUE(PumpUntil([&] { return !rows.Checked(appRow); }, 3000));
    EXPECT_EQ(LabelAt(app, RESULT_COUNT), std::to_string(total - 1) + " of " + std::to_string(total) + " selected");
    EXPECT_TRUE(PumpUntil([&] {
        return ReadTextFile(AppDataFolderOf(dir.path()) + "\\ignore.lst").find(dir.file("gone-menu.exe") + "\r\n") !=
               std::string::npos;
    }, 5000)) << "Keep puts the entry on the ignore list at once";

    // Copy puts the row's text on the clipboard.
    const int drvRow = RowShowing(rows, dir.file("gone-menu.drv"));
    ASSERT_GE(drvRow, 0);
    ASSERT_TRUE(PickFromRowMenu(app, list, rows, drvRow, "c"));
    std::string copied;
    EXPECT_TRUE(PumpUntil(
        [&] {
            if (!OpenClipboard(nullptr)) return false;
            HANDLE data = GetClipboardData(CF_TEXT);
            const char* text = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
            copied = text ? text : "";
            if (text) GlobalUnlock(data);
            CloseClipboard();
            return copied.find("gone-menu.drv") != std::string::npos;
        },
        5000));
    EXPECT_EQ(copied, "Driver: file missing\t" + dir.file("gone-menu.drv") + "\t" + DRIVERS + " : zt.rp.menu");

    // Open in Registry Editor: the editor's remembered key is the row's key, and the editor starts.
    // This platform's editor remembers its keys under the root name "My Computer".
    SeededValue last("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", "LastKey",
                     "My Computer");
    ASSERT_TRUE(PickFromRowMenu(app, list, rows, drvRow, "r"));
    std::vector<DWORD> editors;
    EXPECT_TRUE(PumpUntil([&] { return !(editors = ProcessesNamed("regedit.exe")).empty(); }, 30000)) << "no regedit";
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", "LastKey"),
              "My Computer\\" + DRIVERS);
    for (DWORD id : editors) {
        PumpUntil([&] { CloseWindowsOf(id); return ProcessesNamed("regedit.exe").empty(); }, 20000);
    }
    WaitForProcessesToEnd("regedit.exe", 20000);
    EXPECT_TRUE(ProcessesNamed("regedit.exe").empty());
    EXPECT_TRUE(rows.Checked(drvRow)) << "opening the editor changes no tick";
}

// The depth chosen on the scan areas page sets the ticks after the scan, and the repair takes only
// them: a risky row left unticked is never removed. One fresh program and data folder per depth.
TEST_F(ResultPageWindow, EachDepthTicksItsLevelsAndTheRepairRemovesOnlyThose) {
    const struct {
        int radioX;  // the depth's radio on the scan areas page
        bool takes[SAFETY_LEVEL_COUNT];
    } depths[] = {{250 + 50 + 4, {true, false, false}}, {250 + 90 + 4, {true, true, false}}, {250 + 143 + 4, {true, true, true}}};
    for (const auto& d : depths) {
        SCOPED_TRACE("depth radio at x " + std::to_string(d.radioX));
        ScratchDir dir("result-depth");
        const std::string files[] = {dir.file("gone\\safe.exe"), dir.file("review.exe"),
                                     WindowsDirectory() + "\\system32\\zt-depth-risky.exe"};
        const char* names[] = {"ZtDepthSafe", "ZtDepthReview", "ZtDepthRisky"};
        SeededValue a(RUN, names[0], files[0]), b(RUN, names[1], files[1]), c(RUN, names[2], files[2]);
        RunningApp app("", dir.path());
        ASSERT_TRUE(app.started());
        ASSERT_TRUE(app.Click(d.radioX, 115 + 206 + 4));
        HWND list = app.ScanTo({AREA_STARTUP});
        ASSERT_NE(list, nullptr);
        RemoteList rows(app.process(), list);
        for (int level = 0; level < SAFETY_LEVEL_COUNT; ++level) {
            const int row = RowShowing(rows, files[level]);
            ASSERT_GE(row, 0) << files[level];
            EXPECT_EQ(TrimWhite(rows.Text(row, 4)), LevelWord(static_cast<SafetyLevel>(level)));
            EXPECT_EQ(rows.Checked(row), d.takes[level]) << names[level];
        }
        EXPECT_EQ(LabelAt(app, RESULT_COUNT).find("risky left unticked") != std::string::npos, !d.takes[LEVEL_RISKY])
            << LabelAt(app, RESULT_COUNT);
        ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
        HWND box = app.WaitForBox(180000);
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(app.AnswerBox(box));
        // What the depth left unticked stays where it is and off the ignore list: a deeper repair finds it.
        const std::string ignored = ReadTextFile(AppDataFolderOf(dir.path()) + "\\ignore.lst");
        for (int level = 0; level < SAFETY_LEVEL_COUNT; ++level) {
            EXPECT_EQ(ValueExists(RUN, names[level]), !d.takes[level]) << names[level];
            EXPECT_EQ(ignored.find(files[level]), std::string::npos) << names[level];
        }
        ASSERT_TRUE(app.Click(EXIT_BUTTON.x, EXIT_BUTTON.y));
    }
}
