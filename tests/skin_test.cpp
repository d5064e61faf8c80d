// Skin engine tests: the reader against the profile functions, pictures, and the skinned controls
// in a real window driven by real mouse input.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <vector>

#include "framework/Framework.h"
#include "skin/IniText.h"
#include "skin/Resample.h"
#include "skin/SkinButtonOwner.h"
#include "skin/SkinImage.h"
#include "skin/SkinReader.h"
#include "skin/SkinResourceIds.h"
#include "skin/SkinScale.h"
#include "skin/SkinStore.h"
#include "skin/SkinText.h"
#include "support/WindowTestKit.h"

namespace {

std::string scratchFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "zenthar-skin-" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder + "\\";
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string resourceBytes(const char* name, const char* type) {
    const void* data = nullptr;
    DWORD size = 0;
    if (!LoadDataResource(name, type, &data, &size)) return std::string();
    return std::string(static_cast<const char*>(data), size);
}

// ---- Field splitting and line formats -------------------------------------------------------

TEST(SkinText, TakeFieldCutsAtTheFirstCommaAndTrimsTheRest) {
    struct Case { const char* line; const char* field; const char* rest; };
    const Case cases[] = {
        {"a,b", "a", "b"},
        {"ADVANCED-SETTINGS_chk.gif ,ADVANCED-SETTINGS_chk.gif", "ADVANCED-SETTINGS_chk.gif ", "ADVANCED-SETTINGS_chk.gif"},
        {"  solo  ", "solo", "solo"},
        {",x", "", "x"},
        {"a,  b  ,c  ", "a", "b  ,c"},
        {"", "", ""},
        {"last,", "last", ""},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        EXPECT_EQ(TakeField(line), c.field) << c.line;
        EXPECT_EQ(line, c.rest) << c.line;
    }
}

TEST(SkinText, FieldConversions) {
    struct Flag { const char* text; bool value; };
    const Flag flags[] = {{"TRUE", true}, {"True", true}, {"T", true}, {"true", false},
                          {"FALSE", false}, {"", false}, {" TRUE", false}};
    for (const auto& f : flags) EXPECT_EQ(SkinFlag(f.text), f.value) << f.text;
    struct Number { const char* text; long value; };
    const Number colours[] = {{"0l", 0}, {"255", 255}, {"16777215", 16777215}, {"abc", 0}, {" 12x", 12}};
    for (const auto& n : colours) EXPECT_EQ(static_cast<long>(SkinColour(n.text)), n.value) << n.text;
    const Number ints[] = {{"-12", -12}, {" 42x", 42}, {"x", 0}, {"+7", 7}};
    for (const auto& n : ints) EXPECT_EQ(SkinInt(n.text), n.value) << n.text;
}

TEST(SkinText, LineFormats) {
    const SkinButtonLine exit = ParseButtonLine("BUTTON_EXIT,640,57,34,31,FALSE");
    EXPECT_EQ(exit.name, "BUTTON_EXIT");
    EXPECT_EQ(exit.rect.left, 640);
    EXPECT_EQ(exit.rect.bottom, 57 + 31);
    EXPECT_FALSE(exit.toggle);
    // A short line repeats its last field: w, h and the flag all read "2".
    const SkinButtonLine shortLine = ParseButtonLine("BUTTON_X,1,2");
    EXPECT_EQ(shortLine.rect.right, 1 + 2);
    EXPECT_EQ(shortLine.rect.bottom, 2 + 2);
    EXPECT_FALSE(shortLine.toggle);

    const SkinTextLine label = ParseTextLine("PROGRESS_TEXT_COM,Arial,TRUE,FALSE,-10,0l,180,30,90,20,");
    EXPECT_EQ(label.face, "Arial");
    EXPECT_TRUE(label.bold);
    EXPECT_FALSE(label.italic);
    EXPECT_EQ(label.height, -10);
    EXPECT_EQ(label.colour, 0u);
    EXPECT_EQ(label.rect.right, 270);
    EXPECT_EQ(label.text, "");
    EXPECT_EQ(ParseTextLine("EDIT_SCAN_PERIOD,Arial,FALSE,FALSE,-10,0l,1,2,3,4,8").text, "8");

    const SkinScreenLine screen = ParseScreenLine(
        "SUBMAIN_MAIN,home_unchk.gif,home_chk.gif,home_chk.gif,home_unchk.gif,250,115,349,219");
    EXPECT_EQ(screen.images[1], "home_chk.gif");
    EXPECT_EQ(screen.images[3], "home_unchk.gif");
    EXPECT_EQ(screen.rect.right, 599);

    const SkinListLine list = ParseListLine("0,0,349,219,3,Delete,40,Type,50,FileName,259");
    ASSERT_EQ(list.columns.size(), 3u);
    EXPECT_EQ(list.columns[2].title, "FileName");
    EXPECT_EQ(list.columns[2].width, 259);
}

TEST(SkinText, OverlongAndHostileLinesAreCut) {
    // 300 characters: the line is cut to 255 before it is split.
    std::string longText(300, 'x');
    const SkinTextLine t = ParseTextLine("TEXT_A,Arial,TRUE,FALSE,-10,0l,1,2,3,4," + longText);
    EXPECT_EQ(std::string("TEXT_A,Arial,TRUE,FALSE,-10,0l,1,2,3,4,").size() + t.text.size(), SKIN_LINE_LIMIT);
    // An absurd column count neither hangs nor grows without bound.
    EXPECT_LE(ParseListLine("0,0,1,1,2000000000,a,1").columns.size(), static_cast<size_t>(SKIN_MAX_COLUMNS));
    EXPECT_TRUE(ParseListLine("0,0,1,1,-5,a,1").columns.empty());
    std::string rectLine = "10,10,-5,0";
    EXPECT_TRUE(ParseSkinRect(rectLine).empty());
}

// ---- The in-memory reader against the platform's profile functions ----------------------------

const char TRICKY_INI[] =
    "; leading comment\r\n"
    "orphan=before any section\r\n"
    "[Main]\r\n"
    "Key1 = value with spaces   \r\n"
    "KEY1=second occurrence\r\n"
    " spaced key =x\r\n"
    "quoted=\"in quotes\"\r\n"
    "single='x'\r\n"
    "half=\"open\r\n"
    "twoquotes=''\r\n"
    "nokeyvalue\r\n"
    ";commented=1\r\n"
    "empty=\r\n"
    "1=a,b,\r\n"
    "\"qkey\"=v\r\n"
    "[main]\r\n"
    "dup=from second main section\r\n"
    "[Other Section]\r\n"
    "a=1\r\n"
    "[Broken\r\n"
    "b=2\n"
    "  [Indented]  \r\n"
    "c=3\t\r\n"
    "[Long]\r\n";

std::string trickyText() {
    std::string text = TRICKY_INI;
    text += "v300=" + std::string(300, 'v') + "\r\n";
    text += "v3000=" + std::string(3000, 'w') + "\r\n";
    text += "q2047=\"" + std::string(2046, 'q') + "\"\r\n";
    // Enough keys that their names overflow the 16,384-character key list.
    text += "[Many]\r\n";
    for (int i = 0; i < 1200; ++i) text += "key_number_" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    return text;
}

TEST(SkinReader, InMemoryAnswersEqualTheProfileFunctions) {
    const std::string folder = scratchFolder("ini");
    const std::string file = folder + "tricky.ini";
    const std::string memory = folder + "in-memory.ini";  // never written: read from memory only
    writeFile(file, trickyText());
    SetSkinDescription(memory, trickyText());
    const char* sections[] = {"Main", "MAIN", "main", " Main ", "Other Section", "other section", "Broken",
                              "Indented", "Long", "Many", "Missing", ""};
    for (const char* section : sections) {
        std::vector<std::string> fromFile, fromMemory;
        GetSectionKeys(file, section, fromFile);
        GetSectionKeys(memory, section, fromMemory);
        EXPECT_EQ(fromMemory, fromFile) << "keys of [" << section << "]";
        fromFile.push_back("nokey");
        fromFile.push_back(" Key1 ");
        fromFile.push_back(";commented");
        fromFile.push_back("qkey");
        fromFile.push_back("\"qkey\"");
        fromFile.push_back("dup");
        for (const auto& key : fromFile) {
            EXPECT_EQ(GetSkinString(memory, section, key, ""), GetSkinString(file, section, key, ""))
                << "[" << section << "] " << key;
            EXPECT_EQ(GetSkinString(memory, section, key, "dflt  "), GetSkinString(file, section, key, "dflt  "))
                << "[" << section << "] " << key << " with a default";
        }
    }
    std::vector<std::string> many;
    GetSectionKeys(memory, "Many", many);
    EXPECT_LT(many.size(), 1200u) << "the key list is cut where its buffer ends";
    EXPECT_EQ(GetSkinString(memory, "Long", "v3000", "").size(), SKIN_VALUE_CHARS - 1);
    EXPECT_EQ(GetSkinString(memory, "main", "key1", ""), "value with spaces");
    ForgetSkinDescription(memory);
    DeleteFileA(file.c_str());
}

TEST(SkinReader, NumberedSectionReadsKeysOneToN) {
    ASSERT_TRUE(LoadSkinDescription("C:\\skin-under-test\\Skin.ini"));
    // Keys 1, 2, 4: N = 3, key 3 is empty and skipped, key 4 is never read.
    const auto lines = ReadNumberedSection("c:\\SKIN-UNDER-TEST\\skin.ini", "Gaps");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].index, 0);
    EXPECT_EQ(lines[1].value, "second");
    EXPECT_TRUE(ReadNumberedSection("C:\\skin-under-test\\Skin.ini", "ABSENT_BUTTONINFO").empty());
}

