// The registry scanners, the scan run and its stop, the file test and the ignore list, on seeded keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>

#include "engine/PathCleanup.h"
#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/ScanSupport.h"
#include "engine/scanners/Shortcut.h"
#include "registry/RegKey.h"
#include "engine/RegistryLib.h"
#include "support/TestSupport.h"

namespace {
const std::string HKLM_WIN = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows";
const std::string SHARED_DLLS = HKLM_WIN + "\\CurrentVersion\\SharedDLLs";
const std::string DRIVERS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string FONTS_NT = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::string APP_PATHS = HKLM_WIN + "\\CurrentVersion\\App Paths";
// Records name keys as the registry stores them.
const std::string APP_PATHS_STORED = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string SHARED_TOOLS_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools";
const std::string RUN = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string UNINSTALL_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Files the seeded entries point at: present ones exist, gone ones never do.
struct Files : ScratchDir {
    Files() : ScratchDir("engine") {
        WriteTextFile(present(), "x");
        WriteTextFile(file("present.exe"), "x");
        CreateDirectoryA(file("Help Dir").c_str(), nullptr);
        WriteTextFile(file("Help Dir\\there.hlp"), "x");
    }
    std::string present() const { return file("present.dll"); }
    std::string gone(const std::string& name = "gone.dll") const { return file(name); }
};

struct Scan {
    CRegistryLib engine;
    CategoryResults results;
    ScanSelection selection;
    std::vector<std::string> reported;  // every path passed to the progress callback
    std::vector<int32_t> reportedScanned;  // the examined count passed with it

    explicit Scan(std::initializer_list<ScanCategory> categories) {
        for (auto c : categories) selection[c] = 1;
    }
    void run() {
        current = this;
        engine.progressCallback = [](const char* item, const char*, int32_t scanned, int32_t) {
            current->reported.push_back(item);
            current->reportedScanned.push_back(scanned);
            if (current->onProgress) current->onProgress();
        };
        engine.RunSelectedScans(results, selection);
        current = nullptr;
    }
    // Records whose key path starts with `prefix`.
    std::vector<const RegistryError*> under(const std::string& prefix) const {
        std::vector<const RegistryError*> out;
        for (const auto& e : engine.ErrorList)
            if (e->keyPath.compare(0, prefix.size(), prefix) == 0) out.push_back(e.get());
        return out;
    }
    std::vector<const RegistryError*> withFile(const std::string& path) const {
        std::vector<const RegistryError*> out;
        for (const auto& e : engine.ErrorList)
            if (e->filePath == path) out.push_back(e.get());
        return out;
    }
    bool wasReported(const std::string& path) const {
        return std::find(reported.begin(), reported.end(), path) != reported.end();
    }
    const CategoryResult& row(size_t i) const { return *results.at(i); }

    std::function<void()> onProgress;
    static Scan* current;
};
Scan* Scan::current = nullptr;

// Counts of a category before seeding, so that tests see only what they added.
CategoryResult baseline(ScanCategory c) {
    Scan s({c});
    s.run();
    return s.results.empty() ? CategoryResult{} : s.row(0);
}

void expectRecord(const RegistryError* e, const char* type, const std::string& keyPath, const char* action,
                  const std::string& valueName, const std::string& filePath) {
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->type, type);
    EXPECT_EQ(e->keyPath, keyPath);
    EXPECT_EQ(e->action, action);
    ASSERT_NE(e->value, nullptr);
    EXPECT_EQ(e->value->name, valueName);
    EXPECT_EQ(e->filePath, filePath);
}

struct StopReset {
    StopReset() { ResetStop(); }
    ~StopReset() { ResetStop(); }
};
}  // namespace

TEST(PathCleanup, StepsCutQuoteAndJoinAsDocumented) {
    EXPECT_EQ(CleanQuotes("\"C:\\a b\\x.exe\" /s"), "C:\\a b\\x.exe /s");
    EXPECT_EQ(CleanSlash("C:\\x.exe /s"), "C:\\x.exe ");
    EXPECT_EQ(CleanSlash("/only"), "/only");
    EXPECT_EQ(CleanDash("C:\\x.exe -embed"), "C:\\x.exe");
    EXPECT_EQ(CleanDash(" -x"), " -x");
    EXPECT_EQ(ExecutableCut("C:\\a.exe\\b.exe -x"), "C:\\a.exe");
    EXPECT_EQ(ExecutableCut("C:\\A.EXE /x"), "C:\\A.EXE");
    EXPECT_EQ(ExecutableCut("C:\\a.Exe /x"), "C:\\a.Exe /x");
    EXPECT_EQ(StripOuterQuotes("\"\"C:\\a\"\""), "C:\\a");
    EXPECT_EQ(StripOuterQuotes("\"\""), "");
    EXPECT_EQ(TrimWhite(" \tPath\r\n"), "Path");
    EXPECT_EQ(JoinFolderFile("C:\\dir\\", "a.hlp"), "C:\\dir\\a.hlp");
    EXPECT_EQ(JoinFolderFile("C:\\dir", "a.hlp"), "C:\\dir\\a.hlp");
}

