// Window layer tests: dialogs from templates, user-interface threads, the end of a window's life,
// messages reflected to the child's object, what an ended thread leaves behind, the owners' live
// counts, the list's context menu and the missing skin description. Real windows on the X display, real keys and clicks (xdotool).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/Framework.h"
#include "resources/window_test_ids.h"
#include "skin/SkinList.h"
#include "skin/SkinReader.h"
#include "support/WindowTestKit.h"

namespace {

// ---- Helpers -----------------------------------------------------------------------------------

// A visible top-level window of this desktop with `caption` (looked for from any thread).
HWND waitForWindow(const char* className, const char* caption, DWORD ms = 5000) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND h = FindWindowA(className, caption);
        if (h && IsWindowVisible(h)) return h;
        if (GetTickCount() - start > ms) return nullptr;
        Sleep(20);
    }
}

// The dialog window a dialog object reported from its OnInitDialog, once it is visible.
// With `visibleWithin` 0, as soon as it exists.
HWND waitForShown(const std::atomic<HWND>& shown, DWORD visibleWithin = 5000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000) {
        HWND h = shown;
        if (h && (visibleWithin == 0 || IsWindowVisible(h))) return h;
        Sleep(10);
    }
    return shown;
}

// Runs `work` on a helper thread while the test thread sits in a modal loop; joined on destruction.
class Helper {
public:
    explicit Helper(std::function<void()> work) : thread_(std::move(work)) {}
    ~Helper() { thread_.join(); }

private:
    std::thread thread_;
};

// Posts `command` to window h if it is still there: ends a modal loop that the behaviour under
// test failed to end, so that the test fails instead of hanging.
void endIfStillOpen(HWND h, WPARAM command) {
    if (h && IsWindow(h)) PostMessageA(h, WM_COMMAND, command, 0);
}

VOID CALLBACK quitLoop(HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); }

// The thread's own message loop (the one the program runs) for at most `ms`; returns its quit
// code, 99 when the time ran out.
int runLoopFor(DWORD ms) {
    const UINT_PTR timer = SetTimer(nullptr, 0, ms, &quitLoop);
    const int code = RunMessageLoop();
    KillTimer(nullptr, timer);
    return code;
}

