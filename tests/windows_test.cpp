// Skinned windows: the mask region, the animation player, the main window and its sub-screens.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/UserMessages.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"
#include "framework/ComPtr.h"
#include "framework/GdiOwners.h"
#include "framework/Handles.h"
#include "skin/AnimationMovie.h"
#include "skin/DestroyTree.h"
#include "skin/MaskRegion.h"
#include "skin/ShockwaveFlash.h"
#include "skin/SkinDialog.h"
#include "skin/SkinReader.h"
#include "skin/DisplayDpi.h"
#include "skin/SkinScale.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Masks made in memory: a 24-bit section filled white, with opaque runs painted into it.

struct MaskRun {
    int x0, x1, y;  // [x0, x1) on row y
};

HBITMAP MakeMask(int width, int height, const std::vector<MaskRun>& runs, COLORREF ink = RGB(0, 0, 0)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) return nullptr;
    const int stride = (width * 3 + 3) & ~3;
    auto* rows = static_cast<BYTE*>(bits);
    for (int y = 0; y < height; ++y) std::fill(rows + y * stride, rows + y * stride + width * 3, 0xFF);
    for (const MaskRun& r : runs)
        for (int x = r.x0; x < r.x1; ++x) {
            BYTE* p = rows + (height - 1 - r.y) * stride + x * 3;
            p[0] = GetBValue(ink);
            p[1] = GetGValue(ink);
            p[2] = GetRValue(ink);
        }
    return bmp;
}

HRGN RegionOfRuns(const std::vector<MaskRun>& runs) {
    HRGN all = CreateRectRgn(0, 0, 0, 0);
    for (const MaskRun& r : runs) {
        HRGN one = CreateRectRgn(r.x0, r.y, r.x1, r.y + 1);
        CombineRgn(all, all, one, RGN_OR);
        DeleteObject(one);
    }
    return all;
}

HRGN WhiteMaskRegion(HBITMAP mask) { return CreateRegionFromMask(mask, static_cast<COLORREF>(-1), 0x101010); }

// ---------------------------------------------------------------------------------------------
// The region of a mask

struct RegionCase {
    const char* what;
    int width, height;
    std::function<std::vector<MaskRun>()> runs;
};

std::vector<MaskRun> ManyRuns(int rows, int perRow, int width) {
    std::vector<MaskRun> runs;
    const int step = width / perRow;
    for (int y = 0; y < rows; ++y)
        for (int i = 0; i < perRow; ++i) runs.push_back({i * step + (y % 3), i * step + step / 2 + (y % 5), y});
    return runs;
}

TEST(MaskRegion, EqualsTheRegionOfItsRuns) {
    const RegionCase cases[] = {
        {"3,000 runs: a batch of 2,000 and one of 1,000", 751, 514, [] { return ManyRuns(500, 6, 751); }},
        {"exactly 2,000 runs: one full batch, an empty rest", 751, 514, [] { return ManyRuns(400, 5, 751); }},
        {"6,001 runs over several batches", 751, 514, [] {
             auto r = ManyRuns(500, 12, 751);
             r.push_back({0, 751, 513});
             return r;
         }},
        {"width not a multiple of 4 bytes per row", 33, 7, [] {
             return std::vector<MaskRun>{{0, 33, 0}, {32, 33, 1}, {0, 1, 2}, {5, 17, 6}};
         }},
        {"a run up to the right edge of a 1-pixel-wide mask", 1, 3, [] { return std::vector<MaskRun>{{0, 1, 1}}; }},
    };
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<MaskRun> runs = c.runs();
        HBITMAP mask = MakeMask(c.width, c.height, runs);
        ASSERT_NE(mask, nullptr);
        HRGN got = WhiteMaskRegion(mask);
        HRGN want = RegionOfRuns(runs);
        ASSERT_NE(got, nullptr);
        EXPECT_TRUE(EqualRgn(got, want));
        DeleteObject(got);
        DeleteObject(want);
        DeleteObject(mask);
    }
}

TEST(MaskRegion, OnlyPureWhiteIsTransparent) {
    const struct {
        COLORREF pixel;
        bool inside;
    } cases[] = {
        {RGB(255, 255, 255), false}, {RGB(255, 255, 254), true}, {RGB(254, 255, 255), true},
        {RGB(255, 254, 255), true},  {RGB(0, 0, 0), true},       {RGB(240, 240, 240), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "pixel 0x" << c.pixel);
        HBITMAP mask = MakeMask(5, 3, {{2, 3, 1}}, c.pixel);
        HRGN rgn = WhiteMaskRegion(mask);
        ASSERT_NE(rgn, nullptr);
        EXPECT_EQ(PtInRegion(rgn, 2, 1) != FALSE, c.inside);
        EXPECT_FALSE(PtInRegion(rgn, 1, 1));  // its white neighbour
        DeleteObject(rgn);
        DeleteObject(mask);
    }
}

TEST(MaskRegion, AllWhiteGivesAnEmptyRegionAndNoMaskGivesNone) {
    HBITMAP mask = MakeMask(751, 514, {});
    HRGN rgn = WhiteMaskRegion(mask);
    ASSERT_NE(rgn, nullptr);
    RECT box;
    EXPECT_EQ(GetRgnBox(rgn, &box), NULLREGION);
    DeleteObject(rgn);
    DeleteObject(mask);
    EXPECT_EQ(WhiteMaskRegion(nullptr), nullptr);
}