TEST(SkinReader, FoldersAndResourceFiles) {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string here = cwd;
    if (here.back() != '\\') here += '\\';
    struct Case { const char* path; std::string folder; };
    const Case cases[] = {{"C:\\a\\b\\Skin.ini", "C:\\a\\b\\"}, {"C:\\a\\b\\", "C:\\a\\b\\"}, {"Skin.ini", here}};
    for (const auto& c : cases) EXPECT_EQ(GetSkinFolder(c.path), c.folder) << c.path;

    const std::string folder = scratchFolder("extract");
    const std::string out = folder + "Skin.ini";
    writeFile(out, "an old skin file left in the folder");
    ASSERT_TRUE(ExtractResourceToFile(out, "SKININI", "INI"));
    std::ifstream in(out, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    EXPECT_EQ(written, resourceBytes("SKININI", "INI"));
    DeleteFileA(out.c_str());
    EXPECT_FALSE(ExtractResourceToFile(out, "NOSUCHSKIN", "INI"));
    EXPECT_EQ(GetFileAttributesA(out.c_str()), INVALID_FILE_ATTRIBUTES) << "no file for a missing resource";
}

// ---- Pictures --------------------------------------------------------------------------------

COLORREF bitmapPixel(const GdiBitmap& bitmap, int x, int y) {
    MemoryDC dc;
    SelectGuard select(dc.get(), bitmap.get());
    return GetPixel(dc.get(), x, y);
}

std::vector<DWORD> bitmapRows(const GdiBitmap& bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    WindowDC screen(nullptr);
    GetDIBits(screen.get(), bitmap.get(), 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    for (auto& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

TEST(SkinImage, ResourceNames) {
    struct Case { const char* path; const char* name; };
    const Case cases[] = {{"C:\\skin\\IGNORRED-ERRORS_main.gif", "IGNORRED-ERRORS_MAIN"}, {"HOME_ON", "HOME_ON"},
                          {"a.b.gif", "A.B"}, {"C:\\x\\home_on.gif ", "HOME_ON"}, {"Mask.bmp", "MASK"}};
    for (const auto& c : cases) EXPECT_EQ(SkinResourceName(c.path), c.name) << c.path;
}

TEST(SkinImage, LoadsFilesFirstThenBuiltInPictures) {
    const std::string folder = scratchFolder("pictures");
    struct Case { std::string path; long width, height; COLORREF pixel; };
    writeFile(folder + "state_normal.gif", resourceBytes("STATE_OVER", "GIF"));  // overrides the resource
    const Case cases[] = {
        {folder + "elsewhere\\state_normal.gif", 200, 120, RGB(0x20, 0x50, 0xA0)},
        {folder + "state_normal.gif", 200, 120, RGB(0x20, 0xA0, 0x50)},
        {folder + "Mask.bmp", 40, 30, RGB(0, 0, 0)},  // a Windows bitmap stored under "GIF"
        {"STATE_DOWN", 200, 120, RGB(0xA0, 0x20, 0x50)},  // a name without a dot
    };
    writeFile(folder + "broken.gif", "GIF89a this is not a picture");
    // The same answers whether the window's thread decodes a picture or a helper did it ahead,
    // including for pictures nobody takes (dropped at the end) and pictures asked for twice.
    for (bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "decoded ahead" : "decoded when asked for");
        if (ahead) {
            std::vector<std::string> paths = {folder + "broken.gif", folder + "nothing.gif", folder + "unused.gif",
                                              "STATE_DOWN"};
            for (const auto& c : cases) paths.push_back(c.path);
            ASSERT_TRUE(PrefetchSkinImages(paths));
        }
        for (const auto& c : cases) {
            GdiBitmap bitmap;
            SIZE size{};
            ASSERT_TRUE(LoadSkinImage(c.path, bitmap, size)) << c.path;
            EXPECT_EQ(size.cx, c.width) << c.path;
            EXPECT_EQ(size.cy, c.height) << c.path;
            EXPECT_EQ(bitmapPixel(bitmap, 10, 10), c.pixel) << c.path;
        }
        // Undecodable or missing pictures leave the bitmap and the size alone, without a message.
        for (const std::string& path : {folder + "broken.gif", folder + "nothing.gif"}) {
            GdiBitmap bitmap(CreateBitmap(3, 3, 1, 32, nullptr));
            HBITMAP before = bitmap.get();
            SIZE size{7, 7};
            EXPECT_FALSE(LoadSkinImage(path, bitmap, size)) << path;
            EXPECT_EQ(bitmap.get(), before);
            EXPECT_EQ(size.cx, 7);
        }
        EndSkinImagePrefetch();
    }
    // The picture decoded ahead is the one taken: a file changed after its decoding does not show.
    const std::string early = folder + "early.gif";
    writeFile(early, resourceBytes("STATE_OVER", "GIF"));
    ASSERT_TRUE(PrefetchSkinImages({early, "STATE_DOWN"}));
    GdiBitmap later, taken;
    SIZE size{};
    ASSERT_TRUE(LoadSkinImage("STATE_DOWN", later, size));  // decoded after early.gif
    writeFile(early, resourceBytes("STATE_DOWN", "GIF"));
    ASSERT_TRUE(LoadSkinImage(early, taken, size));
    EXPECT_EQ(bitmapPixel(taken, 10, 10), RGB(0x20, 0xA0, 0x50));
    EndSkinImagePrefetch();
    DeleteFileA(early.c_str());
    DeleteFileA((folder + "state_normal.gif").c_str());
    DeleteFileA((folder + "broken.gif").c_str());
}

TEST(SkinImage, CutHasExactlyTheSourcePixels) {
    GdiBitmap pattern;
    SIZE size{};
    ASSERT_TRUE(LoadSkinImage("pattern.gif", pattern, size));
    ASSERT_EQ(size.cx, 349);
    const std::vector<DWORD> source = bitmapRows(pattern, 349, 218);
    WindowDC screen(nullptr);
    GdiBitmap cut;
    CutImage(screen.get(), cut, pattern, RECT{8, 8, 17, 17});
    ASSERT_EQ(BitmapSize(cut.get()).cx, 9);
    ASSERT_EQ(BitmapSize(cut.get()).cy, 9);
    const std::vector<DWORD> pixels = bitmapRows(cut, 9, 9);
    int differing = 0;
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x) differing += pixels[y * 9 + x] != source[(y + 8) * 349 + (x + 8)];
    EXPECT_EQ(differing, 0);

    // A rectangle reaching past the picture: the inside is copied, the outside is black.
    GdiBitmap edge;
    CutImage(screen.get(), edge, pattern, RECT{345, 214, 355, 224});
    const std::vector<DWORD> edgePixels = bitmapRows(edge, 10, 10);
    EXPECT_EQ(edgePixels[0], source[214 * 349 + 345]);
    EXPECT_EQ(edgePixels[9 * 10 + 9], 0u);
    // Empty and negative rectangles, and an empty source, leave the target as it was.
    for (const RECT& r : {RECT{5, 5, 5, 9}, RECT{9, 9, 4, 4}}) {
        GdiBitmap target(CreateBitmap(2, 2, 1, 32, nullptr));
        HBITMAP before = target.get();
        CutImage(screen.get(), target, pattern, r);
        CutImage(screen.get(), target, GdiBitmap(), RECT{0, 0, 4, 4});
        EXPECT_EQ(target.get(), before);
    }
}

// ---- Display scales ---------------------------------------------------------------------------

// The skin's scale for one test; back at 96 dpi afterwards, whatever happens.
struct ScaleFor {
    explicit ScaleFor(int dpi) { SetSkinDpi(dpi); }
    ~ScaleFor() { SetSkinDpi(SKIN_BASE_DPI); }
};

TEST(SkinScale, RectanglesKeepTheirSizeWhereverTheyLie) {
    struct Case { SkinRect in; int dpi; SkinRect out; };
    const Case cases[] = {
        {{0, 0, 751, 514}, 96, {0, 0, 751, 514}},
        {{0, 0, 751, 514}, 120, {0, 0, 939, 643}},      // 938.75 and 642.5 round up
        {{0, 0, 751, 514}, 144, {0, 0, 1127, 771}},
        {{0, 0, 751, 514}, 192, {0, 0, 1502, 1028}},
        {{250, 115, 599, 334}, 144, {375, 173, 899, 502}},  // 349 x 219 -> 524 x 329 at any place
        {{251, 115, 600, 334}, 144, {377, 173, 901, 502}},
        {{1, 1, 2, 2}, 144, {2, 2, 4, 4}},               // 1.5 -> 2 for the corner and the size alike
    };
    for (const auto& c : cases) {
        const SkinRect r = ScaleSkinRect(c.in, c.dpi);
        EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}),
                  std::vector<int>({c.out.left, c.out.top, c.out.right, c.out.bottom}))
            << c.in.left << "," << c.in.top << " at " << c.dpi;
    }
    // Negative lengths round away from zero like positive ones; font heights drop their fraction,
    // so that a text that fits its rectangle at 96 dpi fits it at every scale.
    struct Font { int height, dpi, length, font; };
    const Font fonts[] = {{-11, 120, -14, -13}, {-11, 144, -17, -16}, {11, 144, 17, 16}, {-10, 120, -13, -12},
                          {-10, 168, -18, -17}, {-12, 192, -24, -24}, {-11, 96, -11, -11}};
    for (const auto& f : fonts) {
        EXPECT_EQ(ScaleToDpi(f.height, f.dpi), f.length) << f.height << " at " << f.dpi;
        EXPECT_EQ(ScaleFontHeight(f.height, f.dpi), f.font) << f.height << " at " << f.dpi;
    }
}

