// The repair on the real registry: passes, counts and undo file, the keys it refuses, the stop, the
// repair routines of both screens, the console's fix command, and repairs killed part-way.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

#include "backup/Backup.h"
#include "backup/RegEditorFile.h"
#include "routines/RepairRoutines.h"
#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "registry/RegKey.h"
#include "engine/RegistryLib.h"
#include "support/RegistryTree.h"
#include "support/TestSupport.h"
#include "xml/XmlReader.h"

namespace {
const std::string HKLM_WIN = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows";
const std::string CLSID_KEY = "HKEY_CLASSES_ROOT\\CLSID";
const std::string SHARED_DLLS_KEY = HKLM_WIN + "\\CurrentVersion\\SharedDLLs";
const std::string DRIVERS_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string FONTS_NT_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::string HELP_FILES_KEY = HKLM_WIN + "\\Help";
const std::string APP_PATHS_KEY = HKLM_WIN + "\\CurrentVersion\\App Paths";
const std::string SHARED_TOOLS_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools";
const std::string RUN_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string UNINSTALL_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string TEST_BASE = "HKEY_CURRENT_USER\\Software\\ZentharTest\\Repair";


std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

std::vector<std::string> filesMatching(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::unique_ptr<RegistryError> record(const std::string& type, const std::string& keyPath, const std::string& action,
                                      const std::string& valueName = "(Default)", const std::string& data = "") {
    auto err = std::make_unique<RegistryError>();
    err->type = type;
    err->keyPath = keyPath;
    err->action = action;
    err->value = std::make_unique<ValueRecord>(ValueRecord{valueName, data, REG_SZ});
    err->filePath = "C:\\nowhere\\" + valueName;
    return err;
}

// One summary row per registry category, in run order, as a full scan leaves them.
CategoryResults allRows() {
    CategoryResults rows;
    for (const auto& info : CATEGORY_TABLE) {
        if (info.category == SHORTCUTS) continue;
        auto row = std::make_unique<CategoryResult>();
        row->title = info.title;
        row->category = info.category;
        rows.push_back(std::move(row));
    }
    return rows;
}

int32_t fixedOf(const CategoryResults& rows, ScanCategory c) {
    for (const auto& r : rows)
        if (r->category == c) return r->fixedCount;
    return 9999;
}

struct StopReset {
    StopReset() { ResetStop(); }
    ~StopReset() { ResetStop(); }
};

// --- whole-registry exports through the registry editor ---

// Key (lower case, HKEY_CLASSES_ROOT spelled as the export spells it) -> header line and entries by
// lower-case value name ("@" for the unnamed value), each entry with its continuation lines.
struct ExportBlock {
    std::string header;
    std::map<std::string, std::string> entries;
};
using RegExport = std::map<std::string, ExportBlock>;

std::string regeditExport(const std::string& file) {
    DeleteFileA(file.c_str());
    RunProcess("regedit.exe /e \"" + file + "\"");
    const std::string raw = ReadTextFile(file);
    DeleteFileA(file.c_str());
    size_t skip = raw.size() >= 2 && static_cast<unsigned char>(raw[0]) == 0xFF ? 2 : 0;
    const std::wstring wide(reinterpret_cast<const wchar_t*>(raw.data() + skip), (raw.size() - skip) / 2);
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
    return text;
}

std::string entryName(const std::string& line) {
    if (line[0] == '@') return "@";
    std::string name;
    for (size_t i = 1; i < line.size() && line[i] != '"'; ++i) name += line[i] == '\\' ? line[++i] : line[i];
    return lower(name);
}

RegExport parseExport(const std::string& text) {
    RegExport out;
    ExportBlock* block = nullptr;
    std::string* entry = nullptr;
    for (const auto& line : SplitLines(text)) {
        if (!line.empty() && line[0] == '[' && line.back() == ']') {
            block = &out[lower(line.substr(1, line.size() - 2))];
            block->header = line;
            entry = nullptr;
        } else if (block && !line.empty() && (line[0] == '"' || line[0] == '@')) {
            entry = &block->entries[entryName(line)];
            *entry = line;
        } else if (entry && !line.empty()) {
            *entry += "\n" + line;
        }
    }
    return out;
}

// The current user's key as the export names it: below HKEY_USERS, by the user's SID.
std::string exportedUserRoot() {
    std::string root = "hkey_current_user";
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return root;
    std::vector<BYTE> buf(256);
    DWORD size = 0;
    char* sid = nullptr;
    if (GetTokenInformation(token, TokenUser, buf.data(), static_cast<DWORD>(buf.size()), &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buf.data())->User.Sid, &sid)) {
        root = lower("hkey_users\\" + std::string(sid));
        LocalFree(sid);
    }
    CloseHandle(token);
    return root;
}

std::string exportKeyName(const std::string& keyPath) {
    const std::string hkcr = "hkey_classes_root\\", hkcu = "hkey_current_user\\";
    std::string k = lower(keyPath);
    if (startsWith(k, hkcr)) k = "hkey_local_machine\\software\\classes\\" + k.substr(hkcr.size());
    if (startsWith(k, hkcu)) k = exportedUserRoot() + "\\" + k.substr(hkcu.size());
    return k;
}

// An entry the repair is meant to remove: a key with its subtree, or one value.
struct Removal {
    std::string keyPath;
    std::string valueName;  // empty: the whole key
};

RegExport without(RegExport exp, const std::vector<Removal>& removals) {
    for (const auto& r : removals) {
        const std::string key = exportKeyName(r.keyPath);
        if (r.valueName.empty()) {
            for (auto it = exp.begin(); it != exp.end();)
                it = (it->first == key || startsWith(it->first, key + "\\")) ? exp.erase(it) : std::next(it);
        } else if (exp.count(key)) {
            exp[key].entries.erase(lower(r.valueName));
        }
    }
    return exp;
}

// Empty when equal, else the first key or entry that differs, with both texts.
std::string firstDifference(const RegExport& expected, const RegExport& actual) {
    for (const auto& [key, block] : expected) {
        auto it = actual.find(key);
        if (it == actual.end()) return "missing key " + block.header;
        if (it->second.header != block.header) return "header " + block.header + " became " + it->second.header;
        for (const auto& [name, text] : block.entries) {
            auto e = it->second.entries.find(name);
            if (e == it->second.entries.end()) return "missing in " + block.header + ": " + text;
            if (e->second != text) return "in " + block.header + ": " + text + " became " + e->second;
        }
        for (const auto& [name, text] : it->second.entries)
            if (!block.entries.count(name)) return "extra in " + block.header + ": " + text;
    }
    for (const auto& [key, block] : actual)
        if (!expected.count(key)) return "extra key " + block.header;
    return std::string();
}

// Where a regedit export differs: the first differing line of each text.
std::string firstLineDifference(const std::string& a, const std::string& b) {
    const auto la = SplitLines(a), lb = SplitLines(b);
    for (size_t i = 0; i < std::max(la.size(), lb.size()); ++i) {
        const std::string x = i < la.size() ? la[i] : "<end>", y = i < lb.size() ? lb[i] : "<end>";
        if (x != y) return "line " + std::to_string(i + 1) + ": " + x + " | " + y;
    }
    return std::string();
}
}  // namespace

namespace {
// Findings of every registry category under the scanners' own keys, pointing into a scratch
// folder; entries whose file is `kept` stand for rows the user unticks.
struct Seeds {
    explicit Seeds(const ScratchDir& dir) : kept(dir.file("kept.dll")) {
        for (const auto& k : {SHARED_DLLS_KEY, DRIVERS_KEY, FONTS_NT_KEY, HELP_FILES_KEY, APP_PATHS_KEY, SHARED_TOOLS_KEY, RUN_KEY, UNINSTALL_KEY})
            ensured.push_back(std::make_unique<EnsuredKey>(k));
        const std::string cls = CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTF1}";
        key(cls).setString("AppID", "{zenthar}");
        key(cls + "\\InprocServer32", false).setString("", dir.file("gone.dll"));
        key(cls + "\\ProgID", false).setString("", "Zenthar.Fix.1");
        removals.push_back({cls, ""});
        key(CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTF2}\\InprocServer32").setString("", kept);