TEST(MaskRegion, ToleranceWidensTheTransparentRange) {
    // Grey 0x80 with tolerance 0x10: 0x80..0x90 per component is transparent.
    HBITMAP mask = MakeMask(4, 1, {{0, 1, 0}, {1, 2, 0}, {2, 3, 0}, {3, 4, 0}}, RGB(0x88, 0x90, 0x80));
    HRGN rgn = CreateRegionFromMask(mask, RGB(0x80, 0x80, 0x80), 0x101010);
    ASSERT_NE(rgn, nullptr);
    RECT box;
    EXPECT_EQ(GetRgnBox(rgn, &box), NULLREGION);
    DeleteObject(rgn);
    rgn = CreateRegionFromMask(mask, RGB(0x80, 0x80, 0x80), 0x080808);  // green 0x90 now outside
    ASSERT_NE(rgn, nullptr);
    EXPECT_TRUE(PtInRegion(rgn, 3, 0));
    DeleteObject(rgn);
    DeleteObject(mask);
}

// Every way out of the region builder gives back its device contexts, section, selections and
// partial regions: the owners' live counts are the same after as before.
TEST(MaskRegion, FailureAndSuccessPathsReleaseTheirObjects) {
    auto counts = [] {
        return std::vector<long>{MemoryDC::live(), GdiBitmap::live(), GdiRegion::live(), SelectGuard::live()};
    };
    const std::vector<long> before = counts();
    HBITMAP mask = MakeMask(751, 514, ManyRuns(500, 6, 751));  // several batches
    HDC holder = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(holder, mask);  // a bitmap lives in one DC at a time
    for (int i = 0; i < 20; ++i) ASSERT_EQ(WhiteMaskRegion(mask), nullptr) << "a selected mask cannot be read";
    EXPECT_EQ(counts(), before);
    SelectObject(holder, old);
    DeleteDC(holder);
    for (int i = 0; i < 20; ++i) {
        HRGN rgn = WhiteMaskRegion(mask);
        ASSERT_NE(rgn, nullptr);
        DeleteObject(rgn);
    }
    EXPECT_EQ(counts(), before);
    DeleteObject(mask);
}

// ---------------------------------------------------------------------------------------------
// The animation format

std::string MovieBytes(int version, int count, int w, int h, int period, const std::string& picture = "GIF89a",
                       int headerSize = 20) {
    std::string b = "ZANM";
    for (int v : {headerSize, version, w, h, count, period, static_cast<int>(picture.size()), 0}) {
        b.push_back(static_cast<char>(v & 0xFF));
        b.push_back(static_cast<char>((v >> 8) & 0xFF));
    }
    return b + std::string(static_cast<size_t>(std::max(headerSize - 20, 0)), 'x') + picture;
}

TEST(AnimationMovie, HeaderIsCheckedBeforeAnythingIsDecoded) {
    const struct {
        const char* what;
        std::string bytes;
        bool ok;
    } cases[] = {
        {"a good header", MovieBytes(1, 12, 117, 169, 80), true},
        {"one frame of one pixel", MovieBytes(1, 1, 1, 1, 10), true},
        {"empty", "", false},
        {"cut inside the header", MovieBytes(1, 12, 117, 169, 80).substr(0, 15), false},
        {"header without picture", MovieBytes(1, 12, 117, 169, 80, ""), false},
        {"a real Flash file", "FWS\x05" + std::string(40, '\0'), false},
        {"a longer header of a later writer", MovieBytes(1, 12, 117, 169, 80, "GIF89a", 24), true},
        {"header size shorter than the header", MovieBytes(1, 12, 117, 169, 80, "GIF89a", 16), false},
        {"header size past the end", MovieBytes(1, 12, 117, 169, 80, "", 200), false},
        {"picture cut short", MovieBytes(1, 12, 117, 169, 80, "GIF89a").substr(0, 24), false},
        {"version 2", MovieBytes(2, 12, 117, 169, 80), false},
        {"no frames", MovieBytes(1, 0, 117, 169, 80), false},
        {"too many frames", MovieBytes(1, 1025, 10, 10, 80), false},
        {"zero width", MovieBytes(1, 4, 0, 169, 80), false},
        {"huge height", MovieBytes(1, 4, 10, 4097, 80), false},
        {"period too short", MovieBytes(1, 4, 10, 10, 9), false},
        {"period too long", MovieBytes(1, 4, 10, 10, 10001), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MovieHeader h;
        h.frameCount = -7;
        std::string why;
        EXPECT_EQ(ParseMovieHeader(c.bytes, h, &why), c.ok) << why;
        if (c.ok) {
            EXPECT_EQ(h.pictureOffset + h.pictureSize, c.bytes.size());
            EXPECT_EQ(c.bytes.compare(h.pictureOffset, 6, "GIF89a"), 0);
        } else {
            EXPECT_EQ(h.frameCount, -7) << "a rejected movie leaves the header untouched";
            EXPECT_FALSE(why.empty());
        }
    }
    MovieHeader h;
    ASSERT_TRUE(ParseMovieHeader(MovieBytes(1, 12, 117, 169, 80), h));
    EXPECT_EQ(h.frameCount, 12);
    EXPECT_EQ(h.frameWidth, 117);
    EXPECT_EQ(h.frameHeight, 169);
    EXPECT_EQ(h.framePeriod, 80);
}

// ---------------------------------------------------------------------------------------------
// Window tests: real windows on the X display, driven with xdotool, looked at with screenshots.

// A screenshot of a screen rectangle from the X server itself, as COLORREFs row by row.
std::vector<COLORREF> Screenshot(int x, int y, int w, int h) {
    CreateDirectoryA("C:\\zenthar-tests", nullptr);
    const std::string file = "C:\\zenthar-tests\\windows-shot.rgb";
    DeleteFileA(file.c_str());
    const std::string unixFile = HostPathOf(file);
    std::vector<COLORREF> pixels;
    if (unixFile.empty() ||
        !RunHost("/usr/bin/import -window root -crop " + std::to_string(w) + "x" + std::to_string(h) + "+" +
                                        std::to_string(x) + "+" + std::to_string(y) + " -depth 8 rgb:" + unixFile))
        return pixels;
    OwnedHandle in(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::vector<BYTE> rgb(static_cast<size_t>(w) * h * 3);
    DWORD got = 0;
    if (!in || !ReadFile(in.get(), rgb.data(), static_cast<DWORD>(rgb.size()), &got, nullptr) || got != rgb.size())
        return pixels;
    for (size_t i = 0; i < rgb.size(); i += 3) pixels.push_back(RGB(rgb[i], rgb[i + 1], rgb[i + 2]));
    return pixels;
}

COLORREF ScreenPixel(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    auto shot = Screenshot(p.x, p.y, 1, 1);
    return shot.empty() ? CLR_INVALID : shot[0];
}

// Waits on its own thread for a message box with `caption`, keeps its texts and closes it.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(const char* caption) : caption_(caption), thread_([this] { run(); }) {}
    ~MessageBoxWatcher() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::string texts() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return texts_;
    }
    int seen() const { return seen_; }

private:
    void run() {
        while (!stop_) {
            HWND box = FindWindowA("#32770", caption_.c_str());
            if (box) {
                EnumChildWindows(box, &MessageBoxWatcher::collect, reinterpret_cast<LPARAM>(this));
                ++seen_;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                for (DWORD waited = 0; !stop_ && IsWindow(box) && waited < 5000; waited += 10) Sleep(10);
            }
            Sleep(20);
        }
    }
    static BOOL CALLBACK collect(HWND child, LPARAM self) {
        char cls[32] = {}, text[256] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0)
            reinterpret_cast<MessageBoxWatcher*>(self)->texts_ += std::string(text) + "|";
        return TRUE;
    }
    std::string caption_;
    std::atomic<bool> stop_{false};
    std::atomic<int> seen_{0};
    std::string texts_;
    std::thread thread_;
};