TEST(PathCleanup, EnvironmentExpansionCoversEveryTokenAndLongValues) {
    SetEnvironmentVariableA("ZT_A", "C:\\first");
    SetEnvironmentVariableA("ZT_B", "second");
    std::string two = "%ZT_A%\\%ZT_B%\\x.dll";
    EXPECT_TRUE(ExpandEnvironmentTokens(two));
    EXPECT_EQ(two, "C:\\first\\second\\x.dll");

    std::string longValue = "C:\\" + std::string(400, 'L');
    SetEnvironmentVariableA("ZT_LONG", longValue.c_str());
    std::string longPath = "%ZT_LONG%\\x.dll";
    EXPECT_TRUE(ExpandEnvironmentTokens(longPath));
    EXPECT_EQ(longPath, longValue + "\\x.dll");

    std::string unknown = "%ZT_NOT_SET%\\x.dll";
    EXPECT_TRUE(ExpandEnvironmentTokens(unknown));
    EXPECT_EQ(unknown, "%ZT_NOT_SET%\\x.dll");
    std::string plain = "x.dll";
    EXPECT_FALSE(ExpandEnvironmentTokens(plain));
    EXPECT_EQ(CleanPathQSDEP("x.dll"), SystemDirectory() + "\\x.dll");
    EXPECT_EQ(CleanPathQSDEP("100%x.dll"), "100%x.dll");  // a lone % skips the system prefix
}

TEST(FileTest, MissingIgnoredDirectoryAndNonFixedDrives) {
    Files files;
    CRegistryLib engine;
    EXPECT_EQ(engine.CheckFile(files.present(), 0), 0);
    EXPECT_EQ(engine.CheckFile(files.path(), 0), 0);  // an existing directory passes
    EXPECT_EQ(engine.CheckFile(files.gone(), 0), -1);
    WriteTextFile("ignore.lst", files.gone() + "\n");
    engine.LoadIgnoreList();
    EXPECT_EQ(engine.CheckFile(files.gone(), 0), 0);
    EXPECT_EQ(engine.CheckFile(files.gone("other.dll"), 0), -1);
    // An unplugged medium or an offline share cannot be judged: never reported.
    EXPECT_EQ(engine.CheckFile("R:\\not-there\\app.exe", 0), 0);
    EXPECT_EQ(engine.CheckFile("Q:\\no-such-drive\\app.exe", 0), 0);
    EXPECT_EQ(engine.CheckFile("\\\\server\\share\\app.exe", 0), 0);
    EXPECT_EQ(engine.CheckFile("\\\\?\\C:\\zenthar-tests\\engine\\gone.dll", 0), -1);
}

TEST(IgnoreListFile, LinesBecomeEntriesAndSaveWritesThemBack) {
    Files files;
    {
        CRegistryLib engine;
        EXPECT_TRUE(engine.ignoreList.empty());  // no file: empty list
    }
    std::string longLine(1500, 'x');
    WriteTextFile("ignore.lst", "C:\\WINDOWS\\a.dll\r\n\r\n" + longLine + "\r\n" + std::string(3, 'y') +
                                    "\r\nlast-without-end");
    CRegistryLib engine;
    ASSERT_EQ(engine.ignoreList.size(), 5u);
    EXPECT_EQ(engine.ignoreList[0]->filePath, "C:\\WINDOWS\\a.dll");
    EXPECT_EQ(engine.ignoreList[1]->filePath, "");
    EXPECT_EQ(engine.ignoreList[2]->filePath, longLine);  // one entry, however long
    EXPECT_EQ(engine.ignoreList[3]->filePath, "yyy");
    EXPECT_EQ(engine.ignoreList[4]->filePath, "last-without-end");
    EXPECT_EQ(engine.IsIgnored("C:\\WINDOWS\\a.dll"), 1);
    EXPECT_EQ(engine.IsIgnored("c:\\windows\\a.dll"), 0);

    engine.ignoreList[1].reset();
    engine.ignoreList[3].reset();
    EXPECT_EQ(engine.SaveIgnoreList(), 0);
    EXPECT_EQ(ReadTextFile("ignore.lst"), "C:\\WINDOWS\\a.dll\r\n" + longLine + "\r\nlast-without-end\r\n");
    EXPECT_FALSE(PathExists("ignore.lst.new"));
}