TEST(SkinScale, PictureSetsAreTriedNearestAboveFirstThenLargerThenSmaller) {
    struct Case { int dpi; std::vector<int> order; };
    const Case cases[] = {{96, {96, 144, 192}},  {72, {96, 144, 192}},  {120, {144, 192, 96}},
                          {144, {144, 192, 96}}, {168, {192, 144, 96}}, {288, {192, 144, 96}}};
    for (const auto& c : cases) {
        std::vector<int> order;
        for (const auto& set : PictureSetsFor(c.dpi)) order.push_back(set.dpi);
        EXPECT_EQ(order, c.order) << c.dpi;
    }
    struct Size { int size, from, to, out; };
    const Size sizes[] = {{1127, 144, 120, 939}, {771, 144, 120, 643}, {1502, 192, 144, 1127},
                          {1028, 192, 168, 900}, {751, 96, 192, 1502}, {200, 192, 192, 200}};
    for (const auto& s : sizes) EXPECT_EQ(RescaledSize(s.size, s.from, s.to), s.out) << s.size << " " << s.from;
}

TEST(SkinScale, ResizingAveragesWhenShrinkingBlendsWhenGrowingAndKeepsMasksTwoColoured) {
    struct Case {
        const char* what;
        std::vector<uint32_t> in;
        int iw, ih;
        int ow, oh;
        bool smooth;
        std::vector<uint32_t> out;
    };
    const uint32_t W = 0xFFFFFF, B = 0x000000;
    const Case cases[] = {
        {"2x2 to one: the mean", {0x000000, 0x040404, 0x080808, 0x0C0C0C}, 2, 2, 1, 1, true, {0x060606}},
        {"thirds: 3 to 2 weighs the middle pixel half each", {0x00, 0x5A, 0xB4}, 3, 1, 2, 1, true, {0x1E, 0x96}},
        {"one colour stays itself when grown", {0x336699, 0x336699}, 2, 1, 5, 2, true,
         std::vector<uint32_t>(10, 0x336699)},
        {"growing blends between neighbours", {0x00, 0x80}, 2, 1, 4, 1, true, {0x00, 0x20, 0x60, 0x80}},
        {"a mask takes the pixel under each centre", {W, B, B, W, B, W, W, B, B}, 3, 3, 2, 2, false, {W, B, W, B}},
    };
    for (const auto& c : cases) {
        std::vector<uint32_t> out(static_cast<size_t>(c.ow * c.oh), 0xDEADBEEF);
        ResamplePixels(c.in.data(), c.iw, c.ih, out.data(), c.ow, c.oh, c.smooth);
        EXPECT_EQ(out, c.out) << c.what;
    }
    std::vector<uint32_t> untouched(4, 7);
    ResamplePixels(untouched.data(), 2, 2, untouched.data(), 0, 2, true);
    EXPECT_EQ(untouched, std::vector<uint32_t>(4, 7)) << "an empty target size does nothing";
}

