// Registry backups and their restore: byte layout, round trips, rotation, full export, damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "backup/Backup.h"
#include "backup/ListFiles.h"
#include "backup/RegEditorFile.h"
#include "platform/DataFolder.h"
#include "registry/RegKey.h"
#include "engine/RegistryLib.h"
#include "support/RegistryTree.h"
#include "support/TestSupport.h"

namespace {
const std::string BASE = "HKEY_CURRENT_USER\\Software\\ZentharTest\\Backup";
const std::string HKLM_BASE = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZentharTest\\Backup";

// Collects the messages a backup or restore reports.
struct Messages {
    std::vector<std::string> texts;
    BackupMessageCallback callback() {
        return [this](const std::string& t) { texts.push_back(t); };
    }
    std::string all() const {
        std::string out;
        for (const auto& t : texts) out += t + "\n";
        return out;
    }
};

std::unique_ptr<RegistryError> record(const std::string& keyPath, const std::string& action,
                                      const std::string& valueName = std::string()) {
    auto err = std::make_unique<RegistryError>();
    err->type = "Test";
    err->keyPath = keyPath;
    err->action = action;
    if (action == "VAL") {
        err->value = std::make_unique<ValueRecord>();
        err->value->name = valueName;
    }
    return err;
}

std::string le32(uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}
std::string counted(const std::string& s) { return le32(static_cast<uint32_t>(s.size())) + s; }
std::string valueEntry(const std::string& name, uint32_t type, const std::string& data) {
    return counted(name) + le32(type) + counted(data);
}

// The second format: a signature, UTF-16 names, key flags, an end mark.
const std::string SIGNATURE(BACKUP_SIGNATURE_V2, sizeof BACKUP_SIGNATURE_V2);
const std::string END_MARK = le32(0);
std::string wcounted(const std::string& s) {
    std::string w;
    for (char c : s) w.append({c, '\0'});
    return counted(w);
}
std::string wideValue(const std::string& name, uint32_t type, const std::string& data) {
    return wcounted(name) + le32(type) + counted(data);
}
std::string wideText(const std::string& s) {  // ASCII text with its terminator, as stored
    std::string w;
    for (char c : s) w.append({c, '\0'});
    return w + std::string(2, '\0');
}

// Our editor backups: UTF-16 lines with CRLF after the byte order mark, header and mark line.
std::string utf16(const std::string& ascii) {
    std::string w;
    for (char c : ascii) w.append({c, '\0'});
    return w;
}
std::string regLines(const std::vector<std::string>& lines) {
    std::string text = "\xFF\xFE" + utf16("Windows Registry Editor Version 5.00\r\n; Zenthar backup of the entries one "
                                           "repair removed\r\n\r\n");
    for (const auto& line : lines) text += utf16(line + "\r\n");
    return text + utf16("; end of backup\r\n");
}

// Every value type, the string forms an editor line cannot carry exactly, and names that need escapes.
void seedIntegrityTable(SeededKey& types) {
    types.setString("", "unnamed value");
    types.setString("sz", "text \xE9\xE8 end");
    types.setString("empty sz", "");
    types.setString("expand", "%SystemRoot%\\x.dll", REG_EXPAND_SZ);
    types.setBinary("binary", {0x00, 0xFF, 0x10, 0x00});
    types.setBinary("empty binary", {});
    types.setDword("dword", 0xDEADBEEF);
    types.setBinary("big endian", {1, 2, 3, 4}, REG_DWORD_BIG_ENDIAN);
    types.setBinary("link", {'a', 0, 'b', 0}, REG_LINK);
    types.setBinary("multi", {'a', 0, 'b', 'c', 0, 0}, REG_MULTI_SZ);
    types.setBinary("none", {9, 8, 7}, REG_NONE);
    types.setBinary("resource list", {1, 2, 3}, REG_RESOURCE_LIST);
    types.setBinary("full descriptor", {4, 5}, REG_FULL_RESOURCE_DESCRIPTOR);
    types.setBinary("requirements", {6}, REG_RESOURCE_REQUIREMENTS_LIST);
    types.setBinary("qword", {1, 2, 3, 4, 5, 6, 7, 8}, REG_QWORD);
    types.setBinary("odd type", {1}, 0x12345);
    // Exact bytes through the wide call: the ANSI one would convert them.
    auto setWide = [&types](const wchar_t* name, const std::string& bytes) {
        RegSetValueExW(types.handle(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    };
    setWide(L"sz without end", std::string("a\0b\0", 4));
    setWide(L"sz with zeros", std::string("a\0\0\0b\0\0\0", 8));
    setWide(L"sz odd length", std::string("a\0b", 3));
    setWide(L"sz no bytes", std::string());
    types.setString("sz line break", "one\r\ntwo");
    types.setString("sz \"quoted\" \\ @", "\"in quotes\" and C:\\path\\");
    types.setBinary("short dword", {1, 2, 3}, REG_DWORD);
    types.setBinary("long binary", std::vector<unsigned char>(300, 0xA5));
}
constexpr size_t INTEGRITY_VALUES = 24;

std::string backupFolder(const ScratchDir& dir) { return dir.file(BACKUP_FOLDER); }

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

// Makes `bytes` the only backup file in the folder.
void placeBackup(const ScratchDir& dir, const std::string& bytes, const std::string& name = "2030-01-01_00-00-00.reg") {
    RemoveTree(backupFolder(dir));
    CreateDirectoryA(backupFolder(dir).c_str(), nullptr);
    WriteTextFile(backupFolder(dir) + "\\" + name, bytes);
}
}  // namespace

TEST(BackupLayout, KeyRecordOfTwoValuesAndAnEmptySubkeyByteForByte) {
    SeededKey x("HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
    x.setString("a", "1");
    x.setDword("b", 7);
    SeededKey y("HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Y");
    ScratchDir dir("backup-layout");
    ErrorArray errors;
    errors.push_back(record("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "KEY"));
    // Found again, as a value and a subkey of it: the file holds the key once.
    errors.push_back(record("HKEY_LOCAL_MACHINE\\software\\x", "KEY"));
    errors.push_back(record("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "VAL", "a"));
    errors.push_back(record("HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Y", "KEY"));
    Messages messages;
    BackupResult result = BackupRegistry(&errors, messages.callback());
    ASSERT_EQ(result.status, BackupStatus::Written) << messages.all();
    EXPECT_EQ(result.recordWhole, std::vector<bool>(4, true));
    EXPECT_TRUE(messages.texts.empty()) << messages.all();
    EXPECT_EQ(result.file.rfind(backupFolder(dir) + "\\", 0), 0u) << result.file;
    EXPECT_FALSE(PathExists(dir.file(BACKUP_WORK_FILE)));
    const std::string expected = regLines({";! entry", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]", "\"a\"=\"1\"",
                                            "\"b\"=dword:00000007", "", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Y]", ""});
    EXPECT_EQ(ReadTextFile(result.file), expected);
}

TEST(BackupLayout, ValueRecordsHoldOnlyTheirValueAndTheUnnamedOneIsNotFoundByItsDisplayName) {
    SeededKey x("HKEY_LOCAL_MACHINE\\SOFTWARE\\X");
    x.setString("", "unnamed");
    x.setString("a", "1");
    x.setDword("b", 7);
    SeededKey y("HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Y");
    ScratchDir dir("backup-layout-val");
    ErrorArray errors;
    errors.push_back(record("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "VAL", "b"));
    errors.push_back(record("HKEY_LOCAL_MACHINE\\SOFTWARE\\X", "VAL", "(Default)"));
    BackupResult result = BackupRegistry(&errors, nullptr);
    ASSERT_EQ(result.status, BackupStatus::Written);
    // The unnamed value is not found by the name it is listed under: that record is not whole.
    EXPECT_EQ(result.recordWhole, (std::vector<bool>{true, false}));
    EXPECT_EQ(ReadTextFile(result.file),
              regLines({";! entry", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]", "\"b\"=dword:00000007", ""}));
}

TEST(BackupSelection, RecordsWithoutKeyPathMakeNoFileAndUnusableRecordsAreSkipped) {
    SeededKey key(BASE + "\\Skip");
    key.setString("v", "x");
    key.setString("line\r\nbreak", "x");  // an editor line cannot carry this name
    ScratchDir dir("backup-skip");
    ErrorArray blanked;
    blanked.push_back(record("", "KEY"));
    blanked.push_back(record("", "VAL", "v"));
    EXPECT_EQ(BackupRegistry(&blanked, nullptr).status, BackupStatus::NothingToBackUp);
    EXPECT_FALSE(PathExists(backupFolder(dir)));
    EXPECT_FALSE(PathExists(dir.file(BACKUP_WORK_FILE)));

    // Roots are matched exactly; other actions, paths without a backslash and missing keys are left out.
    ErrorArray unusable;
    unusable.push_back(record("hkey_current_user\\Software\\ZentharTest\\Backup\\Skip", "KEY"));
    unusable.push_back(record("HKEY_CURRENT_CONFIG\\Software", "KEY"));
    unusable.push_back(record(key.path(), "FILE"));
    unusable.push_back(record("HKEY_CURRENT_USER", "KEY"));
    unusable.push_back(record(BASE + "\\NoSuchKey", "KEY"));
    unusable.push_back(record(key.path(), "VAL", "line\r\nbreak"));
    unusable.push_back(record(key.path(), "KEY"));
    BackupResult result = BackupRegistry(&unusable, nullptr);
    ASSERT_EQ(result.status, BackupStatus::Written);
    EXPECT_EQ(ReadTextFile(result.file), regLines({}));
    EXPECT_EQ(result.recordWhole, std::vector<bool>(7, false));
    EXPECT_EQ(result.entriesLeftOut, 7);
}

TEST(BackupRoundTrip, DeletedKeysAndValuesComeBackByteForByte) {
    SeededKey base(BASE + "\\RoundTrip");
    SeededKey types(base.path() + "\\Types");
    seedIntegrityTable(types);
    // The longest subkey name is created below an open parent: Wine's ANSI calls refuse paths
    // longer than MAX_PATH as a whole.
    SeededKey limits(base.path() + "\\Limits");
    RegKey longest;
    ASSERT_EQ(RegCreateKeyExA(limits.handle(), std::string(255, 'k').c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, longest.put(), nullptr),
              ERROR_SUCCESS);
    const std::string longName(16383, 'n'), longData(16383, 'Z'), almostLong(16382, 'm');
    ASSERT_EQ(RegSetValueExA(longest.get(), longName.c_str(), 0, REG_BINARY,
                             reinterpret_cast<const BYTE*>(longData.data()), 16383),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(longest.get(), almostLong.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(almostLong.c_str()), 16383),
              ERROR_SUCCESS);
    longest.reset();
    std::string deep = base.path() + "\\Deep";
    std::vector<std::unique_ptr<SeededKey>> levels;
    for (int i = 1; i <= 5; ++i) {
        deep += "\\L" + std::to_string(i);
        levels.push_back(std::make_unique<SeededKey>(deep, false));
        levels.back()->setDword("level", i);
    }
    SeededKey vals(base.path() + "\\Vals");
    vals.setString("keep", "k");
    vals.setString("drop", "d");

    const RegistryTree before = SnapshotTree(base.path());
    const ExactTree exactBefore = SnapshotTreeExact(base.path());
    std::string keys;
    for (const auto& k : before) keys += "[" + k.first.substr(0, 30) + "] ";
    ASSERT_EQ(before.size(), 11u) << keys;  // RoundTrip, Types, Limits, its subkey, Deep, five levels, Vals
    ASSERT_EQ(TreeValueCount(before), INTEGRITY_VALUES + 2u + 5u + 2u);

    ScratchDir dir("backup-roundtrip");
    ErrorArray errors;
    errors.push_back(record(types.path(), "KEY"));
    errors.push_back(record("", "KEY"));  // moved to the ignore list
    errors.push_back(record(base.path() + "\\Limits", "KEY"));
    errors.push_back(record(base.path() + "\\Deep", "KEY"));
    errors.push_back(record(vals.path(), "VAL", "drop"));
    Messages messages;
    BackupResult result = BackupRegistry(&errors, messages.callback());
    ASSERT_EQ(result.status, BackupStatus::Written) << messages.all();
    EXPECT_EQ(result.entriesLeftOut, 0);

    levels.clear();
    DeleteKeyPath(types.path());
    DeleteKeyPath(base.path() + "\\Limits");
    DeleteKeyPath(base.path() + "\\Deep");
    RegDeleteValueA(vals.handle(), "drop");
    ASSERT_NE(FirstTreeDifference(before, SnapshotTree(base.path())), "");

    ASSERT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::Complete) << messages.all();
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Restore Complete"});
    EXPECT_EQ(FirstTreeDifference(before, SnapshotTree(base.path())), "");
    EXPECT_EQ(FirstExactDifference(exactBefore, SnapshotTreeExact(base.path())), "");
}

TEST(BackupRoundTrip, ValuesOfAnySizeAreKeptWhole) {
    SeededKey key(BASE + "\\Large");
    key.setBinary("16k", std::vector<unsigned char>(16384, 2));
    key.setBinary("1m", std::vector<unsigned char>(1 << 20, 3));
    key.setString("100k text", std::string(100000, 't'));
    ScratchDir dir("backup-large");
    ErrorArray errors;
    errors.push_back(record(key.path(), "KEY"));
    errors.push_back(record(key.path(), "VAL", "1m"));
    const RegistryTree before = SnapshotTree(key.path());
    BackupResult result = BackupRegistry(&errors, nullptr);
    ASSERT_EQ(result.status, BackupStatus::Written);
    EXPECT_EQ(result.entriesLeftOut, 0);
    EXPECT_EQ(result.recordWhole, (std::vector<bool>{true, true}));
    DeleteKeyPath(key.path());
    Messages messages;
    ASSERT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::Complete) << messages.all();
    EXPECT_EQ(FirstTreeDifference(before, SnapshotTree(key.path())), "");
}

// The backup is a file the system's registry editor and its console tool import as it stands.
TEST(BackupRoundTrip, TheRegistryEditorImportsTheBackupValueByValue) {
    SeededKey base(BASE + "\\Import");
    SeededKey types(base.path() + "\\Types");
    seedIntegrityTable(types);
    SeededKey sub(types.path() + "\\Sub");
    sub.setString("inner", "x");
    SeededKey vals(base.path() + "\\Vals");
    vals.setString("keep", "k");
    RegSetValueExW(vals.handle(), L"drop", 0, REG_SZ, reinterpret_cast<const BYTE*>("\0\x01"), 2);
    ASSERT_EQ(TreeValueCount(SnapshotTree(base.path())), INTEGRITY_VALUES + 3u);
    const ExactTree before = SnapshotTreeExact(base.path());
    ScratchDir dir("backup-import");
    ErrorArray errors;
    errors.push_back(record(types.path(), "KEY"));
    errors.push_back(record(vals.path(), "VAL", "drop"));
    BackupResult result = BackupRegistry(&errors, nullptr);
    ASSERT_EQ(result.status, BackupStatus::Written);
    ASSERT_EQ(result.recordWhole, (std::vector<bool>{true, true}));
    // Both tools complete string data that does not end in a zero character, and write over an odd
    // last byte (that value is left out here); our own restore keeps both as they were.
    ExactTree expected = before;
    auto completed = [&expected](const std::wstring& key, const std::wstring& name, const std::string& bytes) {
        expected[key][name].bytes.assign(bytes.begin(), bytes.end());
    };
    completed(L"\\Types", L"sz without end", std::string("a\0b\0\0\0", 6));
    expected[L"\\Types"].erase(L"sz odd length");
    completed(L"\\Vals", L"drop", std::string("\0\x01\0\0", 4));
    for (const std::string command : {"regedit.exe /s", "reg.exe import"}) {
        DeleteKeyPath(types.path());
        RegDeleteValueA(vals.handle(), "drop");
        ASSERT_NE(FirstExactDifference(before, SnapshotTreeExact(base.path())), "");
        const ProcessResult run = RunProcess(command + " \"" + result.file + "\"");
        EXPECT_EQ(run.exitCode, 0u) << command << ": " << run.err;
        ExactTree imported = SnapshotTreeExact(base.path());
        EXPECT_EQ(imported[L"\\Types"].erase(L"sz odd length"), 1u) << command;
        EXPECT_EQ(FirstExactDifference(expected, imported), "") << command;
    }
}

// Gives a file the write time of a local date at noon.
void setWriteTime(const std::string& path, WORD year, WORD month, WORD day) {
    SYSTEMTIME t{};
    t.wYear = year;
    t.wMonth = month;
    t.wDay = day;
    t.wHour = 12;
    FILETIME local, utc;
    SystemTimeToFileTime(&t, &local);
    LocalFileTimeToFileTime(&local, &utc);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    SetFileTime(h, nullptr, nullptr, &utc);
    CloseHandle(h);
}

TEST(BackupRotation, OldestByLoggedOrWriteTimeGoAndTheNewBackupStaysWhateverTheNames) {
    SeededKey key(BASE + "\\Rotation");
    key.setString("v", "x");
    ScratchDir dir("backup-rotation");
    const std::string folder = backupFolder(dir);
    CreateDirectoryA(folder.c_str(), nullptr);
    // Named by a clock that ran ahead to 2030, written in 2020 (out of order); day 7's repair logged
    // a time before all of them, which counts over its write time.
    for (WORD day : {4, 1, 7, 2, 6, 3, 5}) {
        const std::string path = folder + "\\2030-01-0" + std::to_string(day) + "_10-00-00.reg";
        WriteTextFile(path, "old");
        setWriteTime(path, 2020, 1, day);
    }
    WriteTextFile(folder + "\\desktop.ini", "[.ShellClassInfo]");
    WriteTextFile(folder + "\\notes.txt", "not a backup");
    // Shortcut files kept with a backup that goes and with one that stays.
    for (const char* kept : {"\\2030-01-07_10-00-00", "\\2030-01-05_10-00-00"}) {
        CreateDirectoryA((folder + kept).c_str(), nullptr);
        CreateDirectoryA((folder + kept + "\\C").c_str(), nullptr);
        WriteTextFile(folder + kept + "\\C\\x.lnk", "kept");
    }
    const std::vector<LoggedBackup> logged = {{folder + "\\2030-01-07_10-00-00.REG", "2019-05-01 08:00:00"}};
    ErrorArray errors;
    errors.push_back(record(key.path(), "KEY"));
    Messages messages;
    BackupResult result = BackupRegistry(&errors, messages.callback(), EXPORT_WAIT_MS, logged);
    ASSERT_EQ(result.status, BackupStatus::Written);
    const std::string newest = result.file.substr(folder.size() + 1);
    std::vector<std::string> expected = {"2030-01-03_10-00-00.reg", "2030-01-04_10-00-00.reg",
                                         "2030-01-05_10-00-00.reg", "2030-01-06_10-00-00.reg", newest,
                                         "desktop.ini", "notes.txt", "2030-01-05_10-00-00"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folderNames(folder), expected);
    std::vector<std::string> gone = result.rotatedOut;
    std::sort(gone.begin(), gone.end());
    EXPECT_EQ(gone, (std::vector<std::string>{folder + "\\2030-01-01_10-00-00.reg", folder + "\\2030-01-02_10-00-00.reg",
                                              folder + "\\2030-01-07_10-00-00.reg"}));
    EXPECT_EQ(messages.texts.size(), 3u) << messages.all();
    for (const auto& path : gone) EXPECT_NE(messages.all().find("The old backup " + path + " was deleted"), std::string::npos);
}

TEST(BackupRotation, TheNewestFiveByTimeStayAndTheJustMadeOneIsNeverChosen) {
    struct Case {
        const char* what;
        std::vector<BackupOnDisk> backups;
        std::string justMade;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"seven: the two oldest by time, not by name",
         {{"g", 1}, {"f", 2}, {"e", 3}, {"d", 4}, {"c", 5}, {"b", 6}, {"a", 7}}, "a", {"f", "g"}},
        {"five ahead of the clock and the new one: none goes",
         {{"2030-1", 100}, {"2030-2", 101}, {"2030-3", 102}, {"2030-4", 103}, {"2030-5", 104}, {"now", 1}}, "now", {}},
        {"six ahead: only the oldest of them goes, the new one stays",
         {{"2030-1", 100}, {"2030-2", 101}, {"2030-3", 102}, {"2030-4", 103}, {"2030-5", 104}, {"2030-6", 105},
          {"now", 1}, {"before", 0}},
         "NOW", {"2030-1", "before"}},
        {"five or fewer: none", {{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 5}}, "", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(BackupsToRotateOut(c.backups, c.justMade), c.expected) << c.what;
}

TEST(BackupRotation, BackupsWithinOneSecondGetTheirOwnNamesAndAStaleWorkingFileIsReplaced) {
    SeededKey key(BASE + "\\SameSecond");
    key.setString("v", "x");
    ScratchDir dir("backup-samesecond");
    const std::string folder = backupFolder(dir);
    CreateDirectoryA(folder.c_str(), nullptr);
    // Take the names of this second and the next three, as earlier backups would have.
    std::vector<std::string> taken;
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    for (int s = 0; s < 4; ++s) {
        ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
        t.QuadPart += s * 10000000ull;
        FILETIME shifted{t.LowPart, t.HighPart}, local;
        SYSTEMTIME st;
        FileTimeToLocalFileTime(&shifted, &local);
        FileTimeToSystemTime(&local, &st);
        taken.push_back(BackupFileName(st));
        WriteTextFile(folder + "\\" + taken.back(), "earlier backup");
    }
    WriteTextFile(dir.file(BACKUP_WORK_FILE), "stale working file");
    ErrorArray errors;
    errors.push_back(record(key.path(), "KEY"));
    BackupResult result = BackupRegistry(&errors, nullptr);
    ASSERT_EQ(result.status, BackupStatus::Written);
    const std::string name = result.file.substr(folder.size() + 1);
    EXPECT_EQ(std::count(taken.begin(), taken.end(), name), 0) << name;
    EXPECT_NE(name.find("_02.reg"), std::string::npos) << name;
    for (const auto& t : taken) EXPECT_EQ(ReadTextFile(folder + "\\" + t), "earlier backup") << t;
    EXPECT_EQ(ReadTextFile(result.file).substr(0, 40), regLines({}).substr(0, 40));
    EXPECT_FALSE(PathExists(dir.file(BACKUP_WORK_FILE)));
}

TEST(FullBackup, RegistryEditorExportLandsInTheFolderAndRestoresThroughTheEditor) {
    SeededKey key(HKLM_BASE + "\\Full");
    key.setString("marker", "full export");
    ScratchDir dir("backup-full");
    Messages messages;
    const DWORD start = GetTickCount();
    BackupResult result = BackupRegistry(nullptr, messages.callback());
    const DWORD took = GetTickCount() - start;
    ASSERT_EQ(result.status, BackupStatus::Written) << messages.all();
    EXPECT_LT(took, EXPORT_WAIT_MS);
    std::printf("full export took %lu ms\n", static_cast<unsigned long>(took));
    EXPECT_FALSE(PathExists(dir.file(BACKUP_WORK_FILE)));
    const std::string text = ReadTextFile(result.file);
    std::string header("\xFF\xFE", 2);
    for (char c : std::string("Windows Registry Editor Version 5.00")) header.append({c, '\0'});
    EXPECT_EQ(text.substr(0, header.size()), header);
    std::string marker;
    for (char c : std::string("full export")) marker.append({c, '\0'});
    EXPECT_NE(text.find(marker), std::string::npos);

    RegDeleteValueA(key.handle(), "marker");
    ASSERT_FALSE(ValueExists(key.path(), "marker"));
    // Written back only after its warning was agreed to: refused, asked and declined, then agreed.
    messages.texts.clear();
    EXPECT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::NotConfirmed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_NE(messages.texts[0].find("writes back the whole registry of that day"), std::string::npos) << messages.all();
    std::vector<std::string> asked;
    RestoreDialogue dialogue;
    dialogue.confirmWhole = [&asked](const std::string& warning) { return asked.push_back(warning), asked.size() > 1; };
    EXPECT_EQ(RestoreLatestBackup(messages.callback(), nullptr, &dialogue), RestoreStatus::NotConfirmed);
    EXPECT_FALSE(ValueExists(key.path(), "marker"));
    messages.texts.clear();
    ASSERT_EQ(RestoreLatestBackup(messages.callback(), nullptr, &dialogue), RestoreStatus::Complete) << messages.all();
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Restore Complete"});
    EXPECT_EQ(asked, std::vector<std::string>(2, WholeRegistryWarning(result.file)));
    EXPECT_EQ(dialogue.file, result.file);
    EXPECT_TRUE(ValueExists(key.path(), "marker"));
}

TEST(BackupFailure, AnExportThatDoesNotEndInTimeIsReportedAndLeavesTheFolderAlone) {
    ScratchDir dir("backup-timeout");
    Messages messages;
    const DWORD start = GetTickCount();
    BackupResult result = BackupRegistry(nullptr, messages.callback(), 1);
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(result.status, BackupStatus::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_NE(messages.texts[0].find("did not finish the export"), std::string::npos) << messages.all();
    EXPECT_TRUE(folderNames(backupFolder(dir)).empty());
    WaitForProcessesToEnd("regedit.exe", 30000);  // the editor finishes before the scratch folder goes away
}

class DamagedBackup : public ::testing::Test {
protected:
    void SetUp() override { DeleteKeyPath(target); }
    void TearDown() override { DeleteKeyPath(target); }

    // Restores `bytes` as the newest backup and expects it refused as damaged with nothing written.
    void expectRefused(const std::string& bytes, const std::string& what) {
        placeBackup(dir, bytes);
        Messages messages;
        EXPECT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::Damaged) << what;
        ASSERT_EQ(messages.texts.size(), 1u) << what;
        EXPECT_NE(messages.texts[0].find("is damaged"), std::string::npos) << what << ": " << messages.texts[0];
        EXPECT_NE(messages.texts[0].find("nothing was restored"), std::string::npos) << what;
        EXPECT_FALSE(KeyExists(target)) << what;
    }

    const std::string target = BASE + "\\Damaged";
    ScratchDir dir{"backup-damaged"};
};

TEST_F(DamagedBackup, EveryTruncationIsRefusedBeforeAnythingIsWritten) {
    std::string bytes;
    {
        SeededKey key(target);
        key.setString("a", "alpha");
        key.setDword("b", 2);
        SeededKey sub(target + "\\Sub");
        sub.setString("", "c");
        ErrorArray errors;
        errors.push_back(record(target, "KEY"));
        BackupResult result = BackupRegistry(&errors, nullptr);
        ASSERT_EQ(result.status, BackupStatus::Written);
        bytes = ReadTextFile(result.file);
    }
    ASSERT_GT(bytes.size(), 60u);
    for (size_t cut = 1; cut < bytes.size(); ++cut) expectRefused(bytes.substr(0, cut), "cut at " + std::to_string(cut));

    placeBackup(dir, "");  // a backup of keys that could not be opened: nothing to do
    EXPECT_EQ(RestoreLatestBackup(nullptr), RestoreStatus::Complete);
    placeBackup(dir, bytes);
    EXPECT_EQ(RestoreLatestBackup(nullptr), RestoreStatus::Complete);
    EXPECT_TRUE(ValueExists(target, "a"));
    EXPECT_TRUE(ValueExists(target + "\\Sub", ""));
}

TEST_F(DamagedBackup, HugeLengthsUnknownRootsAndDeepNestingAreRefused) {
    const std::string path = "Software\\ZentharTest\\Backup\\Damaged";
    const std::string root = le32(0x80000001);
    const std::string value = valueEntry("v", REG_SZ, std::string("x\0", 2));
    const uint32_t HUGE_LEN = 0xFFFFFFFFu;
    // Sanity: the undamaged file restores.
    placeBackup(dir, root + counted(path) + le32(1) + value + le32(0));
    ASSERT_EQ(RestoreLatestBackup(nullptr), RestoreStatus::Complete);
    ASSERT_TRUE(ValueExists(target, "v"));
    DeleteKeyPath(target);

    expectRefused(root + le32(HUGE_LEN) + path, "path length");
    expectRefused(root + counted(path) + le32(HUGE_LEN) + value + le32(0), "value count");
    expectRefused(root + counted(path) + le32(1) + le32(HUGE_LEN) + "v" + le32(1) + counted("x") + le32(0),
                  "value name length");
    expectRefused(root + counted(path) + le32(1) + counted("v") + le32(1) + le32(HUGE_LEN) + "x" + le32(0),
                  "data length");
    expectRefused(root + counted(path) + le32(1) + value + le32(HUGE_LEN), "subkey count");
    expectRefused(root + counted(path) + le32(0) + le32(1) + le32(HUGE_LEN) + "s" + le32(0) + le32(0),
                  "subkey name length");
    expectRefused(root + counted(path) + le32(0) + le32(1) + counted("a\\b") + le32(0) + le32(0),
                  "subkey name with a backslash");
    expectRefused(le32(0x80000005) + counted(path) + le32(0) + le32(0), "current configuration root");
    expectRefused(le32(0x12345678) + counted(path) + le32(0) + le32(0), "made-up root");
    // A second record that is damaged keeps the first, good one from being written too.
    expectRefused(root + counted(path) + le32(1) + value + le32(0) + le32(7), "bad second record");

    std::string nested = root + counted(path);
    for (int i = 0; i < 600; ++i) nested += le32(0) + le32(1) + counted("n");
    nested += le32(0) + le32(0);
    expectRefused(nested, "600 levels");
}

TEST_F(DamagedBackup, RandomBytesAreRefused) {
    std::mt19937 random(20240607);
    for (int i = 0; i < 40; ++i) {
        std::string bytes(1 + random() % 2048, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        // Half of them start like a real record, so the reader gets past the root.
        if (i % 2 && bytes.size() >= 4) bytes.replace(0, 4, le32(0x80000001));
        expectRefused(bytes, "random file " + std::to_string(i));
    }
}

TEST_F(DamagedBackup, EditorBackupLinesOurWriterNeverWritesAreRefused) {
    const std::string key = "[HKEY_CURRENT_USER\\Software\\ZentharTest\\Backup\\Damaged]";
    const std::vector<std::vector<std::string>> bad = {
        {";! entry", key, "\"v\"=\"bad \\n escape\""},
        {";! entry", key, "\"v\"=\"unclosed"},
        {";! entry", key, "\"v\"=dword:123"},
        {";! entry", key, "\"v\"=hex(zz):00"},
        {";! entry", key, "\"v\"=hex:0,01"},
        {";! entry", key, "\"v\"=hex:00,\\"},
        {";! entry", key, "\"v\"=-"},
        {";! entry", key, "v=\"no quotes\""},
        {";! sideways", key},
        {";! entry", "[-HKEY_CURRENT_USER\\Software\\ZentharTest\\Backup\\Damaged]"},
        {";! entry", "[HKEY_CURRENT_CONFIG\\Software\\ZentharTest\\Backup\\Damaged]"},
        {";! entry", "[HKEY_CURRENT_USER\\Software\\\\Damaged]"},
        {"\"v\"=\"a value before any key\""},
        {";! entry link", key, "[HKEY_CURRENT_USER\\Software\\ZentharTest\\Backup\\Damaged\\Sub]"},
    };
    for (const auto& lines : bad) {
        std::string joined;
        for (const auto& line : lines) joined += line + " | ";
        expectRefused(regLines(lines), joined);
    }
    // After the end line only blank lines may follow.
    expectRefused(regLines({";! entry", key}) + utf16(key + "\r\n"), "text after the end");
}

// What the editor cannot say (the registry view, links) rides on our comment lines, which it skips.
TEST(RegEditorText, ViewAndLinkMarksAndNestingAreReadBack) {
    std::vector<BackupKeyRecord> records;
    std::string problem;
    ASSERT_TRUE(ParseRegEditorBackup(regLines({";! entry view64", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]", "@=\"x\"", "",
                                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\B\\C]", ";! link",
                                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\L]", "; a comment someone added",
                                               ";! entry", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\\D]", "\"v\"=hex(b):01,02,\\",
                                               "  03", ""}),
                                     records, problem))
        << problem;
    ASSERT_EQ(records.size(), 2u);
    const KeySnapshot& a = records[0].snap;
    EXPECT_TRUE(a.view64);
    EXPECT_FALSE(a.link);
    EXPECT_EQ(records[0].path, L"SOFTWARE\\A");
    ASSERT_EQ(a.subkeys.size(), 2u);
    EXPECT_EQ(a.subkeys[0].name, L"B");  // made for its subkey C, which the text names alone
    ASSERT_EQ(a.subkeys[0].subkeys.size(), 1u);
    EXPECT_EQ(a.subkeys[0].subkeys[0].name, L"C");
    EXPECT_TRUE(a.subkeys[1].link);
    EXPECT_FALSE(records[1].snap.view64);
    ASSERT_EQ(records[1].snap.values.size(), 1u);
    EXPECT_EQ(records[1].snap.values[0].type, static_cast<DWORD>(REG_QWORD));
    EXPECT_EQ(records[1].snap.values[0].bytes, (std::vector<unsigned char>{1, 2, 3}));
}

// Backups made before the editor files stay restorable: both binary formats.
TEST(RestoreLatest, BackupsOfBothBinaryFormatsStillRestore) {
    const std::string target = BASE + "\\OldFormat";
    const std::string path = "Software\\ZentharTest\\Backup\\OldFormat";
    ScratchDir dir("backup-oldformat");
    const std::string data("old\0", 4);
    const struct { const char* name; std::string bytes; std::string stored; } cases[] = {
        {"first format", le32(0x80000001) + counted(path) + le32(1) + valueEntry("v", REG_SZ, data) + le32(0), data},
        {"second format", SIGNATURE + le32(0x80000001) + wcounted(path) + le32(0) + le32(1) +
                              wideValue("v", REG_SZ, wideText("old")) + le32(1) + wcounted("Sub") + le32(0) + le32(0) + le32(0) +
                              END_MARK, data},
    };
    for (const auto& c : cases) {
        DeleteKeyPath(target);
        placeBackup(dir, c.bytes);
        Messages messages;
        EXPECT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::Complete) << c.name << messages.all();
        const RegistryTree restored = SnapshotTree(target);
        ASSERT_EQ(restored.count(""), 1u) << c.name;
        EXPECT_EQ(restored.at("").at("v").bytes, std::vector<unsigned char>(c.stored.begin(), c.stored.end())) << c.name;
    }
    EXPECT_TRUE(KeyExists(target + "\\Sub"));
    DeleteKeyPath(target);
}

TEST(RestoreLatest, EmptyOrMissingFolderReportsTheSearchPatternAndKeepsTheCurrentDirectory) {
    ScratchDir dir("backup-empty");
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    // The data folder's, then the one beside the program, where an older version kept them.
    const std::string expected = "Can't find any backup file in " + backupFolder(dir) + "\\*.reg, " + ProgramFolder() +
                                 "\\Registry Backups\\*.reg.";
    Messages messages;
    EXPECT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::NoBackupFile);
    CreateDirectoryA(backupFolder(dir).c_str(), nullptr);
    EXPECT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::NoBackupFile);
    WriteTextFile(backupFolder(dir) + "\\desktop.ini", "x");
    WriteTextFile(backupFolder(dir) + "\\old.regx", "x");
    EXPECT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::NoBackupFile);
    EXPECT_EQ(messages.texts, std::vector<std::string>(3, expected));
    char after[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(after, before);
}

TEST(RestoreLatest, TheNewestFileByNameIsTheOneRestored) {
    const std::string target = BASE + "\\Newest";
    DeleteKeyPath(target);
    ScratchDir dir("backup-newest");
    const std::string head = le32(0x80000001) + counted("Software\\ZentharTest\\Backup\\Newest");
    CreateDirectoryA(backupFolder(dir).c_str(), nullptr);
    // By the date in the name, whatever the files' creation order.
    WriteTextFile(backupFolder(dir) + "\\2031-01-01_00-00-00.reg",
                  head + le32(1) + valueEntry("which", REG_SZ, std::string("new\0", 4)) + le32(0));
    Sleep(50);
    WriteTextFile(backupFolder(dir) + "\\2020-01-01_00-00-00.reg",
                  head + le32(1) + valueEntry("which", REG_SZ, std::string("old\0", 4)) + le32(0));
    EXPECT_EQ(RestoreLatestBackup(nullptr), RestoreStatus::Complete);
    const RegistryTree restored = SnapshotTree(target);
    ASSERT_EQ(restored.count(""), 1u);
    const std::string newData("new\0", 4);
    EXPECT_EQ(restored.at("").at("which").bytes, std::vector<unsigned char>(newData.begin(), newData.end()));
    DeleteKeyPath(target);
}

TEST(RestoreLatest, OnlyWhatIsAbsentIsWrittenBackAndWhatChangedSinceIsListed) {
    const std::string target = BASE + "\\Newer", runKey = BASE + "\\Run";
    SeededKey run(runKey);
    ScratchDir dir("backup-newer");
    {
        SeededKey key(target);
        key.setString("a", "1");
        key.setString("b", "2");
        SeededKey sub(target + "\\S");
        sub.setString("c", "3");
        run.setString("tool", "old");
        ErrorArray errors;
        errors.push_back(record(target, "KEY"));
        errors.push_back(record(runKey, "VAL", "tool"));
        ASSERT_EQ(BackupRegistry(&errors, nullptr).recordWhole, std::vector<bool>(2, true));
    }
    auto text = [](const RegistryTree& tree, const std::string& key, const std::string& name) {
        const auto k = tree.find(key);
        if (k == tree.end() || !k->second.count(name)) return std::string("(none)");
        const auto& bytes = k->second.at(name).bytes;
        return std::string(std::string(bytes.begin(), bytes.end()).c_str());
    };
    // What a program or the user does afterwards (a seeded key would go again at its scope's end).
    auto put = [](const std::string& path, const char* name, const char* data) {
        RegKey key;
        RegCreateKeyExA(HKEY_CURRENT_USER, path.substr(path.find('\\') + 1).c_str(), 0, nullptr, 0, KEY_WRITE,
                        nullptr, key.put(), nullptr);
        RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), lstrlenA(data) + 1);
    };
    const std::string left1 = "Restore Complete\n1 entry was left as it is now: it was changed after the repair.\n  ";
    struct Case {
        const char* what;
        std::function<void()> since;  // what happened after the repair
        std::string message;
        std::string a, tool;  // the data of both values afterwards
        bool newSubkey;
    };
    const Case cases[] = {
        {"nothing came back since", [] {}, "Restore Complete", "1", "old", false},
        {"the value set again", [&] { run.setString("tool", "new"); }, left1 + runKey + "\\tool", "1", "new", false},
        {"the key reinstalled with other data and a new subkey",
         [&] {
             put(target, "a", "other");
             put(target + "\\T", "t", "new");
         },
         left1 + target + "\\a", "other", "old", true},
        {"set again with the same data", [&] { put(target, "a", "1"); }, "Restore Complete", "1",
         "old", false},
    };
    for (const auto& c : cases) {
        DeleteKeyPath(target);
        RegDeleteValueA(run.handle(), "tool");
        c.since();
        Messages messages;
        EXPECT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::Complete) << c.what;
        EXPECT_EQ(messages.all(), c.message + "\n") << c.what;
        const RegistryTree after = SnapshotTree(target);
        EXPECT_EQ(text(after, "", "a"), c.a) << c.what;
        EXPECT_EQ(text(after, "", "b"), "2") << c.what << ": absent, so written back";
        EXPECT_EQ(text(after, "\\S", "c"), "3") << c.what;
        EXPECT_EQ(after.count("\\T") == 1, c.newSubkey) << c.what << ": a key of its own is left alone";
        EXPECT_EQ(text(SnapshotTree(runKey), "", "tool"), c.tool) << c.what;
    }
    DeleteKeyPath(target);
}