std::string ResourceText(const char* name, const char* type) {
    HRSRC r = FindResourceA(nullptr, name, type);
    HGLOBAL g = r ? LoadResource(nullptr, r) : nullptr;
    const char* p = g ? static_cast<const char*>(LockResource(g)) : nullptr;
    return p ? std::string(p, SizeofResource(nullptr, r)) : std::string();
}

// Skin colours (tests/resources/windows/make-pictures.py).
const COLORREF MAIN_COLOUR = RGB(40, 80, 160);
const COLORREF SUB_MAIN_COLOUR = RGB(230, 150, 30);
const COLORREF SUB_BARE_COLOUR = RGB(20, 150, 150);
const RECT ANIMATION_RECT{10, 140, 50, 180};

struct Trace {
    std::vector<std::string> pressed;  // "window:name"
    std::vector<std::string> events;
};

class TestSubScreen : public CSubMainSkin {
public:
    explicit TestSubScreen(Trace& t) : trace(t) {}
    void ButtonPressed(const std::string& button) override { trace.pressed.push_back(name + ":" + button); }
    Trace& trace;

protected:
    void OnDestroyTree() override { trace.events.push_back("destroytree " + name); }
};

class TestMainWindow : public CSkinDialog {
public:
    Trace trace;
    std::string description;  // replaces the built-in one when set
    bool noDescription = false;
    const char* firstScreen = nullptr;  // the sub-screen built with the window; the rest after its first paint
    bool firstIdle = false;

    void ButtonPressed(const std::string& button) override { trace.pressed.push_back("main:" + button); }
    bool Open() {
        skinFile = "Skin.ini";
        if (!CreateModeless(IDD_SUMMARY, nullptr)) return false;
        SetWindowPos(hwnd(), HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(hwnd());
        // Open once the window has painted and first waited for input, its hidden sub-screens built.
        PumpUntil([&] { return firstIdle; }, 10000);
        return true;
    }
    CSubMainSkin* Screen(const std::string& n) {
        for (auto& s : screens)
            if (s->name == n) return s.get();
        return nullptr;
    }

protected:
    std::unique_ptr<CSubMainSkin> CreateSubScreen(const SkinScreenLine&) override {
        return std::make_unique<TestSubScreen>(trace);
    }
    const char* ScreenShownFirst() const override { return firstScreen; }
    void OnFirstIdle() override {
        CSkinDialog::OnFirstIdle();
        firstIdle = true;
    }
    bool ObtainSkinDescription(const std::string& path) override {
        if (noDescription) return false;
        if (description.empty()) return CSkinDialog::ObtainSkinDescription(path);
        SetSkinDescription(path, description);
        return true;
    }
};

// The built-in test skin with one line replaced.
std::string SkinWith(const std::string& from, const std::string& to) {
    std::string text = ResourceText("SKININI", "INI");
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class WindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ole_ = std::make_unique<ComInit>(); }
    static void TearDownTestSuite() { ole_.reset(); }
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
        // The skin folder, and where "skin3.swf" is written: a folder of the prefix.
        scratch_ = std::make_unique<ScratchDir>("windows");
    }
    void TearDown() override { scratch_.reset(); }
    static std::unique_ptr<ComInit> ole_;
    std::unique_ptr<ScratchDir> scratch_;
};
std::unique_ptr<ComInit> WindowTest::ole_;

