// Both registry views on 64-bit Windows (a 64-bit prefix of this entry's own): every category's
// valid and broken entries in each view are judged in their view, reported once each with it,
// removed, restored and undone in their views, and the window shows the view.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/RegistryLib.h"
#include "platform/Wow64.h"
#include "support/AppDriver.h"
#include "support/RegistryTree.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {
const char* const REGISTRY_AREAS = "COM,COM_SUBS,DRV,HELP,APPPATH,SHARED_TOOLS,FONTS,STARTUP,UNINSTALL,FILETYPES";
const std::string SYS = "C:\\windows\\system32";

// Where a row's file lies: only in the 64-bit system folder, only in the 32-bit one (what a 32-bit
// program's "system32" shows), or nowhere.
enum class File { ONLY64, ONLY32, NONE };

struct Row {
    std::string type;     // the finding's type
    bool view64;          // the view the entry is written in
    bool shared;          // a key both views share (the platform keeps it once)
    HKEY root;
    std::string key;      // below the root
    std::string name;     // value name; "" the unnamed value
    std::string data;     // REG_SZ data; empty: a reference count (REG_DWORD 1)
    std::string removed;  // the key a repair removes whole; empty: the value goes
    std::string file;     // the file the entry names (in SYS)
    File where;
    // A 16-bit server is looked for where 16-bit files live, the 32-bit side, in either view.
    bool sixteenBit() const {
        const std::string end = "\\InprocServer";
        return key.size() > end.size() && key.compare(key.size() - end.size(), end.size(), end) == 0;
    }
    bool broken() const { return view64 && !shared && !sixteenBit() ? where != File::ONLY64 : where == File::NONE; }
    std::string probeKey() const { return removed.empty() ? key : removed; }
};

