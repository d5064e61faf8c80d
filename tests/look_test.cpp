// Checks the built-in look: the skin description and every picture it names, the mask, the
// animation, icons, menus, strings and dialog templates, all read from this program's resources.
#include <gtest/gtest.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "support/TestSupport.h"
#include "xml/XmlReader.h"

namespace {

// The resource as the system chooses it, or the one of `language` when one is given.
std::string resourceBytes(LPCSTR name, LPCSTR type, LANGID language = 0xFFFF) {
  HRSRC info = language == 0xFFFF ? FindResourceA(nullptr, name, type) : FindResourceExA(nullptr, type, name, language);
  if (!info) return {};
  HGLOBAL loaded = LoadResource(nullptr, info);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return std::string(static_cast<const char*>(data), SizeofResource(nullptr, info));
}

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  int right() const { return x + w; }
  int bottom() const { return y + h; }
};

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
    fields.push_back(line.substr(start, comma - start));
  fields.push_back(line.substr(start));
  return fields;
}

Rect rectAt(const std::vector<std::string>& f, size_t i) {
  return {atoi(f[i].c_str()), atoi(f[i + 1].c_str()), atoi(f[i + 2].c_str()), atoi(f[i + 3].c_str())};
}

// The description written to a file and read through the profile functions, as the program does.
class SkinFile {
 public:
  SkinFile() {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    path_ = std::string(dir) + "look_test_skin.ini";
    text_ = resourceBytes("SKININI", "INI");
    HANDLE f = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, text_.data(), static_cast<DWORD>(text_.size()), &written, nullptr);
    CloseHandle(f);
  }
  ~SkinFile() { DeleteFileA(path_.c_str()); }
  const std::string& text() const { return text_; }

  std::vector<std::string> keys(const std::string& section) const {
    std::vector<char> buf(16384);
    DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buf.data(),
                                       static_cast<DWORD>(buf.size()), path_.c_str());
    std::vector<std::string> out;
    for (DWORD i = 0; i < n; i += static_cast<DWORD>(out.back().size()) + 1) out.emplace_back(&buf[i]);
    return out;
  }
  std::string get(const std::string& section, const std::string& key) const {
    char buf[2048];
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buf, sizeof buf, path_.c_str());
    return buf;
  }
  // The numbered-section rule: keys 1..N where N is the number of keys; empty values skipped.
  std::vector<std::vector<std::string>> lines(const std::string& section) const {
    std::vector<std::vector<std::string>> out;
    size_t n = keys(section).size();
    for (size_t i = 1; i <= n; ++i) {
      std::string v = get(section, std::to_string(i));
      if (!v.empty()) out.push_back(split(v));
    }
    return out;
  }
  std::vector<std::string> names(const std::string& section) const {
    std::vector<std::string> out;
    for (auto& f : lines(section)) out.push_back(f[0]);
    return out;
  }

 private:
  std::string path_, text_;
};

// A picture decoded by the platform's picture loader, with its pixels as 0x00RRGGBB.
struct Picture {
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x] & 0xFFFFFF; }
};

bool decode(const std::string& bytes, Picture& out) {
  if (bytes.empty()) return false;
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  memcpy(GlobalLock(mem), bytes.data(), bytes.size());
  GlobalUnlock(mem);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(mem, TRUE, &stream))) return false;
  IPicture* picture = nullptr;
  HRESULT hr = OleLoadPicture(stream, static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture));
  stream->Release();
  if (FAILED(hr)) return false;
  OLE_HANDLE handle = 0;
  BITMAP bm{};
  bool ok = SUCCEEDED(picture->get_Handle(&handle)) &&
            GetObjectA(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof bm, &bm);
  if (ok) {
    out.w = bm.bmWidth;
    out.h = bm.bmHeight;
    out.px.assign(static_cast<size_t>(out.w) * out.h, 0);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), out.w, -out.h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = CreateCompatibleDC(nullptr);
    ok = GetDIBits(dc, reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), 0, out.h,
                   out.px.data(), &bi, DIB_RGB_COLORS) == out.h;
    DeleteDC(dc);
  }
  picture->Release();
  return ok;
}

// The resource name a picture file name resolves to: its base name in upper case.
std::string resourceNameOf(std::string file) {
  file = file.substr(file.find_last_of('\\') + 1);
  file = file.substr(0, file.find_last_of('.'));
  std::transform(file.begin(), file.end(), file.begin(), [](char c) { return static_cast<char>(toupper(c)); });
  return file;
}

struct Screen {
  std::string name;
  std::vector<std::string> images;  // normal, hover, pressed, disabled
  Rect rect;
};

// The main window and every sub-screen and progress screen, as the description places them.
std::vector<Screen> screens(const SkinFile& skin) {
  std::vector<Screen> out;
  Screen main{"MAINSCREEN", {}, {0, 0, 751, 514}};
  for (const char* key : {"Main", "Over", "Down", "Disabled"}) main.images.push_back(skin.get("MAINSCREENINFO", key));
  out.push_back(main);
  for (const char* section : {"SUBMAINSCREENINFO", "SCREENERRORSCANINFO", "SCREENSCANCOMPLETEINFO",
                              "SCREENERRORFIXINGINFO", "SCREENFIXCOMPLETEINFO"}) {
    for (auto& f : skin.lines(section)) {
      if (f.size() != 9) continue;
      out.push_back({f[0], {f[1], f[2], f[3], f[4]}, rectAt(f, 5)});
    }
  }
  return out;
}

std::string buttonSection(const Screen& s) {
  return s.name == "MAINSCREEN" ? "MAINSCREENBUTTONINFO" : s.name + "_BUTTONINFO";
}

class LookTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { OleInitialize(nullptr); }
  static void TearDownTestSuite() { OleUninitialize(); }

  const Picture& picture(const std::string& file) {
    auto it = cache_.find(file);
    if (it == cache_.end()) {
      Picture p;
      decode(resourceBytes(resourceNameOf(file).c_str(), "GIF"), p);
      it = cache_.emplace(file, std::move(p)).first;
    }
    return it->second;
  }

  SkinFile skin_;
  std::map<std::string, Picture> cache_;
};