std::string dialogText(HWND dialog, int id) {
    char text[256] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Waits until window h is gone or `ms` have passed.
void waitUntilClosed(HWND h, DWORD ms) {
    const DWORD start = GetTickCount();
    while (IsWindow(h) && GetTickCount() - start < ms) Sleep(20);
}

// A dialog whose input and results travel in the object itself (the lParam of its creation).
class NameDialog : public Dialog {
public:
    std::string name;           // in: the edit box's first text
    std::string confirmed;      // out: the edit box's text when OK ended the dialog
    int outcome = 0;            // out: IDOK / IDCANCEL as the dialog saw them
    bool okHadFocus = false;    // out: the OK button had the focus when OK ended the dialog
    bool endWhileStarting = false;
    struct Posted {
        UINT message;
        WPARAM wp;
    };
    std::vector<Posted> postOnStart;  // posted to the dialog as it starts: its modal loop takes them
    std::atomic<HWND> shown{nullptr};

protected:
    BOOL OnInitDialog() override {
        SetDlgItemTextA(hwnd(), IDC_TEST_EDIT, name.c_str());
        shown = hwnd();
        for (const Posted& m : postOnStart) PostMessageA(hwnd(), m.message, m.wp, 0);
        if (endWhileStarting) EndDialog(2);
        return TRUE;
    }
    void OnOK() override {
        confirmed = dialogText(hwnd(), IDC_TEST_EDIT);
        okHadFocus = GetFocus() == GetDlgItem(hwnd(), IDOK);
        outcome = IDOK;
        Dialog::OnOK();
    }
    void OnCancel() override {
        outcome = IDCANCEL;
        Dialog::OnCancel();
    }
    bool OnCommand(UINT id, UINT, HWND) override {
        if (id != 555) return false;
        EndDialog(77);
        return true;
    }
};

// ---- Modal dialogs -----------------------------------------------------------------------------

TEST(ModalDialog, InputsAndResultsTravelInTheDialogObject) {
    struct Case {
        const char* how;
        NameDialog::Posted posted;  // posted as the dialog starts, or
        const char* realKeys;   // typed into its edit box once it is shown
        INT_PTR result;
        const char* confirmed;
    };
    const Case cases[] = {
        {"posted OK", {WM_COMMAND, IDOK}, nullptr, IDOK, "Zen"},
        {"posted Cancel", {WM_COMMAND, IDCANCEL}, nullptr, IDCANCEL, ""},
        {"posted WM_CLOSE", {WM_CLOSE, 0}, nullptr, IDCANCEL, ""},
        {"own command", {WM_COMMAND, 555}, nullptr, 77, ""},
        {"typed text and Return", {0, 0}, "sleep 0.3 key End t h a r sleep 0.2 key Return", IDOK, "Zenthar"},
        {"Escape", {0, 0}, "key Escape", IDCANCEL, ""},
    };
    for (const auto& c : cases) {
        NameDialog dialog;
        dialog.name = "Zen";
        if (c.posted.message) dialog.postOnStart.push_back(c.posted);
        INT_PTR result = 0;
        {
            Helper helper([&] {
                HWND d = waitForShown(dialog.shown, c.realKeys ? 5000 : 0);
                if (d && c.realKeys) {
                    Xdo("mousemove " + ScreenXY(GetDlgItem(d, IDC_TEST_EDIT), 20, 5) + " click 1 " + c.realKeys);
                }
                waitUntilClosed(d, 3000);
                endIfStillOpen(d, 555);
            });
            result = dialog.DoModal(IDD_TEST_DIALOG, nullptr);
        }
        EXPECT_EQ(result, c.result) << c.how;
        EXPECT_EQ(dialog.confirmed, c.confirmed) << c.how;
        EXPECT_EQ(dialog.hwnd(), nullptr) << c.how;
        EXPECT_FALSE(IsWindow(dialog.shown)) << c.how;
    }
}

TEST(ModalDialog, RefusalsLeaveNothingBehind) {
    NameDialog ending;
    ending.endWhileStarting = true;
    EXPECT_EQ(ending.DoModal(IDD_TEST_DIALOG, nullptr), 2) << "ended in OnInitDialog";
    NameDialog missing;
    EXPECT_EQ(missing.DoModal(IDD_TEST_MISSING, nullptr), -1) << "no such template";
    NameDialog modelessEnding;
    modelessEnding.endWhileStarting = true;
    EXPECT_FALSE(modelessEnding.CreateModeless(IDD_TEST_DIALOG, nullptr)) << "a modeless dialog ended while starting";
    EXPECT_EQ(modelessEnding.hwnd(), nullptr);
    EXPECT_FALSE(missing.CreateModeless(IDD_TEST_MISSING, nullptr));
    // A class of the system's, not ours: no object could own the window, so none may be left.
    Window foreign;
    EXPECT_FALSE(foreign.Create("BUTTON", 0, WS_POPUP, "zenthar-foreign", RECT{0, 0, 20, 20}, nullptr));
    EXPECT_EQ(foreign.hwnd(), nullptr);
    EXPECT_EQ(FindWindowA("BUTTON", "zenthar-foreign"), nullptr);
}

// ---- Modeless dialogs and the message loop ------------------------------------------------------

TEST(ModelessDialog, KeysReachTheDialogThroughTheMessageLoop) {
    struct Case {
        const char* how;
        std::vector<WPARAM> postedKeys;  // to the focused control
        const char* realKeys;            // or real keys, typed into the edit box
        int outcome;
        bool okHadFocus;
    };
    const Case cases[] = {
        {"Return", {VK_RETURN}, nullptr, IDOK, false},
        {"Escape", {VK_ESCAPE}, nullptr, IDCANCEL, false},
        {"Tab moves to OK, then Return", {VK_TAB, VK_RETURN}, nullptr, IDOK, true},
        {"real Tab and Return", {}, "key Tab sleep 0.2 key Return", IDOK, true},
    };
    for (const auto& c : cases) {
        NameDialog dialog;
        dialog.name = "modeless";
        ASSERT_TRUE(dialog.CreateModeless(IDD_TEST_DIALOG, nullptr)) << c.how;
        if (c.realKeys) ShowWindow(dialog.hwnd(), SW_SHOW);  // posted keys need no display
        HWND edit = GetDlgItem(dialog.hwnd(), IDC_TEST_EDIT);
        SetForegroundWindow(dialog.hwnd());
        SetFocus(edit);
        SetThreadMainWindow(dialog.hwnd());  // its end ends the loop below
        for (WPARAM key : c.postedKeys) {
            // Each key goes to the control that has the focus once the previous key is handled.
            PostMessageA(edit, WM_KEYDOWN, key, 1);
            if (key == VK_TAB) {
                EXPECT_EQ(runLoopFor(300), 99) << c.how;
                edit = GetFocus();
            }
        }
        int code = 0;
        if (c.realKeys) {
            const std::string where = ScreenXY(edit, 20, 5);
            Helper helper([&] { Xdo("mousemove " + where + " click 1 sleep 0.2 " + c.realKeys, 8000); });
            code = runLoopFor(8000);
        } else {
            code = runLoopFor(3000);
        }
        EXPECT_EQ(code, 0) << c.how << ": the loop ends with the dialog";
        EXPECT_EQ(dialog.outcome, c.outcome) << c.how;
        EXPECT_EQ(dialog.okHadFocus, c.okHadFocus) << c.how;
        EXPECT_EQ(dialog.confirmed, c.outcome == IDOK ? "modeless" : "") << c.how;
        EXPECT_EQ(dialog.hwnd(), nullptr) << c.how << ": EndDialog destroyed it";
        SetThreadMainWindow(nullptr);
        dialog.Destroy();
    }
}

TEST(ModelessDialog, TwoDialogsEachGetTheirOwnKeys) {
    NameDialog first, second;
    first.name = "first";
    second.name = "second";
    ASSERT_TRUE(first.CreateModeless(IDD_TEST_DIALOG, nullptr));
    ASSERT_TRUE(second.CreateModeless(IDD_TEST_DIALOG, nullptr));
    SetThreadMainWindow(second.hwnd());
    PostMessageA(GetDlgItem(second.hwnd(), IDC_TEST_EDIT), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(runLoopFor(3000), 0);
    EXPECT_EQ(second.confirmed, "second");
    EXPECT_EQ(first.outcome, 0) << "the other dialog is untouched";
    ASSERT_NE(first.hwnd(), nullptr);
    SetThreadMainWindow(first.hwnd());
    PostMessageA(GetDlgItem(first.hwnd(), IDC_TEST_EDIT), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(runLoopFor(3000), 0);
    EXPECT_EQ(first.outcome, IDCANCEL);
    EXPECT_EQ(first.hwnd(), nullptr);
}

// ---- The end of a window's life -----------------------------------------------------------------

std::vector<std::string> lifeLog;
int selfDeletingAlive = 0;

// A heap window that deletes itself once its last message is through.
class SelfDeleting : public Window {
public:
    SelfDeleting() { ++selfDeletingAlive; }
    ~SelfDeleting() override {
        --selfDeletingAlive;
        lifeLog.push_back("deleted");
    }

protected:
    void OnDestroy() override {
        lifeLog.push_back(FromHandle(hwnd()) == this ? "destroy" : "destroy, unbound");
        Default();
    }
    void OnClose() override {
        Destroy();
        lifeLog.push_back(hwnd() == nullptr ? "close handler goes on" : "close handler, still bound");
    }
    void OnFinalMessage() override {
        lifeLog.push_back(hwnd() == nullptr ? "final" : "final, still bound");
        delete this;
    }
};

// FromHandle answers from the table of bound windows: a window's own object from creation or
// subclassing until its end, null for windows nobody bound, whatever their GWLP_USERDATA holds,
// and the right object when a second thread binds its own windows at the same time.
TEST(WindowLife, FromHandleKnowsExactlyTheBoundWindows) {
    Window created, subclassed;
    ASSERT_TRUE(created.Create("ZentharTestBound", 0, WS_POPUP, "bound", RECT{0, 0, 50, 50}, nullptr));
    HWND plain = CreateWindowExA(0, "STATIC", "plain", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(Window::FromHandle(created.hwnd()), &created) << "created through our class";
    EXPECT_EQ(Window::FromHandle(plain), nullptr) << "a system control nobody subclassed";
    // A foreign value in GWLP_USERDATA is never taken for an object.
    SetWindowLongPtrA(plain, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&created));
    EXPECT_EQ(Window::FromHandle(plain), nullptr) << "USERDATA alone";
    EXPECT_EQ(Window::FromHandle(nullptr), nullptr);

    ASSERT_TRUE(subclassed.Subclass(plain));
    EXPECT_EQ(Window::FromHandle(plain), &subclassed) << "subclassed";
    EXPECT_FALSE(created.Subclass(plain)) << "a bound window is not bound twice";
    subclassed.Detach();
    EXPECT_EQ(Window::FromHandle(plain), nullptr) << "detached";

    const HWND gone = created.hwnd();
    created.Destroy();
    EXPECT_EQ(created.hwnd(), nullptr);
    EXPECT_EQ(Window::FromHandle(gone), nullptr) << "destroyed";
    DestroyWindow(plain);

    // Another thread binds and unbinds its windows while this one looks its own up.
    Window mine;
    ASSERT_TRUE(mine.Create("ZentharTestBound", 0, WS_POPUP, "mine", RECT{0, 0, 50, 50}, nullptr));
    std::atomic<int> wrong{0};
    std::thread other([&wrong] {
        for (int i = 0; i < 200; ++i) {
            Window w;
            if (!w.Create("ZentharTestBound", 0, WS_POPUP, "other", RECT{0, 0, 10, 10}, nullptr)) ++wrong;
            if (Window::FromHandle(w.hwnd()) != &w) ++wrong;
        }
    });
    int misses = 0;
    for (int i = 0; i < 2000; ++i) misses += Window::FromHandle(mine.hwnd()) != &mine;
    other.join();
    EXPECT_EQ(misses, 0);
    EXPECT_EQ(wrong.load(), 0);
}

TEST(WindowLife, OnFinalMessageComesLastAndOnce) {
    struct Case {
        const char* how;
        bool subclassedButton;
        std::function<void(HWND self, HWND parent)> end;
        std::vector<std::string> log;
    };
    const std::vector<std::string> plain = {"destroy", "final", "deleted"};
    const Case cases[] = {
        {"DestroyWindow", false, [](HWND self, HWND) { DestroyWindow(self); }, plain},
        {"Destroy inside its own handler", false, [](HWND self, HWND) { SendMessageA(self, WM_CLOSE, 0, 0); },
         {"destroy", "close handler goes on", "final", "deleted"}},
        {"posted WM_CLOSE", false, [](HWND self, HWND) { PostMessageA(self, WM_CLOSE, 0, 0); PumpFor(100); },
         {"destroy", "close handler goes on", "final", "deleted"}},
        {"parent destroyed", false, [](HWND, HWND parent) { DestroyWindow(parent); }, plain},
        {"subclassed control, parent destroyed", true, [](HWND, HWND parent) { DestroyWindow(parent); }, plain},
    };
    for (const auto& c : cases) {
        lifeLog.clear();
        Window parent;
        ASSERT_TRUE(parent.Create("ZentharTestParent", 0, WS_POPUP, "", RECT{0, 0, 100, 100}, nullptr));
        auto owned = std::make_unique<SelfDeleting>();
        const bool made = c.subclassedButton
                              ? owned->CreateControl("BUTTON", 0, WS_CHILD, "b", RECT{0, 0, 20, 20}, parent.hwnd())
                              : owned->Create("ZentharTestSelfDeleting", 0, WS_CHILD, "", RECT{0, 0, 20, 20},
                                              parent.hwnd());
        ASSERT_TRUE(made) << c.how;
        HWND self = owned.release()->hwnd();  // from here on the window owns its object
        c.end(self, parent.hwnd());
        EXPECT_EQ(lifeLog, c.log) << c.how;
        EXPECT_EQ(selfDeletingAlive, 0) << c.how;
        EXPECT_FALSE(IsWindow(self)) << c.how;
    }
}

// ---- Reflection to the child's object -----------------------------------------------------------

// A list-view that answers its own notifications.
class NotifiedList : public Window {
public:
    std::vector<UINT> codes;
    bool handles = true;
    bool refuses = false;

protected:
    bool OnReflectedNotify(NMHDR& header, LRESULT& result) override {
        codes.push_back(header.code);
        if (!handles) return false;
        if (header.code == LVN_ITEMCHANGING) result = refuses;
        return true;
    }
};

// What reached a parent's own handlers, for a window parent and a dialog parent alike.
struct ParentRecord {
    std::vector<UINT> notifyCodes;
    std::vector<HWND> contextMenus;
    POINT menuPoint{};
    bool refusesChanges = false;

    bool Notify(NMHDR& header, LRESULT& result) {
        notifyCodes.push_back(header.code);
        if (header.code != LVN_ITEMCHANGING || !refusesChanges) return false;
        result = TRUE;
        return true;
    }
    bool ContextMenu(HWND where, int x, int y) {
        contextMenus.push_back(where);
        menuPoint = POINT{x, y};
        return true;
    }
};

class ParentWindow : public Window {
public:
    ParentRecord record;

protected:
    bool OnNotify(NMHDR& header, LRESULT& result) override { return record.Notify(header, result); }
    bool OnContextMenu(HWND where, int x, int y) override { return record.ContextMenu(where, x, y); }
};

class ParentDialog : public Dialog {
public:
    ParentRecord record;

protected:
    bool OnNotify(NMHDR& header, LRESULT& result) override { return record.Notify(header, result); }
};

bool contains(const std::vector<UINT>& codes, UINT code) {
    for (UINT c : codes)
        if (c == code) return true;
    return false;
}

bool selectFirstRow(HWND list) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
    return (SendMessageA(list, LVM_GETITEMSTATE, 0, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void addRow(HWND list, const char* text) {
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

class Reflection : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
    }
};

TEST_F(Reflection, ListNotificationsReachTheListsObjectAndItsAnswerCounts) {
    struct Case {
        const char* who;
        bool childHandles, childRefuses, parentRefuses;
        bool selected, parentSawIt;
    };
    const Case cases[] = {
        {"child refuses", true, true, false, false, false},
        {"child allows", true, false, true, true, false},
        {"child declines, parent refuses", false, false, true, false, true},
        {"child declines, parent allows", false, false, false, true, true},
    };
    for (bool inDialog : {false, true}) {
        for (const auto& c : cases) {
            const std::string how = std::string(inDialog ? "dialog: " : "window: ") + c.who;
            ParentWindow window;
            ParentDialog dialog;
            NotifiedList list;
            ParentRecord* record = nullptr;
            if (inDialog) {
                ASSERT_TRUE(dialog.CreateModeless(IDD_TEST_CONTROLS, nullptr));
                ASSERT_TRUE(list.Subclass(GetDlgItem(dialog.hwnd(), IDC_TEST_LIST)));
                record = &dialog.record;
            } else {
                ASSERT_TRUE(window.Create("ZentharTestParent", 0, WS_POPUP, "", RECT{0, 0, 300, 200}, nullptr));
                ASSERT_TRUE(list.CreateControl(WC_LISTVIEWA, 0, WS_CHILD | WS_VISIBLE | LVS_REPORT,
                                               "", RECT{0, 0, 200, 150}, window.hwnd(), 7));
                record = &window.record;
            }
            list.handles = c.childHandles;
            list.refuses = c.childRefuses;
            record->refusesChanges = c.parentRefuses;
            addRow(list.hwnd(), "row");
            EXPECT_TRUE(contains(list.codes, LVN_INSERTITEM)) << how;
            EXPECT_EQ(selectFirstRow(list.hwnd()), c.selected) << how;
            EXPECT_TRUE(contains(list.codes, LVN_ITEMCHANGING)) << how;
            EXPECT_EQ(contains(record->notifyCodes, LVN_ITEMCHANGING), c.parentSawIt) << how;
        }
    }
}

// A control that paints its background with its own brush when it has one.
class TintedControl : public Window {
public:
    GdiBrush brush;

protected:
    HBRUSH OnReflectedCtlColor(HDC dc) override {
        if (!brush) return nullptr;
        SetBkColor(dc, RGB(0xC0, 0x30, 0x30));
        return brush.get();
    }
};

TEST_F(Reflection, ControlColoursComeFromTheChildsObject) {
    const COLORREF TINT = RGB(0xC0, 0x30, 0x30);
    struct Case {
        const char* how;
        const char* className;  // for the window parent
        int dialogId;           // for the dialog parent
        bool tinted;
    };
    const Case cases[] = {
        {"static", "STATIC", IDC_TEST_STATIC, true},
        {"edit", "EDIT", IDC_TEST_CONTROL_EDIT, true},
        {"static untinted", "STATIC", IDC_TEST_STATIC2, false},
    };
    // Both parents on the display at once, each with all three controls.
    ParentWindow window;
    ASSERT_TRUE(window.Create("ZentharTestParent", WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, "", RECT{400, 50, 600, 200},
                              nullptr));
    ParentDialog dialog;
    ASSERT_TRUE(dialog.CreateModeless(IDD_TEST_CONTROLS, nullptr));
    SetWindowPos(dialog.hwnd(), HWND_TOPMOST, 50, 300, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    TintedControl inWindow[3], inDialog[3];
    for (int i = 0; i < 3; ++i) {
        const Case& c = cases[i];
        if (c.tinted) {
            inWindow[i].brush.reset(CreateSolidBrush(TINT));
            inDialog[i].brush.reset(CreateSolidBrush(TINT));
        }
        ASSERT_TRUE(inWindow[i].CreateControl(c.className, 0, WS_CHILD | WS_VISIBLE, "",
                                              RECT{10, 10 + 40 * i, 110, 40 + 40 * i}, window.hwnd()));
        ASSERT_TRUE(inDialog[i].Subclass(GetDlgItem(dialog.hwnd(), c.dialogId)));
    }
    for (HWND parent : {window.hwnd(), dialog.hwnd()})
        RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpFor(200);
    for (int i = 0; i < 3; ++i) {
        for (TintedControl* control : {&inWindow[i], &inDialog[i]}) {
            const RECT r = control->ClientRect();
            const COLORREF pixel = PixelAt(control->hwnd(), r.right - 3, r.bottom - 3);
            EXPECT_EQ(pixel == TINT, cases[i].tinted)
                << (control == &inWindow[i] ? "window, " : "dialog, ") << cases[i].how << ": pixel " << std::hex << pixel;
        }
    }
}

// A child that either takes its own context menu requests or passes them on.
class MenuChild : public Window {
public:
    bool handles = true;
    int asked = 0;
    POINT at{};

protected:
    bool OnContextMenu(HWND, int x, int y) override {
        ++asked;
        at = POINT{x, y};
        return handles;
    }
};

TEST_F(Reflection, RealClicksReachTheChildsObject) {
    ParentWindow window;
    ASSERT_TRUE(window.Create("ZentharTestParent", WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, "", RECT{50, 50, 350, 300},
                              nullptr));
    NotifiedList list;
    ASSERT_TRUE(list.CreateControl(WC_LISTVIEWA, 0, WS_CHILD | WS_VISIBLE | LVS_REPORT, "", RECT{0, 0, 200, 150},
                                   window.hwnd(), 7));
    addRow(list.hwnd(), "row");
    struct Case {
        const char* how;
        bool childHandles;
        size_t parentRequests;
    };
    const Case cases[] = {{"child handles", true, 0}, {"child declines", false, 1}};
    MenuChild children[2];
    for (int i = 0; i < 2; ++i) {
        children[i].handles = cases[i].childHandles;
        ASSERT_TRUE(children[i].CreateControl("BUTTON", 0, WS_CHILD | WS_VISIBLE, "menu",
                                              RECT{10 + 120 * i, 170, 110 + 120 * i, 210}, window.hwnd()));
    }
    UpdateWindow(window.hwnd());

    list.codes.clear();
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(list.hwnd(), 30, 30) + " click 1"));
    EXPECT_TRUE(contains(list.codes, NM_CLICK));
    EXPECT_FALSE(contains(window.record.notifyCodes, NM_CLICK)) << "handled by the list's own object";

    // A right click asks the child once; what it declines reaches the parent, naming the child.
    for (int i = 0; i < 2; ++i) {
        const auto& c = cases[i];
        MenuChild& child = children[i];
        window.record.contextMenus.clear();
        POINT click{30, 20};
        ClientToScreen(child.hwnd(), &click);
        ASSERT_TRUE(Xdo("mousemove " + ScreenXY(child.hwnd(), 30, 20) + " click 3"));
        EXPECT_EQ(child.asked, 1) << c.how;
        EXPECT_EQ(child.at.x, click.x) << c.how;
        EXPECT_EQ(child.at.y, click.y) << c.how;
        ASSERT_EQ(window.record.contextMenus.size(), c.parentRequests) << c.how;
        if (c.parentRequests) {
            EXPECT_EQ(window.record.contextMenus[0], child.hwnd()) << c.how;
            EXPECT_EQ(window.record.menuPoint.x, click.x) << c.how;
        }
    }
}

// ---- Live counts of the owners ------------------------------------------------------------------

// Moves, replacement and reset of one owner type: the count follows the handles held, and every
// handle the owner let go is really closed.
template <class Owner, class Make, class Alive>
void checkOwner(const char* what, Make make, Alive alive) {
    const long base = Owner::live();
    auto first = make(), second = make();
    {
        Owner a(first);
        EXPECT_EQ(Owner::live(), base + 1) << what;
        Owner b(std::move(a));
        EXPECT_FALSE(a) << what;
        EXPECT_EQ(b.get(), first) << what;
        Owner c(second);
        EXPECT_EQ(Owner::live(), base + 2) << what;
        c = std::move(b);  // second is closed, first moves into c
        EXPECT_FALSE(alive(second)) << what << ": the replaced handle";
        EXPECT_EQ(Owner::live(), base + 1) << what;
        Owner& same = c;
        c = std::move(same);
        EXPECT_TRUE(alive(first)) << what << ": a move onto itself keeps the handle";
        c.reset(first);
        EXPECT_TRUE(alive(first)) << what << ": taking the same handle again keeps it";
        EXPECT_EQ(Owner::live(), base + 1) << what;
    }
    EXPECT_FALSE(alive(first)) << what;
    EXPECT_EQ(Owner::live(), base) << what;
}

TEST(LiveCounts, OwnersCountWhatTheyHold) {
    checkOwner<OwnedHandle>("OwnedHandle", [] { return CreateEventA(nullptr, TRUE, FALSE, nullptr); },
                            [](HANDLE h) {
                                DWORD flags = 0;
                                return GetHandleInformation(h, &flags) != FALSE;
                            });
    checkOwner<OwnedMenu>("OwnedMenu", [] { return CreatePopupMenu(); }, [](HMENU m) { return IsMenu(m) != FALSE; });
    checkOwner<GdiBrush>("GdiBrush", [] { return CreateSolidBrush(RGB(1, 2, 3)); },
                         [](HBRUSH b) { return GetObjectType(b) == OBJ_BRUSH; });

    const long handles = OwnedHandle::live();
    OwnedHandle none(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(none);
    OwnedHandle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    HANDLE raw = event.get();
    event.reset(INVALID_HANDLE_VALUE);
    EXPECT_FALSE(event) << "INVALID_HANDLE_VALUE holds nothing";
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags));
    EXPECT_EQ(OwnedHandle::live(), handles);
}

TEST(LiveCounts, ComPtrReleasesEachReferenceOnce) {
    const long base = ComPtr<IStream>::live();
    IStream* raw = nullptr;
    {
        ComPtr<IStream> stream;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.receive()), S_OK);
        EXPECT_EQ(ComPtr<IStream>::live(), base + 1);
        raw = stream.get();
        raw->AddRef();  // ours, to see the object outlive the owners
        ComPtr<IStream> moved(std::move(stream));
        ComPtr<IUnknown> other;
        ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, reinterpret_cast<IStream**>(static_cast<IUnknown**>(other.receive()))),
                  S_OK);
        EXPECT_EQ(ComPtr<IStream>::live(), base + 2) << "every interface type shares the count";
        ComPtr<IStream> target;
        target = std::move(moved);
        EXPECT_FALSE(moved);
        // A creating call that fails (COM is not initialised here) leaves the owner empty and the
        // count alone.
        ComPtr<IStream> failed;
        EXPECT_NE(CoCreateInstance(CLSID_NULL, nullptr, CLSCTX_INPROC_SERVER, IID_IStream, failed.receive()), S_OK);
        EXPECT_FALSE(failed);
        EXPECT_EQ(ComPtr<IStream>::live(), base + 2);
    }
    EXPECT_EQ(ComPtr<IStream>::live(), base);
    EXPECT_EQ(raw->Release(), 0u) << "the owners gave back exactly the reference they held";
}