RECT WindowRect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

// A sub-screen's rectangle in its main window's client coordinates.
RECT ChildRect(HWND child) {
    RECT r = WindowRect(child);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(WindowTest, TheShapeShowsTheDesktopOutsideTheMaskAndThePictureInside) {
    const std::vector<COLORREF> desktop = Screenshot(100, 100, 320, 240);
    ASSERT_EQ(desktop.size(), 320u * 240u) << "no screenshot";
    TestMainWindow w;
    ASSERT_TRUE(w.Open());
    const std::vector<COLORREF> shot = Screenshot(100, 100, 320, 240);
    ASSERT_EQ(shot.size(), desktop.size());
    auto at = [](const std::vector<COLORREF>& v, int x, int y) { return v[static_cast<size_t>(y) * 320 + x]; };
    const struct {
        int x, y;
        bool desktopShows;
    } points[] = {
        {0, 0, true}, {39, 39, true}, {20, 5, true}, {319, 239, true}, {295, 215, true},  // cut corners
        {40, 40, false}, {39, 45, false}, {250, 200, false}, {90, 220, false}, {289, 239, false},
    };
    for (const auto& p : points) {
        SCOPED_TRACE(testing::Message() << "(" << p.x << "," << p.y << ")");
        if (p.desktopShows) EXPECT_EQ(at(shot, p.x, p.y), at(desktop, p.x, p.y));
        else EXPECT_EQ(at(shot, p.x, p.y), MAIN_COLOUR);
    }
    // The sub-screen shown first, and its own picture, lie inside the window.
    EXPECT_EQ(at(shot, 100 + 170, 40 + 110), SUB_MAIN_COLOUR);
}

// A move to a display of another scale: the window, its outline, its buttons, its sub-screens and
// the animation take the new scale in place, keeping what they show; back at 96 dpi every one is
// where it was.
TEST_F(WindowTest, AChangeOfDisplayScaleRedrawsTheWindowInPlaceAndBack) {
    struct Back96 {
        ~Back96() { SetSkinDpi(SKIN_BASE_DPI); }
    } back;
    TestMainWindow w;
    ASSERT_TRUE(w.Open());
    ASSERT_EQ(SkinDpi(), 96) << "the tests' display runs at 96 dots per inch";
    auto layout = [&] {
        std::vector<RECT> out{WindowRect(w.hwnd())};
        for (auto& b : w.store.buttons) out.push_back(ChildRect(b->hwnd()));
        for (auto& s : w.screens) {
            out.push_back(ChildRect(s->hwnd()));
            for (auto& b : s->store.buttons) out.push_back(ChildRect(b->hwnd()));
            for (auto& l : s->store.labels) out.push_back(ChildRect(l->hwnd()));
        }
        if (w.animation.hwnd()) out.push_back(ChildRect(w.animation.hwnd()));
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        RECT box{};
        if (GetWindowRgn(w.hwnd(), region) != ERROR) GetRgnBox(region, &box);
        DeleteObject(region);
        out.push_back(box);
        return out;
    };
    const std::vector<RECT> at96 = layout();
    ASSERT_GT(at96.size(), 6u);
    w.ShowSubScreen("SUBMAIN_BARE");
    auto change = [&](int dpi, int x, int y) {
        RECT suggested{x, y, x + 10, y + 10};  // the size comes from the skin, the place from here
        SendMessageA(w.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        PumpFor(200);
    };
    change(192, 40, 30);
    EXPECT_EQ(SkinDpi(), 192);
    const std::vector<RECT> at192 = layout();
    ASSERT_EQ(at192.size(), at96.size());
    EXPECT_EQ(at192[0].left, 40);
    EXPECT_EQ(at192[0].top, 30);
    for (size_t i = 0; i < at96.size(); ++i) {
        const RECT& a = at96[i];
        const RECT& b = at192[i];
        SCOPED_TRACE(testing::Message() << "rectangle " << i);
        EXPECT_EQ(b.right - b.left, 2 * (a.right - a.left));
        EXPECT_EQ(b.bottom - b.top, 2 * (a.bottom - a.top));
        if (i > 0) {  // in the window's own coordinates
            EXPECT_EQ(b.left, 2 * a.left);
            EXPECT_EQ(b.top, 2 * a.top);
        }
    }
    EXPECT_EQ(w.currentScreen ? w.currentScreen->name : "", "SUBMAIN_BARE") << "the page shown stays shown";
    change(96, at96[0].left, at96[0].top);
    const std::vector<RECT> again = layout();
    for (size_t i = 0; i < at96.size(); ++i)
        EXPECT_TRUE(EqualRect(&again[i], &at96[i])) << "rectangle " << i << " is not back where it was";
}

TEST_F(WindowTest, APressOnTheBackgroundDragsAndOneOnAButtonDoesNot) {
    TestMainWindow w;
    ASSERT_TRUE(w.Open());
    const struct {
        const char* what;
        int x, y;  // client point pressed
        bool moves;
    } cases[] = {
        {"button BUTTON_GO", 40, 90, false},
        {"background", 60, 120, true},
        {"background near the cut corner", 45, 12, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RECT before = WindowRect(w.hwnd());
        const std::string from = ScreenXY(w.hwnd(), c.x, c.y);
        const std::string to = ScreenXY(w.hwnd(), c.x + 50, c.y + 30);
        const std::string mid = ScreenXY(w.hwnd(), c.x + 25, c.y + 15);
        ASSERT_TRUE(Xdo("mousemove " + from + " sleep 0.3 mousedown 1 sleep 0.4 mousemove " + mid +
                        " sleep 0.3 mousemove " + to + " sleep 0.4 mouseup 1"));
        PumpFor(300);
        const RECT after = WindowRect(w.hwnd());
        if (c.moves) {
            EXPECT_EQ(after.left - before.left, 50);
            EXPECT_EQ(after.top - before.top, 30);
        } else {
            EXPECT_EQ(after.left, before.left);
            EXPECT_EQ(after.top, before.top);
        }
    }
    EXPECT_TRUE(w.trace.pressed.empty()) << "a release outside the button is no click";
}

TEST_F(WindowTest, DraggingASubScreenMovesItInsideTheMainWindow) {
    TestMainWindow w;
    ASSERT_TRUE(w.Open());
    CSubMainSkin* sub = w.Screen("SUBMAIN_MAIN");
    ASSERT_NE(sub, nullptr);
    const RECT mainBefore = WindowRect(w.hwnd());
    const RECT subBefore = ChildRect(sub->hwnd());
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(sub->hwnd(), 150, 20) + " sleep 0.3 mousedown 1 sleep 0.4 mousemove " +
                    ScreenXY(sub->hwnd(), 140, 15) + " sleep 0.3 mousemove " + ScreenXY(sub->hwnd(), 130, 10) +
                    " sleep 0.4 mouseup 1"));
    PumpFor(300);
    const RECT subAfter = ChildRect(sub->hwnd());
    EXPECT_EQ(subAfter.left - subBefore.left, -20);
    EXPECT_EQ(subAfter.top - subBefore.top, -10);
    EXPECT_EQ(GetParent(sub->hwnd()), w.hwnd());
    const RECT mainAfter = WindowRect(w.hwnd());
    EXPECT_EQ(mainAfter.left, mainBefore.left);
    EXPECT_EQ(mainAfter.top, mainBefore.top);
}

TEST_F(WindowTest, ClicksReachTheirWindowByNameAndTheScanPeriodIsKeptFirst) {
    static std::vector<std::string>* order = nullptr;
    TestMainWindow w;
    order = &w.trace.pressed;
    SetScanMinutesSaver([](const std::string& text) { order->push_back("saved:" + text); });
    ASSERT_TRUE(w.Open());
    // The first sub-screen has no EDIT_SCAN_PERIOD: nothing to keep.
    w.ShowSubScreen("SUBMAIN_MAIN");
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(w.hwnd(), 40, 90) + " click 1"));
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(w.Screen("SUBMAIN_MAIN")->hwnd(), 30, 20) + " click 1"));
    w.ShowSubScreen("SUBMAIN_SCHEDULE");
    PumpFor(200);
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(w.hwnd(), 40, 90) + " click 1"));
    w.Screen("SUBMAIN_SCHEDULE")->store.SetEditText("EDIT_SCAN_PERIOD", "");
    ASSERT_TRUE(Xdo("mousemove " + ScreenXY(w.hwnd(), 40, 90) + " click 1"));
    SetScanMinutesSaver(nullptr);
    const std::vector<std::string> want = {"main:BUTTON_GO", "SUBMAIN_MAIN:BUTTON_SCAN", "saved:15", "main:BUTTON_GO",
                                           "main:BUTTON_GO"};
    EXPECT_EQ(w.trace.pressed, want);
}

