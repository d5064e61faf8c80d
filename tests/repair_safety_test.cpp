// What a repair removes always comes back exactly: values of every type and size, names outside the
// code page, deep trees and registry links through the backup and the undo file; entries that cannot
// be recorded, or hold a kept row, stay; failed removals are written back and reported.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <stdexcept>

#include "backup/Backup.h"
#include "routines/RepairRoutines.h"
#include "engine/scanners/Shortcut.h"
#include "registry/KeySnapshot.h"
#include "registry/RegKey.h"
#include "engine/RegistryLib.h"
#include "support/RegistryTree.h"
#include "support/TestSupport.h"
#include "xml/XmlElement.h"
#include "xml/XmlReader.h"

namespace {

const std::string CLSID_KEY = "HKEY_CLASSES_ROOT\\CLSID";
const std::string HOSTILE = "HKEY_CURRENT_USER\\Software\\ZentharTest\\HostileTarget";

std::string classKey(const char* suffix) { return CLSID_KEY + "\\{2E00F1X0-0000-0000-0000-0000000ZS" + suffix + "}"; }

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }  // ASCII paths only

// A key of a full path opened for writing through the wide-character API.
RegKey openW(const std::string& fullPath) {
    std::string sub = fullPath;
    const HKEY root = CRegistryLib::RootKeyFromName(CRegistryLib::SeperateMainKey(sub));
    RegKey key;
    RegCreateKeyExW(root, wide(sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    return key;
}

void setW(HKEY key, const std::wstring& name, DWORD type, const void* data, size_t size) {
    ASSERT_EQ(RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, type, static_cast<const BYTE*>(data),
                             static_cast<DWORD>(size)),
              ERROR_SUCCESS);
}

// A broken class as the COM scanner reports it: its server file is missing.
void brokenClass(const std::string& path, const ScratchDir& dir) {
    RegKey server = openW(path + "\\InprocServer32");
    const std::wstring gone = wide(dir.file("gone.dll"));
    setW(server.get(), L"", REG_SZ, gone.c_str(), (gone.size() + 1) * 2);
}

// A symbolic link `name` below `parentPath` to the key `targetPath`.
void makeLink(const std::string& parentPath, const std::wstring& name, const std::string& targetPath) {
    RegKey target = openW(targetPath);
    const std::wstring stored = StoredKeyName(target.get());
    ASSERT_FALSE(stored.empty());
    RegKey parent = openW(parentPath);
    RegKey link;
    ASSERT_EQ(RegCreateKeyExW(parent.get(), name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                              KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, link.put(), nullptr),
              ERROR_SUCCESS);
    setW(link.get(), LINK_VALUE_NAME, REG_LINK, stored.data(), stored.size() * 2);
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// The console's fix of the COM category, keeping whatever the prefix itself reports.
ProcessResult fixCom(const ScratchDir& dir, const std::string& extra = std::string()) {
    std::string keeps;
    for (const auto& line : SplitLines(RunCli("scan --only COM", dir.path()).out)) {
        const std::string path = line.substr(line.rfind('\t') + 1);
        if (line.compare(0, 8, "FINDING\t") == 0 && path.compare(0, dir.path().size(), dir.path()) != 0)
            keeps += " --keep " + quoted(path);
    }
    return RunCli("fix --only COM --level deep --yes" + keeps + extra, dir.path());
}

int fixedInRow(const ProcessResult& r, const std::string& title) {
    for (const auto& line : SplitLines(r.out))
        if (line.compare(0, 4 + title.size() + 1, "ROW\t" + title + "\t") == 0) return std::stoi(line.substr(line.rfind('\t') + 1));
    return 9999;
}

std::vector<std::string> undoFiles() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA("FixedOn*.xml", &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

std::unique_ptr<RegistryError> keyRecord(const std::string& path, const std::string& file) {
    auto err = std::make_unique<RegistryError>();
    err->type = "CLSID";
    err->keyPath = path;
    err->action = "KEY";
    err->value = std::make_unique<ValueRecord>(ValueRecord{"(Default)", file, REG_SZ});
    err->filePath = file;
    return err;
}

// An in-process repair of these class keys that dies in its second pass: its undo file stays.
std::string interruptedRepair(const std::vector<std::string>& classes) {
    CRegistryLib lib;
    for (const auto& c : classes) lib.ErrorList.push_back(keyRecord(c, "C:\\gone.dll"));
    lib.progressCallback = [](const char*, const char* title, int32_t, int32_t) {
        if (std::string(title) == "Fixing Help Files ") throw std::runtime_error("killed");
    };
    CategoryResults rows;
    EXPECT_THROW(lib.FixErrors(rows, "interrupted.xml"), std::runtime_error);
    return "interrupted.xml";
}

// Seeds every kind of value the registry holds below `path`, through the wide-character API.
void seedExotic(const std::string& path) {
    RegKey k = openW(path);
    const std::wstring text = L"Zenthar \u263A \u540D\u524D \u03A9";
    const unsigned char small[] = {1, 2, 3, 0, 0xFF};
    const unsigned char bigEndian[] = {0, 0, 0, 16};
    const std::wstring linkTarget = L"\\Registry\\Machine\\Software";
    std::vector<unsigned char> kb20(20 * 1024), kb100(100 * 1024);
    for (size_t i = 0; i < kb100.size(); ++i) kb100[i] = static_cast<unsigned char>(i * 7);
    for (size_t i = 0; i < kb20.size(); ++i) kb20[i] = static_cast<unsigned char>(i);
    std::wstring megabyte(512 * 1024, L'x');
    for (size_t i = 0; i < megabyte.size(); i += 97) megabyte[i] = L'\u263A';
    const wchar_t multi[] = L"a\0\u263A\0";
    const struct { std::wstring name; DWORD type; const void* data; size_t size; } values[] = {
        {L"", REG_SZ, text.c_str(), (text.size() + 1) * 2},
        {L"\u540D\u524D \u263A", REG_SZ, text.c_str(), (text.size() + 1) * 2},
        {L"none", REG_NONE, small, sizeof small},
        {L"big endian", REG_DWORD_BIG_ENDIAN, bigEndian, 4},
        {L"link value", REG_LINK, linkTarget.data(), linkTarget.size() * 2},
        {L"resource list", REG_RESOURCE_LIST, small, sizeof small},
        {L"full resource", REG_FULL_RESOURCE_DESCRIPTOR, small, sizeof small},
        {L"requirements", REG_RESOURCE_REQUIREMENTS_LIST, small, sizeof small},
        {L"custom", 0x12345, small, sizeof small},
        {L"unterminated", REG_SZ, L"abc", 6},
        {L"odd length", REG_SZ, "a\0b\0c", 5},
        {L"short dword", REG_DWORD, small, 2},
        {L"multi", REG_MULTI_SZ, multi, sizeof multi},
        {L"expand", REG_EXPAND_SZ, L"%SystemRoot%\\\u263A", 30},
        {L"(Default)", REG_SZ, L"literal", 16},
        {L"binary 20k", REG_BINARY, kb20.data(), kb20.size()},
        {L"binary 100k", REG_BINARY, kb100.data(), kb100.size()},
        {L"string 1m", REG_SZ, megabyte.c_str(), (megabyte.size() + 1) * 2},
    };
    for (const auto& v : values) setW(k.get(), v.name, v.type, v.data, v.size);
    // A 255-character key name, a key named outside the code page, and a tree 200 levels deep.
    RegKey longName, foreign, level;
    const std::wstring name255 = std::wstring(254, L'k') + L"\u263A";
    ASSERT_EQ(RegCreateKeyExW(k.get(), name255.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, longName.put(), nullptr),
              ERROR_SUCCESS);
    setW(longName.get(), L"v", REG_DWORD, bigEndian, 4);
    ASSERT_EQ(RegCreateKeyExW(k.get(), L"\u041A\u043B\u044E\u0447", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, foreign.put(),
                              nullptr),
              ERROR_SUCCESS);
    setW(foreign.get(), L"\u263A", REG_SZ, L"\u263A", 4);
    HKEY parent = k.get();
    std::vector<RegKey> levels;
    for (int depth = 0; depth < 200; ++depth) {
        levels.emplace_back();
        ASSERT_EQ(RegCreateKeyExW(parent, L"d", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, levels.back().put(), nullptr),
                  ERROR_SUCCESS);
        parent = levels.back().get();
    }
    setW(parent, L"bottom", REG_DWORD, bigEndian, 4);
}

}  // namespace

TEST(ExactRoundTrip, EveryValueComesBackFromTheBackupAndFromTheUndoFile) {
    ScratchDir dir("safety-exact");
    const std::vector<std::string> classes = {classKey("X1"), classKey("X2")};
    for (const auto& c : classes) {
        DeleteKeyPath(c);
        brokenClass(c, dir);
        seedExotic(c + "\\Exotic");
    }
    std::vector<ExactTree> before;
    for (const auto& c : classes) before.push_back(SnapshotTreeExact(c));
    ASSERT_GT(before[0].size(), 200u);

    const auto start = std::chrono::steady_clock::now();
    const ProcessResult fix = fixCom(dir);
    const double fixSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(fix.exitCode, 0u) << fix.err;
    EXPECT_EQ(fixedInRow(fix, "Invalid CLSID"), 2) << fix.out;
    for (const auto& c : classes) ASSERT_FALSE(KeyExists(c));
    const ProcessResult restore = RunCli("restore", dir.path());
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    for (size_t i = 0; i < classes.size(); ++i)
        EXPECT_EQ(FirstExactDifference(before[i], SnapshotTreeExact(classes[i])), "") << "restore of " << classes[i];

    const std::string undo = interruptedRepair(classes);
    for (const auto& c : classes) ASSERT_FALSE(KeyExists(c));
    const ProcessResult imported = RunCli("undo " + undo, dir.path());
    EXPECT_EQ(imported.exitCode, 0u) << imported.err;
    for (size_t i = 0; i < classes.size(); ++i)
        EXPECT_EQ(FirstExactDifference(before[i], SnapshotTreeExact(classes[i])), "") << "undo of " << classes[i];
    std::printf("fix of two 1.2 MB classes with 200-level trees: %.1f s\n", fixSeconds);
    for (const auto& c : classes) DeleteKeyPath(c);
}

TEST(OldFiles, UndoFilesAndBackupsOfTheEarlierFormatsStillRestore) {
    ScratchDir dir("safety-old");
    const std::string key = "HKEY_CURRENT_USER\\Software\\ZentharTest\\Old";
    DeleteKeyPath(key);
    // An undo file as the earlier export wrote it: code-page text, "raw" bytes read through the
    // code-page calls.
    WriteTextFile("old.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n <registry>\r\n  <k name=\"HKEY_CURRENT_USER\">\r\n"
                             "   <k name=\"Software\">\r\n    <k name=\"ZentharTest\">\r\n     <k name=\"Old\">\r\n"
                             "      <v name=\"caf\xC3\xA9\" value=\"x\xC3\xA9\"/>\r\n"
                             "      <v name=\"raw\" value=\"ab\" raw=\"61 62 63\"/>\r\n"
                             "      <v name=\"d\" value=\"0x00000010 (16)\" type=\"REG_DWORD\"/>\r\n"
                             "     </k>\r\n    </k>\r\n   </k>\r\n  </k>\r\n </registry>\r\n");
    CRegistryLib lib;
    XmlReader reader;
    ASSERT_EQ(lib.LoadXmlFile(reader, "old.xml"), 1);
    ExactTree t = SnapshotTreeExact(key);
    EXPECT_EQ(t[L""][L"caf\u00E9"].bytes, (std::vector<unsigned char>{'x', 0, 0xE9, 0, 0, 0}));
    EXPECT_EQ(t[L""][L"raw"].bytes, (std::vector<unsigned char>{'a', 0, 'b', 0, 'c', 0}));
    EXPECT_EQ(t[L""][L"d"].bytes, (std::vector<unsigned char>{16, 0, 0, 0}));
    // A backup of the first binary format: root, path, one value, no subkeys.
    DeleteKeyPath(key);
    std::string bin;
    auto u32 = [&bin](uint32_t v) { bin.append(reinterpret_cast<const char*>(&v), 4); };
    const std::string sub = "Software\\ZentharTest\\Old";
    u32(0x80000001u);
    u32(static_cast<uint32_t>(sub.size()));
    bin += sub;
    u32(1);
    u32(1);
    bin += "v";
    u32(REG_SZ);
    u32(3);
    bin += std::string("hi\0", 3);
    u32(0);
    CreateDirectoryA(BACKUP_FOLDER, nullptr);
    WriteTextFile(std::string(BACKUP_FOLDER) + "\\2020-01-01_00-00-00.reg", bin);
    const ProcessResult r = RunCli("restore", dir.path());
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_EQ(SnapshotTreeExact(key)[L""][L"v"].bytes, (std::vector<unsigned char>{'h', 0, 'i', 0, 0, 0}));
    DeleteKeyPath(key);
    // A damaged one is refused with the whole reason, however long its numbers.
    std::string damaged = bin.substr(0, 8 + sub.size());
    damaged += std::string("\xFF\xFF\xFF\xFF", 4) + std::string(12, '\0');
    WriteTextFile(std::string(BACKUP_FOLDER) + "\\2020-01-01_00-00-00.reg", damaged);
    const ProcessResult refused = RunCli("restore", dir.path());
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_NE(refused.err.find("a value count of 4294967295 that the rest of the file cannot hold at byte 32); "
                               "nothing was restored."),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(KeyExists(key));
}

TEST(RegistryLinks, AreRemovedAsLinksRecordedAsLinksAndNeverFollowed) {
    ScratchDir dir("safety-links");
    DeleteKeyPath(HOSTILE);
    RegKey target = openW(HOSTILE);
    setW(target.get(), L"keep", REG_SZ, L"me", 6);
    openW(HOSTILE + "\\Child");
    const std::string outside = classKey("L1"), loop = classKey("L2"), wide_ = classKey("L3");
    for (const auto& c : {outside, loop, wide_}) {
        DeleteKeyPath(c);
        brokenClass(c, dir);
    }
    makeLink(outside, L"Elsewhere", HOSTILE);  // to a key outside CLSID
    makeLink(loop, L"Loop", loop);             // back to its own class
    makeLink(wide_, L"All", CLSID_KEY);        // to every class there is
    const ExactTree hostileBefore = SnapshotTreeExact(HOSTILE);
    std::vector<ExactTree> before;
    for (const auto& c : {outside, loop, wide_}) before.push_back(SnapshotTreeExact(c));
    ASSERT_EQ(before[0].count(L"\\Elsewhere (link)"), 1u);

    // The undo record of a link loop is small and gives the class back.
    {
        CRegistryLib lib;
        lib.undoWriter.SetFileName("loop.xml");
        const XmlElement registry("registry");
        registry.WriteOpenTag(lib.undoWriter);
        ASSERT_EQ(lib.SaveKeyAsXml(lib.undoWriter, loop, nullptr), 1);
        registry.WriteCloseTag(lib.undoWriter);
        lib.undoWriter.Close();
        EXPECT_LT(ReadTextFile("loop.xml").size(), 4000u);
        EXPECT_NE(ReadTextFile("loop.xml").find("link=\"1\""), std::string::npos);
    }
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult fix = fixCom(dir);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(fix.exitCode, 0u) << fix.err;
    EXPECT_LT(seconds, 60.0);
    EXPECT_EQ(FirstExactDifference(hostileBefore, SnapshotTreeExact(HOSTILE)), "");
    EXPECT_TRUE(KeyExists(CLSID_KEY));
    for (const auto& c : {outside, loop, wide_}) EXPECT_FALSE(KeyExists(c)) << c;

    const ProcessResult restore = RunCli("restore", dir.path());
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    size_t i = 0;
    for (const auto& c : {outside, loop, wide_}) EXPECT_EQ(FirstExactDifference(before[i++], SnapshotTreeExact(c)), "") << c;

    for (const auto& c : {outside, loop, wide_}) DeleteKeyPath(c);
    EXPECT_TRUE(KeyExists(HOSTILE + "\\Child"));  // the fixtures' own deletion does not follow either
    CRegistryLib importer;
    std::string messages;
    importer.xmlMessage = [&messages](const std::string& m) { messages += m + "\n"; };
    XmlReader reader;
    ASSERT_EQ(importer.LoadXmlFile(reader, "loop.xml"), 1) << messages;
    EXPECT_EQ(FirstExactDifference(before[1], SnapshotTreeExact(loop)), "");
    DeleteKeyPath(loop);
    DeleteKeyPath(HOSTILE);
}

TEST(HeldBack, EntriesThatCannotBeRecordedOrRemovedWholeStayAndAreReported) {
    ScratchDir dir("safety-held");
    const std::string unreadable = classKey("H1"), queryOnly = classKey("H2"), undeletable = classKey("H3");
    for (const auto& c : {unreadable, queryOnly, undeletable}) {
        DeleteKeyPath(c);
        brokenClass(c, dir);
    }
    // A subkey nobody may read: neither the backup nor the undo file could hold the class.
    openW(unreadable + "\\Secret");
    // A subkey that grants only query and enumerate: enough to record the class whole.
    setW(openW(queryOnly + "\\ProgID").get(), L"", REG_SZ, L"Zenthar.Q", 20);
    // A leaf that may be read but not listed, which its deletion needs: "A" goes first, then "B"
    // fails, and the class must come back whole.
    setW(openW(undeletable + "\\A").get(), L"a", REG_SZ, L"1", 4);
    setW(openW(undeletable + "\\B").get(), L"b", REG_SZ, L"2", 4);
    std::vector<ExactTree> before;
    for (const auto& c : {queryOnly, undeletable}) before.push_back(SnapshotTreeExact(c));
    ProcessResult fix;
    {
        KeyAccessLimit secret(unreadable + "\\Secret", KEY_SET_VALUE);
        KeyAccessLimit progId(queryOnly + "\\ProgID", KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
        KeyAccessLimit leaf(undeletable + "\\B", KEY_QUERY_VALUE);
        ASSERT_TRUE(secret.applied() && progId.applied() && leaf.applied());
        fix = fixCom(dir);
    }
    EXPECT_EQ(fix.exitCode, 2u) << fix.err;
    EXPECT_EQ(fix.err.find("Items selected have been removed"), std::string::npos) << fix.err;
    EXPECT_NE(fix.err.find("1 entries could not be recorded whole"), std::string::npos) << fix.err;
    EXPECT_NE(fix.err.find("1 entries could not be removed"), std::string::npos) << fix.err;
    EXPECT_EQ(fixedInRow(fix, "Invalid CLSID"), -1) << fix.out;  // +1 removed, -1 unreadable, -1 refused
    EXPECT_TRUE(KeyExists(unreadable + "\\InprocServer32"));
    EXPECT_FALSE(KeyExists(queryOnly));
    EXPECT_EQ(FirstExactDifference(before[1], SnapshotTreeExact(undeletable)), "");
    const auto kept = undoFiles();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(fix.err.find("The undo file " + dir.file(kept[0]) + " was kept"), std::string::npos) << fix.err;

    const ProcessResult restore = RunCli("restore", dir.path());
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    EXPECT_EQ(FirstExactDifference(before[0], SnapshotTreeExact(queryOnly)), "");
    for (const auto& c : {unreadable, queryOnly, undeletable}) DeleteKeyPath(c);
}

TEST(KeptRows, AKeptRowProtectsTheKeyItLiesInOrBelow) {
    ScratchDir dir("safety-kept");
    const std::string twice = classKey("K1"), other = classKey("K2"), parent = classKey("K3");
    for (const auto& c : {twice, other, parent}) {
        DeleteKeyPath(c);
        brokenClass(c, dir);
    }
    CRegistryLib engine;
    CShortcut shortcuts;
    CategoryResults results;
    engine.ErrorList.push_back(keyRecord(twice, dir.file("first.dll")));
    engine.ErrorList.push_back(keyRecord(twice, dir.file("second.dll")));  // kept
    engine.ErrorList.push_back(keyRecord(other, dir.file("other.dll")));
    engine.ErrorList.push_back(keyRecord(parent, dir.file("parent.dll")));
    engine.ErrorList.push_back(keyRecord(parent + "\\InprocServer32", dir.file("inner.dll")));  // kept
    RowTicks ticks;
    ticks.registry = {true, false, true, true, false};
    RepairJob job{engine, shortcuts, results, nullptr, {}};
    const RepairReport report = RepairSelectedEntries(job, ticks);
    EXPECT_FALSE(report.registryDone);
    EXPECT_EQ(engine.repairOutcome.keptInside, 2);
    EXPECT_TRUE(KeyExists(twice));
    EXPECT_TRUE(KeyExists(parent + "\\InprocServer32"));
    EXPECT_FALSE(KeyExists(other));
    for (const auto& c : {twice, other, parent}) DeleteKeyPath(c);
}

TEST(UndoFileNames, ASecondRepairInTheSameSecondNeverTakesTheFirstOnesFile) {
    ScratchDir dir("safety-names");
    EXPECT_EQ(NumberedUndoFileName("FixedOnX.xml", 1), "FixedOnX.xml");
    EXPECT_EQ(NumberedUndoFileName("FixedOnX.xml", 3), "FixedOnX_3.xml");
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        names.push_back(ReserveUndoFileName());
        WriteTextFile(names.back(), "repair " + std::to_string(i));
    }
    EXPECT_NE(names[0], names[1]);
    EXPECT_NE(names[1], names[2]);
    EXPECT_NE(names[0], names[2]);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadTextFile(names[i]), "repair " + std::to_string(i));
}

TEST(NewestBackup, IsChosenByTheDateInItsNameNotByItsCreationTime) {
    ScratchDir dir("safety-newest");
    const std::string key = "HKEY_CURRENT_USER\\Software\\ZentharTest\\Newest";
    CreateDirectoryA(BACKUP_FOLDER, nullptr);
    // Three backups of one value: each restore must write the one named latest.
    const struct { const char* name; const char* data; int ageDays; } files[] = {
        {"2031-05-01_10-00-00.reg", "newest", 30},    // created long ago (a copied folder)
        {"2031-05-01_09-59-59_02.reg", "older", 0},   // created just now
        {"notes.reg", "undated", 60},                 // not our name: its creation time counts
    };
    for (const auto& f : files) {
        SeededKey k(key);
        k.setString("v", f.data);
        ErrorArray list;
        list.push_back(keyRecord(key, "x"));
        list.back()->type = "Startup";
        BackupResult b = BackupRegistry(&list, nullptr);
        ASSERT_EQ(b.status, BackupStatus::Written);
        const std::string target = std::string(BACKUP_FOLDER) + "\\" + f.name;
        ASSERT_TRUE(MoveFileA(b.file.c_str(), target.c_str()));
        HANDLE h = CreateFileA(target.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
        t.QuadPart -= static_cast<ULONGLONG>(f.ageDays) * 24 * 3600 * 10000000ull;
        FILETIME created{t.LowPart, t.HighPart};
        SetFileTime(h, &created, nullptr, nullptr);
        CloseHandle(h);
    }
    DeleteKeyPath(key);
    EXPECT_EQ(RestoreLatestBackup(nullptr), RestoreStatus::Complete);
    EXPECT_EQ(SnapshotTreeExact(key)[L""][L"v"].bytes.size(), 14u);  // "newest" and its zero, in UTF-16
    DeleteKeyPath(key);
}

TEST(EditorExports, OnlyAWholeExportSaysRestoreComplete) {
    ScratchDir dir("safety-exports");
    CreateDirectoryA(BACKUP_FOLDER, nullptr);
    auto utf16 = [](const std::string& text) {
        std::string out("\xFF\xFE", 2);
        for (char c : text) out.append({c, '\0'});
        return out;
    };
    const std::string whole = "Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_CURRENT_USER\\Software\\ZentharTest\\Export]\r\n\"v\"=\"1\"\r\n"
                              "\"h\"=hex:01,02,\\\r\n  03\r\n\r\n";
    const struct { std::string bytes; bool complete; } cases[] = {
        {utf16(whole), true},
        {"REGEDIT4\r\nthis is not an export\r\n", false},
        {utf16(whole.substr(0, whole.size() - 14)), false},  // cut inside the hex data
        {utf16("Windows Registry Editor Version 5.00\r\n\r\n"), false},
        {utf16(whole.substr(0, 80)), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        DeleteKeyPath("HKEY_CURRENT_USER\\Software\\ZentharTest\\Export");
        WriteTextFile(std::string(BACKUP_FOLDER) + "\\2030-01-01_00-00-00.reg", c.bytes);
        const ProcessResult r = RunCli("restore --whole", dir.path());
        EXPECT_EQ(r.exitCode, c.complete ? 0u : 1u) << r.err;
        EXPECT_EQ(r.err.find("Restore Complete") != std::string::npos, c.complete) << r.err;
    }
    EXPECT_FALSE(ValueExists("HKEY_CURRENT_USER\\Software\\ZentharTest\\Export", "v"));
    DeleteKeyPath("HKEY_CURRENT_USER\\Software\\ZentharTest\\Export");
}

TEST(PerUserClasses, AClassIsRecordedInTheHiveWhereItLives) {
    const std::string rest = "CLSID\\{2E00F1X0-0000-0000-0000-0000000ZSU1}";
    const std::string user = "HKEY_CURRENT_USER\\Software\\Classes\\" + rest;
    const std::string machine = "HKEY_LOCAL_MACHINE\\Software\\Classes\\" + rest;
    DeleteKeyPath(user);
    DeleteKeyPath(machine);
    const std::string viaRoot = "HKEY_CLASSES_ROOT\\" + rest;
    EXPECT_EQ(ClassesRootHive(viaRoot), viaRoot);  // in neither hive
    {
        SeededKey m(machine);
        EXPECT_EQ(ClassesRootHive(viaRoot), machine);
        SeededKey u(user);
        EXPECT_EQ(ClassesRootHive(viaRoot), user);  // the user's own class comes first
        EXPECT_EQ(ClassesRootHive(viaRoot + "\\InprocServer32"), viaRoot + "\\InprocServer32");
    }
    EXPECT_EQ(ClassesRootHive("HKEY_LOCAL_MACHINE\\Software\\X"), "HKEY_LOCAL_MACHINE\\Software\\X");
}

TEST(PerUserClasses, TheFullBackupCoversTheCurrentUserToo) {
    ScratchDir dir("safety-full");
    const std::string key = "HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{2E00F1X0-0000-0000-0000-0000000ZSU2}";
    {
        SeededKey user(key);
        user.setString("", "per-user class");
        const BackupResult b = BackupRegistry(nullptr, nullptr);
        ASSERT_EQ(b.status, BackupStatus::Written);
        std::string marker;
        for (char c : std::string("per-user class")) marker.append({c, '\0'});
        const std::string text = ReadTextFile(b.file);
        EXPECT_NE(text.find(marker), std::string::npos);
        EXPECT_FALSE(PathExists(dir.file("1.reg.user")));
    }
    ASSERT_FALSE(KeyExists(key));
    const ProcessResult r = RunCli("restore --whole", dir.path());
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_TRUE(ValueExists(key, ""));
    DeleteKeyPath(key);
}