// ---- User-interface threads ---------------------------------------------------------------------

const UINT WM_TEST_PING = WM_APP + 1;

// What a thread and its window did, kept outside the thread object so that it survives it.
struct ThreadRecord {
    std::atomic<DWORD> threadId{0}, pingedOn{0}, destroyedOn{0};
    std::atomic<int> pings{0}, exitInstanceLoop{-1};
    std::atomic<HWND> window{nullptr};
};

class PingWindow : public Window {
public:
    explicit PingWindow(ThreadRecord& record) : record_(record) {}

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg != WM_TEST_PING) return Default();
        ++record_.pings;
        record_.pingedOn = GetCurrentThreadId();
        if (lp) PostQuitMessage(static_cast<int>(wp));
        return static_cast<LRESULT>(wp * 2);
    }
    void OnDestroy() override {
        record_.destroyedOn = GetCurrentThreadId();
        Default();
    }

private:
    ThreadRecord& record_;
};

class PingThread : public UiThread {
public:
    explicit PingThread(ThreadRecord& record) : window(record), record_(record) {}
    ~PingThread() override {
        Stop();
        Wait();
    }
    PingWindow window;
    bool initFails = false;
    bool asMainWindow = false;

protected:
    bool InitInstance() override {
        record_.threadId = GetCurrentThreadId();
        if (!window.Create("ZentharTestPing", 0, WS_POPUP, "", RECT{0, 0, 10, 10}, nullptr)) return false;
        record_.window = window.hwnd();
        if (asMainWindow) SetMainWindow(window.hwnd());
        return !initFails;
    }
    int ExitInstance(int loopResult) override {
        record_.exitInstanceLoop = loopResult;
        return loopResult + 100;
    }

private:
    ThreadRecord& record_;
};