TEST(IgnoreListFile, LinesOfAnyLengthComeBackWhole) {
    Files files;
    // Around the old 999-character limit and the reader's 64 KiB chunk; a NUL byte ends an entry.
    const struct { std::string line, entry; } cases[] = {
        {std::string("C:\\Old\x1A") + "kept.dll", std::string("C:\\Old\x1A") + "kept.dll"},  // Ctrl+Z ends no read
        {std::string(998, 'a'), std::string(998, 'a')},
        {std::string(999, 'b'), std::string(999, 'b')},
        {std::string(1000, 'c'), std::string(1000, 'c')},
        {"C:\\Gone\\" + std::string(1100, 'd') + ".exe", "C:\\Gone\\" + std::string(1100, 'd') + ".exe"},
        {std::string(64 * 1024 - 1, 'e'), std::string(64 * 1024 - 1, 'e')},
        {std::string(200000, 'f'), std::string(200000, 'f')},
        {std::string("g\0rest", 6), "g"},
    };
    std::string text;
    for (const auto& c : cases) text += c.line + "\n";
    WriteTextFile("ignore.lst", text);
    {
        CRegistryLib engine;
        ASSERT_EQ(engine.ignoreList.size(), std::size(cases));
        for (size_t i = 0; i < std::size(cases); ++i) {
            EXPECT_EQ(engine.ignoreList[i]->filePath, cases[i].entry) << i;
            EXPECT_EQ(engine.IsIgnored(cases[i].entry), 1) << i;
            EXPECT_EQ(engine.IsIgnored(cases[i].entry + "x"), 0) << i;
        }
        EXPECT_EQ(engine.SaveIgnoreList(), 0);
    }
    // Saved and read again: the same entries, none split.
    CRegistryLib again;
    ASSERT_EQ(again.ignoreList.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(again.ignoreList[i]->filePath, cases[i].entry) << i;
}

TEST(IgnoreListFile, TheLookupMatchesTheEntriesExactly) {
    Files files;
    WriteTextFile("ignore.lst", "C:\\Dir\\A.dll\nC:\\Dir\\twice.dll\nC:\\Dir\\twice.dll\nC:\\Dir\\dropped.dll\n");
    CRegistryLib engine;
    // Entries are appended after the load, and emptied by the ignored screen before it saves.
    engine.ignoreList.push_back(std::make_unique<RegistryError>());
    engine.ignoreList.back()->filePath = "C:\\Dir\\added.dll";
    engine.ignoreList[1].reset();  // the first of two equal entries
    engine.ignoreList[3].reset();
    const struct { const char* path; int ignored; } cases[] = {
        {"C:\\Dir\\A.dll", 1},
        {"c:\\dir\\a.dll", 0},       // letter case counts
        {"C:\\Dir\\A.dll ", 0},      // so does a blank
        {"C:\\Dir\\A.DLL", 0},
        {"C:/Dir/A.dll", 0},
        {"", 0},
        {"C:\\Dir\\twice.dll", 1},   // its second entry is still there
        {"C:\\Dir\\dropped.dll", 0}, // its only entry was emptied
        {"C:\\Dir\\added.dll", 1},
    };
    for (const auto& c : cases) EXPECT_EQ(engine.IsIgnored(c.path), c.ignored) << c.path;
}

TEST(IgnoreListFile, AReloadSeesEveryChangeOfTheFileOrTheList) {
    Files files;
    const std::string a = "C:\\gone\\a.dll", b = "C:\\gone\\b.dll";
    const struct {
        const char* what;
        std::function<void(CRegistryLib&)> change;
        std::vector<std::string> after;
    } cases[] = {
        {"the file rewritten in place with as many bytes", [&](CRegistryLib&) { WriteTextFile("ignore.lst", b + "\n"); },
         {b}},
        {"the file replaced by another object's save",
         [&](CRegistryLib&) {
             CRegistryLib other;
             other.ignoreList.push_back(std::make_unique<RegistryError>());
             other.ignoreList.back()->filePath = b;
             ASSERT_EQ(other.SaveIgnoreList(), 0);
         },
         {a, b}},
        {"the file removed", [&](CRegistryLib&) { DeleteFileA("ignore.lst"); }, {}},
        {"a slot emptied in memory", [&](CRegistryLib& e) { e.ignoreList[0].reset(); }, {a}},
        {"an entry appended in memory",
         [&](CRegistryLib& e) {
             e.ignoreList.push_back(std::make_unique<RegistryError>());
             e.ignoreList.back()->filePath = b;
         },
         {a}},
        {"nothing changed", [&](CRegistryLib&) {}, {a}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTextFile("ignore.lst", a + "\n");
        CRegistryLib engine;
        c.change(engine);
        engine.LoadIgnoreList();
        std::vector<std::string> paths;
        for (const auto& e : engine.ignoreList) paths.push_back(e ? e->filePath : "<empty slot>");
        EXPECT_EQ(paths, c.after);
        EXPECT_EQ(engine.IsIgnored(a), std::count(c.after.begin(), c.after.end(), a) > 0 ? 1 : 0);
        EXPECT_EQ(engine.IsIgnored(b), std::count(c.after.begin(), c.after.end(), b) > 0 ? 1 : 0);
    }
}

TEST(IgnoreListFile, AFailedSaveIsReportedAndKeepsTheOldFile) {
    Files files;
    const struct { const char* what; bool folder; } cases[] = {
        {"a folder of the list's name", true},
        {"a read-only list", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.folder) {
            ASSERT_TRUE(CreateDirectoryA("ignore.lst", nullptr));
        } else {
            WriteTextFile("ignore.lst", "C:\\old.dll\n");
            ASSERT_TRUE(SetFileAttributesA("ignore.lst", FILE_ATTRIBUTE_READONLY));
        }
        CRegistryLib engine;
        engine.ignoreList.push_back(std::make_unique<RegistryError>());
        engine.ignoreList.back()->filePath = "C:\\new.dll";
        EXPECT_NE(engine.SaveIgnoreList(), 0);
        EXPECT_FALSE(PathExists("ignore.lst.new"));
        if (!c.folder) {
            EXPECT_EQ(ReadTextFile("ignore.lst"), "C:\\old.dll\n");
        }
        RemoveTree(files.file("ignore.lst"));
    }
}

TEST(ClsidScanner, ReportsClassesWithMissingServersAndCountsProgIds) {
    Files files;
    CategoryResult before = baseline(COM);
    const std::string clsid = "HKEY_CLASSES_ROOT\\CLSID\\";
    SeededKey twoServers(clsid + "{2E000001-0000-0000-0000-00000000ZT01}\\InprocServer32");
    twoServers.setString("", "\"" + files.gone() + "\" /automation");
    SeededKey local(clsid + "{2E000001-0000-0000-0000-00000000ZT01}\\LOCALSERVER32", false);
    local.setString("", files.gone("gone.exe") + " -Embedding");
    SeededKey progId(clsid + "{2E000001-0000-0000-0000-00000000ZT01}\\ProgID", false);
    progId.setString("", "Zenthar.Test.1");
    SeededKey handler(clsid + "{2E000002-0000-0000-0000-00000000ZT02}\\InprocHandler32");
    handler.setString("", files.gone());
    SeededKey mail(clsid + "{2E000003-0000-0000-0000-00000000ZT03}\\InprocServer32");
    mail.setString("", "C:\\nowhere\\mailui.dll");
    SeededKey mailOtherCase(clsid + "{2E000004-0000-0000-0000-00000000ZT04}\\InprocServer32");
    mailOtherCase.setString("", "C:\\nowhere\\MailUI.dll");
    SeededKey empty(clsid + "{2E000005-0000-0000-0000-00000000ZT05}\\InprocServer32");
    SeededKey bare(clsid + "{2E000006-0000-0000-0000-00000000ZT06}\\InprocServer32");
    bare.setString("", "ole32.dll");
    SeededKey quoted(clsid + "{2E000008-0000-0000-0000-00000000ZT08}\\LocalServer32");
    quoted.setString("", "\"" + files.file("present.exe") + "\" /automation");
    SeededKey env(clsid + "{2E000007-0000-0000-0000-00000000ZT07}\\InprocServer32");
    env.setString("", "%SystemRoot%\\system32\\ole32.dll", REG_EXPAND_SZ);
    // A value merely named "(Default)" is not the server: the class stays, whatever it names.
    SeededKey literal(clsid + "{2E000009-0000-0000-0000-00000000ZT09}\\InprocServer32");
    literal.setString("", files.present());
    literal.setString("(Default)", files.gone("literal.dll"));
    SeededKey literalOnly(clsid + "{2E000009-0000-0000-0000-00000000ZT0A}\\InprocServer32");
    literalOnly.setString("(Default)", files.gone("literal.dll"));
    SeededKey upperProgIdServer(clsid + "{2E000010-0000-0000-0000-00000000ZT10}\\InprocServer32");
    upperProgIdServer.setString("", files.gone("other.dll"));
    SeededKey upperProgId(clsid + "{2E000010-0000-0000-0000-00000000ZT10}\\PROGID", false);
    upperProgId.setString("", "Zenthar.Test.2");

    Scan s({COM});
    s.run();
    auto recs = s.under(clsid + "{2E0000");
    ASSERT_EQ(recs.size(), 4u);
    const std::string key1 = clsid + "{2E000001-0000-0000-0000-00000000ZT01}";
    // Quotes removed and the text cut at the slash: the blank before it stays.
    expectRecord(recs[0], "CLSID", key1, "KEY", "(Default)", files.gone() + " ");
    EXPECT_EQ(recs[0]->value->data, "\"" + files.gone() + "\" /automation");
    expectRecord(recs[1], "CLSID", key1, "KEY", "(Default)", files.gone("gone.exe"));
    expectRecord(recs[2], "CLSID", clsid + "{2E000004-0000-0000-0000-00000000ZT04}", "KEY", "(Default)",
                 "C:\\nowhere\\MailUI.dll");
    expectRecord(recs[3], "CLSID", clsid + "{2E000010-0000-0000-0000-00000000ZT10}", "KEY", "(Default)",
                 files.gone("other.dll"));
    ASSERT_EQ(s.results.size(), 1u);
    EXPECT_EQ(s.row(0).title, "Invalid CLSID");
    // Eleven server keys (the empty ones included) plus one ProgID per report of a class that
    // has one, in whatever case its name is stored.
    EXPECT_EQ(s.row(0).scannedCount - before.scannedCount, 11 + 3);
    EXPECT_EQ(s.row(0).errorCount - before.errorCount, 4);
    EXPECT_EQ(s.row(0).fixedCount, 0);
    EXPECT_TRUE(s.wasReported("C:\\nowhere\\mailui.dll"));  // excluded, still reported to progress
    EXPECT_TRUE(s.wasReported(SystemDirectory() + "\\ole32.dll"));
}

// The summary and the console's ROW lines name a category by its title alone, and the progress
// screens by its progress text: two categories with one text would read as one.
TEST(CategoryTitles, EveryCategoryHasATitleAndAProgressTextOfItsOwn) {
    for (size_t i = 0; i < SCAN_CATEGORY_COUNT; ++i) {
        EXPECT_FALSE(std::string(CATEGORY_TABLE[i].title).empty()) << CATEGORY_TABLE[i].flagName;
        for (size_t j = i + 1; j < SCAN_CATEGORY_COUNT; ++j) {
            EXPECT_STRNE(CATEGORY_TABLE[i].title, CATEGORY_TABLE[j].title)
                << CATEGORY_TABLE[i].flagName << " and " << CATEGORY_TABLE[j].flagName;
            EXPECT_STRNE(CATEGORY_TABLE[i].progressText, CATEGORY_TABLE[j].progressText)
                << CATEGORY_TABLE[i].flagName << " and " << CATEGORY_TABLE[j].flagName;
        }
    }
}

TEST(ValueScanners, SharedDllsDriversFontsAndStartup) {
    Files files;
    EnsuredKey k1(SHARED_DLLS), k2(DRIVERS), k3(FONTS_NT), k4(RUN);
    CategoryResult b[4] = {baseline(COM_SUBS), baseline(DRV), baseline(FONTS), baseline(STARTUP)};
    WriteTextFile("ignore.lst", files.gone("ignored.dll") + "\n");
    SeededValue dllGone(SHARED_DLLS, files.gone(), "", REG_SZ);
    SeededValue dllHere(SHARED_DLLS, files.present(), "", REG_SZ);
    SeededValue dllIgnored(SHARED_DLLS, files.gone("ignored.dll"), "", REG_SZ);
    SeededValue drvGone(DRIVERS, "zt.gone", files.gone("drv.gone"));
    SeededValue drvBare(DRIVERS, "zt.bare", "zt-not-in-system.drv");
    SeededValue fontGone(FONTS_NT, "Zenthar Gone (TrueType)", files.gone("font.ttf"));
    SeededValue fontBare(FONTS_NT, "Zenthar Bare (TrueType)", "zenthar-no-such-font.ttf");
    SeededValue runGone(RUN, "ZtRunGone", "\"" + files.gone("run.exe") + "\" /min");
    SeededValue runHere(RUN, "ZtRunHere", files.file("present.exe") + " --tray");
    SeededValue runRundll(RUN, "ZtRundll", "rundll32 C:\\nowhere\\x.dll,Entry");
    SeededValue runMixed(RUN, "ZtRunMixed", files.file("present.Exe") + " args");

    Scan s({COM_SUBS, DRV, FONTS, STARTUP});
    s.run();
    ASSERT_EQ(s.results.size(), 4u);
    const char* titles[] = {"Corrupt Shared Files", "Invalid Drivers", "Corrupt Fonts", "Invalid Startup Items"};
    const int added[] = {1, 2, 2, 1};
    const int scanned[] = {3, 2, 2, 4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.row(i).title, titles[i]);
        EXPECT_EQ(s.row(i).errorCount - b[i].errorCount, added[i]) << titles[i] << " " << i;
        EXPECT_EQ(s.row(i).scannedCount - b[i].scannedCount, scanned[i]) << titles[i] << " " << i;
    }
    auto dll = s.withFile(files.gone());
    ASSERT_EQ(dll.size(), 1u);
    expectRecord(dll[0], "SharedFile", SHARED_DLLS, "VAL", files.gone(), files.gone());
    EXPECT_TRUE(s.withFile(files.gone("ignored.dll")).empty());
    EXPECT_TRUE(s.wasReported(files.gone("ignored.dll")));

    auto drv = s.withFile(files.gone("drv.gone"));
    ASSERT_EQ(drv.size(), 1u);
    expectRecord(drv[0], "VxD", DRIVERS, "VAL", "zt.gone", files.gone("drv.gone"));
    EXPECT_EQ(s.withFile(SystemDirectory() + "\\zt-not-in-system.drv").size(), 1u);

    auto font = s.withFile(files.gone("font.ttf"));
    ASSERT_EQ(font.size(), 1u);
    expectRecord(font[0], "font", FONTS_NT, "VAL", "Zenthar Gone (TrueType)", files.gone("font.ttf"));
    EXPECT_EQ(s.withFile(WindowsDirectory() + "\\fonts\\zenthar-no-such-font.ttf").size(), 1u);

    auto run = s.withFile(files.gone("run.exe"));
    ASSERT_EQ(run.size(), 1u);
    expectRecord(run[0], "Startup", RUN, "VAL", "ZtRunGone", files.gone("run.exe"));
    EXPECT_TRUE(s.withFile(files.file("present.exe")).empty());
    // A mixed-case extension is not cut, so the tested text keeps the arguments; the program
    // itself exists, so the entry is not reported.
    EXPECT_TRUE(s.wasReported(files.file("present.Exe") + " args"));
    EXPECT_TRUE(s.withFile(files.file("present.Exe") + " args").empty());
    EXPECT_TRUE(s.wasReported("rundll32 C:\\nowhere\\x.dll,Entry") ||
                s.wasReported(WindowsDirectory() + "\\rundll32 C:\\nowhere\\x.dll,Entry"));
}

TEST(SubkeyScanners, HelpAppPathsSharedToolsAndUninstall) {
    Files files;
    EnsuredKey k1(HKLM_WIN + "\\Help"), k2(HKLM_WIN + "\\HTML Help"), k3(APP_PATHS), k4(SHARED_TOOLS_KEY), k5(UNINSTALL_KEY);
    CategoryResult b[4] = {baseline(HELP), baseline(APPPATH), baseline(SHARED_TOOLS), baseline(UNINSTALL)};
    SeededValue helpGone(HKLM_WIN + "\\Help", "zt-gone.hlp", files.path() + "\\Help Dir\\");
    SeededValue helpThere(HKLM_WIN + "\\Help", "there.hlp", files.path() + "\\Help Dir");
    SeededValue htmlGone(HKLM_WIN + "\\HTML Help", "zt-gone.chm", "zt-helpdir");
    SeededKey notHelp(HKLM_WIN + "\\HelpZenthar");
    notHelp.setString("x.hlp", "C:\\nowhere");

    SeededKey app(APP_PATHS + "\\ZentharTest.exe");
    app.setString("", files.gone("app.exe"));
    app.setString("Path", files.gone("appdir"));
    SeededKey appOk(APP_PATHS + "\\ZentharOk.exe");
    appOk.setString("", "\"" + files.file("present.exe") + "\"");
    appOk.setString("Path", files.path() + ";C:\\nowhere");
    appOk.setString("Other", "present.exe");
    appOk.setString("Folder", files.path() + "\\");

    SeededKey tool(SHARED_TOOLS_KEY + "\\ZentharTool");
    tool.setString(" PATH\t", files.gone("tool.exe"));
    tool.setString("Version", "1");
    SeededKey toolNoPath(SHARED_TOOLS_KEY + "\\ZentharToolNoPath");
    toolNoPath.setString("a", "b");
    toolNoPath.setString("c", "d");

    SeededKey un(UNINSTALL_KEY + "\\ZentharUninst");
    un.setString("UninstallString", "\"" + files.gone("un.exe") + "\" /remove");
    un.setString("DisplayName", "Zenthar test");
    SeededKey unCase(UNINSTALL_KEY + "\\ZentharUninstCase");
    unCase.setString("uninstallstring", files.gone("un2.exe"));
    SeededKey unRundll(UNINSTALL_KEY + "\\ZentharUninstRundll");
    unRundll.setString("UninstallString", "C:\\windows\\RunDll32 C:\\nowhere\\a.dll");

    Scan s({HELP, APPPATH, SHARED_TOOLS, UNINSTALL});
    s.run();
    ASSERT_EQ(s.results.size(), 4u);
    const char* titles[] = {"Corrupt Help Files", "Invalid App Paths", "Invalid Shared Tools",
                            "Invalid Uninstall Items"};
    const int added[] = {2, 2, 1, 1};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.row(i).title, titles[i]);
        EXPECT_EQ(s.row(i).errorCount - b[i].errorCount, added[i]) << i;
    }
    EXPECT_EQ(s.row(1).scannedCount - b[1].scannedCount, 2 + 4);
    EXPECT_EQ(s.row(2).scannedCount - b[2].scannedCount, 3 + 3);  // listing adds a "(Default)" each
    EXPECT_EQ(s.row(3).scannedCount - b[3].scannedCount, 3 + 2 + 2);

    auto help = s.withFile(files.path() + "\\Help Dir\\zt-gone.hlp");
    ASSERT_EQ(help.size(), 1u);
    expectRecord(help[0], "Help", HKLM_WIN + "\\Help", "VAL", "zt-gone.hlp", files.path() + "\\Help Dir\\zt-gone.hlp");
    EXPECT_EQ(s.withFile(SystemDirectory() + "\\zt-helpdir\\zt-gone.chm").size(), 1u);
    EXPECT_TRUE(s.withFile(files.path() + "\\Help Dir\\there.hlp").empty());
    EXPECT_TRUE(s.withFile("C:\\nowhere\\x.hlp").empty());

    auto apps = s.under(APP_PATHS_STORED + "\\ZentharTest.exe");
    ASSERT_EQ(apps.size(), 2u);
    expectRecord(apps[0], "APPPath", APP_PATHS_STORED + "\\ZentharTest.exe", "KEY", "(Default)", files.gone("app.exe"));
    expectRecord(apps[1], "APPPath", APP_PATHS_STORED + "\\ZentharTest.exe", "KEY", "Path", files.gone("appdir"));
    EXPECT_TRUE(s.under(APP_PATHS_STORED + "\\ZentharOk.exe").empty());

    auto tools = s.under(SHARED_TOOLS_KEY + "\\ZentharTool");
    ASSERT_EQ(tools.size(), 1u);
    expectRecord(tools[0], "SharedTools", SHARED_TOOLS_KEY + "\\ZentharTool", "KEY", " PATH\t", files.gone("tool.exe"));

    auto uns = s.under(UNINSTALL_KEY + "\\ZentharUninst");
    ASSERT_EQ(uns.size(), 1u);
    expectRecord(uns[0], "Uninstall", UNINSTALL_KEY + "\\ZentharUninst", "VAL", "UninstallString", files.gone("un.exe"));
    EXPECT_TRUE(s.withFile(files.gone("un2.exe")).empty());
}