        value(SHARED_DLLS_KEY, dir.file("shared.dll"), "");
        value(DRIVERS_KEY, "zt.fix", dir.file("drv.drv"));
        value(HELP_FILES_KEY, "zt-fix.hlp", dir.path() + "\\");
        value(FONTS_NT_KEY, "Zenthar Fix (TrueType)", dir.file("font.ttf"));
        value(RUN_KEY, "ZtFixRun", "\"" + dir.file("run.exe") + "\" /tray");
        value(RUN_KEY, "ZtFixKeep", kept);
        SeededKey& app = key(APP_PATHS_KEY + "\\ZentharFix.exe");
        app.setString("", dir.file("app.exe"));
        app.setString("Path", dir.file("appdir"));
        removals.push_back({app.path(), ""});
        SeededKey& tool = key(SHARED_TOOLS_KEY + "\\ZentharFixTool");
        tool.setString("Path", dir.file("tool.exe"));
        tool.setString("Version", "1");
        removals.push_back({tool.path(), ""});
        SeededKey& un = key(UNINSTALL_KEY + "\\ZentharFixUn");
        un.setString("UninstallString", dir.file("un.exe") + " /x");
        un.setString("DisplayName", "Zenthar fix");
        removals.push_back({un.path(), "UninstallString"});
    }

    SeededKey& key(const std::string& path, bool fresh = true) {
        keys.push_back(std::make_unique<SeededKey>(path, fresh));
        return *keys.back();
    }
    void value(const std::string& keyPath, const std::string& name, const std::string& data) {
        values.push_back(std::make_unique<SeededValue>(keyPath, name, data));
        if (data != kept) removals.push_back({keyPath, name});
    }

    std::string kept;
    std::vector<Removal> removals;  // what a repair of every other row removes
    std::vector<std::unique_ptr<EnsuredKey>> ensured;
    std::vector<std::unique_ptr<SeededKey>> keys;
    std::vector<std::unique_ptr<SeededValue>> values;
};

// A scan of every registry category in-process, as the window's scan leaves the engine.
struct ScannedEngine {
    CRegistryLib engine;
    CShortcut shortcuts{&engine};
    CategoryResults results;
    void scan() {
        ScanSelection selection;
        selection.selectAll();
        selection[SHORTCUTS] = 0;
        ScanRun(engine, shortcuts, selection, results, nullptr);
    }
    // Blanks every record whose file is not in `folder` (the prefix's own findings), as an
    // unticked row is blanked.
    void keepOnlyUnder(const std::string& folder) {
        for (auto& e : engine.ErrorList)
            if (!startsWith(e->filePath, folder + "\\")) e->keyPath.clear();
    }
    RepairJob job() { return RepairJob{engine, shortcuts, results, nullptr, {}}; }
};

// What the progress callback saw, and whether the undo file on disk already held each entry.
struct ProgressLog {
    struct Call {
        std::string item, title;
        bool inUndoFile;
    };
    std::vector<Call> calls;
    static ProgressLog* current;
    static std::string undoFile;

    static void callback(const char* item, const char* title, int32_t, int32_t) {
        std::string text = item;
        // A value record names its value last, a key record its key path.
        std::string last = text.substr(text.rfind('\n') + 1);
        if (std::count(text.begin(), text.end(), '\n') == 1) last = last.substr(last.rfind('\\') + 1);
        // A fresh read through its own handle: only what reached the operating system counts.
        const std::string onDisk = ReadTextFile(undoFile.empty() ? latestUndoFile() : undoFile);
        const std::string line = lower("name=\"" + CRegistryLib::XmlEscape(last) + "\"");
        current->calls.push_back({text, title, lower(onDisk).find(line) != std::string::npos});
    }
    static std::string latestUndoFile() {
        auto names = filesMatching("FixedOn*.xml");
        return names.empty() ? std::string() : names.back();
    }
};
ProgressLog* ProgressLog::current = nullptr;
std::string ProgressLog::undoFile;
}  // namespace

namespace {
std::string brokenShortcut(const std::string& folder, const std::string& name);
}

TEST(RepairNaming, UndoFileNameSpellsOutDayAndMonth) {
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_wday = 0;
    t.tm_hour = 22;
    t.tm_min = 17;
    t.tm_sec = 30;
    EXPECT_EQ(UndoFileName(t), "FixedOnSundayDecember062026221730.xml");
    t.tm_mon = 0;
    t.tm_mday = 1;
    t.tm_wday = 4;
    t.tm_hour = 3;
    EXPECT_EQ(UndoFileName(t), "FixedOnThursdayJanuary012026031730.xml");
}

TEST(RepairSafetyNet, KeyRecordsMustLieStrictlyBelowTheirScannersContainer) {
    auto removable = [](const std::string& type, const std::string& path) {
        return IsRemovableKeyRecord(*record(type, path, "KEY"));
    };
    EXPECT_TRUE(removable("CLSID", CLSID_KEY + "\\{X}"));
    EXPECT_TRUE(removable("CLSID", "hkey_classes_root\\clsid\\{X}\\Deeper"));
    EXPECT_TRUE(removable("APPPath", APP_PATHS_KEY + "\\app.exe"));
    EXPECT_TRUE(removable("SharedTools", SHARED_TOOLS_KEY + "\\Tool"));
    for (const std::string& path : std::vector<std::string>{"HKEY_CLASSES_ROOT", CLSID_KEY, CLSID_KEY + "\\", CLSID_KEY + "\\\\{X}",
                                    CLSID_KEY + "\\{X}\\", "HKEY_CLASSES_ROOT\\CLSIDX\\{X}", ""})
        EXPECT_FALSE(removable("CLSID", path)) << path;
    EXPECT_FALSE(removable("APPPath", APP_PATHS_KEY));
    EXPECT_FALSE(removable("SharedTools", SHARED_TOOLS_KEY));
    EXPECT_FALSE(removable("SharedTools", SHARED_TOOLS_KEY + "\\"));
    EXPECT_FALSE(removable("CLSID", APP_PATHS_KEY + "\\app.exe"));  // another scanner's container
    EXPECT_FALSE(removable("Help", HELP_FILES_KEY + "\\x"));               // no scanner deletes such keys
    EXPECT_FALSE(removable("clsid", CLSID_KEY + "\\{X}"));           // type words are exact
}