const std::string CLSID_A = "CLSID\\{7A3C1E00-0000-4A64-9E00-0000000000A1}";
const std::string CLSID_B = "CLSID\\{7A3C1E00-0000-4A64-9E00-0000000000B2}";
const std::string CLSID_C = "CLSID\\{7A3C1E00-0000-4A64-9E00-0000000000C3}";
const std::string HELP_ROOT_KEY = "Software\\Microsoft\\Windows\\Help";
const std::string SHARED_DLLS_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string DRIVERS_KEY = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string APP_PATHS_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string TOOLS_KEY = "Software\\Microsoft\\Shared Tools";
const std::string FONTS_KEY = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::string RUN_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A valid and a broken entry of each category in each view. Where the views are apart the same
// names cross: the key or value "A" is broken in the 32-bit view and valid in the 64-bit one, "B"
// the other way round, so an entry taken in the wrong view shows. The 64-bit view's valid files lie
// only in its own system folder, its broken ones only in the 32-bit one. App Paths and Fonts are
// keys the platform shares: one valid and one broken entry there, reported once.
std::vector<Row> table() {
    const HKEY CR = HKEY_CLASSES_ROOT, LM = HKEY_LOCAL_MACHINE;
    std::vector<Row> rows;
    for (bool v64 : {false, true}) {
        const std::string view = v64 ? "64" : "32";
        const File ok = v64 ? File::ONLY64 : File::ONLY32, gone = v64 ? File::ONLY32 : File::NONE;
        auto both = [&](const std::string& stem, const std::string& ext, std::function<Row(const char*, File)> make) {
            Row a = make("A", v64 ? ok : gone), b = make("B", v64 ? gone : ok);
            a.file = "ztw-" + stem + "-" + view + (a.where == ok ? "-ok." : "-gone.") + ext;
            b.file = "ztw-" + stem + "-" + view + (b.where == ok ? "-ok." : "-gone.") + ext;
            for (Row* r : {&a, &b}) {
                r->view64 = v64;
                for (std::string* text : {&r->name, &r->data})
                    for (size_t at; (at = text->find("@")) != std::string::npos;) text->replace(at, 1, SYS + "\\" + r->file);
                rows.push_back(*r);
            }
        };
        both("com", "dll", [&](const char* n, File f) {
            const std::string key = *n == 'A' ? CLSID_A : CLSID_B;
            return Row{"CLSID", false, false, CR, key + "\\InprocServer32", "", "@", "HKEY_CLASSES_ROOT\\" + key, "", f};
        });
        both("shared", "dll", [&](const char*, File f) { return Row{"SharedFile", false, false, LM, SHARED_DLLS_KEY, "@", "", "", "", f}; });
        both("drv", "drv", [&](const char* n, File f) {
            return Row{"VxD", false, false, LM, DRIVERS_KEY, std::string("ztw.") + n, "@", "", "", f};
        });
        both("help", "chm", [&](const char* n, File f) {
            (void)n;
            return Row{"Help", false, false, LM, HELP_ROOT_KEY, "", SYS, "", "", f};
        });
        both("tool", "dll", [&](const char* n, File f) {
            return Row{"SharedTools", false, false, LM, TOOLS_KEY + "\\ztw-tool-" + n, "Path", "@",
                       "HKEY_LOCAL_MACHINE\\" + TOOLS_KEY + "\\ztw-tool-" + n, "", f};
        });
        both("run", "exe", [&](const char* n, File f) {
            return Row{"Startup", false, false, LM, RUN_KEY, std::string("ztw-run-") + n, "\"@\" /min", "", "", f};
        });
        both("unin", "exe", [&](const char* n, File f) {
            return Row{"Uninstall", false, false, LM, UNINSTALL_KEY + "\\ztw-unin-" + n, "UninstallString", "\"@\" /x", "",
                       "", f};
        });
    }
    // A class of the 64-bit view with a 16-bit server whose file only the 32-bit side holds: valid.
    Row sixteen{"CLSID", true, false, CR, CLSID_C + "\\InprocServer", "", "", "HKEY_CLASSES_ROOT\\" + CLSID_C,
                "ztw-com-16.dll", File::ONLY32};
    sixteen.data = SYS + "\\" + sixteen.file;
    rows.push_back(sixteen);
    // Help entries name their file by the value's name: it is the file itself.
    for (Row& r : rows)
        if (r.type == "Help") r.name = r.file;
    for (File f : {File::ONLY64, File::NONE}) {
        const std::string state = f == File::NONE ? "gone" : "ok";
        Row app{"APPPath", true, true, LM, APP_PATHS_KEY + "\\ztw-app-" + state + ".exe", "", "", "", "", f};
        app.removed = "HKEY_LOCAL_MACHINE\\" + app.key;
        app.file = "ztw-app-" + state + ".exe";
        Row font{"font", true, true, LM, FONTS_KEY, "ztw font " + state + " (TrueType)", "", "", "", f};
        font.file = "ztw-font-" + state + ".ttf";
        for (Row* r : {&app, &font}) {
            r->data = SYS + "\\" + r->file;
            rows.push_back(*r);
        }
    }
    return rows;
}

REGSAM viewFlag(bool view64) { return view64 ? KEY_WOW64_64KEY : 0; }