TEST_F(LookTest, DescriptionHoldsEverySectionAndName) {
  ASSERT_FALSE(skin_.text().empty()) << "no SKININI resource of type INI";
  const std::map<std::string, std::vector<std::string>> expected = {
      {"MAINSCREENBUTTONINFO", {"BUTTON_EXIT", "BUTTON_MINIMIZE", "BUTTON_MAIN", "BUTTON_AUTOSCAN", "BUTTON_ABOUT",
                                "BUTTON_SUPPORT", "BUTTON_SCAN", "BUTTON_REMOVE", "BUTTON_IGNORED",
                                "BUTTON_ADVSETTINGS", "BUTTON_RESTORE", "BUTTON_HISTORY"}},
      {"SUBMAINSCREENINFO", {"SUBMAIN_MAIN", "SUBMAIN_SCHEDULE", "SUBMAIN_IGNORED", "SUBMAIN_ADVANCED",
                             "SUBMAIN_RESULT", "SUBMAIN_SCHEDULE_DISABLED", "SUBMAIN_ABOUT", "SUBMAIN_HISTORY"}},
      {"SUBMAIN_HISTORY_BUTTONINFO", {"BUTTON_HISTORY_RESTORE"}},
      {"SUBMAIN_HISTORY_TEXTINFO", {"TEXT_HISTORY_NOTE"}},
      {"SUBMAIN_MAIN_BUTTONINFO", {"BUTTON_ALL", "BUTTON_COM", "BUTTON_COM_SUBS", "BUTTON_DRV", "BUTTON_HELP",
                                   "BUTTON_APPPATH", "BUTTON_SHARED_TOOLS", "BUTTON_FONTS", "BUTTON_STARTUP",
                                   "BUTTON_UNINSTALL", "BUTTON_FILETYPES", "BUTTON_SHORTCUTS", "BUTTON_SCAN",
                                   "BUTTON_DEPTH_SAFE", "BUTTON_DEPTH_NORMAL", "BUTTON_DEPTH_DEEP"}},
      {"SUBMAIN_MAIN_TEXTINFO", {"PROGRESS_TEXT_REGISTRY", "PROGRESS_TEXT_MSDOS", "TEXT_ERRORSCAN_CURRENTITEM",
                                 "TEXT_ERRORSCAN_ERRORFOUND", "PROGRESS_TEXT_COM", "PROGRESS_COUNT_COM",
                                 "PROGRESS_TEXT_COM_SUBS", "PROGRESS_COUNT_COM_SUBS", "PROGRESS_TEXT_DRV",
                                 "PROGRESS_COUNT_DRV", "PROGRESS_TEXT_HELP", "PROGRESS_COUNT_HELP",
                                 "PROGRESS_TEXT_APPPATH", "PROGRESS_COUNT_APPPATH", "PROGRESS_TEXT_SHARED_TOOLS",
                                 "PROGRESS_COUNT_SHARED_TOOLS", "PROGRESS_TEXT_FONTS", "PROGRESS_COUNT_FONTS",
                                 "PROGRESS_TEXT_STARTUP", "PROGRESS_COUNT_STARTUP", "PROGRESS_TEXT_UNINSTALL",
                                 "PROGRESS_COUNT_UNINSTALL", "PROGRESS_TEXT_FILETYPES", "PROGRESS_COUNT_FILETYPES",
                                 "PROGRESS_TEXT_SHORTCUTS", "PROGRESS_COUNT_SHORTCUTS", "TEXT_DEPTH_CAPTION"}},
      {"SUBMAIN_SCHEDULE_BUTTONINFO", {"BUTTON_START_EVERY", "BUTTON_START_AFTER_EVERY",
                                       "BUTTON_START_AFTER_EVERY_MONTH", "BUTTON_START_AFTER_EVERY_WEEK",
                                       "BUTTON_START_AFTER_EVERY_DAY", "BUTTON_AUTOSCAN_ENABLE",
                                       "BUTTON_ADDSCHEDULE", "BUTTON_DELETESCHEDULE"}},
      {"SUBMAIN_SCHEDULE_DISABLED_BUTTONINFO", {"BUTTON_START_EVERY", "BUTTON_START_AFTER_EVERY",
                                                "BUTTON_START_AFTER_EVERY_MONTH", "BUTTON_START_AFTER_EVERY_WEEK",
                                                "BUTTON_START_AFTER_EVERY_DAY", "BUTTON_AUTOSCAN_ENABLE",
                                                "BUTTON_ADDSCHEDULE", "BUTTON_DELETESCHEDULE"}},
      {"SUBMAIN_SCHEDULE_EDITBOXINFO", {"EDIT_SCAN_PERIOD"}},
      {"SUBMAIN_IGNORED_BUTTONINFO", {"BUTTON_IGNORED_DELETE", "BUTTON_IGNORED_SEL_ALL"}},
      {"SUBMAIN_ADVANCED_BUTTONINFO", {"BUTTON_STARTUP", "BUTTON_AUTOSCAN", "BUTTON_BACKUP", "BUTTON_RESTORE"}},
      {"SUBMAIN_ADVANCED_TEXTINFO", {"EDIT_BAKUP_COUNT"}},
      {"SUBMAIN_ADVANCED_EDITBOXINFO", {"EDIT_SCAN_EVERY"}},
      {"SUBMAIN_ABOUT_BUTTONINFO", {"BUTTON_ABOUTEXIT"}},
      {"SUBMAIN_LIVEUPDATE_BUTTONINFO", {"BUTTON_RUNUPDATE"}},
      {"SUBMAIN_SUPPORT_BUTTONINFO", {"BUTTON_SUPPORT"}},
      {"SCREENERRORSCANINFO", {"SCREENERRORSCAN"}},
      {"SCREENERRORSCAN_BUTTONINFO", {"BUTTON_STOPSCAN"}},
      {"SCREENERRORSCAN_TEXTINFO", {"TEXT_ERRORSCAN_CURRENTITEM"}},
      {"SCREENSCANCOMPLETEINFO", {"SCREENSCANCOMPLETE"}},
      {"SCREENSCANCOMPLETE_BUTTONINFO", {"BUTTON_FIXERROR", "BUTTON_CANCEL"}},
      {"SCREENSCANCOMPLETE_TEXTINFO", {"TEXT_SCANCOMPLETE_STATUS", "TEXT_SCANCOMPLETE_ITEMSCANNED",
                                       "TEXT_SCANCOMPLETE_ERRORFOUND", "TEXT_SCREENSCANCOMPLETE_TITLE"}},
      {"SCREENERRORFIXINGINFO", {"SCREENERRORFIXING"}},
      {"SCREENERRORFIXING_TEXTINFO", {"TEXT_ERRORFIXING_CURRENTITEM", "TEXT_ERRORFIXING_STATUS",
                                      "TEXT_ERRORFIXING_ITEMSCANNED", "TEXT_ERRORFIXING_ERRORFOUND",
                                      "TEXT_ERRORFIXING_FIXED"}},
      {"SCREENFIXCOMPLETEINFO", {"SCREENFIXCOMPLETE"}},
      {"SCREENFIXCOMPLETE_BUTTONINFO", {"BUTTON_OK"}},
      {"SCREENFIXCOMPLETE_TEXTINFO", {"TEXT_FIXCOMPLETE_STATUS", "TEXT_FIXCOMPLETE_ITEMSCANNED",
                                      "TEXT_FIXCOMPLETE_ERRORFOUND", "TEXT_FIXCOMPLETE_FIXED"}},
  };
  for (auto& [section, names] : expected) {
    auto have = skin_.names(section);
    std::multiset<std::string> got(have.begin(), have.end()), want(names.begin(), names.end());
    EXPECT_EQ(got, want) << section;
  }
  EXPECT_EQ(skin_.keys("MAINSCREENINFO"), (std::vector<std::string>{"Main", "Mask", "Over", "Down", "Disabled"}));
  EXPECT_EQ(resourceNameOf(skin_.get("MAINSCREENINFO", "Mask")), "MASK");
  EXPECT_TRUE(skin_.keys("TEXTINFO").empty()) << "the main window has no labels of its own";
  EXPECT_EQ(skin_.get("MAINSCREENANIMATION", "DIMENSION"), "107,81,117,169");
  EXPECT_FALSE(skin_.get("SCANSCREENANIMATION", "DIMENSION").empty());
  EXPECT_NE(skin_.text().find("[SCREENERRORFIXING_BUTTONINFO]"), std::string::npos);
}