TEST(UiThread, RunsItsWindowAndEndsCleanly) {
    struct Case {
        const char* how;
        bool asMainWindow;
        std::function<void(PingThread&)> end;
        int exitCode;
    };
    const Case cases[] = {
        {"Stop()", false, [](PingThread& t) { t.Stop(); }, 100},
        {"PostQuitMessage in a handler", false,
         [](PingThread& t) { PostMessageA(t.window.hwnd(), WM_TEST_PING, 7, 1); }, 107},
        {"main window closed by another thread", true,
         [](PingThread& t) { SendMessageA(t.window.hwnd(), WM_CLOSE, 0, 0); }, 100},
        {"destroyed while running", false, [](PingThread&) {}, 100},
    };
    for (const auto& c : cases) {
        const long handles = OwnedHandle::live();
        ThreadRecord record;
        {
            PingThread thread(record);
            thread.asMainWindow = c.asMainWindow;
            ASSERT_TRUE(thread.Start()) << c.how;
            EXPECT_EQ(SendMessageA(thread.window.hwnd(), WM_TEST_PING, 21, 0), 42) << c.how;
            PostMessageA(thread.window.hwnd(), WM_TEST_PING, 1, 0);
            EXPECT_TRUE(PumpUntil([&] { return record.pings == 2; }, 3000)) << c.how << ": a posted message";
            EXPECT_EQ(record.pingedOn, record.threadId) << c.how;
            EXPECT_NE(record.threadId, GetCurrentThreadId()) << c.how;
            c.end(thread);
            if (std::string(c.how) != "destroyed while running") {
                EXPECT_TRUE(thread.Wait(5000)) << c.how;
                EXPECT_EQ(thread.exitCode(), c.exitCode) << c.how;
                EXPECT_EQ(thread.window.hwnd(), nullptr) << c.how << ": the window was destroyed, not left behind";
            }
        }
        EXPECT_EQ(record.exitInstanceLoop + 100, c.exitCode) << c.how;
        EXPECT_EQ(record.destroyedOn, record.threadId) << c.how << ": destroyed on its own thread";
        EXPECT_FALSE(IsWindow(record.window)) << c.how;
        EXPECT_EQ(OwnedHandle::live(), handles) << c.how;
    }
}