TEST(ResultsScreenRepair, RemovesTheTickedRowsOnlyCountsEachInItsOwnRowAndTheBackupRestoresAll) {
    StopReset stop;
    ScratchDir dir("repair-results");
    Seeds seeds(dir);
    ScannedEngine s;
    s.scan();
    RowTicks ticks;
    size_t ours = 0, unticked = 0;
    for (const auto& e : s.engine.ErrorList) {
        const bool tick = startsWith(e->filePath, dir.path() + "\\") && e->filePath != seeds.kept;
        ticks.registry.push_back(tick);
        ours += tick;
        unticked += !tick;
    }
    ASSERT_EQ(ours, 10u);  // App Paths gives two records for its one key
    const std::string before = regeditExport(dir.file("before.reg"));
    ASSERT_GT(before.size(), 100000u);

    ProgressLog log;
    ProgressLog::current = &log;
    ProgressLog::undoFile.clear();
    s.engine.progressCallback = ProgressLog::callback;
    std::vector<std::string> statuses, messages;
    RepairJob job = s.job();
    job.callbacks.status = [&](const std::string& t) { statuses.push_back(t); };
    job.callbacks.message = [&](const std::string& t, const std::string& c) { messages.push_back(t + "|" + c); };
    const RepairReport report = RepairSelectedEntries(job, ticks);

    EXPECT_TRUE(report.Completed());
    EXPECT_EQ(statuses, (std::vector<std::string>{"Backup in progress", "Fixing errors"}));
    EXPECT_EQ(messages, std::vector<std::string>{"Items selected have been removed from the system|Zenthar"});
    EXPECT_FALSE(PathExists(report.undoFile)) << report.undoFile;
    EXPECT_TRUE(filesMatching("FixedOn*.xml").empty());
    for (ScanCategory c : {COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP, UNINSTALL})
        EXPECT_EQ(fixedOf(s.results, c), 1) << CategoryInfoOf(c).flagName;

    // Exactly the ticked entries are gone; every other key and value of the registry is as it was.
    const std::string after = regeditExport(dir.file("after.reg"));
    EXPECT_EQ(firstDifference(without(parseExport(before), seeds.removals), parseExport(after)), "");

    // Each entry had reached the undo file on disk when its deletion came; passes in their order.
    std::vector<std::string> titles;
    for (const auto& call : log.calls) {
        if (startsWith(call.item, "HKEY_")) {
            EXPECT_TRUE(call.inUndoFile) << call.title << call.item;
        }
        if (titles.empty() || titles.back() != call.title) titles.push_back(call.title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Fixing CLSID ", "Fixing Help Files ", "Fixing fonts ",
                                                "Fixing Shared files "}));
    auto sawItem = [&](const std::string& item, const std::string& title) {
        return std::any_of(log.calls.begin(), log.calls.end(),
                           [&](const ProgressLog::Call& c) { return c.item == item && c.title == title; });
    };
    EXPECT_TRUE(sawItem("HKEY_CLASSES_ROOT\nCLSID\\{2E00F1X0-0000-0000-0000-00000000ZTF1}", "Fixing CLSID "));
    EXPECT_TRUE(sawItem("HKEY_LOCAL_MACHINE\nSOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32\nzt.fix",
                        "Fixing Help Files "));

    // Unticked rows: on the ignore list, not in the backup, still in the registry.
    const auto ignored = SplitLines(ReadTextFile("ignore.lst"));
    EXPECT_EQ(ignored.size(), unticked);
    EXPECT_EQ(std::count(ignored.begin(), ignored.end(), seeds.kept), 2);
    const std::string backup = ReadTextFile(report.backupFile);
    auto utf16 = [](const std::string& s) {
        std::string w;
        for (char c : s) w.append({c, '\0'});
        return w;
    };
    EXPECT_NE(backup.find(utf16("ZTF1}")), std::string::npos);
    EXPECT_EQ(backup.find(utf16("ZTF2}")), std::string::npos);
    EXPECT_EQ(backup.find(utf16("ZtFixKeep")), std::string::npos);

    // The selective backup gives back the registry as it was, byte for byte.
    ASSERT_EQ(RestoreLatestBackup(nullptr), RestoreStatus::Complete);
    const std::string restored = regeditExport(dir.file("restored.reg"));
    EXPECT_TRUE(restored == before) << firstLineDifference(before, restored);
}

TEST(RepairPasses, DefaultValuesAndKeysOutsideTheirContainersAreWrittenOrSkippedButNeverDeleted) {
    ScratchDir dir("repair-refused");
    SeededKey def(TEST_BASE + "\\Def");
    def.setString("", "unnamed data");
    def.setString("other", "y");
    SeededKey stranger(TEST_BASE + "\\Stranger");
    SeededKey helpKey(TEST_BASE + "\\HelpKey");
    SeededKey good(CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTS1}\\InprocServer32");
    SeededKey sibling(CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTS2}");
    CRegistryLib lib;
    lib.ErrorList.push_back(record("Startup", def.path(), "VAL", "(Default)", "unnamed data"));
    lib.ErrorList.push_back(record("CLSID", CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTS1}", "KEY"));
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"CLSID", CLSID_KEY}, {"CLSID", "HKEY_CLASSES_ROOT"}, {"CLSID", CLSID_KEY + "\\"}, {"APPPath", APP_PATHS_KEY},
        {"SharedTools", SHARED_TOOLS_KEY}, {"CLSID", stranger.path()}, {"Help", helpKey.path()}};
    for (const auto& [type, path] : refused) {
        lib.ErrorList.push_back(record(type, path, "KEY"));
        ASSERT_FALSE(IsRemovableKeyRecord(*lib.ErrorList.back())) << path;  // never run on a broken net
    }
    ProgressLog log;
    ProgressLog::current = &log;
    ProgressLog::undoFile = "undo.xml";
    lib.progressCallback = ProgressLog::callback;
    CategoryResults rows = allRows();
    EXPECT_TRUE(lib.FixErrors(rows, "undo.xml"));

    EXPECT_FALSE(PathExists("undo.xml"));
    EXPECT_FALSE(KeyExists(good.path()));
    for (const auto& [type, path] : refused) EXPECT_TRUE(KeyExists(path)) << path;
    EXPECT_TRUE(KeyExists(sibling.path()));
    EXPECT_TRUE(ValueExists(def.path(), ""));
    EXPECT_TRUE(ValueExists(def.path(), "other"));
    for (ScanCategory c : {COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP, UNINSTALL})
        EXPECT_EQ(fixedOf(rows, c), 0) << CategoryInfoOf(c).flagName;
    EXPECT_EQ(fixedOf(rows, COM), 1);
    // The unnamed value went to the undo file before the (skipped) deletion.
    ASSERT_FALSE(log.calls.empty());
    EXPECT_EQ(log.calls[0].item, "HKEY_CURRENT_USER\nSoftware\\ZentharTest\\Repair\\Def\n(Default)");
    EXPECT_TRUE(log.calls[0].inUndoFile);
    EXPECT_EQ(log.calls.size(), 2 * lib.ErrorList.size());  // passes 1 and 2 take every record
}

TEST(RepairPasses, PassesFourAndFiveTakeTheirTypesAndCountNothing) {
    ScratchDir dir("repair-titles");
    SeededKey key(TEST_BASE + "\\Titles");
    key.setString("tool", "a");
    key.setString("file", "b");
    key.setString("font", "c");
    CRegistryLib lib;
    lib.ErrorList.push_back(record("SharedTool", key.path(), "VAL", "tool"));  // no scanner gives this type
    lib.ErrorList.push_back(record("SharedTools", TEST_BASE + "\\Titles", "KEY"));  // outside its container
    lib.ErrorList.push_back(record("SharedFile", key.path(), "VAL", "file"));
    lib.ErrorList.push_back(record("FONT", key.path(), "VAL", "font"));
    ProgressLog log;
    ProgressLog::current = &log;
    ProgressLog::undoFile = "undo.xml";
    lib.progressCallback = ProgressLog::callback;
    CategoryResults rows = allRows();
    lib.FixErrors(rows, "undo.xml");
    std::vector<std::string> titles;
    for (const auto& c : log.calls) titles.push_back(c.title);
    const std::vector<std::string> expected = {
        "Fixing CLSID ", "Fixing CLSID ", "Fixing CLSID ", "Fixing CLSID ",
        "Fixing Help Files ", "Fixing Help Files ", "Fixing Help Files ", "Fixing Help Files ",
        "Fixing fonts ", "Fixing Shared Tools ", "Fixing Shared files "};
    EXPECT_EQ(titles, expected);
    EXPECT_FALSE(ValueExists(key.path(), "tool"));
    EXPECT_FALSE(ValueExists(key.path(), "file"));
    EXPECT_FALSE(ValueExists(key.path(), "font"));
    EXPECT_TRUE(KeyExists(key.path()));
    EXPECT_EQ(fixedOf(rows, COM_SUBS), 1);  // "SharedFile" is the shared DLLs' type
    EXPECT_EQ(fixedOf(rows, COM), 0);       // the summed total of the old rule belongs to no row
    EXPECT_EQ(fixedOf(rows, SHARED_TOOLS), 0);
}

TEST(RepairUndoFile, ACrashInALaterPassKeepsTheExactBytesOfRemovedValues) {
    ScratchDir dir("repair-late-crash");
    SeededKey key(TEST_BASE + "\\Odd");
    const unsigned char six[] = {1, 2, 3, 4, 5, 6};
    key.setRaw("long dword", REG_DWORD, six, 6);  // its text form holds only the first four bytes
    key.setString("plain", "kept as it is");
    const RegistryTree before = SnapshotTree(key.path());
    CRegistryLib lib;
    lib.ErrorList.push_back(record("SharedFile", key.path(), "VAL", "long dword", "0x04030201 (67305985)"));
    lib.ErrorList.back()->value->type = REG_DWORD;
    // The process dies in the last pass, after passes 1 and 2 met the removed value.
    lib.progressCallback = [](const char*, const char* title, int32_t, int32_t) {
        if (std::string(title) == "Fixing Shared files ") throw std::runtime_error("killed");
    };
    CategoryResults rows = allRows();
    EXPECT_THROW(lib.FixErrors(rows, "undo.xml"), std::runtime_error);
    EXPECT_FALSE(ValueExists(key.path(), "long dword"));
    CRegistryLib importer;
    XmlReader reader;
    ASSERT_EQ(importer.LoadXmlFile(reader, "undo.xml"), 1);
    EXPECT_EQ(FirstTreeDifference(before, SnapshotTree(key.path())), "");
}