// A 24-bit Windows bitmap of one colour, as a skin from files may bring it.
std::string solidBitmap(int width, int height, COLORREF colour) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
        row[static_cast<size_t>(x) * 3] = static_cast<char>(GetBValue(colour));
        row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>(GetGValue(colour));
        row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    return bytes;
}

TEST(SkinImage, EachScaleTakesTheNearestSetAboveAndASkinWithoutItIsStretched) {
    // A skin from files: "both" brings 1x and 2x pictures, "only" brings 1x alone; the built-in
    // test pictures have a 1x set only.
    const std::string folder = scratchFolder("scales");
    CreateDirectoryA((folder + "200").c_str(), nullptr);
    const COLORREF ONE = RGB(0x20, 0x50, 0xA0), TWO = RGB(0xC0, 0x30, 0x30);
    writeFile(folder + "both.bmp", solidBitmap(40, 30, ONE));
    writeFile(folder + "200\\both.bmp", solidBitmap(80, 60, TWO));
    writeFile(folder + "only.bmp", solidBitmap(40, 30, ONE));
    writeFile(folder + "200\\stray.bmp", solidBitmap(80, 60, TWO));  // no 1x picture: not a skin file
    struct Case { std::string path; int dpi; long width, height; COLORREF pixel; };
    const Case cases[] = {
        {folder + "both.bmp", 96, 40, 30, ONE},
        {folder + "both.bmp", 192, 80, 60, TWO},
        {folder + "both.bmp", 144, 60, 45, TWO},   // shrunk from the 2x set
        {folder + "both.bmp", 120, 50, 38, TWO},
        {folder + "both.bmp", 288, 120, 90, TWO},  // grown from the largest set
        {folder + "only.bmp", 192, 80, 60, ONE},   // stretched from 1x, never refused
        {folder + "only.bmp", 120, 50, 38, ONE},
        {"STATE_DOWN", 192, 400, 240, RGB(0xA0, 0x20, 0x50)},  // built in, 1x only
        {"STATE_DOWN", 96, 200, 120, RGB(0xA0, 0x20, 0x50)},
    };
    for (const auto& c : cases) {
        ScaleFor scale(c.dpi);
        GdiBitmap bitmap;
        SIZE size{};
        ASSERT_TRUE(LoadSkinImage(c.path, bitmap, size)) << c.path << " at " << c.dpi;
        EXPECT_EQ(size.cx, c.width) << c.path << " at " << c.dpi;
        EXPECT_EQ(size.cy, c.height) << c.path << " at " << c.dpi;
        EXPECT_EQ(bitmapPixel(bitmap, size.cx / 2, size.cy / 2), c.pixel) << c.path << " at " << c.dpi;
    }
    ScaleFor scale(192);
    GdiBitmap stray;
    SIZE size{};
    EXPECT_FALSE(LoadSkinImage(folder + "stray.bmp", stray, size)) << "a set folder alone is no picture";
    // A mask resized to a scale between sets keeps exactly its two colours.
    SetSkinDpi(120);
    GdiBitmap mask;
    ASSERT_TRUE(LoadSkinImage("MASK", mask, size, false));
    ASSERT_EQ(size.cx, 50);
    for (DWORD p : bitmapRows(mask, size.cx, size.cy)) EXPECT_TRUE(p == 0 || p == 0xFFFFFF) << std::hex << p;
}