// A window that names its first sub-screen is painted before the hidden ones are built; they come
// in the description's order and out of sight, or at once when one of them is asked for.
TEST_F(WindowTest, HiddenSubScreensAreBuiltAfterTheFirstPaint) {
    auto names = [](TestMainWindow& w, bool visibleOnly) {
        std::string all;
        for (auto& s : w.screens)
            if (!visibleOnly || IsWindowVisible(s->hwnd())) all += s->name + " ";
        return all;
    };
    for (const char* asked : {"SUBMAIN_MAIN", "SUBMAIN_SCHEDULE"}) {
        SCOPED_TRACE(asked);
        TestMainWindow w;
        w.skinFile = "Skin.ini";
        w.firstScreen = "SUBMAIN_MAIN";
        ASSERT_TRUE(w.CreateModeless(IDD_SUMMARY, nullptr));
        EXPECT_EQ(names(w, false), "SUBMAIN_MAIN ");
        w.ShowSubScreen(asked);
        SetWindowPos(w.hwnd(), HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        if (std::string(asked) == "SUBMAIN_MAIN") {
            EXPECT_EQ(names(w, false), "SUBMAIN_MAIN ") << "showing the built one builds nothing";
            UpdateWindow(w.hwnd());
            PumpUntil([&] { return w.firstIdle; }, 10000);
        }
        EXPECT_EQ(names(w, false), "SUBMAIN_MAIN SUBMAIN_ADVANCED SUBMAIN_BARE SUBMAIN_SCHEDULE ");
        EXPECT_EQ(names(w, true), std::string(asked) + " ");
        EXPECT_EQ(w.Screen("SUBMAIN_SCHEDULE")->store.GetEditText("EDIT_SCAN_PERIOD"), "15");
        w.Destroy();
    }
}

TEST_F(WindowTest, SubScreensLoadTheirSectionsAndShowOneAtATime) {
    TestMainWindow w;
    ASSERT_TRUE(w.Open());
    ASSERT_EQ(w.screens.size(), 4u);
    const struct {
        const char* name;
        size_t buttons, labels, edits;
        bool list;
    } loaded[] = {
        {"SUBMAIN_MAIN", 2, 1, 0, true},
        {"SUBMAIN_ADVANCED", 1, 0, 0, false},  // its edit-box section exists and is not read
        {"SUBMAIN_BARE", 0, 0, 0, false},
        {"SUBMAIN_SCHEDULE", 1, 0, 1, false},
    };
    for (const auto& l : loaded) {
        SCOPED_TRACE(l.name);
        CSubMainSkin* s = w.Screen(l.name);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->store.buttons.size(), l.buttons);
        EXPECT_EQ(s->store.labels.size(), l.labels);
        EXPECT_EQ(s->store.edits.size(), l.edits);
        EXPECT_EQ(s->list != nullptr, l.list);
        EXPECT_EQ(GetWindow(s->hwnd(), GW_CHILD) != nullptr, l.buttons + l.labels + l.edits > 0 || l.list);
    }
    EXPECT_EQ(w.Screen("SUBMAIN_SCHEDULE")->store.GetEditText("EDIT_SCAN_PERIOD"), "15");

    auto visible = [&] {
        std::string names;
        for (auto& s : w.screens)
            if (IsWindowVisible(s->hwnd())) names += s->name + " ";
        return names;
    };
    w.ShowSubScreen("SUBMAIN_BARE");
    EXPECT_EQ(visible(), "SUBMAIN_BARE ");
    EXPECT_EQ(w.currentScreen, w.Screen("SUBMAIN_BARE"));
    PumpFor(300);
    EXPECT_EQ(ScreenPixel(w.Screen("SUBMAIN_BARE")->hwnd(), 90, 60), SUB_BARE_COLOUR) << "only its picture";
    w.ShowSubScreen("SUBMAIN_NOSUCH");
    EXPECT_EQ(visible(), "");
    EXPECT_EQ(w.currentScreen, w.Screen("SUBMAIN_BARE"));
    w.ShowSubScreen("submain_main");  // names compare exactly
    EXPECT_EQ(w.currentScreen, w.Screen("SUBMAIN_BARE"));
    CSubMainSkin* main = w.Screen("SUBMAIN_MAIN");
    main->store.HideButton("BUTTON_SCAN", true);
    w.ShowSubScreen("SUBMAIN_MAIN");
    EXPECT_EQ(visible(), "SUBMAIN_MAIN ");
    EXPECT_TRUE(IsWindowVisible(main->store.FindButton("BUTTON_SCAN")->hwnd())) << "its BUTTON_SCAN is shown";
}