TEST_F(LookTest, ScreensSitWhereTheWindowsExpectThem) {
  const std::map<std::string, std::vector<int>> where = {
      {"SUBMAIN_MAIN", {250, 115, 349, 219}}, {"SUBMAIN_SCHEDULE", {250, 115, 349, 219}},
      {"SUBMAIN_IGNORED", {250, 115, 349, 219}}, {"SUBMAIN_ADVANCED", {250, 115, 349, 219}},
      // The result page takes the whole content area.
      {"SUBMAIN_RESULT", {100, 74, 638, 426}}, {"SUBMAIN_SCHEDULE_DISABLED", {250, 115, 349, 219}},
      {"SUBMAIN_ABOUT", {250, 115, 349, 219}}, {"SUBMAIN_HISTORY", {250, 115, 349, 219}},
      {"SCREENERRORSCAN", {217, 310, 349, 136}},
      {"SCREENSCANCOMPLETE", {217, 97, 349, 211}}, {"SCREENERRORFIXING", {217, 97, 349, 211}},
      {"SCREENFIXCOMPLETE", {217, 97, 349, 211}}};
  auto all = screens(skin_);
  ASSERT_EQ(all.size(), where.size() + 1);
  for (auto& s : all) {
    if (s.name == "MAINSCREEN") continue;
    auto it = where.find(s.name);
    ASSERT_NE(it, where.end()) << s.name;
    EXPECT_EQ((std::vector<int>{s.rect.x, s.rect.y, s.rect.w, s.rect.h}), it->second) << s.name;
  }
  auto about = skin_.lines("SUBMAIN_ABOUT_BUTTONINFO");
  ASSERT_EQ(about.size(), 1u);
  Rect r = rectAt(about[0], 1);
  EXPECT_TRUE(r.x == 0 && r.y == 0 && r.w == 349 && r.h == 219) << "BUTTON_ABOUTEXIT covers the sub-screen";
}

TEST_F(LookTest, EveryLineHasItsFormat) {
  for (auto& s : screens(skin_)) {
    for (auto& f : skin_.lines(buttonSection(s))) {
      ASSERT_EQ(f.size(), 6u) << s.name << " " << f[0];
      EXPECT_TRUE(f[5] == "TRUE" || f[5] == "FALSE") << f[0];
    }
    for (const char* suffix : {"_TEXTINFO", "_EDITBOXINFO"})
      for (auto& f : skin_.lines(s.name + suffix)) {
        ASSERT_EQ(f.size(), 11u) << s.name << " " << f[0];
        EXPECT_LT(atoi(f[4].c_str()), 0) << f[0] << ": heights are pixel heights";
      }
    for (auto& f : skin_.lines(s.name + "_LISTINFO")) {
      ASSERT_GE(f.size(), 5u);
      size_t columns = atoi(f[4].c_str());
      EXPECT_EQ(f.size(), 5 + 2 * columns) << s.name;
    }
  }
  size_t start = 0, longest = 0;
  for (size_t end; (end = skin_.text().find('\n', start)) != std::string::npos; start = end + 1)
    longest = std::max(longest, end - start);
  EXPECT_LE(longest, 256u) << "the reader cuts value lines at 255 characters";
  // Check boxes keep the sizes the screens were drawn for.
  for (auto& [section, size] : std::vector<std::pair<std::string, int>>{
           {"SUBMAIN_MAIN_BUTTONINFO", 9}, {"SUBMAIN_SCHEDULE_BUTTONINFO", 10}, {"SUBMAIN_ADVANCED_BUTTONINFO", 10}})
    for (auto& f : skin_.lines(section)) {
      if (f[5] == "TRUE") {
        EXPECT_TRUE(atoi(f[3].c_str()) == size && atoi(f[4].c_str()) == size) << f[0];
      }
    }
}