// ---- Skinned controls in a real window --------------------------------------------------------

const int MENU_ITEM = 18;  // height of a popup menu item at the default menu font
const std::string SKIN = "C:\\window-tests\\Skin.ini";
const COLORREF NORMAL = RGB(0x20, 0x50, 0xA0), OVER = RGB(0x20, 0xA0, 0x50), DOWN = RGB(0xA0, 0x20, 0x50),
               DISABLED = RGB(0x80, 0x80, 0x80);

// A skinned screen as the later windows build theirs: the store, its four pictures, a list.
class TestScreen : public Window, public SkinButtonOwner {
public:
    CSkinStore store;
    std::unique_ptr<CSkinList> list;
    std::vector<int> clicks;
    int paints = 0;
    bool resetOnQuiet = false;

    bool Build() {
        if (!LoadSkinDescription(SKIN)) return false;
        SIZE size{};
        const std::string pictures[4] = {"state_normal.gif", "state_over.gif", "state_down.gif", "state_disabled.gif"};
        store.LoadPictures(GetSkinFolder(SKIN), pictures, size);
        if (!Create("ZentharTestScreen", WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE, "", RECT{60, 60, 260, 280}, nullptr))
            return false;
        store.LoadButtons(hwnd(), SKIN, "TESTSCREEN_BUTTONINFO");
        store.LoadLabels(hwnd(), SKIN, "TESTSCREEN_TEXTINFO");
        store.LoadEdits(hwnd(), SKIN, "TESTSCREEN_EDITBOXINFO");
        list = CreateSkinList(hwnd(), SKIN, "TESTSCREEN_LISTINFO");
        SetForegroundWindow(hwnd());
        UpdateWindow(hwnd());
        PumpFor(200);
        return true;
    }
    void ButtonClicked(int index) override {
        clicks.push_back(index);
        const std::string name = store.ButtonName(index);
        if (name == "BUTTON_FLIP") store.SetButtonCheck(name, !store.GetButtonCheck(name));
        if (name == "BUTTON_QUIET" && resetOnQuiet) store.Reset();
    }

protected:
    void OnPaint() override {
        ++paints;
        PaintDC paint(hwnd());
        DrawSkinImage(paint.get(), store.normalImage, ClientRect(), true);
        for (auto& b : store.buttons) b->Invalidate(true);
        for (auto& l : store.labels) l->Invalidate(true);
        if (list) list->Invalidate(true);
    }
};