TEST_F(WindowTest, EnableScanButtonMessageEnablesTheSubScreensOwnScanButton) {
    TestMainWindow w;
    ASSERT_TRUE(w.Open());
    CSubMainSkin* main = w.Screen("SUBMAIN_MAIN");
    main->store.EnableButton("BUTTON_SCAN", false);
    ASSERT_FALSE(IsWindowEnabled(main->store.FindButton("BUTTON_SCAN")->hwnd()));
    SendMessageA(main->hwnd(), WM_ENABLESCANBUTTON, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(main->store.FindButton("BUTTON_SCAN")->hwnd()));
    EXPECT_EQ(SendMessageA(w.Screen("SUBMAIN_BARE")->hwnd(), WM_ENABLESCANBUTTON, 0, 0), 0) << "none to enable";
}

TEST_F(WindowTest, MissingDescriptionOrMaskIsReportedWithItsMessage) {
    {
        MessageBoxWatcher watcher("Zenthar");
        TestMainWindow w;
        w.noDescription = true;
        w.skinFile = "Skin.ini";
        EXPECT_EQ(w.DoModal(IDD_SUMMARY, nullptr), 2);
        EXPECT_EQ(watcher.texts(), "skin.ini Not Found|");
        EXPECT_TRUE(w.screens.empty());
    }
    const struct {
        const char* what;
        std::string description;
        const char* message;  // "" for none
        bool shaped;
    } cases[] = {
        {"no mask picture", SkinWith("Mask=t_mask.bmp", "Mask=nothing.bmp"), "Region is Null|", false},
        {"an all-white mask", SkinWith("Mask=t_mask.bmp", "Mask=t_white.gif"), "", true},
        {"the test skin", "", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MessageBoxWatcher watcher("Zenthar");
        TestMainWindow w;
        w.description = c.description;
        ASSERT_TRUE(w.Open());
        EXPECT_EQ(watcher.texts(), c.message);
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetWindowRgn(w.hwnd(), rgn) != ERROR, c.shaped);
        DeleteObject(rgn);
        EXPECT_EQ(w.screens.size(), 4u) << "the window keeps working";
    }
}