TEST(UiThread, FailedStartEndsTheThreadFirst) {
    const long handles = OwnedHandle::live();
    ThreadRecord record;
    {
        PingThread thread(record);
        thread.initFails = true;
        EXPECT_FALSE(thread.Start());
        EXPECT_TRUE(thread.Wait(0)) << "the thread has ended when Start returns";
        EXPECT_EQ(thread.exitCode(), 100);
        EXPECT_EQ(thread.window.hwnd(), nullptr);
        EXPECT_EQ(record.destroyedOn, record.threadId);
    }
    EXPECT_EQ(OwnedHandle::live(), handles);
}

// A modeless dialog as the main window of its own thread, as the progress dialog runs.
class DialogThread : public UiThread {
public:
    ~DialogThread() override {
        Stop();
        Wait();
    }
    NameDialog dialog;

protected:
    bool InitInstance() override {
        if (!dialog.CreateModeless(IDD_TEST_DIALOG, nullptr)) return false;
        SetMainWindow(dialog.hwnd());
        return true;
    }
};

TEST(UiThread, DialogClosedWhileItsThreadWaits) {
    struct Case {
        const char* how;
        std::function<void(DialogThread&)> close;
        int outcome;
        const char* confirmed;
    };
    const Case cases[] = {
        {"Cancel sent from another thread",
         [](DialogThread& t) { SendMessageA(t.dialog.hwnd(), WM_COMMAND, IDCANCEL, 0); }, IDCANCEL, ""},
        {"Return key posted to its edit box",
         [](DialogThread& t) { PostMessageA(GetDlgItem(t.dialog.hwnd(), IDC_TEST_EDIT), WM_KEYDOWN, VK_RETURN, 1); },
         IDOK, "progress"},
        {"Stop()", [](DialogThread& t) { t.Stop(); }, 0, ""},
    };
    for (const auto& c : cases) {
        const long handles = OwnedHandle::live();
        {
            DialogThread thread;
            thread.dialog.name = "progress";
            ASSERT_TRUE(thread.Start()) << c.how;
            HWND shown = thread.dialog.hwnd();
            c.close(thread);
            EXPECT_TRUE(thread.Wait(10000)) << c.how;
            EXPECT_EQ(thread.dialog.outcome, c.outcome) << c.how;
            EXPECT_EQ(thread.dialog.confirmed, c.confirmed) << c.how;
            EXPECT_EQ(thread.dialog.hwnd(), nullptr) << c.how;
            EXPECT_FALSE(IsWindow(shown)) << c.how;
        }
        EXPECT_EQ(OwnedHandle::live(), handles) << c.how;
    }
}