class SkinControls : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(screen.Build()); }
    HWND button(const char* name) { return screen.store.FindButton(name)->hwnd(); }
    COLORREF buttonPixel(const char* name) {
        PumpFor(100);
        return PixelAt(button(name), 20, 15);
    }
    std::string at(const char* name, int x = 20, int y = 15) { return ScreenXY(button(name), x, y); }
    std::string outside() { return ScreenXY(screen.hwnd(), 195, 5); }
    ComInit com;
    TestScreen screen;
};

TEST_F(SkinControls, StoreHoldsTheSkinElements) {
    ASSERT_EQ(screen.store.buttons.size(), 4u);
    EXPECT_EQ(screen.store.buttons[2]->name, "BUTTON_FLIP");
    EXPECT_EQ(screen.store.buttons[2]->index, 2);
    EXPECT_TRUE(screen.store.buttons[2]->toggle) << "\"True\" is a true flag";
    ASSERT_EQ(screen.store.labels.size(), 2u);
    EXPECT_EQ(screen.store.labels[1]->Text(), "Start");
    EXPECT_EQ(screen.store.labels[0]->colour, RGB(255, 0, 0));
    EXPECT_EQ(screen.store.GetEditText("EDIT_PERIOD"), "8");
    ASSERT_TRUE(screen.list);
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(screen.list->hwnd())), 2);
    // Unknown names do nothing and read as 0 or "".
    screen.store.SetButtonCheck("BUTTON_NONE", 1);
    screen.store.SetLabelText("TEXT_NONE", "x");
    EXPECT_EQ(screen.store.GetButtonCheck("BUTTON_NONE"), 0);
    EXPECT_EQ(screen.store.GetEditText("button_push"), "") << "names compare case-sensitively";
    EXPECT_EQ(screen.store.ButtonName(4), "");
    screen.store.SetEditText("EDIT_PERIOD", "15");
    EXPECT_EQ(screen.store.GetEditText("EDIT_PERIOD"), "15");
    screen.store.HideButton("BUTTON_QUIET", true);
    EXPECT_FALSE(IsWindowVisible(button("BUTTON_QUIET")));
    screen.store.EnableAllButtons(false);
    EXPECT_FALSE(IsWindowEnabled(button("BUTTON_PUSH")));
}

TEST_F(SkinControls, PushButtonPictureTable) {
    EXPECT_EQ(buttonPixel("BUTTON_PUSH"), NORMAL);
    ASSERT_TRUE(Xdo("mousemove " + at("BUTTON_PUSH")));
    EXPECT_EQ(buttonPixel("BUTTON_PUSH"), OVER) << "hot";
    ASSERT_TRUE(Xdo("mousedown 1"));
    EXPECT_EQ(buttonPixel("BUTTON_PUSH"), DOWN) << "pressed";
    ASSERT_TRUE(Xdo("mousemove " + outside() + " mouseup 1"));
    EXPECT_EQ(buttonPixel("BUTTON_PUSH"), NORMAL) << "left";
    EXPECT_TRUE(screen.clicks.empty()) << "a release outside is no click";

    screen.store.SetButtonCheck("BUTTON_PUSH", 1);
    EXPECT_EQ(buttonPixel("BUTTON_PUSH"), DOWN) << "checked, not hot";
    ASSERT_TRUE(Xdo("mousemove " + at("BUTTON_PUSH")));
    EXPECT_EQ(buttonPixel("BUTTON_PUSH"), OVER) << "checked and hot";
    ASSERT_TRUE(Xdo("mousemove " + outside()));
    screen.store.SetButtonCheck("BUTTON_PUSH", 0);
    screen.store.EnableButton("BUTTON_PUSH", false);
    EXPECT_EQ(buttonPixel("BUTTON_PUSH"), DISABLED);
}