TEST(ScanRunOrder, StopDuringTheThirdCategoryKeepsWhatWasFound) {
    Files files;
    StopReset guard;
    SeededValue drv1(DRIVERS, "zt.stop1", files.gone("d1.drv"));
    SeededValue drv2(DRIVERS, "zt.stop2", files.gone("d2.drv"));
    Scan s({});
    s.selection.selectAll();
    s.onProgress = [&] {
        if (s.selection.get(DRV) == 2 && s.reported.back() == files.gone("d1.drv")) SignalStop();
    };
    s.run();
    ASSERT_EQ(s.results.size(), 3u);
    EXPECT_EQ(s.row(0).category, COM);
    EXPECT_EQ(s.row(1).category, COM_SUBS);
    EXPECT_EQ(s.row(2).category, DRV);
    EXPECT_EQ(s.withFile(files.gone("d1.drv")).size(), 1u);
    EXPECT_TRUE(s.withFile(files.gone("d2.drv")).empty());
    for (ScanCategory c : {COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP, UNINSTALL})
        EXPECT_EQ(s.selection.get(c), -1) << c;
    EXPECT_EQ(s.selection.get(SHORTCUTS), 1);  // the registry run never touches the shortcut flag
}

TEST(ScanRunOrder, RunEmptiesOldResultsAndReportsCompletionOnlyWithoutAStop) {
    Files files;
    StopReset guard;
    CRegistryLib engine;
    CShortcut shortcuts(&engine);
    CategoryResults results;
    ScanSelection selection;
    int completed = 0;
    results.push_back(std::make_unique<CategoryResult>());
    engine.ErrorList.push_back(std::make_unique<RegistryError>());
    shortcuts.invalidShortcuts.push_back("old.lnk");
    ScanRun(engine, shortcuts, selection, results, [&] { ++completed; });
    EXPECT_TRUE(results.empty());  // nothing selected: emptied, no rows, still complete
    EXPECT_TRUE(engine.ErrorList.empty());
    EXPECT_TRUE(shortcuts.invalidShortcuts.empty());
    EXPECT_EQ(completed, 1);

    selection.selectAll();
    SignalStop();
    ScanRun(engine, shortcuts, selection, results, [&] { ++completed; });
    EXPECT_TRUE(results.empty());  // already signalled: nothing scanned, no completion
    EXPECT_EQ(completed, 1);
    EXPECT_EQ(selection.get(COM), 1);
}