// A thread whose window runs a modal dialog from a handler when asked to.
class ModalOnThread : public UiThread {
public:
    ~ModalOnThread() override {
        Stop();
        Wait();
    }
    class Host : public Window {
    public:
        NameDialog dialog;
        std::atomic<INT_PTR> result{0};

    protected:
        LRESULT OnMessage(UINT msg, WPARAM, LPARAM) override {
            if (msg != WM_TEST_PING) return Default();
            result = dialog.DoModal(IDD_TEST_DIALOG, hwnd());
            return 0;
        }
    } host;

protected:
    bool InitInstance() override {
        return host.Create("ZentharTestHost", 0, WS_POPUP, "", RECT{0, 0, 10, 10}, nullptr);
    }
};

TEST(UiThread, StopEndsAModalDialogRunningOnTheThread) {
    const long handles = OwnedHandle::live();
    {
        ModalOnThread thread;
        ASSERT_TRUE(thread.Start());
        PostMessageA(thread.host.hwnd(), WM_TEST_PING, 0, 0);
        ASSERT_NE(waitForShown(thread.host.dialog.shown, 0), nullptr);
        thread.Stop();
        const bool ended = thread.Wait(5000);
        EXPECT_TRUE(ended) << "the modal loop passes the quit request on";
        if (!ended) endIfStillOpen(thread.host.dialog.shown, IDCANCEL);
        EXPECT_TRUE(thread.Wait(5000));
        EXPECT_EQ(thread.host.hwnd(), nullptr);
        EXPECT_FALSE(IsWindow(thread.host.dialog.shown));
    }
    EXPECT_EQ(OwnedHandle::live(), handles);
}