TEST(ListFilesTest, MatchesWithoutCaseRecursesAndStopsOnRequest) {
    ScratchDir dir("backup-list");
    CreateDirectoryA(dir.file("sub").c_str(), nullptr);
    WriteTextFile(dir.file("a.reg"), "");
    WriteTextFile(dir.file("B.REG"), "");
    WriteTextFile(dir.file("c.regx"), "");
    WriteTextFile(dir.file("desktop.ini"), "");
    WriteTextFile(dir.file("sub\\d.reg"), "");
    WriteTextFile(dir.file("sub\\Desktop.ini"), "");
    std::vector<std::string> paths;
    int32_t files = 0, folders = 0;
    EXPECT_EQ(ListFiles(dir.path() + "\\", "*.reg", false, nullptr, paths, files, folders), 1);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{dir.file("B.REG"), dir.file("a.reg")}));
    EXPECT_EQ(files, 2);
    EXPECT_EQ(folders, 1);
    paths.clear();
    files = folders = 0;
    EXPECT_EQ(ListFiles(dir.path() + "\\", "*", true, nullptr, paths, files, folders), 1);
    EXPECT_EQ(files, 4);  // a.reg, B.REG, c.regx, sub\d.reg
    std::atomic<bool> keepGoing{false};
    paths.clear();
    EXPECT_EQ(ListFiles(dir.path() + "\\", "*", true, &keepGoing, paths, files, folders), 0);
    EXPECT_TRUE(paths.empty());
}