TEST(PristinePrefix, EveryReportedPathIsReallyMissing) {
    ScratchDir dir("pristine");
    Scan s({});
    s.selection.selectAll();
    s.run();
    EXPECT_EQ(s.results.size(), 10u);
    for (const auto& e : s.engine.ErrorList) {
        EXPECT_FALSE(PathExists(e->filePath)) << e->type << " " << e->keyPath << " " << e->filePath;
        EXPECT_EQ(s.engine.IsIgnored(e->filePath), 0);
    }
    for (const auto& row : s.results)
        std::printf("pristine: %-22s scanned %5d  found %3d\n", row->title.c_str(), row->scannedCount, row->errorCount);
}

// The uninstall scanner reads each program key with a few targeted queries; this reference walk
// lists every value as the plain algorithm does, and both must agree on records, reports and counts.
TEST(SubkeyScanners, UninstallMatchesTheFullListingWalk) {
    Files files;
    EnsuredKey parent(UNINSTALL_KEY);
    SeededKey a(UNINSTALL_KEY + "\\ZtRefA");
    a.setString("DisplayName", "A");
    a.setString("UninstallString", files.gone("a.exe") + " /x");
    a.setString("Publisher", "P");
    SeededKey b(UNINSTALL_KEY + "\\ZtRefB");
    b.setString("", "unnamed");
    b.setString("UninstallString", "\"" + files.file("present.exe") + "\"");
    SeededKey c(UNINSTALL_KEY + "\\ZtRefC");
    c.setString("uninstallSTRING", files.gone("c.exe"));
    c.setString("Other", "1");
    SeededKey d(UNINSTALL_KEY + "\\ZtRefD");
    d.setString("UninstallString", "");
    SeededKey e(UNINSTALL_KEY + "\\ZtRefE");
    e.setDword("UninstallString", 5);
    // Many values around it, with names whose order depends on how case and punctuation sort.
    SeededKey f(UNINSTALL_KEY + "\\ZtRefF");
    for (const char* n : {"_first", "Zeta", "Uninstall_", "Uninstall[", "UninstallStringX", "uninstall", "A", "b",
                          "Ü", "~last", "[x]", "Uninstal"})
        f.setString(n, "v");
    f.setString("UninstallString", files.gone("f.exe"));
    SeededKey g(UNINSTALL_KEY + "\\ZtRefG");
    for (const char* n : {"Uninstall_", "UninstallS_", "UninstallStrinG_", "Uninstall^", "a", "z"}) g.setString(n, "v");
    g.setString("UNINSTALLSTRING", files.gone("g.exe"));

    Scan s({UNINSTALL});
    s.run();

    std::vector<std::string> refPaths;
    std::vector<int32_t> refCounts;
    int32_t scanned = 0;
    RegKey top;
    std::string sub = UNINSTALL_KEY;
    std::string root = CRegistryLib::SeperateMainKey(sub);
    ASSERT_EQ(CRegistryLib::OpenKey(root, sub, top.put()), 0);
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(top.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        RegKey program;
        if (RegOpenKeyA(top.get(), name, program.put()) != ERROR_SUCCESS) continue;
        ValueRecordArray values;
        CRegistryLib::ListValues(program.get(), values);
        for (const auto& rec : values) {
            ++scanned;
            if (rec->data == "(value not set)" || rec->name != "UninstallString") continue;
            if (rec->type != REG_SZ && rec->type != REG_EXPAND_SZ) continue;  // a number names no program
            refPaths.push_back(StripOuterQuotes(ExecutableCut(rec->data)));
            refCounts.push_back(scanned);
        }
    }
    EXPECT_EQ(s.reported, refPaths);
    EXPECT_EQ(s.reportedScanned, refCounts);
    ASSERT_EQ(s.results.size(), 1u);
    EXPECT_EQ(s.row(0).scannedCount, scanned);
    auto recs = s.under(UNINSTALL_KEY + "\\ZtRef");
    // A and F: C's and G's names differ in case, D is empty, E's number names no file.
    ASSERT_EQ(recs.size(), 2u);
    expectRecord(recs[0], "Uninstall", UNINSTALL_KEY + "\\ZtRefA", "VAL", "UninstallString", files.gone("a.exe"));
    EXPECT_EQ(recs[0]->value->data, files.gone("a.exe") + " /x");
    expectRecord(recs[1], "Uninstall", UNINSTALL_KEY + "\\ZtRefF", "VAL", "UninstallString", files.gone("f.exe"));
}