// Runs `step` with the 64-bit file-system view.
void asSixtyFourBit(const std::function<void()>& step) {
    using Disable = BOOL(WINAPI*)(PVOID*);
    using Revert = BOOL(WINAPI*)(PVOID);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto disable = reinterpret_cast<Disable>(reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    auto revert = reinterpret_cast<Revert>(reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    PVOID old = nullptr;
    ASSERT_TRUE(disable && revert && disable(&old));
    step();
    revert(old);
}

void writeEntry(const Row& r) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(r.root, r.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | viewFlag(r.view64), nullptr, &key,
                              nullptr),
              ERROR_SUCCESS)
        << r.key;
    if (r.data.empty()) {
        const DWORD one = 1;
        RegSetValueExA(key, r.name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
    } else {
        RegSetValueExA(key, r.name.empty() ? nullptr : r.name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(r.data.c_str()), static_cast<DWORD>(r.data.size() + 1));
    }
    RegCloseKey(key);
}

void removeEntry(const Row& r) {
    if (!r.removed.empty() || r.key.find("ztw-") != std::string::npos) {
        const std::string top = r.type == "CLSID" ? r.key.substr(0, r.key.find("\\InprocServer")) : r.key;
        DeleteTreeInView(r.root, top, r.view64);
        return;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(r.root, r.key.c_str(), 0, KEY_SET_VALUE | viewFlag(r.view64), &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, r.name.c_str());
    RegCloseKey(key);
}

bool entryThere(const Row& r) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(r.root, r.key.c_str(), 0, KEY_QUERY_VALUE | viewFlag(r.view64), &key) != ERROR_SUCCESS)
        return false;
    const bool there = RegQueryValueExA(key, r.name.empty() ? nullptr : r.name.c_str(), nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return there;
}

// The key holding the entry (its class for a server), every value byte for byte, in its view.
using Tree = std::map<std::string, std::map<std::string, std::pair<DWORD, std::string>>>;
void readTree(HKEY root, const std::string& path, bool view64, const std::string& rel, Tree& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | viewFlag(view64), &key) != ERROR_SUCCESS) return;
    auto& values = out[rel];
    char name[16384];
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = sizeof name, dataLen = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS) break;
        values[std::string(name, nameLen)] = {type, std::string(data.begin(), data.begin() + dataLen)};
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 256;
        if (RegEnumKeyExA(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        readTree(key, std::string(name, nameLen), view64, rel + "\\" + std::string(name, nameLen), out);
    }
    RegCloseKey(key);
}
Tree treeOf(const Row& r) {
    Tree t;
    const std::string top = r.type == "CLSID" ? r.key.substr(0, r.key.find("\\InprocServer")) : r.key;
    readTree(r.root, top, r.view64, "", t);
    return t;
}

// Every row's key in its view, with the rows' files, removed again at the end.
struct Seeded {
    std::vector<Row> rows = table();
    Seeded() {
        clear();
        for (const Row& r : rows) {
            writeEntry(r);
            const std::string path = SYS + "\\" + r.file;
            if (r.where == File::ONLY64) asSixtyFourBit([&] { WriteTextFile(path, "64"); });
            if (r.where == File::ONLY32) WriteTextFile(path, "32");
        }
    }
    ~Seeded() { clear(); }
    void clear() {
        for (const Row& r : rows) {
            removeEntry(r);
            const std::string path = SYS + "\\" + r.file;
            DeleteFileA(path.c_str());
            asSixtyFourBit([&] { DeleteFileA(path.c_str()); });
        }
    }
};

// The table's findings of a console scan, one per line: the fields split at the tabs.
std::vector<std::vector<std::string>> oursIn(const std::string& out, std::string* keep = nullptr) {
    std::vector<std::vector<std::string>> found;
    for (const std::string& line : SplitLines(out)) {
        if (line.compare(0, 8, "FINDING\t") != 0) continue;
        std::vector<std::string> f;
        for (size_t start = 0;;) {
            const size_t tab = line.find('\t', start);
            f.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (line.find("ztw") != std::string::npos) found.push_back(f);
        else if (keep && f.size() > 5) *keep += " --keep \"" + f[5] + "\"";
    }
    return found;
}

std::string undoCopySource, undoCopyTarget;
void copyUndoFile(const char*, const char*, int32_t, int32_t) {
    CopyFileA(undoCopySource.c_str(), undoCopyTarget.c_str(), FALSE);
}

class BothViews : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RunningOn64BitWindows()) {
            ASSERT_EQ(std::getenv("ZENTHAR_EXPECT_WOW64"), nullptr) << "expected to run on 64-bit Windows";
            GTEST_SKIP() << "a 32-bit prefix has one registry view";
        }
    }
};
}  // namespace