// ---- What a thread leaves behind when it ends -----------------------------------------------------

struct LetGoRecord {
    std::atomic<DWORD> threadId{0}, deletedOn{0};
    std::atomic<bool> keptWhileHandling{false}, deletedWhenLoopEnded{false};
};

// A window that lets go of its own object from its handler, as a skin button does whose click
// reloads the screen that owns it.
class LetGoWindow : public Window {
public:
    LetGoWindow(LetGoRecord& record, std::unique_ptr<Window>& owner) : record_(record), owner_(owner) {}
    ~LetGoWindow() override { record_.deletedOn = GetCurrentThreadId(); }

protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg != WM_TEST_PING) return Window::OnMessage(msg, wp, lp);
        Destroy();
        Window::DeleteWhenIdle(std::move(owner_));
        record_.keptWhileHandling = record_.deletedOn == 0;
        return 0;
    }

private:
    LetGoRecord& record_;
    std::unique_ptr<Window>& owner_;
};

class LetGoThread : public UiThread {
public:
    explicit LetGoThread(LetGoRecord& record) : record_(record) {}
    ~LetGoThread() override {
        Stop();
        Wait();
    }
    std::atomic<HWND> window{nullptr};

protected:
    bool InitInstance() override {
        record_.threadId = GetCurrentThreadId();
        auto w = std::make_unique<LetGoWindow>(record_, held_);
        if (!w->Create("ZentharTestLetGo", 0, WS_POPUP, "", RECT{0, 0, 10, 10}, nullptr)) return false;
        window = w->hwnd();
        held_ = std::move(w);
        return true;
    }
    int ExitInstance(int loopResult) override {
        record_.deletedWhenLoopEnded = record_.deletedOn == record_.threadId;
        return loopResult;
    }

private:
    LetGoRecord& record_;
    std::unique_ptr<Window> held_;
};

// Takes and gives back the threads library's key lock (creating a key takes it for writing) on a
// helper thread; false when that did not finish within `ms`, as when an ended thread left the lock
// held and the process's own exit would wait for it forever.
DWORD WINAPI createAndDeleteKey(void*) {
    pthread_key_t key;
    if (pthread_key_create(&key, [](void*) {}) != 0) return 1;
    return pthread_key_delete(key) == 0 ? 0 : 1;
}

bool keyLockIsFree(DWORD ms) {
    HANDLE helper = CreateThread(nullptr, 0, &createAndDeleteKey, nullptr, 0, nullptr);
    if (!helper) return false;
    const bool done = WaitForSingleObject(helper, ms) == WAIT_OBJECT_0;
    DWORD code = 1;
    if (done) GetExitCodeThread(helper, &code);
    CloseHandle(helper);
    return done && code == 0;
}

TEST(ThreadEnd, ObjectsLetGoDuringAHandlerAreDeletedWhenTheLoopEndsOnTheThread) {
    for (int i = 0; i < 3; ++i) {
        LetGoRecord record;
        {
            LetGoThread thread(record);
            ASSERT_TRUE(thread.Start());
            SendMessageA(thread.window, WM_TEST_PING, 0, 0);
            EXPECT_TRUE(record.keptWhileHandling) << "not deleted under its own handler";
            EXPECT_FALSE(IsWindow(thread.window));
            thread.Stop();
            EXPECT_TRUE(thread.Wait(5000));
        }
        EXPECT_TRUE(record.deletedWhenLoopEnded) << i << ": deleted by the loop's end, not by the thread's exit";
        EXPECT_EQ(record.deletedOn, record.threadId) << i;
    }
}

TEST(ThreadEnd, ManyEndedWindowThreadsLeaveTheProcessFreeToEnd) {
    // Each thread lets go of a window during a handler and runs a modeless dialog, then ends.
    for (int i = 0; i < 25; ++i) {
        LetGoRecord record;
        LetGoThread letGo(record);
        ASSERT_TRUE(letGo.Start()) << i;
        SendMessageA(letGo.window, WM_TEST_PING, 0, 0);
        DialogThread dialog;
        ASSERT_TRUE(dialog.Start()) << i;
        SendMessageA(dialog.dialog.hwnd(), WM_COMMAND, IDCANCEL, 0);
        letGo.Stop();
        ASSERT_TRUE(letGo.Wait(5000)) << i;
        ASSERT_TRUE(dialog.Wait(5000)) << i;
    }
    EXPECT_TRUE(keyLockIsFree(10000));
}