TEST(RepairUndoFile, NothingIsDeletedWhileTheUndoFileCannotBeWritten) {
    ScratchDir dir("repair-unwritable");
    EnsuredKey dlls(SHARED_DLLS_KEY);
    SeededKey cls(CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTU1}\\InprocServer32");
    SeededValue shared(SHARED_DLLS_KEY, dir.file("u.dll"), "");
    auto fill = [&](CRegistryLib& lib) {
        lib.ErrorList.push_back(record("CLSID", CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTU1}", "KEY"));
        lib.ErrorList.push_back(record("SharedFile", SHARED_DLLS_KEY, "VAL", dir.file("u.dll")));
    };
    // A folder of that name, and a file another program holds open without sharing. (A read-only
    // file does not do: Wine run as root writes it all the same.)
    CreateDirectoryA("as-folder.xml", nullptr);
    WriteTextFile("held.xml", "mine");
    HANDLE held = CreateFileA("held.xml", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    for (const std::string name : {"as-folder.xml", "held.xml"}) {
        CRegistryLib lib;
        fill(lib);
        CategoryResults rows = allRows();
        EXPECT_FALSE(lib.FixErrors(rows, name)) << name;
        EXPECT_TRUE(KeyExists(cls.path())) << name;
        EXPECT_TRUE(ValueExists(SHARED_DLLS_KEY, dir.file("u.dll"))) << name;
        EXPECT_EQ(fixedOf(rows, COM), 0);
        EXPECT_EQ(fixedOf(rows, COM_SUBS), 0);
    }
    CloseHandle(held);
    EXPECT_TRUE(GetFileAttributesA("as-folder.xml") & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(ReadTextFile("held.xml"), "mine");

    CRegistryLib lib;  // the same entries with a writable file
    fill(lib);
    CategoryResults rows = allRows();
    EXPECT_TRUE(lib.FixErrors(rows, "fine.xml"));
    EXPECT_FALSE(KeyExists(cls.path()));
    EXPECT_FALSE(ValueExists(SHARED_DLLS_KEY, dir.file("u.dll")));
    EXPECT_EQ(fixedOf(rows, COM), 1);
    EXPECT_EQ(fixedOf(rows, COM_SUBS), 1);
}

TEST(RepairStop, AStopSignalledBeforehandLeavesEverythingAndTheThreadStillEnds) {
    StopReset stop;
    ScratchDir dir("repair-stop");
    SeededKey cls(CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTP1}\\InprocServer32");
    WriteTextFile(dir.file("a.lnk"), "x");
    CRegistryLib lib;
    lib.ErrorList.push_back(record("CLSID", CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTP1}", "KEY"));
    CShortcut shortcuts(&lib);
    shortcuts.invalidShortcuts.push_back(dir.file("a.lnk"));
    shortcuts.fixedCount = 7;
    CategoryResults rows = allRows();
    for (auto& r : rows) r->fixedCount = 7;
    std::atomic<bool> busy{false};
    RepairJob job{lib, shortcuts, rows, &busy, {}};
    int done = 0;
    std::vector<std::string> messages;
    job.callbacks.done = [&] { ++done; };
    job.callbacks.message = [&](const std::string& t, const std::string&) { messages.push_back(t); };

    SignalStop();
    const RepairReport report = RunRepair(job);
    EXPECT_TRUE(busy);
    EXPECT_TRUE(report.undoFile.empty());
    EXPECT_FALSE(report.registryDone || report.shortcutsDone);
    FixThread(job);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(messages, std::vector<std::string>{"The repair was stopped before it began; nothing was removed."});
    EXPECT_TRUE(KeyExists(cls.path()));
    EXPECT_TRUE(PathExists(dir.file("a.lnk")));
    EXPECT_TRUE(filesMatching("FixedOn*.xml").empty());
    EXPECT_EQ(shortcuts.fixedCount, 7);
    for (const auto& r : rows) EXPECT_EQ(r->fixedCount, 7);
}

TEST(RepairBackup, NothingIsRemovedWhenNoBackupCouldBeMade) {
    StopReset stop;
    ScratchDir dir("repair-no-backup");
    WriteTextFile(BACKUP_FOLDER, "a file where the backup folder should be");
    SeededKey cls(CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTB1}\\InprocServer32");
    WriteTextFile(dir.file("gone.lnk"), "x");
    CRegistryLib lib;
    lib.ErrorList.push_back(record("CLSID", CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTB1}", "KEY"));
    CShortcut shortcuts(&lib);
    shortcuts.invalidShortcuts.push_back(dir.file("gone.lnk"));
    CategoryResults rows = allRows();
    RepairJob job{lib, shortcuts, rows, nullptr, {}};
    std::vector<std::string> messages;
    int done = 0;
    job.callbacks.message = [&](const std::string& t, const std::string&) { messages.push_back(t); };
    job.callbacks.done = [&] { ++done; };

    const RepairReport report = RepairSelectedEntries(job, RowTicks{});  // the selective backup
    EXPECT_TRUE(report.backupFailed);
    FixThread(job);  // the same backup, on the progress dialog's path
    EXPECT_EQ(done, 1);
    // Each path: the backup's own reason, then how the repair ended.
    ASSERT_EQ(messages.size(), 4u);
    for (size_t i : {0u, 2u}) {
        EXPECT_NE(messages[i].find("no backup was made"), std::string::npos) << messages[i];
        EXPECT_EQ(messages[i + 1], "No backup could be made, so nothing was removed.");
    }
    EXPECT_TRUE(KeyExists(cls.path()));
    EXPECT_TRUE(PathExists(dir.file("gone.lnk")));
    EXPECT_TRUE(filesMatching("FixedOn*.xml").empty());
}

TEST(FixThreadRoutine, AnExceptionIsReportedAndItsUndoFileStaysClosedAndImportsBack) {
    StopReset stop;
    ScratchDir dir("repair-throw");
    SeededKey cls(CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTE1}");
    cls.setString("AppID", "{zenthar}");
    SeededKey server(cls.path() + "\\InprocServer32", false);
    server.setString("", dir.file("gone.dll"));
    server.setString("ThreadingModel", "Both");
    const RegistryTree before = SnapshotTree(cls.path());
    CRegistryLib lib;
    lib.ErrorList.push_back(record("CLSID", cls.path(), "KEY"));
    lib.progressCallback = [](const char*, const char*, int32_t, int32_t) { throw std::runtime_error("window gone"); };
    CShortcut shortcuts(&lib);
    CategoryResults rows = allRows();
    RepairJob job{lib, shortcuts, rows, nullptr, {}};
    std::vector<std::string> messages;
    int done = 0;
    job.callbacks.message = [&](const std::string& t, const std::string& c) { messages.push_back(t + "|" + c); };
    job.callbacks.done = [&] { ++done; };

    EXPECT_EQ(FixThread(job), 0u);
    EXPECT_EQ(messages, std::vector<std::string>{"Error Occurred while Fixing|Fix thread"});
    EXPECT_EQ(done, 1);
    const auto backups = filesMatching(dir.file("Registry Backups\\*.reg"));
    ASSERT_EQ(backups.size(), 1u);  // the backup came first: of the class alone, not of whole hives
    const std::string backup = ReadTextFile(dir.file("Registry Backups\\" + backups[0]));
    EXPECT_TRUE(IsRegEditorBackup(backup));
    EXPECT_LT(backup.size(), 2000u);
    EXPECT_FALSE(KeyExists(cls.path()));  // the report after the deletion threw
    EXPECT_FALSE(lib.undoWriter.IsOpen());
    const auto undo = filesMatching("FixedOn*.xml");
    ASSERT_EQ(undo.size(), 1u);
    CRegistryLib importer;
    XmlReader reader;
    EXPECT_EQ(importer.LoadXmlFile(reader, undo[0]), 1);
    EXPECT_EQ(FirstTreeDifference(before, SnapshotTree(cls.path())), "");
}

TEST(FixShortcutsTest, ReadOnlyAndHiddenFilesGoLockedAndBlankedOnesStayAndEachIsCheckedAgain) {
    ScratchDir dir("repair-links");
    const std::string ro = brokenShortcut(dir.path(), "ro"), hidden = brokenShortcut(dir.path(), "hidden");
    const std::string locked = brokenShortcut(dir.path(), "locked"), back = brokenShortcut(dir.path(), "back");
    WriteTextFile(dir.file("back.target.txt"), "x");  // its target came back after the scan
    WriteTextFile(dir.file("not-a-link.lnk"), "x");   // no longer reads as a shortcut
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    HANDLE lock = CreateFileA(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    CShortcut shortcuts;
    shortcuts.invalidShortcuts = {ro, "", hidden, locked, back, dir.file("not-a-link.lnk"), dir.file("never-there.lnk")};
    static std::vector<std::string> seen;
    seen.clear();
    shortcuts.progressCallback = [](const char* item, const char* title, int32_t, int32_t) {
        seen.push_back(std::string(title) + ":" + item);
    };
    FixShortcuts(shortcuts);
    CloseHandle(lock);
    EXPECT_EQ(shortcuts.fixedCount, 2);
    EXPECT_FALSE(PathExists(ro));
    EXPECT_FALSE(PathExists(hidden));
    EXPECT_TRUE(PathExists(locked));
    EXPECT_EQ(GetFileAttributesA(locked.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));  // given back
    EXPECT_TRUE(PathExists(back));
    EXPECT_TRUE(PathExists(dir.file("not-a-link.lnk")));
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0], "Fixing ShortCuts:" + ro);
}

TEST(RepairAccessDenied, AKeyThatRefusesDeletionCountsMinusOneInItsRow) {
    ScratchDir dir("repair-denied");
    SeededKey cls(CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTD1}");
    SeededKey server(cls.path() + "\\InprocServer32", false);
    server.setString("", dir.file("gone.dll"));
    SeededKey run(TEST_BASE + "\\Denied");
    run.setString("gone", dir.file("run.exe"));
    // Everyone may read and set values, nobody may list the subkeys, which the deletion of a tree
    // needs. (Wine grants DELETE itself whatever the access list says, but enforces the rest.)
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    EXPLICIT_ACCESSA ea{};
    ea.grfAccessPermissions = KEY_QUERY_VALUE | KEY_SET_VALUE | READ_CONTROL | WRITE_DAC;
    ea.grfAccessMode = GRANT_ACCESS;
    ea.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    ea.Trustee.ptstrName = static_cast<LPSTR>(everyone);
    PACL acl = nullptr;
    ASSERT_EQ(SetEntriesInAclA(1, &ea, nullptr, &acl), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(SetSecurityInfo(cls.handle(), SE_REGISTRY_KEY,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, acl,
                              nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    HKEY probe = nullptr;
    const LONG probeRc = RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{2E00F1X0-0000-0000-0000-00000000ZTD1}", 0,
                                       DELETE | KEY_ENUMERATE_SUB_KEYS, &probe);
    if (probe) RegCloseKey(probe);
    if (probeRc == ERROR_SUCCESS) {
        SetSecurityInfo(cls.handle(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr);
        LocalFree(acl);
        FreeSid(everyone);
        GTEST_SKIP() << "this Wine grants deletion rights against the key's access list";
    }
    CRegistryLib lib;
    lib.ErrorList.push_back(record("CLSID", cls.path(), "KEY"));
    lib.ErrorList.push_back(record("Startup", run.path(), "VAL", "gone"));
    CategoryResults rows = allRows();
    EXPECT_FALSE(lib.FixErrors(rows, "undo.xml"));  // a class left in place keeps the undo file
    EXPECT_TRUE(PathExists("undo.xml"));
    EXPECT_EQ(lib.repairOutcome.notRecorded, 1);  // it could not even be listed, so not recorded
    RegKey still;  // opened with a right the access list grants
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID\\{2E00F1X0-0000-0000-0000-00000000ZTD1}", 0, KEY_QUERY_VALUE,
                            still.put()),
              ERROR_SUCCESS);
    EXPECT_FALSE(ValueExists(run.path(), "gone"));
    EXPECT_EQ(fixedOf(rows, COM), -1);  // once, though pass 2 met it again
    EXPECT_EQ(fixedOf(rows, STARTUP), 1);
    EXPECT_EQ(fixedOf(rows, HELP), 0);
    // An empty access list lets everyone in again, so that the guard can remove the key.
    SetSecurityInfo(cls.handle(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr);
    LocalFree(acl);
    FreeSid(everyone);
}

// How a repair ended, said in one text: the counts, the first entries left and why, the undo file.
TEST(RepairEndMessage, CountsTheRemovedAndTheLeftAndListsOnlyTheFirstReasons) {
    auto report = [](int removed, int left, size_t listed) {
        RepairReport r;
        r.undoFile = "FixedOnX.xml";
        r.registryDone = left == 0;
        r.shortcutsDone = true;
        r.removed = removed;
        r.left = left;
        for (size_t i = 0; i < listed; ++i) r.firstLeft.push_back("K" + std::to_string(i) + " (why)");
        return r;
    };
    RepairReport stoppedEarly;
    RepairReport noBackup;
    noBackup.backupFailed = true;
    RepairReport stoppedLate = report(2, 0, 0);
    stoppedLate.shortcutsDone = false;
    RepairReport unwritable = report(0, 1, 1);
    unwritable.undoUsable = false;
    RepairReport kept = report(1, 1, 1);
    kept.undoKept = true;
    const struct {
        const char* what;
        RepairReport report;
        std::string expected;
    } cases[] = {
        {"all", report(3, 0, 0), "Items selected have been removed from the system"},
        {"none selected", report(0, 0, 0), "Items selected have been removed from the system"},
        {"one left", report(1, 1, 1), "1 entry was removed; 1 entry was left in place:\n  K0 (why)"},
        {"more left than listed", report(0, 7, 5),
         "0 entries were removed; 7 entries were left in place:\n  K0 (why)\n  K1 (why)\n  K2 (why)\n  K3 (why)\n"
         "  K4 (why)\n  and 2 more"},
        {"no backup", noBackup, "No backup could be made, so nothing was removed."},
        {"stopped before", stoppedEarly, "The repair was stopped before it began; nothing was removed."},
        {"stopped before the shortcuts", stoppedLate,
         "2 entries were removed.\nThe repair was stopped before the shortcut files; they were left in place."},
    };
    for (const auto& c : cases) EXPECT_EQ(RepairEndMessage(c.report), c.expected) << c.what;
    // The undo file is named by its full path, whether it was kept or could not be written.
    ScratchDir dir("repair-end-text");
    const std::string keptText = RepairEndMessage(kept), unwritableText = RepairEndMessage(unwritable);
    EXPECT_NE(keptText.find("\nThe undo file " + dir.file("FixedOnX.xml") + " was kept"), std::string::npos) << keptText;
    EXPECT_NE(unwritableText.find("\nThe undo file " + dir.file("FixedOnX.xml") + " could not be written."),
              std::string::npos)
        << unwritableText;
}

// The results screen's repair on the real registry, with an entry that cannot go: the message
// counts it apart, gives its reason, and names the undo file it keeps, which gives it all back.
TEST(RepairEndMessage, APartialRepairNamesWhatStayedWhyAndTheUndoFileItKept) {
    StopReset stop;
    ScratchDir dir("repair-partial");
    const std::string gone = CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTG1}";
    const std::string stuck = CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTG2}";
    const std::string keptIn = CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-00000000ZTG3}";
    for (const auto& k : {gone, stuck, keptIn}) DeleteKeyPath(k);
    SeededKey goneKey(gone + "\\InprocServer32"), stuckA(stuck + "\\A"), stuckB(stuck + "\\B", false);
    SeededKey keptKey(keptIn + "\\InprocServer32");
    goneKey.setString("", dir.file("a.dll"));
    stuckA.setString("a", "1");
    stuckB.setString("b", "2");
    SeededKey run(TEST_BASE + "\\End");
    run.setString("gone", dir.file("run.exe"));
    const RegistryTree stuckBefore = SnapshotTree(stuck);
    CRegistryLib lib;
    lib.ErrorList.push_back(record("CLSID", gone, "KEY"));
    lib.ErrorList.push_back(record("CLSID", stuck, "KEY"));
    lib.ErrorList.push_back(record("Startup", run.path(), "VAL", "gone"));
    lib.ErrorList.push_back(record("CLSID", keptIn, "KEY"));
    lib.ErrorList.push_back(record("CLSID", keptIn + "\\InprocServer32", "VAL", "(Default)"));
    CShortcut shortcuts(&lib);
    CategoryResults rows = allRows();
    RepairJob job{lib, shortcuts, rows, nullptr, {}};
    std::vector<std::string> messages;
    job.callbacks.message = [&](const std::string& t, const std::string& c) { messages.push_back(t + "|" + c); };
    RowTicks ticks;
    ticks.registry = {true, true, true, true, false};  // the last row kept: its class stays
    RepairReport report;
    {
        // A leaf that may be read but not listed, which the deletion of its class needs.
        KeyAccessLimit leaf(stuck + "\\B", KEY_QUERY_VALUE);
        ASSERT_TRUE(leaf.applied());
        report = RepairSelectedEntries(job, ticks);
    }
    EXPECT_FALSE(KeyExists(gone));
    EXPECT_FALSE(ValueExists(run.path(), "gone"));
    EXPECT_EQ(FirstTreeDifference(stuckBefore, SnapshotTree(stuck)), "") << "written back whole";
    EXPECT_TRUE(KeyExists(keptIn + "\\InprocServer32"));
    EXPECT_EQ(report.removed, 2);
    EXPECT_EQ(report.left, 2);
    const auto undo = filesMatching("FixedOn*.xml");
    ASSERT_EQ(undo.size(), 1u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "2 entries were removed; 2 entries were left in place:\n  " + stuck +
                               " (access denied)\n  " + keptIn + " (holds an entry you kept)\nThe undo file " +
                               dir.file(undo[0]) +
                               " was kept: it holds what was removed, to be put back with Restore.|Zenthar");
    CRegistryLib importer;
    XmlReader reader;
    EXPECT_EQ(importer.LoadXmlFile(reader, undo[0]), 1);
    EXPECT_TRUE(KeyExists(gone + "\\InprocServer32"));
    EXPECT_TRUE(ValueExists(run.path(), "gone"));
    for (const auto& k : {gone, stuck, keptIn}) DeleteKeyPath(k);
}

namespace {

// A broken shortcut made with the shell link object: its target existed and was deleted.
std::string brokenShortcut(const std::string& folder, const std::string& name) {
    const std::string target = folder + "\\" + name + ".target.txt", link = folder + "\\" + name + ".lnk";
    WriteTextFile(target, "x");
    std::string tool = CliPath();
    tool = tool.substr(0, tool.rfind('\\') + 1) + "make-shortcut.exe";
    RunProcess("\"" + tool + "\" \"" + link + "\" \"" + target + "\"");
    DeleteFileA(target.c_str());
    return link;
}

std::string inQuotes(const std::string& s) { return "\"" + s + "\""; }

// A console repair in a child process that the test can kill at any moment.
class ChildRepair {
public:
    ChildRepair(const std::string& args, const std::string& dir) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        nul_ = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = nul_;
        si.hStdOutput = nul_;
        si.hStdError = nul_;
        // The folder is the repair's data folder: the undo file is watched there.
        std::string cmd = inQuotes(CliPath()) + " --data " + inQuotes(dir) + " " + args;
        started_ = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &si, &pi_);
    }
    ~ChildRepair() {
        if (started_) {
            if (running()) TerminateProcess(pi_.hProcess, 98);
            WaitForSingleObject(pi_.hProcess, INFINITE);
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
        }
        CloseHandle(nul_);
    }
    bool started() const { return started_; }
    bool running() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }
    // True when the child was still running and is now gone without a chance to clean up.
    bool kill() {
        if (!running() || !TerminateProcess(pi_.hProcess, 99)) return false;
        WaitForSingleObject(pi_.hProcess, INFINITE);
        return exitCode() == 99;
    }
    DWORD exitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }

private:
    HANDLE nul_ = INVALID_HANDLE_VALUE;
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

// Size of the undo file in the current directory, -1 while there is none.
long long undoFileSize() {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("FixedOn*.xml", &fd);
    if (h == INVALID_HANDLE_VALUE) return -1;
    FindClose(h);
    return (static_cast<long long>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
}

double secondsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}
}  // namespace