// Subkey and value names are read wide and converted once: the text is what the ANSI calls give,
// and the exactness flag is what the scanners' check rests on.
TEST(NameReads, SubkeyAndValueNamesKnowWhetherTheCodePageCarriesThem) {
    SeededKey parent("HKEY_CURRENT_USER\\Software\\ZentharTest\\NameReads");
    const struct { const wchar_t* name; bool exact; } names[] = {
        {L"Plain", true},
        {L"UninstallString", true},
        {L"Ztv\x016Apdater", false},     // best fit: reads as "ZtvUpdater"
        {L"\x4E2D\xAC00\x0E01", false},  // no code page carries all three
    };
    for (const auto& n : names) {
        HKEY sub;
        ASSERT_EQ(RegCreateKeyW(parent.handle(), n.name, &sub), ERROR_SUCCESS);
        RegCloseKey(sub);
        RegSetValueExW(parent.handle(), n.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
    }
    std::vector<wchar_t> buf;
    ASSERT_TRUE(PrepareSubkeyBuffer(parent.handle(), buf));
    RegName name;
    DWORD count = 0;
    for (; EnumSubkeyName(parent.handle(), count, buf, name) == ERROR_SUCCESS; ++count) {
        char ansi[256];
        DWORD len = sizeof ansi;
        ASSERT_EQ(RegEnumKeyExA(parent.handle(), count, ansi, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_EQ(name.text, std::string(ansi, len));
        wchar_t wide[256];
        len = 256;
        ASSERT_EQ(RegEnumKeyExW(parent.handle(), count, wide, &len, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        for (const auto& n : names) {
            if (std::wstring(n.name) != std::wstring(wide, len)) continue;
            EXPECT_EQ(name.exact, n.exact) << name.text;
        }
    }
    EXPECT_EQ(count, 4u);

    // The value found by its name without regard to case carries the same flag.
    buf.assign(64, L'\0');
    RegName stored;
    DWORD index = 0;
    ASSERT_TRUE(FindStoredValueName(parent.handle(), 4, "uninstallstring", buf, index, stored));
    EXPECT_EQ(stored.text, "UninstallString");
    EXPECT_TRUE(stored.exact);
    ASSERT_TRUE(FindStoredValueName(parent.handle(), 4, "ztvupdater", buf, index, stored));
    EXPECT_EQ(stored.text, "ZtvUpdater");
    EXPECT_FALSE(stored.exact);
}