TEST_F(LookTest, ListsHaveTheirColumns) {
  auto columns = [&](const std::string& section) {
    std::vector<std::string> out;
    auto lines = skin_.lines(section);
    if (lines.empty()) return out;
    for (size_t i = 5; i + 1 < lines[0].size(); i += 2) out.push_back(lines[0][i] + ":" + lines[0][i + 1]);
    return out;
  };
  auto names = [&](const std::string& section) {
    std::vector<std::string> out;
    for (auto& c : columns(section)) out.push_back(c.substr(0, c.find(':')));
    return out;
  };
  EXPECT_EQ(names("SUBMAIN_IGNORED_LISTINFO"), (std::vector<std::string>{"Delete", "FileName"}));
  EXPECT_EQ(names("SCREENSCANCOMPLETE_LISTINFO"), (std::vector<std::string>{"Type", "Scanned", "Bug(s)"}));
  EXPECT_EQ(names("SCREENFIXCOMPLETE_LISTINFO"), (std::vector<std::string>{"Type", "Scanned", "Bug(s)", "Fixed"}));
  // The columns fit beside a vertical scroll bar inside the list's borders, so that a full list
  // never needs a horizontal one.
  for (const char* section : {"SUBMAIN_IGNORED_LISTINFO", "SCREENSCANCOMPLETE_LISTINFO", "SCREENFIXCOMPLETE_LISTINFO",
                              "SUBMAIN_RESULT_LISTINFO", "SUBMAIN_SCHEDULE_LISTINFO", "SUBMAIN_HISTORY_LISTINFO"}) {
    auto lines = skin_.lines(section);
    ASSERT_FALSE(lines.empty()) << section;
    int sum = 0;
    for (auto& c : columns(section)) sum += atoi(c.substr(c.find(':') + 1).c_str());
    EXPECT_LE(sum + 17 + 4, atoi(lines[0][2].c_str())) << section;
  }
  auto result = columns("SUBMAIN_RESULT_LISTINFO");
  EXPECT_EQ(names("SUBMAIN_RESULT_LISTINFO"), (std::vector<std::string>{"Fix", "Problem", "Missing file", "Registry location", "Level"}));
  EXPECT_EQ(columns("SUBMAIN_SCHEDULE_LISTINFO").size(), 3u);
}

TEST_F(LookTest, EveryPictureIsBuiltInAndCoversItsScreen) {
  for (auto& s : screens(skin_)) {
    ASSERT_EQ(s.images.size(), 4u);
    for (auto& file : s.images) {
      const Picture& p = picture(file);
      ASSERT_FALSE(p.px.empty()) << s.name << ": " << file << " is missing or does not decode";
      EXPECT_GE(p.w, s.rect.w) << file;
      EXPECT_GE(p.h, s.rect.h) << file;
    }
  }
}

TEST_F(LookTest, EveryElementLiesInsideItsScreen) {
  auto inside = [](const Rect& r, const Rect& screen) {
    return r.x >= 0 && r.y >= 0 && r.w > 0 && r.h > 0 && r.right() <= screen.w && r.bottom() <= screen.h;
  };
  for (auto& s : screens(skin_)) {
    for (auto& f : skin_.lines(buttonSection(s))) EXPECT_TRUE(inside(rectAt(f, 1), s.rect)) << s.name << " " << f[0];
    for (const char* suffix : {"_TEXTINFO", "_EDITBOXINFO"})
      for (auto& f : skin_.lines(s.name + suffix)) EXPECT_TRUE(inside(rectAt(f, 6), s.rect)) << s.name << " " << f[0];
    for (auto& f : skin_.lines(s.name + "_LISTINFO")) EXPECT_TRUE(inside(rectAt(f, 0), s.rect)) << s.name << " list";
  }
  EXPECT_TRUE(inside(rectAt(split(skin_.get("MAINSCREENANIMATION", "DIMENSION")), 0), {0, 0, 751, 514}));
  EXPECT_TRUE(inside(rectAt(split(skin_.get("SCANSCREENANIMATION", "DIMENSION")), 0), {0, 0, 349, 136}));
}

TEST_F(LookTest, NoTwoButtonsOfAScreenOverlap) {
  for (auto& s : screens(skin_)) {
    auto lines = skin_.lines(buttonSection(s));
    for (size_t i = 0; i < lines.size(); ++i)
      for (size_t j = i + 1; j < lines.size(); ++j) {
        Rect a = rectAt(lines[i], 1), b = rectAt(lines[j], 1);
        bool apart = a.right() <= b.x || b.right() <= a.x || a.bottom() <= b.y || b.bottom() <= a.y;
        EXPECT_TRUE(apart) << s.name << ": " << lines[i][0] << " overlaps " << lines[j][0];
      }
  }
}

bool samePixels(const Picture& a, const Picture& b, const Rect& r) {
  for (int y = r.y; y < r.bottom(); ++y)
    for (int x = r.x; x < r.right(); ++x)
      if (a.at(x, y) != b.at(x, y)) return false;
  return true;
}

int brightness(uint32_t rgb) { return (rgb & 255) + ((rgb >> 8) & 255) + ((rgb >> 16) & 255); }

TEST_F(LookTest, PushButtonsShowFourDistinctStatesAndBoxesSitOnTheirRectangles) {
  int pushes = 0, toggles = 0;
  for (auto& s : screens(skin_)) {
    std::vector<const Picture*> pics;
    for (auto& file : s.images) pics.push_back(&picture(file));
    for (auto* p : pics) ASSERT_FALSE(p->px.empty()) << s.name;
    for (auto& f : skin_.lines(buttonSection(s))) {
      Rect r = rectAt(f, 1);
      if (f[5] == "FALSE") {
        ++pushes;
        for (int i = 0; i < 4; ++i)
          for (int j = i + 1; j < 4; ++j)
            EXPECT_FALSE(samePixels(*pics[i], *pics[j], r)) << s.name << " " << f[0] << ": states " << i << " and " << j;
        continue;
      }
      ++toggles;
      const Picture& normal = *pics[0];
      EXPECT_FALSE(samePixels(normal, *pics[2], r)) << s.name << " " << f[0] << ": ticked looks unticked";
      // The drawn box's edge is the rectangle's edge: darker just inside than just outside.
      int cx = r.x + r.w / 2, cy = r.y + r.h / 2;
      const std::vector<std::pair<std::pair<int, int>, std::pair<int, int>>> edges = {
          {{cx, r.y}, {cx, r.y - 1}}, {{cx, r.bottom() - 1}, {cx, r.bottom()}},
          {{r.x, cy}, {r.x - 1, cy}}, {{r.right() - 1, cy}, {r.right(), cy}}};
      for (auto& [in, out] : edges)
        EXPECT_GT(brightness(normal.at(out.first, out.second)) - brightness(normal.at(in.first, in.second)), 60)
            << s.name << " " << f[0] << " at " << in.first << "," << in.second;
    }
  }
  EXPECT_GT(pushes, 20);
  EXPECT_GT(toggles, 20);
}

