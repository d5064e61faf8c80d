// The window program driven from a test: process, windows, clicks, message boxes, remote lists.
#include "support/AppDriver.h"

#include <commctrl.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {
constexpr int MAIN_WIDTH = 751;  // at 96 dots per inch
constexpr size_t REMOTE_TEXT = 4096;

struct Search {
    DWORD pid;
    HWND main;
    HWND found;
    bool hiddenToo = false;
};

bool IsDialogOf(HWND w, DWORD pid, bool hiddenToo = false) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    return owner == pid && lstrcmpA(cls, "#32770") == 0 && (hiddenToo || IsWindowVisible(w));
}

int WidthOf(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r.right - r.left;
}

// The main window's width at the display's scale as this program sees it (96 dots per inch for a
// program the system stretches, the display's own for one that declared itself aware).
int MainWidth() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return (MAIN_WIDTH * dpi * 2 + 96) / (2 * 96);
}

BOOL CALLBACK FindMain(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    if (IsDialogOf(w, s->pid, s->hiddenToo) && WidthOf(w) == MainWidth()) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

bool HasCaption(HWND w) { return (GetWindowLongA(w, GWL_STYLE) & WS_CAPTION) == WS_CAPTION; }

// A message box has a caption; the skinned windows (the main window, the progress dialog) have none.
BOOL CALLBACK FindBox(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    if (w != s->main && IsDialogOf(w, s->pid) && HasCaption(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindProgressDialog(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<Search*>(p);
    if (w != s->main && IsDialogOf(w, s->pid) && !HasCaption(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

std::string ClassOf(HWND w) {
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    return cls;
}

std::string TextOf(HWND w) {
    char text[2048] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

// A sub-screen's screen name ("SUBMAIN_..."), kept as a global atom in a property of its window.
std::string ScreenNameOf(HWND w) {
    char name[64] = {};
    const ULONG_PTR atom = reinterpret_cast<ULONG_PTR>(GetPropA(w, "ZentharScreenName"));
    GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof name);
    return name;
}

std::string Point(int x, int y) { return std::to_string(x) + " " + std::to_string(y); }
}  // namespace

std::string AppPath() {
    const char* p = std::getenv("ZENTHAR_APP");
    std::string path = p ? p : "";
    if (!path.empty() && path[0] == '/') {
        path = "\\\\?\\unix" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    return path;
}

std::string AppDataFolderOf(const std::string& appData) { return appData + "\\Zenthar"; }

RunningApp::RunningApp(const std::string& arguments, const std::string& directory, const std::string& appData,
                       int showCommand, bool startsHidden) {
    std::string command = "\"" + AppPath() + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (showCommand >= 0) {
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = static_cast<WORD>(showCommand);
    }
    // Each program gets a clock section of its own, named in its environment.
    static int clocks = 0;
    const std::string clockName = "zenthar-test-clock-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(GetTickCount()) + "-" + std::to_string(++clocks);
    clockMapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ClockDriveSection),
                                       clockName.c_str());
    if (clockMapping_)
        clock_ = static_cast<ClockDriveSection*>(
            MapViewOfFile(clockMapping_, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(ClockDriveSection)));
    BOOL created = FALSE;
    {
        AppDataFolder data(appData.empty() ? directory : appData);  // inherited by the program
        SetEnvironmentVariableA(CLOCK_DRIVE_VARIABLE, clock_ ? clockName.c_str() : nullptr);
        created = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &si,
                                 &pi_);
        SetEnvironmentVariableA(CLOCK_DRIVE_VARIABLE, nullptr);
    }
    if (!created) return;
    PumpUntil(
        [&] {
            Search s{pi_.dwProcessId, nullptr, nullptr, startsHidden};
            EnumWindows(&FindMain, reinterpret_cast<LPARAM>(&s));
            main_ = s.found;
            return main_ != nullptr || WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0;
        },
        30000);
    // Settled: every sub-screen built (the first-idle timer builds the hidden ones and shows the tray
    // icon), then a message answered, so that the timer's handler has returned.
    if (main_ && PumpUntil([&] { return SubScreenCount() == BUILT_IN_SUBSCREENS; }, 10000)) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer);
    }
}

int RunningApp::SubScreenCount() const {
    int n = 0;
    for (HWND c = GetWindow(main_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (ScreenNameOf(c).rfind("SUBMAIN_", 0) == 0) ++n;
    return n;
}

RunningApp::~RunningApp() {
    if (clock_) UnmapViewOfFile(clock_);
    if (clockMapping_) CloseHandle(clockMapping_);
    if (!pi_.hProcess) return;
    if (!Exited(0)) {
        if (main_) PostMessageA(main_, WM_COMMAND, 32773, 0);
        // A box left open keeps the close waiting: answer whatever remains.
        for (int i = 0; i < 5 && !Exited(3000); ++i)
            if (HWND box = WaitForBox(0)) PostMessageA(box, WM_COMMAND, IDOK, 0);
        // A program that has closed its windows but does not end would hang a user's session
        // at exit: say so, then end it so that the next test starts clean.
        if (!Exited(5000)) {
            ADD_FAILURE() << "Zenthar.exe did not end after its Close; ended by force";
            TerminateProcess(pi_.hProcess, 99);
        }
    }
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
}

bool RunningApp::Exited(DWORD ms) {
    return PumpUntil([&] { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; }, ms);
}

int RunningApp::AdvanceClock(long seconds, DWORD ms) {
    if (!clock_) return -1;
    const long ticks = clock_->ticks;
    InterlockedExchangeAdd(&clock_->offset, seconds);
    if (seconds >= 0 && seconds < CLOCK_TICK_SECONDS) return clock_->scans;  // too little for a tick
    if (!PumpUntil([&] { return clock_->ticks != ticks; }, ms)) return -1;
    return clock_->scans;
}

bool RunningApp::Click(int x, int y) {
    return Xdo("mousemove " + ScreenXY(main_, 400, 500) + " sleep 0.2 mousemove " + ScreenXY(main_, x, y) +
               " sleep 0.2 click 1");
}

HWND RunningApp::WaitForBox(DWORD ms) {
    HWND box = nullptr;
    PumpUntil(
        [&] {
            Search s{pi_.dwProcessId, main_, nullptr};
            EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&s));
            box = s.found;
            return box != nullptr;
        },
        ms);
    return box;
}

HWND RunningApp::ProgressDialog() {
    Search s{pi_.dwProcessId, main_, nullptr};
    EnumWindows(&FindProgressDialog, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool RunningApp::ButtonEnabled(int x, int y) {
    POINT p{x, y};
    const HWND button = ChildWindowFromPointEx(main_, p, CWP_SKIPINVISIBLE);
    return button && button != main_ && IsWindowEnabled(button);
}

bool RunningApp::ScanRunning() {
    POINT p{SCAN_BUTTON.x, SCAN_BUTTON.y};
    const HWND button = ChildWindowFromPointEx(main_, p, CWP_SKIPINVISIBLE);
    DWORD_PTR check = BST_UNCHECKED;
    if (button && button != main_)
        SendMessageTimeoutA(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check);
    return check == BST_CHECKED;
}

bool RunningApp::SubScreenButtonEnabled(int x, int y) {
    POINT p{x, y};
    const HWND screen = ChildWindowFromPointEx(main_, p, CWP_SKIPINVISIBLE);
    if (!screen || screen == main_) return false;
    MapWindowPoints(main_, screen, &p, 1);
    const HWND button = ChildWindowFromPointEx(screen, p, CWP_SKIPINVISIBLE);
    return button && button != screen && IsWindowEnabled(button);
}

std::string RunningApp::BoxText(HWND box) {
    std::string text;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (lstrcmpiA(ClassOf(c).c_str(), "Static") == 0 && !TextOf(c).empty()) text += TextOf(c);
    return text;
}

bool RunningApp::AnswerBox(HWND box) {
    RECT r{};
    GetWindowRect(box, &r);
    // A click on the box's own text focuses it without pressing its button; Return answers it.
    HWND label = nullptr;
    for (HWND c = GetWindow(box, GW_CHILD); c && !label; c = GetWindow(c, GW_HWNDNEXT))
        if (lstrcmpiA(ClassOf(c).c_str(), "Static") == 0 && !TextOf(c).empty()) label = c;
    RECT t = r;
    if (label) GetWindowRect(label, &t);
    for (int attempt = 0; attempt < 3 && IsWindow(box) && IsWindowVisible(box); ++attempt) {
        Xdo("mousemove " + Point(r.left + 5, r.bottom + 30) + " sleep 0.3 mousemove " +
            Point((t.left + t.right) / 2, (t.top + t.bottom) / 2) + " sleep 0.3 click 1 sleep 0.3 key Return");
        PumpUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 2000);
    }
    return !IsWindow(box) || !IsWindowVisible(box);
}

bool RunningApp::HasTrayIcon() {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = main_;
    data.uID = 132;  // the program's icon
    data.uFlags = NIF_TIP;
    lstrcpynA(data.szTip, "Zenthar", sizeof data.szTip);
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

std::string RunningApp::VisibleScreen() {
    for (HWND c = GetWindow(main_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const std::string name = ScreenNameOf(c);
        if (name.rfind("SUBMAIN_", 0) == 0 && IsWindowVisible(c)) return name;
    }
    return "";
}

namespace {
struct ListSearch {
    POINT origin;
    int columns;
    HWND found;
};
BOOL CALLBACK FindList(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<ListSearch*>(p);
    if (ClassOf(w) != "SysListView32" || !IsWindowVisible(w)) return TRUE;
    RECT r{};
    GetWindowRect(w, &r);
    HWND header = reinterpret_cast<HWND>(SendMessageA(w, LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : -1;
    if (r.left == s->origin.x && r.top == s->origin.y && columns == s->columns) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND RunningApp::ListAtResultPlace(int columns) {
    for (SkinPoint origin : {RESULT_LIST_ORIGIN, IGNORED_LIST_ORIGIN})
        if (HWND found = ListAt(origin, columns)) return found;
    return nullptr;
}

HWND RunningApp::ListAt(SkinPoint origin, int columns) {
    ListSearch s{{origin.x, origin.y}, columns, nullptr};
    ClientToScreen(main_, &s.origin);
    EnumChildWindows(main_, &FindList, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

RemoteList::RemoteList(HANDLE process, HWND list) : process_(process), list_(list) {
    remote_ = VirtualAllocEx(process_, nullptr, sizeof(LVITEMA) + REMOTE_TEXT, MEM_COMMIT, PAGE_READWRITE);
}

RemoteList::~RemoteList() {
    if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
}

int RemoteList::Count() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }

bool RemoteList::Checked(int row) const {
    const LRESULT state = SendMessageA(list_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

std::string RemoteList::Text(int row, int column) const {
    if (!remote_) return "<no remote memory>";
    char* remoteText = static_cast<char*>(remote_) + sizeof(LVITEMA);
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = remoteText;
    item.cchTextMax = REMOTE_TEXT;
    SIZE_T done = 0;
    WriteProcessMemory(process_, remote_, &item, sizeof item, &done);
    const int got = static_cast<int>(SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote_)));
    std::string text(REMOTE_TEXT, '\0');
    ReadProcessMemory(process_, remoteText, &text[0], REMOTE_TEXT, &done);
    return text.substr(0, got > 0 ? static_cast<size_t>(got) : 0);
}

RECT RemoteList::RowRect(int row) const {
    RECT r{};
    r.left = LVIR_BOUNDS;
    SIZE_T done = 0;
    if (!remote_) return r;
    WriteProcessMemory(process_, remote_, &r, sizeof r, &done);
    SendMessageA(list_, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(remote_));
    ReadProcessMemory(process_, remote_, &r, sizeof r, &done);
    return r;
}

std::string RunningApp::AnswerNextBox(DWORD ms) {
    HWND box = WaitForBox(ms);
    if (!box) return "";
    const std::string text = BoxText(box);
    return AnswerBox(box) ? text : "";
}

std::vector<std::string> RunningApp::AnswerBoxes(DWORD firstMs, DWORD quietMs) {
    std::vector<std::string> texts;
    for (HWND box = WaitForBox(firstMs); box; box = WaitForBox(quietMs)) {
        texts.push_back(BoxText(box));
        if (!AnswerBox(box)) break;
    }
    return texts;
}

bool RunningApp::ScanOnly(std::initializer_list<SkinPoint> areas) {
    if (!Click(AREA_ALL.x, AREA_ALL.y)) return false;
    for (const auto& a : areas)
        if (!Click(a.x, a.y)) return false;
    return true;
}

HWND RunningApp::ScanComplete(DWORD ms) {
    const std::string said = AnswerNextBox(ms);
    EXPECT_EQ(said, "Scan Complete");
    HWND list = nullptr;
    if (said == "Scan Complete") PumpUntil([&] { return (list = ListAtResultPlace(RESULT_COLUMNS)) != nullptr; }, 10000);
    return list;
}

HWND RunningApp::ScanTo(std::initializer_list<SkinPoint> areas) {
    if (!ScanOnly(areas) || !Click(SCAN_BUTTON.x, SCAN_BUTTON.y)) return nullptr;
    return ScanComplete();
}

bool ClickRow(HWND list, const RemoteList& rows, int row, int button) {
    const RECT r = rows.RowRect(row);
    return Xdo("mousemove " + ScreenXY(list, r.left + 90, (r.top + r.bottom) / 2) + " sleep 0.2 click " +
               std::to_string(button));
}

bool ClickRowBox(HWND list, const RemoteList& rows, int row) {
    const RECT r = rows.RowRect(row);
    return Xdo("mousemove " + ScreenXY(list, r.left + 40, (r.top + r.bottom) / 2) + " sleep 0.2 mousemove " +
               ScreenXY(list, r.left + 9, (r.top + r.bottom) / 2) + " sleep 0.2 click 1");
}

int RowShowing(const RemoteList& rows, const std::string& text, int column) {
    for (int i = 0; i < rows.Count(); ++i)
        if (rows.Text(i, column) == text) return i;
    return -1;
}
