// Skinned windows: the mask region, the animation player, the main window and its sub-screens.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "skin/AnimationMovie.h"
#include "skin/MaskRegion.h"

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

// A failing call must give back its device contexts and section: repeated often enough, a leak of
// either exhausts the process's GDI handles and a later region can no longer be made.
TEST(MaskRegion, FailureAndSuccessPathsReleaseTheirObjects) {
    HBITMAP mask = MakeMask(64, 64, {{1, 60, 5}});
    HDC holder = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(holder, mask);  // a bitmap lives in one DC at a time
    for (int i = 0; i < 70000; ++i) {
        HRGN none = WhiteMaskRegion(mask);
        ASSERT_EQ(none, nullptr) << "at call " << i;
    }
    SelectObject(holder, old);
    DeleteDC(holder);
    for (int i = 0; i < 70000; ++i) {
        HRGN rgn = WhiteMaskRegion(mask);
        ASSERT_NE(rgn, nullptr) << "at call " << i;
        DeleteObject(rgn);
    }
    DeleteObject(mask);
}

// ---------------------------------------------------------------------------------------------
// The animation format

std::string MovieBytes(int version, int count, int w, int h, int period, const std::string& picture = "GIF89a") {
    std::string b = "ZANI";
    for (int v : {version, count, w, h, period, 0}) {
        b.push_back(static_cast<char>(v & 0xFF));
        b.push_back(static_cast<char>((v >> 8) & 0xFF));
    }
    return b + picture;
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
            EXPECT_EQ(h.pictureOffset, MOVIE_HEADER_SIZE);
            EXPECT_GT(h.frameCount, 0);
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

}  // namespace