TEST_F(LookTest, MaskIsA24BitBitmapOfTheWindowWithRoundedCorners) {
  std::string bytes = resourceBytes("MASK", "GIF");
  ASSERT_GE(bytes.size(), sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER info;
  memcpy(&file, bytes.data(), sizeof file);
  memcpy(&info, bytes.data() + sizeof file, sizeof info);
  EXPECT_EQ(file.bfType, 0x4D42);
  EXPECT_EQ(info.biWidth, 751);
  EXPECT_EQ(std::abs(info.biHeight), 514);
  EXPECT_EQ(info.biBitCount, 24);
  EXPECT_EQ(info.biCompression, static_cast<DWORD>(BI_RGB));
  Picture mask;
  ASSERT_TRUE(decode(bytes, mask));
  ASSERT_EQ(mask.w, 751);
  ASSERT_EQ(mask.h, 514);
  const uint32_t white = 0xFFFFFF;
  for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {750, 0}, {0, 513}, {750, 513}})
    EXPECT_EQ(mask.at(x, y), white) << "corner " << x << "," << y << " is cut away";
  for (auto [x, y] : std::vector<std::pair<int, int>>{{375, 0}, {0, 257}, {750, 257}, {375, 513}, {375, 257}})
    EXPECT_NE(mask.at(x, y), white) << x << "," << y << " belongs to the window";
}

// The progress dialog's screens are placed in the main window's coordinates: each must lie
// within the window's outline, corners included.
TEST_F(LookTest, EveryScreenLiesInsideTheWindowsOutline) {
  Picture mask;
  ASSERT_TRUE(decode(resourceBytes("MASK", "GIF"), mask));
  for (auto& s : screens(skin_)) {
    if (s.name == "MAINSCREEN") continue;
    const Rect& r = s.rect;
    for (auto [x, y] : std::vector<std::pair<int, int>>{
             {r.x, r.y}, {r.right() - 1, r.y}, {r.x, r.bottom() - 1}, {r.right() - 1, r.bottom() - 1}}) {
      const bool onMask = x >= 0 && y >= 0 && x < mask.w && y < mask.h;
      EXPECT_TRUE(onMask && mask.at(x, y) != 0xFFFFFFu) << s.name << " corner " << x << "," << y;
    }
  }
}

TEST_F(LookTest, AnimationHeaderMatchesItsStrip) {
  std::string bytes = resourceBytes("ANIMATION", "SWF");
  ASSERT_GE(bytes.size(), 20u);
  auto u16 = [&](size_t at) { return static_cast<int>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8); };
  uint32_t length;
  memcpy(&length, bytes.data() + 16, 4);
  EXPECT_EQ(bytes.substr(0, 4), "ZANM");
  int header = u16(4), w = u16(8), h = u16(10), count = u16(12), period = u16(14);
  EXPECT_EQ(header, 20);
  EXPECT_EQ(u16(6), 1);
  EXPECT_EQ(bytes.size(), header + static_cast<size_t>(length));
  EXPECT_GE(count, 12);
  EXPECT_GE(period, 20);
  EXPECT_LE(period * count, 5000) << "a loop, not a slide show";
  EXPECT_TRUE(w == 117 && h == 169) << "frames fill the main window's animation area";
  Picture strip;
  ASSERT_TRUE(decode(bytes.substr(header), strip));
  EXPECT_EQ(strip.w, w * count);
  EXPECT_EQ(strip.h, h);
  auto frame = [&](int i) { return Rect{i * w, 0, w, h}; };
  bool moves = false;
  for (int y = 0; y < h && !moves; ++y)
    for (int x = 0; x < w && !moves; ++x) moves = strip.at(x, y) != strip.at(frame(count / 2).x + x, y);
  EXPECT_TRUE(moves) << "the frames differ";
}