TEST_F(BothViews, EachViewsEntriesAreFoundRemovedAndRestoredInTheirView) {
    ScratchDir dir("views");
    Seeded seeded;
    std::map<std::string, Tree> before;  // by file: the tree of every row's key
    for (const Row& r : seeded.rows) before[r.file] = treeOf(r);

    // --- scan: each broken entry once, with its view; no valid one ---
    std::string keep;
    const ProcessResult scan = RunCli(std::string("scan --only ") + REGISTRY_AREAS, dir.path());
    const auto found = oursIn(scan.out, &keep);
    for (const Row& r : seeded.rows) {
        int times = 0;
        for (const auto& f : found) {
            if (f.size() < 6 || f[5].find(r.file) == std::string::npos) continue;
            ++times;
            ASSERT_EQ(f.size(), 7u) << "the view field ends the line";
            EXPECT_EQ(f[1], r.type) << r.file;
            EXPECT_EQ(f[6], r.view64 ? "64" : "32") << r.file;
        }
        EXPECT_EQ(times, r.broken() ? 1 : 0) << r.file << "\n" << scan.out;
    }

    // --- the window: a row of the 64-bit view says so ---
    {
        RunningApp app("", dir.path());
        ASSERT_TRUE(app.started());
        ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
        ASSERT_NE(app.AnswerNextBox(240000), "");
        HWND list = nullptr;
        ASSERT_TRUE(PumpUntil([&] { return (list = app.ListAtResultPlace(RESULT_COLUMNS)) != nullptr; }, 20000));
        RemoteList rows(app.process(), list);
        int shown = 0;
        for (int i = 0; i < rows.Count(); ++i)
            for (const Row& r : seeded.rows)
                if (r.broken() && rows.Text(i, 2).find(r.file) != std::string::npos) {
                    ++shown;
                    const std::string location = rows.Text(i, 3);
                    EXPECT_EQ(location.find(" (64-bit)") != std::string::npos, r.view64) << r.file << ": " << location;
                }
        EXPECT_EQ(shown, static_cast<int>(found.size()));
    }

    // --- fix: the broken entries go in their views; the valid ones, of the same names in the other
    // view, stay ---
    const ProcessResult fix = RunCli(std::string("fix --level deep --only ") + REGISTRY_AREAS + keep + " --yes", dir.path());
    ASSERT_EQ(fix.exitCode, 0u) << fix.out << fix.err;
    for (const Row& r : seeded.rows) EXPECT_EQ(entryThere(r), !r.broken()) << "after fix: " << r.file;
    EXPECT_TRUE(oursIn(RunCli(std::string("scan --only ") + REGISTRY_AREAS, dir.path()).out).empty());

    // --- restore: the newest backup puts each back in its view, byte for byte ---
    const ProcessResult restore = RunCli("restore", dir.path());
    ASSERT_EQ(restore.exitCode, 0u) << restore.out << restore.err;
    for (const Row& r : seeded.rows) EXPECT_EQ(treeOf(r), before[r.file]) << "after restore: " << r.file;

    // --- undo: the undo file of a repair puts each back in its view, byte for byte ---
    {
        CRegistryLib engine;
        CategoryResults results;
        ScanSelection selection;
        selection.selectAll();
        selection[SHORTCUTS] = 0;
        engine.RunSelectedScans(results, selection);
        size_t ours = 0;
        for (auto& rec : engine.ErrorList)
            if (rec->filePath.find("ztw") == std::string::npos) rec.reset();
            else ++ours;
        ASSERT_EQ(ours, found.size());
        // The repair deletes its undo file once it completes: a copy after each entry keeps it.
        undoCopySource = dir.file("undo.xml");
        undoCopyTarget = dir.file("kept.xml");
        engine.progressCallback = copyUndoFile;
        ASSERT_TRUE(engine.FixErrors(results, undoCopySource));
    }
    for (const Row& r : seeded.rows) EXPECT_EQ(entryThere(r), !r.broken()) << "after the repair: " << r.file;
    const std::string undo = ReadTextFile(dir.file("kept.xml"));
    size_t marked = 0, wide = 0;
    for (size_t at = 0; (at = undo.find("view=\"64\"", at)) != std::string::npos; ++at) ++marked;
    for (const Row& r : seeded.rows) wide += r.broken() && r.view64;
    EXPECT_EQ(marked, wide) << undo;
    const ProcessResult undone = RunCli("undo \"" + dir.file("kept.xml") + "\"", dir.path());
    ASSERT_EQ(undone.exitCode, 0u) << undone.out << undone.err;
    for (const Row& r : seeded.rows) EXPECT_EQ(treeOf(r), before[r.file]) << "after undo: " << r.file;
}