TEST_F(SkinControls, ClickIsDecidedOnReleaseInside) {
    ASSERT_TRUE(Xdo("mousemove " + at("BUTTON_PUSH") + " click 1"));
    ASSERT_EQ(screen.clicks, std::vector<int>{0});
    // Pressed outside, moved in with the button held: no highlight.
    ASSERT_TRUE(Xdo("mousemove " + outside() + " mousedown 1 mousemove " + at("BUTTON_QUIET") +
                    " mousemove " + at("BUTTON_QUIET", 12, 12)));
    EXPECT_FALSE(screen.store.FindButton("BUTTON_QUIET")->hot);
    EXPECT_EQ(PixelAt(button("BUTTON_QUIET"), 10, 10), NORMAL);
    // Only the release decides: a release inside counts even when the press began elsewhere.
    ASSERT_TRUE(Xdo("mouseup 1"));
    EXPECT_EQ(screen.clicks, (std::vector<int>{0, 3}));
}

TEST_F(SkinControls, TogglesChangeOnlyWhenTheOwnerFlipsThem) {
    ASSERT_TRUE(Xdo("mousemove " + at("BUTTON_TOGGLE") + " click 1 mousemove " + outside()));
    EXPECT_EQ(screen.clicks, std::vector<int>{1});
    EXPECT_EQ(screen.store.GetButtonCheck("BUTTON_TOGGLE"), 0);
    EXPECT_EQ(buttonPixel("BUTTON_TOGGLE"), NORMAL);
    ASSERT_TRUE(Xdo("mousemove " + at("BUTTON_FLIP") + " click 1"));
    EXPECT_EQ(screen.store.GetButtonCheck("BUTTON_FLIP"), 1);
    EXPECT_EQ(buttonPixel("BUTTON_FLIP"), DOWN) << "a checked toggle shows its pressed picture, hot or not";
}

TEST_F(SkinControls, ClickThatResetsTheStoreDestroysTheButtonSafely) {
    screen.resetOnQuiet = true;
    ASSERT_TRUE(Xdo("mousemove " + at("BUTTON_QUIET", 10, 10) + " click 1"));
    EXPECT_EQ(screen.clicks, std::vector<int>{3});
    EXPECT_TRUE(screen.store.buttons.empty());
}

int textPixels(HWND label, int fromRow, int toRow) {
    RECT r;
    GetClientRect(label, &r);
    int count = 0;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < r.right; ++x) {
            const COLORREF c = PixelAt(label, x, y);
            count += GetRValue(c) > 150 && GetGValue(c) < 100;
        }
    return count;
}

TEST_F(SkinControls, LabelDrawsLineBreaksOnNewLines) {
    HWND label = screen.store.FindLabel("TEXT_LINES")->hwnd();
    struct Case { const char* text; bool secondLine; };
    for (const Case& c : {Case{"Ab\nCd", true}, Case{"AbCd", false}}) {
        screen.store.SetLabelText("TEXT_LINES", c.text);
        PumpFor(150);
        EXPECT_GT(textPixels(label, 0, 14), 0) << c.text;
        EXPECT_EQ(textPixels(label, 17, 40) > 0, c.secondLine) << c.text;
    }
}

TEST_F(SkinControls, UpdatedLabelRepaintsOnlyWhenItsTextChanges) {
    HWND label = screen.store.FindLabel("TEXT_LINES")->hwnd();
    struct Case { const char* text; bool repaint; };
    // The first differs from what the label shows, the second repeats it, the third differs.
    for (const Case& c : {Case{"Scanning", true}, Case{"Scanning", false}, Case{"Done", true}}) {
        PumpFor(100);
        ASSERT_FALSE(GetUpdateRect(label, nullptr, FALSE)) << "painted before " << c.text;
        EXPECT_EQ(screen.store.UpdateLabelText("TEXT_LINES", c.text), c.repaint) << c.text;
        EXPECT_EQ(GetUpdateRect(label, nullptr, FALSE) != FALSE, c.repaint) << c.text;
        EXPECT_EQ(screen.store.FindLabel("TEXT_LINES")->Text(), c.text);
    }
    EXPECT_FALSE(screen.store.UpdateLabelText("TEXT_NONE", "x")) << "an unknown name";
    // SetLabelText still repaints an unchanged text.
    PumpFor(100);
    screen.store.SetLabelText("TEXT_LINES", "Done");
    EXPECT_TRUE(GetUpdateRect(label, nullptr, FALSE));
}

TEST_F(SkinControls, ContextMenuSelectsAndDeselectsAll) {
    CSkinList& list = *screen.list;
    for (int i = 0; i < 3; ++i) list.AddItem("row " + std::to_string(i), i == 1);
    const std::string where = ScreenXY(list.hwnd(), 60, 40);
    POINT p{60, 40};
    ClientToScreen(list.hwnd(), &p);
    auto item = [&](int n) { return std::to_string(p.x + 25) + " " + std::to_string(p.y + 10 + n * MENU_ITEM); };
    ASSERT_TRUE(Xdo("mousemove " + where + " click 3 sleep 0.4 mousemove " + item(0) + " click 1"));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(list.IsChecked(i)) << "Select All, row " << i;
    ASSERT_TRUE(Xdo("mousemove " + where + " click 3 sleep 0.4 mousemove " + item(1) + " click 1"));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(list.IsChecked(i)) << "Deselect All, row " << i;
    ListView_DeleteAllItems(list.hwnd());
    ASSERT_TRUE(Xdo("mousemove " + where + " click 3 sleep 0.4 mousemove " + item(0) + " click 1"));
    EXPECT_EQ(list.ItemCount(), 0) << "Select All on an empty list";
    EXPECT_TRUE(IsWindow(list.hwnd()));
}