TEST(FixCommand, RemovesTheTickedFindingsLeavesTheRestAndTheBackupRestoresByteForByte) {
    ScratchDir dir("repair-cli");
    Seeds seeds(dir);
    CreateDirectoryA(dir.file("links").c_str(), nullptr);
    const std::string gone1 = brokenShortcut(dir.file("links"), "gone1");
    const std::string gone2 = brokenShortcut(dir.file("links"), "gone2");
    const std::string keptLink = brokenShortcut(dir.file("links"), "kept");
    ASSERT_TRUE(PathExists(gone1) && PathExists(gone2) && PathExists(keptLink));
    SetFileAttributesA(gone2.c_str(), FILE_ATTRIBUTE_READONLY);

    // Findings of the prefix itself are kept as well, like the seeded entries of `kept`.
    std::string keeps = " --keep " + inQuotes(seeds.kept) + " --keep " + inQuotes(keptLink);
    size_t prefixFindings = 0;
    for (const auto& line : SplitLines(RunCli("scan", dir.path()).out)) {
        const std::string path = line.substr(line.rfind('\t') + 1);
        if (startsWith(line, "FINDING\t") && !startsWith(path, dir.path() + "\\")) {
            keeps += " --keep " + inQuotes(path);
            ++prefixFindings;
        }
    }
    const std::string before = regeditExport(dir.file("before.reg"));

    auto dry = RunCli("fix --level deep" + keeps, dir.path());
    EXPECT_EQ(dry.exitCode, 1u) << dry.err;
    EXPECT_NE(dry.err.find("--yes"), std::string::npos);
    EXPECT_EQ(SplitLines(dry.out).size(), 10u + 2u);
    EXPECT_FALSE(PathExists("ignore.lst") || PathExists(BACKUP_FOLDER));
    EXPECT_TRUE(PathExists(gone1));
    EXPECT_TRUE(regeditExport(dir.file("dry.reg")) == before);

    auto r = RunCli("fix --level deep" + keeps + " --yes", dir.path());
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    std::vector<std::string> findings;
    std::vector<int> fixed;
    for (const auto& line : SplitLines(r.out)) {
        if (startsWith(line, "FINDING\t")) {
            EXPECT_TRUE(fixed.empty()) << "findings come before rows";
            findings.push_back(line);
        } else if (startsWith(line, "ROW\t")) {
            fixed.push_back(std::stoi(line.substr(line.rfind('\t') + 1)));
        }
    }
    EXPECT_EQ(findings.size(), 12u);
    for (const auto& f : findings) EXPECT_NE(f.find(dir.path()), std::string::npos) << f;
    // Nine categories, the file types (none seeded here), then shortcuts.
    EXPECT_EQ(fixed, (std::vector<int>{1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 2}));
    EXPECT_NE(r.err.find("Backup: " + dir.file("Registry Backups") + "\\"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Items selected have been removed from the system"), std::string::npos) << r.err;
    EXPECT_TRUE(filesMatching("FixedOn*.xml").empty());
    EXPECT_FALSE(PathExists(gone1));
    EXPECT_FALSE(PathExists(gone2));
    EXPECT_TRUE(PathExists(keptLink));
    const auto ignored = SplitLines(ReadTextFile("ignore.lst"));
    EXPECT_EQ(ignored.size(), prefixFindings + 3);
    EXPECT_EQ(std::count(ignored.begin(), ignored.end(), seeds.kept), 2);
    EXPECT_EQ(ignored.back(), keptLink);  // shortcut rows come after the registry rows

    const std::string after = regeditExport(dir.file("after.reg"));
    EXPECT_EQ(firstDifference(without(parseExport(before), seeds.removals), parseExport(after)), "");
    auto restore = RunCli("restore", dir.path());
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    const std::string restored = regeditExport(dir.file("restored.reg"));
    EXPECT_TRUE(restored == before) << firstLineDifference(before, restored);
}

// The longest names the registry takes where each category's scanner reads (key names of 255
// letters, value names of 16,383): removed by the console's repair, given back whole by its restore.
TEST(FixCommand, TheLongestKeyAndValueNamesOfEveryCategoryAreRemovedAndRestored) {
    ScratchDir dir("repair-longest");
    const std::string longKey = "\\" + std::string(255, 'K'), longValue(16383, 'V'), gone = dir.file("gone.exe");
    struct Case { std::string key, value, data; bool keyGoes; } cases[] = {  // a key of its own when it names longKey
        {CLSID_KEY + longKey + "\\InprocServer32", "", gone, true}, {APP_PATHS_KEY + longKey, "", gone, true},
        {SHARED_TOOLS_KEY + longKey, "Path", gone, true}, {UNINSTALL_KEY + longKey, "UninstallString", gone, false},
        {DRIVERS_KEY, longValue, gone, false}, {FONTS_NT_KEY, longValue, gone, false}, {RUN_KEY, longValue, gone, false},
        {SHARED_DLLS_KEY, dir.file(std::string(200, 'S') + ".dll"), "", false},
        {HELP_FILES_KEY, std::string(200, 'H') + ".hlp", dir.path() + "\\", false}};
    std::vector<std::unique_ptr<SeededKey>> keys;
    std::vector<std::unique_ptr<SeededValue>> values;
    std::vector<ExactTree> before;
    for (const auto& c : cases) {
        if (c.key.find(longKey) == std::string::npos) values.push_back(std::make_unique<SeededValue>(c.key, c.value, c.data));
        else (keys.emplace_back(std::make_unique<SeededKey>(c.key)))->setString(c.value, c.data);
        before.push_back(SnapshotTreeExact(c.key));
        ASSERT_FALSE(before.back().empty()) << c.key.substr(0, 90);
    }
    std::string keeps;  // the prefix's own findings stay
    for (const auto& line : SplitLines(RunCli("scan", dir.path()).out))
        if (startsWith(line, "FINDING\t") && line.find(dir.path() + "\\") == std::string::npos)
            keeps += " --keep " + inQuotes(line.substr(line.rfind('\t') + 1));
    // COM classes are risky: only the deep level takes every category.
    EXPECT_EQ(RunCli("fix --level deep --yes" + keeps, dir.path()).exitCode, 0u);
    for (const auto& c : cases)
        EXPECT_FALSE(c.keyGoes ? KeyExists(c.key) : ValueExists(c.key, c.value)) << c.key.substr(0, 90);
    EXPECT_EQ(RunCli("restore", dir.path()).exitCode, 0u);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(FirstExactDifference(before[i], SnapshotTreeExact(cases[i].key)), "") << cases[i].key.substr(0, 90);
}

// Per-user programs and file types, valid and broken, in every reading: the scan reports exactly the
// broken ones under the names the registry stores, a repair removes exactly them (a file type loses
// only the verb), and both its undo file and its backup give the registry back byte for byte.
TEST(PerUserAndFileTypes, ScanRepairUndoAndRestoreTakeExactlyTheBrokenEntries) {
    ScratchDir dir("repair-peruser");
    CreateDirectoryA(dir.file("ok").c_str(), nullptr);
    WriteTextFile(dir.file("ok\\app.exe"), "MZ");
    const std::string user = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string machine = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string ok = dir.file("ok\\app.exe"), gone = dir.path() + "\\gone";
    struct Row {
        std::string key, name, data;
        DWORD type;
        const char* removes;  // "": valid; "KEY": the record names `key`; "VERB": its parent; "VAL": the value
    };
    const Row rows[] = {
        {user + "Run", "ZtUserOk", "\"" + ok + "\" /min", REG_SZ, ""},
        {user + "Run", "ZtUserGone", "\"" + gone + "\\tray.exe\" /min", REG_SZ, "VAL"},
        {user + "RunOnce", "ZtUserOnce", gone + "\\once.exe -first", REG_SZ, "VAL"},
        {machine + "RunOnce", "ZtMachineOnceOk", "%SystemRoot%\\system32\\notepad.exe", REG_EXPAND_SZ, ""},
        {machine + "RunOnce", "ZtMachineOnce", gone + "\\setup.exe /resume", REG_SZ, "VAL"},
        {user + "Uninstall\\ZtUserApp", "UninstallString", "\"" + gone + "\\unins000.exe\" /S", REG_SZ, "VAL"},
        {user + "Uninstall\\ZtUserAppOk", "UninstallString", "\"" + ok + "\" /uninstall", REG_SZ, ""},
        {user + "App Paths\\ZtUserTool.exe", "", gone + "\\tool.exe", REG_SZ, "KEY"},
        {user + "App Paths\\ZtUserOk.exe", "", ok, REG_SZ, ""},
        {"HKEY_CLASSES_ROOT\\ZtDoc.Gone\\shell\\open\\command", "", "\"" + gone + "\\viewer.exe\" \"%1\"", REG_SZ, "VERB"},
        {"HKEY_CLASSES_ROOT\\ZtDoc.Gone\\shell\\print\\command", "", "notepad.exe /p %1", REG_SZ, ""},
        {"HKEY_CLASSES_ROOT\\ZtDoc.Env\\shell\\open\\command", "", "%SystemRoot%\\system32\\notepad.exe %1",
         REG_EXPAND_SZ, ""},
        {"HKEY_CLASSES_ROOT\\ZtDoc.Lib\\shell\\Preview\\command", "", "rundll32.exe \"" + gone + "\\prev.dll\",Show %1",
         REG_SZ, "VERB"},
        {"HKEY_CLASSES_ROOT\\ZtDoc.Lib\\shell\\open\\command", "", "rundll32.exe shell32.dll,Control_RunDLL %1", REG_SZ,
         ""},
        {"HKEY_CLASSES_ROOT\\ZtDoc.Args\\shell\\open\\command", "", ok + " -view %1", REG_SZ, ""},
        {"HKEY_CLASSES_ROOT\\ZtDoc.Args\\shell\\edit\\command", "", gone + "\\app.exe -edit %1", REG_SZ, "VERB"},
        {"HKEY_CLASSES_ROOT\\ZtDoc.Self\\shell\\open\\command", "", "\"%1\" %*", REG_SZ, ""},
    };
    std::vector<std::unique_ptr<EnsuredKey>> ensured;
    for (const std::string& k : {user + "Run", user + "RunOnce", machine + "RunOnce"})
        ensured.push_back(std::make_unique<EnsuredKey>(k));
    std::vector<std::unique_ptr<SeededKey>> keys;
    std::vector<std::unique_ptr<SeededValue>> values;
    std::vector<Removal> removals;
    std::multiset<std::string> expected;  // "keyPath|value name" of each broken row
    for (const Row& r : rows) {
        const std::string removes = r.removes;
        const bool fileType = startsWith(r.key, "HKEY_CLASSES_ROOT\\");
        if (fileType || removes == "KEY" || r.key.find("\\Uninstall\\") != std::string::npos) {
            const std::string own = fileType ? r.key.substr(0, r.key.find("\\shell\\")) : r.key;
            if (own != r.key && std::none_of(keys.begin(), keys.end(), [&](const auto& k) { return k->path() == own; }))
                keys.push_back(std::make_unique<SeededKey>(own));
            keys.push_back(std::make_unique<SeededKey>(r.key, own == r.key));
            keys.back()->setString(r.name, r.data, r.type);
        } else {
            values.push_back(std::make_unique<SeededValue>(r.key, r.name, r.data, r.type));
        }
        if (removes.empty()) continue;
        const std::string keyPath = removes == "VERB" ? r.key.substr(0, r.key.rfind('\\')) : r.key;
        removals.push_back({keyPath, removes == "VAL" ? r.name : ""});
        expected.insert(keyPath + "|" + (r.name.empty() ? "(Default)" : r.name));
    }
    const std::string before = regeditExport(dir.file("before.reg"));

    ScannedEngine scan;
    ScanSelection selection;
    for (ScanCategory c : {STARTUP, UNINSTALL, APPPATH, FILETYPES}) selection[c] = 1;
    ScanRun(scan.engine, scan.shortcuts, selection, scan.results, nullptr);
    std::multiset<std::string> found;
    for (const auto& e : scan.engine.ErrorList)
        if (startsWith(e->filePath, dir.path() + "\\")) found.insert(e->keyPath + "|" + e->value->name);
    EXPECT_EQ(found, expected);

    // The repair dies after its first pass removed everything: its undo file gives it all back.
    scan.keepOnlyUnder(dir.path());
    scan.engine.progressCallback = [](const char*, const char* title, int32_t, int32_t) {
        if (std::string(title) == "Fixing Help Files ") throw std::runtime_error("killed");
    };
    EXPECT_THROW(scan.engine.FixErrors(scan.results, "undo.xml"), std::runtime_error);
    const std::string after = regeditExport(dir.file("after.reg"));
    EXPECT_EQ(firstDifference(without(parseExport(before), removals), parseExport(after)), "");
    CRegistryLib importer;
    XmlReader reader;
    ASSERT_EQ(importer.LoadXmlFile(reader, "undo.xml"), 1);
    const std::string undone = regeditExport(dir.file("undone.reg"));
    EXPECT_TRUE(undone == before) << firstLineDifference(before, undone);

    // The console's repair, then the backup it made.
    std::string keeps;
    for (const auto& line : SplitLines(RunCli("scan --only STARTUP,UNINSTALL,APPPATH,FILETYPES", dir.path()).out))
        if (startsWith(line, "FINDING\t") && line.find(dir.path()) == std::string::npos)
            keeps += " --keep " + inQuotes(line.substr(line.rfind('\t') + 1));
    auto fix = RunCli("fix --only STARTUP,UNINSTALL,APPPATH,FILETYPES" + keeps + " --yes", dir.path());
    EXPECT_EQ(fix.exitCode, 0u) << fix.out << fix.err;
    EXPECT_EQ(firstDifference(without(parseExport(before), removals), parseExport(regeditExport(dir.file("fixed.reg")))),
              "");
    EXPECT_EQ(RunCli("restore", dir.path()).exitCode, 0u);
    const std::string restored = regeditExport(dir.file("restored.reg"));
    EXPECT_TRUE(restored == before) << firstLineDifference(before, restored);
}

// 600 findings in the suite; 3,000 in the stress run (`CTEST_ARGS='-L stress' make test`), which
// sets ZENTHAR_STRESS.
TEST(RepairCrashSafety, ARepairKilledAnywhereLeavesAnUndoFileThatGivesTheRegistryBack) {
    const bool stress = std::getenv("ZENTHAR_STRESS") != nullptr;
    const int VALUES = stress ? 2700 : 540, CLASSES = stress ? 300 : 60, FINDINGS = VALUES + CLASSES;
    ScratchDir dir("repair-crash");
    EnsuredKey dlls(SHARED_DLLS_KEY);
    std::vector<std::string> valueNames, classKeys;
    std::vector<std::unique_ptr<SeededKey>> classes;
    {
        RegKey key;
        std::string sub = SHARED_DLLS_KEY;
        CRegistryLib::SeperateMainKey(sub);
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, sub.c_str(), 0, KEY_SET_VALUE, key.put()), ERROR_SUCCESS);
        for (DWORD i = 0; i < static_cast<DWORD>(VALUES); ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "\\gone-%04lu.dll", static_cast<unsigned long>(i));
            valueNames.push_back(dir.path() + name);
            RegSetValueExA(key.get(), valueNames.back().c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), 4);
        }
    }
    struct ValueCleanup {
        const std::vector<std::string>& names;
        ~ValueCleanup() {
            RegKey key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", 0,
                              KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
                for (const auto& n : names) RegDeleteValueA(key.get(), n.c_str());
        }
    } cleanup{valueNames};
    for (int i = 0; i < CLASSES; ++i) {
        char clsid[64];
        std::snprintf(clsid, sizeof clsid, "\\{2E00C0A5-0000-0000-0000-0000000%05d}", i);
        classKeys.push_back(CLSID_KEY + clsid);
        classes.push_back(std::make_unique<SeededKey>(classKeys.back()));
        classes.back()->setString("", "Crash test class");
        SeededKey server(classKeys.back() + "\\InprocServer32", false);
        server.setString("", dir.file("server.dll"));
        server.setString("ThreadingModel", "Apartment");
        SeededKey(classKeys.back() + "\\ProgID", false).setString("", "Zenthar.Crash.1");
    }
    auto deleted = [&] {
        int n = 0;
        for (const auto& v : valueNames) n += !ValueExists(SHARED_DLLS_KEY, v);
        for (const auto& k : classKeys) n += !KeyExists(k + "\\InprocServer32");
        return n;
    };
    const std::string before = regeditExport(dir.file("before.reg"));
    const std::string args = "fix --only COM,COM_SUBS --level deep --yes";

    // One repair to the end: how long each finding takes, and how large the undo file grows.
    long long largest = 0;
    {
        const auto start = std::chrono::steady_clock::now();
        ChildRepair child(args, dir.path());
        ASSERT_TRUE(child.started());
        std::chrono::steady_clock::time_point firstSeen;
        while (child.running()) {
            const long long size = undoFileSize();
            if (size >= 0 && firstSeen == std::chrono::steady_clock::time_point()) firstSeen = std::chrono::steady_clock::now();
            largest = std::max(largest, size);
            Sleep(1);
        }
        const double total = secondsSince(start), repair = secondsSince(firstSeen);
        EXPECT_EQ(child.exitCode(), 0u);
        EXPECT_EQ(deleted(), FINDINGS);
        EXPECT_EQ(undoFileSize(), -1);
        std::printf("repair of %d findings: %.2f s with scan and backup, %.2f s from the undo file's creation "
                    "(%.3f ms per finding); undo file up to %lld bytes\n",
                    FINDINGS, total, repair, repair * 1000 / FINDINGS, largest);
        ASSERT_GT(largest, 33LL * FINDINGS);  // kills at shares of the file fall far apart
        auto restore = RunCli("restore", dir.path());
        ASSERT_EQ(restore.exitCode, 0u) << restore.err;
        const std::string restored = regeditExport(dir.file("restored.reg"));
        ASSERT_TRUE(restored == before) << firstLineDifference(before, restored);
    }

    // Killed early, in the middle and late in the first pass (the only one that writes values), and
    // once the undo file is whole, which is in the later passes unless the repair ends first.
    for (double share : {0.02, 0.4, 0.9, 1.0}) {
        ChildRepair child(args, dir.path());
        ASSERT_TRUE(child.started());
        // The whole file but its closing "</registry>" line: the first pass is over.
        const double wanted = share < 1.0 ? share * largest : largest - 16;
        while (child.running() && undoFileSize() < wanted) Sleep(1);
        const bool killed = child.kill();
        const auto undo = filesMatching("FixedOn*.xml");
        if (!killed || undo.empty()) {
            ASSERT_EQ(share, 1.0) << "the repair ended before " << share << " of its undo file was written";
            std::printf("the repair had deleted its undo file before the last kill; the backup gives the "
                        "registry back instead\n");
            ASSERT_EQ(deleted(), FINDINGS);
            ASSERT_EQ(RunCli("restore", dir.path()).exitCode, 0u);
            EXPECT_TRUE(regeditExport(dir.file("restored.reg")) == before);
            continue;
        }
        ASSERT_EQ(undo.size(), 1u);
        const int gone = deleted();
        EXPECT_GT(gone, 0) << share;
        CRegistryLib importer;
        std::vector<std::string> messages;
        importer.xmlMessage = [&](const std::string& m) { messages.push_back(m); };
        XmlReader reader;
        EXPECT_EQ(importer.LoadXmlFile(reader, undo[0]), 1) << share;
        for (const auto& m : messages) EXPECT_EQ(m.compare(0, 11, "Parse error"), 0) << m;  // only the cut-off end
        const std::string now = regeditExport(dir.file("after-kill.reg"));
        std::printf("killed at %.0f%% of the undo file%s: %d of %d entries were gone, the import gave back %s\n",
                    share * 100, share < 1.0 ? "" : " (a later pass)", gone, FINDINGS,
                    now == before ? "all of them" : "NOT all of them");
        ASSERT_TRUE(now == before) << share << ": " << firstLineDifference(before, now);
        DeleteFileA(undo[0].c_str());
    }
}