// The movie's temporary files in the temporary folder.
std::vector<std::string> AnimationTempFiles() {
    char folder[MAX_PATH + 1] = "";
    GetTempPathA(sizeof folder, folder);
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((std::string(folder) + ANIMATION_TEMP_PREFIX + "*.tmp").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

TEST_F(WindowTest, TheAnimationPlaysStopsAndResumes) {
    DeleteFileA(ANIMATION_FILE);
    const auto tempBefore = AnimationTempFiles();
    TestMainWindow w;
    ASSERT_TRUE(w.Open());
    // The current folder may be the system's: the movie goes through the temporary folder.
    EXPECT_EQ(GetFileAttributesA(ANIMATION_FILE), INVALID_FILE_ATTRIBUTES) << "skin3.swf in the current folder";
    EXPECT_EQ(AnimationTempFiles(), tempBefore) << "the temporary file is not left behind";
    HWND control = GetDlgItem(w.hwnd(), MAIN_ANIMATION_ID);
    ASSERT_EQ(control, w.animation.hwnd());
    char name[32] = {};
    GetWindowTextA(control, name, sizeof name);
    EXPECT_STREQ(name, "SHOCKWAVE");
    EXPECT_EQ(ChildRect(control).left, ANIMATION_RECT.left);
    EXPECT_EQ(ChildRect(control).bottom, ANIMATION_RECT.bottom);

    POINT origin{ANIMATION_RECT.left, ANIMATION_RECT.top};
    ClientToScreen(w.hwnd(), &origin);
    // Screenshots of the animation's rectangle at uneven gaps (frames last 60 ms, so one fixed gap
    // could meet the same frame again): does any differ from the first?
    auto changes = [&] {
        const auto first = Screenshot(origin.x, origin.y, 40, 40);
        bool differs = false;
        for (DWORD gap : {70, 110, 170}) {
            PumpFor(gap);
            const auto next = Screenshot(origin.x, origin.y, 40, 40);
            differs = differs || (!first.empty() && next != first);
        }
        return differs;
    };
    EXPECT_TRUE(changes()) << "playing";
    SendMessageA(w.hwnd(), WM_FLASHSTOP, 0, 0);
    PumpFor(100);
    EXPECT_FALSE(changes()) << "stopped";
    EXPECT_FALSE(changes()) << "still stopped";
    SendMessageA(w.hwnd(), WM_FLASHPLAY, 0, 0);
    EXPECT_TRUE(changes()) << "playing again";
}

TEST_F(WindowTest, TheAnimationPlaysFromTheResourceWhenTheFileCannotBeWritten) {
    // The temporary folder is one that does not exist, so no file can be written for the movie.
    char tmp[MAX_PATH] = "", temp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", tmp, sizeof tmp);
    GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    SetEnvironmentVariableA("TMP", "C:\\zenthar-no-such-temp");
    SetEnvironmentVariableA("TEMP", "C:\\zenthar-no-such-temp");
    EXPECT_EQ(AnimationTempFile(), "");
    TestMainWindow w;
    const bool opened = w.Open();
    SetEnvironmentVariableA("TMP", tmp[0] ? tmp : nullptr);
    SetEnvironmentVariableA("TEMP", temp[0] ? temp : nullptr);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(w.animation.HasMovie());
    EXPECT_TRUE(w.animation.IsPlaying());
    const int first = w.animation.CurrentFrame();
    EXPECT_TRUE(PumpUntil([&] { return w.animation.CurrentFrame() != first; }, 2000));
    EXPECT_FALSE(PathExists("C:\\zenthar-no-such-temp"));
}

TEST_F(WindowTest, AnEmptyOrUnreadableAnimationLeavesTheBackground) {
    const struct {
        const char* what;
        std::string description;
        std::string movieFile;  // set after opening; "" keeps the built-in movie
        bool hasMovie;
    } cases[] = {
        {"zero size", SkinWith("DIMENSION=10,140,40,40", "DIMENSION=0,0,0,0"), "", true},
        {"not a movie", "", "GIF89a no movie", false},
        {"a movie whose picture is broken", "", MovieBytes(1, 4, 40, 40, 60, "GIF89a broken"), false},
        {"no such file", "", "-", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestMainWindow w;
        w.description = c.description;
        ASSERT_TRUE(w.Open());
        if (!c.movieFile.empty()) {
            if (c.movieFile != "-") {
                OwnedHandle f(CreateFileA("bad.swf", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
                DWORD n = 0;
                WriteFile(f.get(), c.movieFile.data(), static_cast<DWORD>(c.movieFile.size()), &n, nullptr);
            }
            w.animation.SetMovie(c.movieFile == "-" ? "no-such.swf" : "bad.swf");
            DeleteFileA("bad.swf");
            InvalidateRect(w.hwnd(), nullptr, TRUE);
            PumpFor(300);
        }
        EXPECT_EQ(w.animation.HasMovie(), c.hasMovie);
        RECT r = ChildRect(w.animation.hwnd());
        if (c.hasMovie) {
            EXPECT_TRUE(IsRectEmpty(&r));
        } else {
            EXPECT_EQ(ScreenPixel(w.hwnd(), 20, 150), MAIN_COLOUR) << "the background shows";
            EXPECT_EQ(ScreenPixel(w.hwnd(), 45, 175), MAIN_COLOUR);
        }
    }
}

TEST_F(WindowTest, DestroyTreeReachesEachWindowBeforeItsChildrenAndNeverADestroyedOne) {
    // A tree of our own windows: a, its children a1 (which destroys its sibling a2 when told) and
    // a2, and a2's child a2x; plus b without children.
    struct Node : Window {
        std::string name;
        std::vector<std::string>* log = nullptr;
        HWND victim = nullptr;
        LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
            if (msg != WM_DESTROYTREE) return Window::OnMessage(msg, wp, lp);
            log->push_back(name);
            if (victim) DestroyWindow(victim);
            return 0;
        }
    };
    std::vector<std::string> log;
    Window root;
    ASSERT_TRUE(root.Create("ZentharTestRoot", 0, WS_POPUP, "", RECT{0, 0, 50, 50}, nullptr));
    Node a, a1, a2, a2x, b;
    auto make = [&](Node& n, const char* name, HWND parent) {
        n.name = name;
        n.log = &log;
        return n.Create("ZentharTestNode", 0, WS_CHILD, "", RECT{0, 0, 5, 5}, parent);
    };
    ASSERT_TRUE(make(a, "a", root.hwnd()));
    ASSERT_TRUE(make(a1, "a1", a.hwnd()));
    ASSERT_TRUE(make(a2, "a2", a.hwnd()));
    ASSERT_TRUE(make(a2x, "a2x", a2.hwnd()));
    ASSERT_TRUE(make(b, "b", root.hwnd()));
    HWND plain = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, a.hwnd(), nullptr, nullptr, nullptr);

    auto position = [&](const char* n) { return std::find(log.begin(), log.end(), n) - log.begin(); };
    EXPECT_EQ(SendDestroyTree(root.hwnd()), 5);
    ASSERT_EQ(log.size(), 5u) << "each window with an object once; the plain static is left out";
    EXPECT_LT(position("a"), position("a1"));
    EXPECT_LT(position("a"), position("a2"));
    EXPECT_LT(position("a2"), position("a2x"));

    // The first of a's two children to hear the message destroys the other one: neither that
    // child nor its own child hears it afterwards.
    const bool a1First = position("a1") < position("a2");
    Node& killer = a1First ? a1 : a2;
    Node& killed = a1First ? a2 : a1;
    killer.victim = killed.hwnd();
    log.clear();
    SendDestroyTree(root.hwnd());
    EXPECT_EQ(std::count(log.begin(), log.end(), killed.name), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), std::string("a2x")), a1First ? 0 : 1);
    EXPECT_EQ(killed.hwnd(), nullptr);
    DestroyWindow(plain);
    root.Destroy();
}

TEST_F(WindowTest, ClosingTheMainWindowTellsItsSubScreensAndLeaksNothing) {
    auto counts = [] {
        return std::vector<long>{GdiBitmap::live(),  GdiFont::live(),     GdiRegion::live(), GdiBrush::live(),
                                 MemoryDC::live(),   WindowDC::live(),    PaintDC::live(),   SelectGuard::live(),
                                 OwnedHandle::live(), OwnedMenu::live(), ComPtr<IUnknown>::live()};
    };
    // One cycle first: the window classes and the skin description are made once per process.
    std::vector<long> before;
    for (int cycle = 0; cycle < 11; ++cycle) {
        SCOPED_TRACE(testing::Message() << "cycle " << cycle);
        Trace trace;
        {
            TestMainWindow w;
            ASSERT_TRUE(w.Open());
            ASSERT_TRUE(w.animation.IsPlaying());
            w.ShowSubScreen("SUBMAIN_SCHEDULE");
            PumpFor(150);
            w.EndDialog(IDOK);
            EXPECT_EQ(w.hwnd(), nullptr);
            trace = w.trace;
        }
        PumpFor(50);
        if (cycle == 0) before = counts();
        else EXPECT_EQ(counts(), before);
        // Each sub-screen heard WM_DESTROYTREE (at least) once, while it still existed.
        for (const char* n : {"SUBMAIN_MAIN", "SUBMAIN_ADVANCED", "SUBMAIN_BARE", "SUBMAIN_SCHEDULE"}) {
            EXPECT_NE(std::find(trace.events.begin(), trace.events.end(), std::string("destroytree ") + n),
                      trace.events.end())
                << n;
        }
    }
    EXPECT_EQ(GdiBitmap::live(), before[0]);
}

// The dialog base on its own: clicks by index reach ButtonPressed by name, the process-wide
// pointer follows the newest window, its own animation answers the two messages.
TEST_F(WindowTest, SummaryRoutesClicksByNameAndKnowsTheCurrentWindow) {
    struct Progress : Summary {
        std::vector<std::string> pressed;
        void ButtonPressed(const std::string& name) override { pressed.push_back(name); }
    };
    EXPECT_EQ(Summary::Current(), nullptr);
    {
        Progress p;
        EXPECT_EQ(Summary::Current(), &p);
        {
            Progress later;
            EXPECT_EQ(Summary::Current(), &later);
        }
        EXPECT_EQ(Summary::Current(), nullptr);
        ASSERT_TRUE(p.CreateModeless(IDD_SUMMARY, nullptr));
        const std::string path = GetSkinFolder("Skin.ini") + "Skin.ini";
        ASSERT_TRUE(LoadSkinDescription(path));
        EXPECT_EQ(p.store.LoadButtons(p.hwnd(), path, "MAINSCREENBUTTONINFO"), 3);
        for (int i : {2, 0, 1, 7}) p.ButtonClicked(i);
        EXPECT_EQ(p.pressed, (std::vector<std::string>{"BUTTON_GO", "BUTTON_EXIT", "BUTTON_MAIN", ""}));

        StartBuiltInAnimation(p.flash, p.hwnd(), PROGRESS_ANIMATION_NAME, PROGRESS_ANIMATION_ID, RECT{0, 0, 40, 40});
        EXPECT_EQ(GetDlgItem(p.hwnd(), PROGRESS_ANIMATION_ID), p.flash.hwnd());
        EXPECT_TRUE(p.flash.IsPlaying());
        SendMessageA(p.hwnd(), WM_FLASHSTOP, 0, 0);
        EXPECT_FALSE(p.flash.IsPlaying());
        SendMessageA(p.hwnd(), WM_FLASHPLAY, 0, 0);
        EXPECT_TRUE(p.flash.IsPlaying());
        SendMessageA(p.hwnd(), WM_DESTROYTREE, 0, 0);
        EXPECT_EQ(p.hwnd(), nullptr) << "WM_DESTROYTREE destroys a summary window";
    }
}

}  // namespace