TEST(RestoreCommandLine, ExitStatusFollowsTheOutcome) {
    const std::string target = BASE + "\\Console";
    ScratchDir dir("backup-cli");
    auto run = [&](const std::string& args) { return RunCli(args, dir.path()); };
    ProcessResult none = run("restore");
    EXPECT_EQ(none.exitCode, 1u);
    EXPECT_NE(none.err.find("Can't find any backup file in " + backupFolder(dir) + "\\*.reg, "), std::string::npos)
        << none.err;
    EXPECT_EQ(run("restore extra").exitCode, 2u);

    {
        SeededKey key(target);
        key.setString("v", "console");
        ErrorArray errors;
        errors.push_back(record(target, "KEY"));
        ASSERT_EQ(BackupRegistry(&errors, nullptr).status, BackupStatus::Written);
    }
    ASSERT_FALSE(KeyExists(target));
    ProcessResult done = run("restore");
    EXPECT_EQ(done.exitCode, 0u) << done.err;
    EXPECT_NE(done.err.find("Restore Complete"), std::string::npos) << done.err;
    EXPECT_TRUE(ValueExists(target, "v"));
    DeleteKeyPath(target);

    // An older version's whole-registry export goes back only with --whole.
    std::string wide("\xFF\xFE", 2);
    for (char c : "Windows Registry Editor Version 5.00\r\n\r\n[" + target + "]\r\n\"w\"=\"whole\"\r\n\r\n")
        wide.append({c, '\0'});
    placeBackup(dir, wide, "2031-01-01_00-00-00.reg");
    ProcessResult refused = run("restore");
    EXPECT_EQ(refused.exitCode, 1u) << refused.err;
    EXPECT_NE(refused.err.find("writes back the whole registry of that day"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--whole"), std::string::npos) << refused.err;
    EXPECT_FALSE(KeyExists(target));
    ProcessResult whole = run("restore --whole");
    EXPECT_EQ(whole.exitCode, 0u) << whole.err;
    EXPECT_TRUE(ValueExists(target, "w"));
    DeleteKeyPath(target);
}

TEST(RestoreLatest, AKeyTheRegistryRefusesStopsTheRestoreWithAMessage) {
    const std::string target = BASE + "\\Refused";
    DeleteKeyPath(target);
    ScratchDir dir("backup-refused");
    const std::string good = le32(0x80000001) + counted("Software\\ZentharTest\\Backup\\Refused") + le32(1) +
                             valueEntry("v", REG_SZ, std::string("x\0", 2)) + le32(0);
    // Well-formed in the file, but a key name longer than the registry allows.
    const std::string tooLong = "Software\\ZentharTest\\Backup\\" + std::string(300, 'r');
    const std::string refused = le32(0x80000001) + counted(tooLong) + le32(0) + le32(0);
    placeBackup(dir, good + refused + good);
    Messages messages;
    EXPECT_EQ(RestoreLatestBackup(messages.callback()), RestoreStatus::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0].find("Can't create key HKEY_CURRENT_USER\\" + tooLong + "; the restore stopped"), 0u)
        << messages.texts[0];
    EXPECT_TRUE(ValueExists(target, "v"));  // the record before it was restored
    DeleteKeyPath(target);
}