// The larger picture sets: every picture of the description at its scale, its buttons where the
// description's rectangles fall at that scale (the four states differ nowhere else), the mask and
// the animation alike.
TEST_F(LookTest, EachPictureSetDrawsEveryScreenAtItsScale) {
  const struct { const char* pictures; const char* movie; int dpi; } sets[] = {{"GIF150", "SWF150", 144},
                                                                                {"GIF200", "SWF200", 192}};
  auto at = [](int units, int dpi) { return (units * dpi * 2 + 96) / (2 * 96); };  // halves round up
  for (const auto& set : sets) {
    SCOPED_TRACE(set.pictures);
    for (auto& s : screens(skin_)) {
      std::vector<Picture> pics(4);
      for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(decode(resourceBytes(resourceNameOf(s.images[i]).c_str(), set.pictures), pics[i]))
            << s.name << ": " << s.images[i];
        EXPECT_EQ(pics[i].w, at(s.rect.w, set.dpi)) << s.images[i];
        EXPECT_EQ(pics[i].h, at(s.rect.h, set.dpi)) << s.images[i];
      }
      std::vector<char> button(pics[0].px.size(), 0);
      for (auto& f : skin_.lines(buttonSection(s))) {
        const Rect r = rectAt(f, 1);
        const int x0 = at(r.x, set.dpi), y0 = at(r.y, set.dpi);
        for (int y = y0; y < std::min(y0 + at(r.h, set.dpi), pics[0].h); ++y)
          for (int x = x0; x < std::min(x0 + at(r.w, set.dpi), pics[0].w); ++x)
            button[static_cast<size_t>(y) * pics[0].w + x] = 1;
      }
      int outside = 0, inside = 0;
      for (int y = 0; y < pics[0].h; ++y)
        for (int x = 0; x < pics[0].w; ++x)
          for (int i = 1; i < 4; ++i)
            if (pics[i].w == pics[0].w && pics[i].h == pics[0].h && pics[i].at(x, y) != pics[0].at(x, y))
              ++(button[static_cast<size_t>(y) * pics[0].w + x] ? inside : outside);
      EXPECT_EQ(outside, 0) << s.name << ": states differ outside every button";
      if (!skin_.lines(buttonSection(s)).empty() && s.images[0] != s.images[1]) {
        EXPECT_GT(inside, 0) << s.name << ": the states look alike";
      }
    }
    Picture mask;
    ASSERT_TRUE(decode(resourceBytes("MASK", set.pictures), mask));
    ASSERT_EQ(mask.w, at(751, set.dpi));
    ASSERT_EQ(mask.h, at(514, set.dpi));
    const int r = mask.w - 1, b = mask.h - 1;
    for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {r, 0}, {0, b}, {r, b}})
      EXPECT_EQ(mask.at(x, y), 0xFFFFFFu) << "corner " << x << "," << y << " is cut away";
    for (auto [x, y] : std::vector<std::pair<int, int>>{{r / 2, 0}, {0, b / 2}, {r, b / 2}, {r / 2, b}})
      EXPECT_NE(mask.at(x, y), 0xFFFFFFu) << x << "," << y << " belongs to the window";
    const std::string one = resourceBytes("ANIMATION", "SWF"), movie = resourceBytes("ANIMATION", set.movie);
    ASSERT_GE(movie.size(), 20u);
    auto u16 = [](const std::string& m, size_t i) {
      return static_cast<int>(static_cast<uint8_t>(m[i]) | static_cast<uint8_t>(m[i + 1]) << 8);
    };
    EXPECT_EQ(u16(movie, 8), at(u16(one, 8), set.dpi));
    EXPECT_EQ(u16(movie, 10), at(u16(one, 10), set.dpi));
    EXPECT_EQ(u16(movie, 12), u16(one, 12)) << "as many frames";
    EXPECT_EQ(u16(movie, 14), u16(one, 14)) << "at the same pace";
    Picture strip;
    ASSERT_TRUE(decode(movie.substr(20), strip));
    EXPECT_EQ(strip.w, u16(movie, 8) * u16(movie, 12));
  }
}

std::string menuText(HMENU menu, UINT pos) {
  char buf[64] = {};
  GetMenuStringA(menu, pos, buf, sizeof buf, MF_BYPOSITION);
  return buf;
}

TEST_F(LookTest, MenusAndTheAboutString) {
  HMENU tray = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
  ASSERT_TRUE(tray);
  HMENU pop = GetSubMenu(tray, 0);
  ASSERT_EQ(GetMenuItemCount(pop), 3);
  EXPECT_EQ(menuText(pop, 0), "Show");
  EXPECT_EQ(GetMenuItemID(pop, 0), 32771u);
  EXPECT_TRUE(GetMenuState(pop, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(menuText(pop, 2), "Close");
  EXPECT_EQ(GetMenuItemID(pop, 2), 32773u);
  DestroyMenu(tray);

  HMENU list = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_LIST_MENU));
  ASSERT_TRUE(list);
  pop = GetSubMenu(list, 0);
  ASSERT_EQ(GetMenuItemCount(pop), 2);
  EXPECT_EQ(menuText(pop, 0), "Select All");
  EXPECT_EQ(GetMenuItemID(pop, 0), 32780u);
  EXPECT_EQ(menuText(pop, 1), "Deselect All");
  EXPECT_EQ(GetMenuItemID(pop, 1), 32781u);
  DestroyMenu(list);

  char text[64] = {};
  LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, sizeof text);
  EXPECT_STREQ(text, "&About Zenthar...");
}

// A dialog template read back: its frame, caption and items.
struct DialogItem {
  int id;
  std::wstring cls, text;
};
struct Dialog {
  DWORD style = 0;
  int cx = 0, cy = 0;
  std::wstring caption;
  std::vector<DialogItem> items;
};

std::wstring readSzOrOrd(const WORD*& p) {
  if (*p == 0xFFFF) {
    std::wstring ord = L"#" + std::to_wstring(p[1]);
    p += 2;
    return ord;
  }
  std::wstring s(reinterpret_cast<const wchar_t*>(p));
  p += s.size() + 1;
  return s;
}

bool readDialog(int id, Dialog& d, LANGID language = 0xFFFF) {
  std::string bytes = resourceBytes(MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /* RT_DIALOG */, language);
  if (bytes.size() < 26) return false;
  const WORD* p = reinterpret_cast<const WORD*>(bytes.data());
  if (p[0] != 1 || p[1] != 0xFFFF) return false;  // the extended template windres writes for DIALOGEX
  const BYTE* b = reinterpret_cast<const BYTE*>(p);
  memcpy(&d.style, b + 12, 4);
  WORD count = p[8];
  d.cx = static_cast<short>(p[11]);
  d.cy = static_cast<short>(p[12]);
  p += 13;
  readSzOrOrd(p);  // menu
  readSzOrOrd(p);  // class
  d.caption = readSzOrOrd(p);
  if (d.style & DS_SETFONT) {
    p += 3;  // point size, weight, italic + charset
    readSzOrOrd(p);
  }
  for (WORD i = 0; i < count; ++i) {
    p = reinterpret_cast<const WORD*>((reinterpret_cast<UINT_PTR>(p) + 3) & ~UINT_PTR(3));
    DialogItem item;
    DWORD itemId;
    memcpy(&itemId, reinterpret_cast<const BYTE*>(p) + 20, 4);
    item.id = static_cast<int>(itemId);
    p += 12;
    item.cls = readSzOrOrd(p);
    item.text = readSzOrOrd(p);
    p += 1 + *p / 2;  // extra data
    d.items.push_back(item);
  }
  return true;
}

const DialogItem* itemWithId(const Dialog& d, int id) {
  for (auto& i : d.items)
    if (i.id == id) return &i;
  return nullptr;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::set<WORD>*>(found)->insert(language);
  return TRUE;
}