// What a move to a display of another scale does to a screen already built: every element at its
// rectangle times the factor, fonts and columns alike, pictures cut anew, and nothing it shows lost.
TEST_F(SkinControls, RescaleMovesEveryElementAndKeepsWhatItShows) {
    auto placed = [&](HWND child) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, screen.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return std::vector<long>{r.left, r.top, r.right, r.bottom};
    };
    auto fontHeight = [](HFONT font) {
        LOGFONTA lf{};
        GetObjectA(font, sizeof lf, &lf);
        return lf.lfHeight;
    };
    screen.store.SetLabelText("TEXT_ONE", "Kept");
    screen.store.SetButtonCheck("BUTTON_FLIP", 1);
    screen.store.EnableButton("BUTTON_QUIET", false);
    struct Case { int dpi; int factorTimes4; };
    for (const Case c : {Case{192, 8}, Case{144, 6}, Case{96, 4}}) {
        SCOPED_TRACE(c.dpi);
        ScaleFor scale(c.dpi);
        MoveWindow(screen.hwnd(), 20, 20, 200 * c.factorTimes4 / 4, 220 * c.factorTimes4 / 4, TRUE);
        screen.store.Rescale();
        screen.list->Rescale();
        // Corner and size each times the factor, halves rounded up.
        auto times = [&](long x, long y, long w, long h) {
            auto f = [&](long n) { return (n * c.factorTimes4 * 2 + 4) / 8; };
            return std::vector<long>{f(x), f(y), f(x) + f(w), f(y) + f(h)};
        };
        EXPECT_EQ(placed(button("BUTTON_PUSH")), times(10, 10, 40, 30));
        EXPECT_EQ(placed(button("BUTTON_QUIET")), times(160, 10, 30, 30));
        EXPECT_EQ(placed(screen.store.FindLabel("TEXT_ONE")->hwnd()), times(110, 50, 80, 40));
        EXPECT_EQ(fontHeight(screen.store.FindLabel("TEXT_ONE")->font.get()), -12 * c.factorTimes4 / 4);
        EXPECT_EQ(placed(screen.store.FindEdit("EDIT_PERIOD")->hwnd()), times(10, 95, 60, 20));
        EXPECT_EQ(placed(screen.list->hwnd()), times(10, 120, 180, 90));
        EXPECT_EQ(ListView_GetColumnWidth(screen.list->hwnd(), 1), 120 * c.factorTimes4 / 4);
        // The pictures are the skin's at the new size, cut at the new rectangles.
        EXPECT_EQ(BitmapSize(screen.store.normalImage.get()).cx, 200 * c.factorTimes4 / 4);
        EXPECT_EQ(BitmapSize(screen.store.FindButton("BUTTON_PUSH")->normalImage.get()).cx, 40 * c.factorTimes4 / 4);
        EXPECT_EQ(buttonPixel("BUTTON_PUSH"), NORMAL);
        EXPECT_EQ(screen.store.FindLabel("TEXT_ONE")->Text(), "Kept");
        EXPECT_EQ(screen.store.GetButtonCheck("BUTTON_FLIP"), 1);
        EXPECT_FALSE(IsWindowEnabled(button("BUTTON_QUIET")));
        EXPECT_EQ(screen.store.GetEditText("EDIT_PERIOD"), "8");
    }
}

TEST_F(SkinControls, RepaintsLeaveNoLiveObjectsBehind) {
    struct Counts {
        long bitmaps, fonts, memoryDcs, windowDcs, paintDcs, selections;
        bool operator==(const Counts& o) const {
            return bitmaps == o.bitmaps && fonts == o.fonts && memoryDcs == o.memoryDcs &&
                   windowDcs == o.windowDcs && paintDcs == o.paintDcs && selections == o.selections;
        }
    };
    auto now = [] {
        return Counts{GdiBitmap::live(), GdiFont::live(), MemoryDC::live(), WindowDC::live(), PaintDC::live(),
                      SelectGuard::live()};
    };
    screen.store.SetLabelText("TEXT_LINES", "Ab\nCd");
    PumpFor(100);
    const Counts before = now();
    const int paintsBefore = screen.paints;
    for (int i = 0; i < 1000; ++i) {
        RedrawWindow(screen.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    PumpFor(100);
    EXPECT_GE(screen.paints - paintsBefore, 1000);
    EXPECT_TRUE(now() == before) << "bitmaps " << now().bitmaps << " vs " << before.bitmaps << ", memory DCs "
                                 << now().memoryDcs << " vs " << before.memoryDcs;
    EXPECT_GT(before.bitmaps, 0);
    EXPECT_EQ(before.memoryDcs, 0);
    EXPECT_EQ(before.selections, 0);
}

}  // namespace