// ---- The list's context menu position ------------------------------------------------------------

RECT menuSeen;
VOID CALLBACK watchForMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    GetWindowRect(menu, &menuSeen);
    EndMenu();
}

TEST(SkinListMenu, OpensAtTheClickOrBelowTheCaret) {
    Window parent;
    ASSERT_TRUE(parent.Create("ZentharTestParent", WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, "", RECT{100, 100, 400, 300},
                              nullptr));
    CSkinList list;
    ASSERT_TRUE(list.Create(parent.hwnd(), RECT{10, 10, 260, 180}, {{"Delete", 40}, {"FileName", 150}}));
    list.AddItem("row", false);
    UpdateWindow(parent.hwnd());
    // The list takes the focus from a real click, then gets a caret of its own at (30, 20).
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(list.hwnd(), 150, 150) + " click 1"));
    ASSERT_EQ(GetFocus(), list.hwnd());
    CreateCaret(list.hwnd(), nullptr, 1, 10);
    SetCaretPos(30, 20);
    struct Case {
        const char* how;
        std::string keys;
        POINT expected;  // client point of the list
    };
    const Case cases[] = {
        {"right click", "mousemove " + ScreenXY(list.hwnd(), 60, 40) + " click 3", {60, 40}},
        {"Shift+F10", "key shift+F10", {32, 34}},
        {"menu key", "key Menu", {32, 34}},
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &watchForMenu);
    for (const auto& c : cases) {
        menuSeen = RECT{-1, -1, -1, -1};
        ASSERT_TRUE(Xdo(c.keys)) << c.how;
        PumpUntil([] { return menuSeen.left != -1; }, 2000);
        POINT expected = c.expected;
        ClientToScreen(list.hwnd(), &expected);
        EXPECT_EQ(menuSeen.left, expected.x) << c.how;
        EXPECT_EQ(menuSeen.top, expected.y) << c.how;
        PumpFor(100);
    }
    KillTimer(nullptr, timer);
    DestroyCaret();
}

// ---- A missing skin description ------------------------------------------------------------------

TEST(SkinDescription, LoadsOnlyFromAModuleThatHoldsIt) {
    struct Case {
        const char* module;  // null: the program itself
        bool found;
    };
    const Case cases[] = {{nullptr, true}, {"kernel32.dll", false}, {"user32.dll", false}};
    for (const auto& c : cases) {
        const std::string path = std::string("C:\\framework-tests\\") + (c.module ? c.module : "self") + "\\Skin.ini";
        EXPECT_EQ(LoadSkinDescription(path, c.module ? GetModuleHandleA(c.module) : nullptr), c.found)
            << (c.module ? c.module : "self");
        std::vector<std::string> keys;
        EXPECT_EQ(GetSectionKeys(path, "TESTSCREEN_BUTTONINFO", keys), c.found) << (c.module ? c.module : "self");
        ForgetSkinDescription(path);
    }
}

// A window that starts as the skinned windows do: without a description it says so and ends with 2.
class SkinnedStart : public Dialog {
public:
    void* module = nullptr;
    std::atomic<HWND> shown{nullptr};

protected:
    BOOL OnInitDialog() override {
        shown = hwnd();
        if (!LoadSkinDescription("C:\\framework-tests\\start\\Skin.ini", module)) {
            ShowSkinNotFound(hwnd());
            EndDialog(2);
        }
        return TRUE;
    }
};

struct MessageBoxSeen {
    std::string caption;
    std::vector<std::string> texts;  // "class:text" of the children that have a text
    HWND owner = nullptr;
    bool stopIcon = false;
};

BOOL CALLBACK readBoxChild(HWND child, LPARAM param) {
    auto* seen = reinterpret_cast<MessageBoxSeen*>(param);
    char text[256] = {}, cls[64] = {};
    GetWindowTextA(child, text, sizeof text);
    GetClassNameA(child, cls, sizeof cls);
    CharLowerA(cls);
    if (*text) seen->texts.push_back(std::string(cls) + ":" + text);
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && !lstrcmpA(cls, "static")) {
        seen->stopIcon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) == LoadIcon(nullptr, IDI_HAND);
    }
    return TRUE;
}

TEST(SkinDescription, MissingDescriptionIsReportedAndEndsTheDialogWithTwo) {
    SkinnedStart start;
    start.module = GetModuleHandleA("kernel32.dll");
    MessageBoxSeen seen;
    INT_PTR result = 0;
    {
        Helper helper([&] {
            HWND box = waitForWindow("#32770", "Zenthar");
            if (!box) return;
            char caption[64] = {};
            GetWindowTextA(box, caption, sizeof caption);
            seen.caption = caption;
            seen.owner = GetWindow(box, GW_OWNER);
            EnumChildWindows(box, &readBoxChild, reinterpret_cast<LPARAM>(&seen));
            Xdo("mousemove " + ScreenXY(box, 5, 5) + " click 1 sleep 0.2 key Return", 5000);
            waitUntilClosed(box, 1500);
            endIfStillOpen(box, IDOK);
        });
        result = start.DoModal(IDD_TEST_DIALOG, nullptr);
    }
    EXPECT_EQ(result, 2);
    EXPECT_EQ(seen.caption, "Zenthar");
    std::sort(seen.texts.begin(), seen.texts.end());
    EXPECT_EQ(seen.texts, (std::vector<std::string>{"button:OK", "static:skin.ini Not Found"}));
    EXPECT_TRUE(seen.stopIcon);
    EXPECT_EQ(seen.owner, start.shown.load()) << "the box belongs to the window that could not start";
    EXPECT_FALSE(IsWindow(start.shown));
}

}  // namespace