TEST_F(LookTest, AddScheduleDialogComesInEnglishAndKeepsItsGermanTexts) {
  const struct {
    LANGID language;
    const wchar_t* caption;
    const wchar_t* radios[4];  // once, daily, weekly, monthly
    const wchar_t* labels[3];  // start date, start time, frequency
    const wchar_t* cancel;
  } versions[] = {
      {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L"Add schedule", {L"Once", L"Daily", L"Weekly", L"Monthly"},
       {L"Start date", L"Start time", L"Frequency"}, L"Cancel"},
      {MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), L"Zeitplanung hinzuf\u00fcgen",
       {L"Sofort", L"T\u00e4glich", L"W\u00f6chentlich", L"Monatlich"}, {L"Datum starten", L"Zeit starten", L"Frequenz"},
       L"Abbrechen"},
  };
  for (const auto& v : versions) {
    SCOPED_TRACE(v.caption);
    Dialog d;
    ASSERT_TRUE(readDialog(IDD_ADD_SCHEDULE, d, v.language));
    EXPECT_EQ(d.caption, v.caption);
    EXPECT_EQ(d.cx, 274);
    EXPECT_EQ(d.cy, 122);
    for (int i = 0; i < 4; ++i) {
      const DialogItem* item = itemWithId(d, 1003 + i);
      ASSERT_TRUE(item) << 1003 + i;
      EXPECT_EQ(item->text, v.radios[i]) << 1003 + i;
    }
    for (int id : {1001, 1002}) {
      const DialogItem* item = itemWithId(d, id);
      ASSERT_TRUE(item) << id;
      EXPECT_EQ(_wcsicmp(item->cls.c_str(), L"SysDateTimePick32"), 0) << "window classes match without case";
    }
    std::set<std::wstring> texts;
    for (auto& i : d.items) texts.insert(i.text);
    for (const wchar_t* t : v.labels) EXPECT_TRUE(texts.count(t)) << t;
    ASSERT_TRUE(itemWithId(d, IDOK) && itemWithId(d, IDCANCEL));
    EXPECT_EQ(itemWithId(d, IDOK)->text, L"OK");
    EXPECT_EQ(itemWithId(d, IDCANCEL)->text, v.cancel);
  }
  // Exactly these two copies: no third (the German one still marked neutral, say) that the system
  // could pick instead.
  std::set<WORD> languages;
  EnumResourceLanguagesA(nullptr, MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(IDD_ADD_SCHEDULE),
                         &collectLanguage, reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, (std::set<WORD>{0x0407, 0x0409}));
}

TEST_F(LookTest, AboutBoxAndSkinnedTemplate) {
  Dialog about;
  ASSERT_TRUE(readDialog(IDD_ABOUTBOX, about));
  ASSERT_TRUE(itemWithId(about, IDOK));
  ASSERT_TRUE(itemWithId(about, IDC_ABOUT_VERSION));
  EXPECT_EQ(itemWithId(about, IDC_ABOUT_VERSION)->text, L"" ZENTHAR_VERSION_TEXT);
  Dialog skinned;
  ASSERT_TRUE(readDialog(IDD_SKINNED, skinned));
  EXPECT_TRUE(skinned.style & WS_POPUP);
  EXPECT_FALSE(skinned.style & WS_CAPTION) << "the skinned windows have no frame";
  EXPECT_TRUE(skinned.items.empty());
}

TEST_F(LookTest, IconsCarryAlphaAndPaletteImagesAtThreeSizes) {
  for (int id : {IDR_MAINFRAME, IDI_TRAY}) {
    std::string group = resourceBytes(MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_GE(group.size(), 6u) << id;
    int count = static_cast<uint8_t>(group[4]) | static_cast<uint8_t>(group[5]) << 8;
    std::set<std::pair<int, int>> sizesAndDepths;
    for (int i = 0; i < count; ++i) {
      const char* e = group.data() + 6 + 14 * i;
      int size = static_cast<uint8_t>(e[0]);
      int bits = static_cast<uint8_t>(e[6]) | static_cast<uint8_t>(e[7]) << 8;
      sizesAndDepths.insert({size, bits});
      if (bits != 32) continue;
      WORD iconId;
      memcpy(&iconId, e + 12, 2);
      std::string dib = resourceBytes(MAKEINTRESOURCEA(iconId), MAKEINTRESOURCEA(3) /* RT_ICON */);
      ASSERT_GE(dib.size(), 40u + size * size * 4);
      std::set<int> alphas;
      for (int px = 0; px < size * size; ++px) alphas.insert(static_cast<uint8_t>(dib[40 + px * 4 + 3]));
      EXPECT_TRUE(alphas.count(0) && alphas.count(255)) << "icon " << id << " at " << size << " has real alpha";
    }
    for (int size : {16, 32, 48})
      for (int bits : {32, 8}) EXPECT_TRUE(sizesAndDepths.count({size, bits})) << id << ": " << size << "px " << bits << "-bit";
  }
}

// ---- the programs' application manifests ----

// One element of a manifest: its name, the names of the elements it lies in, and its attributes.
struct ManifestElement {
  std::string name;
  std::vector<std::string> path;
  std::map<std::string, std::string> attributes;
};

// Reads a manifest with the project's XML reader, checking that every element is closed by its own
// name. `error` says what was wrong; an empty result with an error means the text is not well formed.
std::vector<ManifestElement> readManifest(const std::string& text, std::string& error) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string file = std::string(dir) + "look_test_manifest.xml";
  HANDLE f = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  std::vector<ManifestElement> elements;
  std::vector<std::string> open;
  std::vector<size_t> openIndex;
  XmlReader reader;
  reader.SetFileName(file);
  while (error.empty() && reader.Next()) {
    switch (reader.Token()) {
      case XML_TOKEN_ELEMENT_START:
        if (open.empty() && !elements.empty()) {
          error = "a second root element <" + reader.ElementName() + ">";
          break;
        }
        elements.push_back({reader.ElementName(), open, {}});
        open.push_back(reader.ElementName());
        openIndex.push_back(elements.size() - 1);
        break;
      case XML_TOKEN_ATTRIBUTE:
        // The declaration's pseudo-attributes come before the first element.
        if (openIndex.empty() && !elements.empty()) error = "an attribute outside every element";
        else if (openIndex.empty()) break;
        else elements[openIndex.back()].attributes[reader.AttributeName()] = reader.AttributeValue();
        break;
      case XML_TOKEN_ELEMENT_END:
        if (open.empty()) error = "a closing tag without an element";
        else if (!reader.ElementName().empty() && reader.ElementName() != open.back())
          error = "</" + reader.ElementName() + "> closes <" + open.back() + ">";
        else {
          open.pop_back();
          openIndex.pop_back();
        }
        break;
      default:
        break;
    }
  }
  if (error.empty() && reader.Failed()) error = "parse error: " + reader.Error();
  if (error.empty() && !open.empty()) error = "<" + open.back() + "> is never closed";
  reader.Close();
  DeleteFileA(file.c_str());
  if (!error.empty()) elements.clear();
  return elements;
}

std::vector<const ManifestElement*> elementsNamed(const std::vector<ManifestElement>& all, const std::string& name) {
  std::vector<const ManifestElement*> out;
  for (const auto& e : all)
    if (e.name == name) out.push_back(&e);
  return out;
}

BOOL CALLBACK collectManifest(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
  if (!IS_INTRESOURCE(name)) return TRUE;
  HRSRC info = FindResourceA(module, name, type);
  HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
  const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (data)
    (*reinterpret_cast<std::map<int, std::string>*>(param))[static_cast<int>(reinterpret_cast<ULONG_PTR>(name))] =
        std::string(data, SizeofResource(module, info));
  return TRUE;
}

// The RT_MANIFEST resources of a built program, by id, read from the file without running it.
std::map<int, std::string> manifestsOf(const std::string& program) {
  std::map<int, std::string> out;
  HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return out;
  EnumResourceNamesA(module, MAKEINTRESOURCEA(24) /* RT_MANIFEST */, collectManifest, reinterpret_cast<LONG_PTR>(&out));
  FreeLibrary(module);
  return out;
}

std::string programBesideTheConsole(const char* name) {
  const std::string cli = CliPath();
  return cli.substr(0, cli.find_last_of("\\/") + 1) + name;
}

TEST(ProgramManifests, BothProgramsCarryAWellFormedManifestWithTheirRights) {
  const std::set<std::string> supportedSystems = {
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
  };
  const struct {
    const char* program;
    const char* level;
    ACTCTX_REQUESTED_RUN_LEVEL runLevel;
    bool commonControls6;
  } cases[] = {
      {"Zenthar.exe", "requireAdministrator", ACTCTX_RUN_LEVEL_REQUIRE_ADMIN, true},
      {"zenthar-cli.exe", "asInvoker", ACTCTX_RUN_LEVEL_AS_INVOKER, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    const std::string path = programBesideTheConsole(c.program);
    const auto manifests = manifestsOf(path);
    ASSERT_EQ(manifests.size(), 1u) << "one manifest, the program's own (id 1)";
    ASSERT_EQ(manifests.begin()->first, 1);

    std::string error;
    const auto elements = readManifest(manifests.begin()->second, error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_FALSE(elements.empty());
    EXPECT_EQ(elements[0].name, "assembly");
    EXPECT_EQ(elements[0].attributes.at("manifestVersion"), "1.0");
    const auto levels = elementsNamed(elements, "requestedExecutionLevel");
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0]->attributes.at("level"), c.level);
    EXPECT_EQ(levels[0]->attributes.at("uiAccess"), "false");
    EXPECT_EQ(levels[0]->path, (std::vector<std::string>{"assembly", "trustInfo", "security", "requestedPrivileges"}));
    std::set<std::string> systems;
    for (const auto* os : elementsNamed(elements, "supportedOS")) systems.insert(os->attributes.at("Id"));
    EXPECT_EQ(systems, supportedSystems);
    bool controls6 = false;
    for (const auto* id : elementsNamed(elements, "assemblyIdentity"))
      controls6 |= id->attributes.count("name") && id->attributes.at("name") == "Microsoft.Windows.Common-Controls" &&
                   id->attributes.at("version") == "6.0.0.0" && id->path.size() == 3 && id->path[1] == "dependency";
    EXPECT_EQ(controls6, c.commonControls6);

    // The platform's own reader, the one that starts the program, accepts it and finds the same rights.
    ACTCTXA context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = path.c_str();
    context.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE actx = CreateActCtxA(&context);
    ASSERT_NE(actx, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel{};
    SIZE_T size = 0;
    ASSERT_TRUE(QueryActCtxW(0, actx, nullptr, RunlevelInformationInActivationContext, &runLevel, sizeof runLevel, &size));
    EXPECT_EQ(runLevel.RunLevel, c.runLevel);
    EXPECT_FALSE(runLevel.UiAccess);
    // With the context active, the common controls that load are those the program draws with:
    // version 6 comes from the side-by-side store, the older ones from the system folder.
    ULONG_PTR cookie = 0;
    ASSERT_TRUE(ActivateActCtx(actx, &cookie));
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    char loaded[MAX_PATH] = {};
    GetModuleFileNameA(comctl, loaded, MAX_PATH);
    FreeLibrary(comctl);
    DeactivateActCtx(0, cookie);
    ReleaseActCtx(actx);
    std::string file = loaded;
    std::transform(file.begin(), file.end(), file.begin(), [](char ch) { return static_cast<char>(tolower(ch)); });
    const bool sideBySide6 = file.find("microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::string::npos;
    EXPECT_EQ(sideBySide6, c.commonControls6) << loaded;
  }
}

// The checks above would pass a manifest the loader refuses if the reader let a broken one through.
TEST(ProgramManifests, TheStructuralReadRefusesBrokenText) {
  const struct {
    const char* text;
    bool wellFormed;
  } cases[] = {
      {"<a x=\"1\"><b/><c></c></a>\n", true},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n<b y=\"2\"/>\n</a>\n", true},
      {"<a></a>\n<b x=\"1\"></b>\n", false},
      {"<a><b></a></b>\n", false},
      {"<a><b>\n", false},
      {"<a></a></a>\n", false},
  };
  for (const auto& c : cases) {
    std::string error;
    readManifest(c.text, error);
    EXPECT_EQ(error.empty(), c.wellFormed) << c.text << " " << error;
  }
}

}  // namespace
