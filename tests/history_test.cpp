// The repair log and the history: its format read back whole or up to damage, three repairs and
// the restore of the middle one through the console and through the window, and a rotated backup.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "backup/Backup.h"
#include "backup/ShortcutKeep.h"
#include "engine/PathCleanup.h"
#include "platform/DataFolder.h"
#include "engine/RegistryLib.h"
#include "engine/scanners/Shortcut.h"
#include "routines/RepairLog.h"
#include "routines/RepairRoutines.h"
#include "support/AppDriver.h"
#include "support/RegistryTree.h"
#include "support/ShortcutFile.h"
#include "support/TestSupport.h"
#include "support/WindowTestKit.h"

namespace {
const std::string DRIVERS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string APP_PATHS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

RepairRecord sampleRecord(int id) {
    RepairRecord r;
    r.id = id;
    r.time = "2026-12-0" + std::to_string(id) + " 10:00:0" + std::to_string(id);
    r.completed = id % 2 == 1;
    r.backupFile = "C:\\data\\Registry Backups\\2026-12-0" + std::to_string(id) + "_10-00-00.reg";
    r.counts = {{"COM", 1}, {"STARTUP", 1}};
    r.entries = {{"COM", "HKEY_CLASSES_ROOT\\CLSID\\{" + std::to_string(id) + "}", "", "C:\\gone\\a.dll"},
                 // a value name with a tab, a line break, a percent sign and a code-page letter
                 {"STARTUP", "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                  "odd\tname\n100%\xE9", "C:\\gone\\b.exe"}};
    r.entries[1].view64 = id % 2 == 0;  // an entry of the 64-bit registry view keeps its view
    return r;
}

std::string logOf(int records) {
    std::string bytes = REPAIR_LOG_HEADER;
    for (int i = 1; i <= records; ++i) bytes += EncodeRepairRecord(sampleRecord(i));
    return bytes;
}

// A record frame around a payload written by hand (with its right checksum).
std::string framed(const std::string& payload) {
    char frame[48];
    std::snprintf(frame, sizeof frame, "REPAIR %lu %08lX\n", static_cast<unsigned long>(payload.size()),
                  RepairLogChecksum(payload));
    return frame + payload;
}

void expectSame(const RepairRecord& a, const RepairRecord& b) {
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.time, b.time);
    EXPECT_EQ(a.completed, b.completed);
    EXPECT_EQ(a.backupFile, b.backupFile);
    EXPECT_EQ(a.counts, b.counts);
    ASSERT_EQ(a.entries.size(), b.entries.size());
    for (size_t i = 0; i < a.entries.size(); ++i) {
        EXPECT_EQ(a.entries[i].category, b.entries[i].category);
        EXPECT_EQ(a.entries[i].keyPath, b.entries[i].keyPath);
        EXPECT_EQ(a.entries[i].valueName, b.entries[i].valueName);
        EXPECT_EQ(a.entries[i].filePath, b.entries[i].filePath);
        EXPECT_EQ(a.entries[i].view64, b.entries[i].view64);
    }
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> f;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        f.push_back(line.substr(start, tab - start));
    f.push_back(line.substr(start));
    return f;
}

// The REPAIR lines of `history`.
std::vector<std::vector<std::string>> historyLines(const std::string& dir) {
    std::vector<std::vector<std::string>> out;
    const ProcessResult r = RunCli("history", dir);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    for (const auto& line : SplitLines(r.out)) {
        out.push_back(fields(line));
        EXPECT_EQ(out.back().size(), 5u) << line;
        EXPECT_EQ(out.back()[0], "REPAIR") << line;
    }
    return out;
}

std::vector<std::string> filesIn(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

// What one repair of the three removes: an App Paths key with a value and a subkey, and a driver
// value; the data the tests compare after a restore.
struct RepairTarget {
    std::unique_ptr<SeededKey> app;
    std::unique_ptr<SeededValue> driver;
    std::string appPath, driverName, driverData;
    RegistryTree appTree;

    RepairTarget(const ScratchDir& dir, int n) {
        appPath = APP_PATHS + "\\ZentharHistory" + std::to_string(n) + ".exe";
        app = std::make_unique<SeededKey>(appPath);
        app->setString("", dir.file("gone-history-" + std::to_string(n) + ".exe"));
        app->setString("Path", dir.file("gone folder " + std::to_string(n)));
        SeededKey(appPath + "\\Sub").setDword("n", static_cast<DWORD>(n));
        driverName = "zt.history." + std::to_string(n);
        driverData = dir.file("gone-history-" + std::to_string(n) + ".drv");
        driver = std::make_unique<SeededValue>(DRIVERS, driverName, driverData);
        appTree = SnapshotTree(appPath);
    }
    bool present() const { return KeyExists(appPath) || ValueExists(DRIVERS, driverName); }
    void expectBackWhole() const {
        EXPECT_EQ(FirstTreeDifference(appTree, SnapshotTree(appPath)), "") << appPath;
        EXPECT_TRUE(ValueExists(DRIVERS, driverName)) << driverName;
    }
};

using WindowProgram = WindowProgramTest;
}  // namespace

// ---- the log's text form ----

TEST(RepairLogFormat, RecordsReadBackWholeWhateverTheirNamesHold) {
    const std::string bytes = logOf(3);
    const RepairLogRead read = ParseRepairLog(bytes);
    EXPECT_EQ(read.problem, "");
    ASSERT_EQ(read.records.size(), 3u);
    for (int i = 0; i < 3; ++i) expectSame(read.records[static_cast<size_t>(i)], sampleRecord(i + 1));
    // Every field stays on its own line.
    EXPECT_EQ(bytes.find("odd\tname"), std::string::npos);
}

TEST(RepairLogFormat, ADamagedStretchIsPassedOverAndEveryIdSeenCounts) {
    const std::string three = logOf(3);
    const size_t two = logOf(2).size(), one = logOf(1).size();
    const std::string header = REPAIR_LOG_HEADER;
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<int> ids;  // of the records read
        int highest;           // the highest id seen, a damaged record's too
        bool damaged;
    };
    std::string flipped = three, flippedLast = three, badFrame = three, badHeader = three, crlf;
    flipped[one + 40] ^= 0x20;  // a letter inside the second record
    flippedLast[two + 40] ^= 0x20;
    badFrame.replace(two, 6, "REPAIX");
    badHeader[3] ^= 0x01;
    for (char c : three) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    RepairRecord longId = sampleRecord(1);
    longId.id = 2147483647;
    const Case cases[] = {
        {"an empty log file", header, {}, 0, false},
        {"cut inside the last record", three.substr(0, three.size() - 5), {1, 2}, 3, true},
        {"cut inside the last frame line", three.substr(0, two + 9), {1, 2}, 2, true},
        {"cut right after a whole record", three.substr(0, two), {1, 2}, 2, false},
        {"a changed byte in the second record", flipped, {1, 3}, 3, true},
        {"a changed byte in the last record", flippedLast, {1, 2}, 3, true},
        {"a broken frame word", badFrame, {1, 2}, 3, true},
        {"a changed byte in the header", badHeader, {1, 2, 3}, 3, true},
        {"line ends made CR LF", crlf, {1, 2, 3}, 3, false},
        {"the longest id the writer gives", header + EncodeRepairRecord(longId), {2147483647}, 2147483647, false},
        {"garbage after the last record", three + "\x01\x02garbage", {1, 2, 3}, 3, true},
        {"zeros after the last record (a crash)", three + std::string(512, '\0'), {1, 2, 3}, 3, true},
        {"no header", three.substr(header.size()), {1, 2, 3}, 3, true},
        {"a record without an id", header + framed("time\t2026-12-01 10:00:00\n"), {}, 0, true},
        {"a record with a broken escape", header + framed("id\t1\ntime\tx\nentry\tCOM\tk%G1\tv\tf\n"), {}, 1, true},
        {"a malformed count line", header + framed("id\t1\ntime\tx\ncount\tCOM\tmany\n"), {}, 1, true},
        {"an unknown field of a later version", header + framed("id\t1\ntime\tx\nview\t64\n"), {1}, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Fed a few bytes at a time, as a file is read in pieces.
        RepairLogReader reader(true);
        for (size_t at = 0; at < c.bytes.size(); at += 7) reader.Feed(std::string_view(c.bytes).substr(at, 7));
        const RepairLogRead read = reader.Finish();
        std::vector<int> ids;
        for (const auto& r : read.records) {
            ids.push_back(r.id);
            if (r.id <= 3 && r.time != "x") expectSame(r, sampleRecord(r.id));
        }
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(read.highestId, c.highest);
        EXPECT_EQ(!read.problem.empty(), c.damaged) << read.problem;
    }
}

// ---- the log file ----

TEST(RepairLogFile, ADamagedLogIsSetAsideWholeAndTheSoundRepairsGoOn) {
    ScratchDir dir("history-damaged");
    const std::string damaged = logOf(3).substr(0, logOf(3).size() - 7);
    WriteTextFile(RepairLogPath(), damaged);

    // Read without the lock: the file stays as it was.
    RepairLogLoad look = LoadRepairLog(false);
    EXPECT_EQ(look.records.size(), 2u);
    EXPECT_NE(look.note.find("cut short"), std::string::npos) << look.note;
    EXPECT_EQ(ReadTextFile(RepairLogPath()), damaged);
    EXPECT_TRUE(filesIn(dir.file("repairs.log.damaged-*")).empty());

    // While a reader holds it without letting it be renamed, the damage cannot be set aside: the
    // next repair is not appended after the damage, where no reader would find it.
    {
        HANDLE held = CreateFileA(RepairLogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        RepairRecord refused = sampleRecord(8);
        std::string error, note;
        EXPECT_FALSE(AppendRepairRecord(refused, error, note));
        EXPECT_NE(note.find("could not be set aside"), std::string::npos) << note;
        CloseHandle(held);
        EXPECT_EQ(ReadTextFile(RepairLogPath()), damaged);
    }
    // The next repair mends it first: the damaged file is kept whole beside it, the log goes on.
    RepairRecord next = sampleRecord(9);
    std::string error, note;
    ASSERT_TRUE(AppendRepairRecord(next, error, note)) << error;
    EXPECT_EQ(next.id, 4) << "above the cut-off repair's id too";
    EXPECT_NE(note.find("kept as"), std::string::npos) << note;
    const auto aside = filesIn(dir.file("repairs.log.damaged-*"));
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadTextFile(dir.file(aside[0])), damaged);
    const RepairLogLoad after = LoadRepairLog(false);
    EXPECT_EQ(after.note, "");
    ASSERT_EQ(after.records.size(), 3u);
    expectSame(after.records[0], sampleRecord(1));
    EXPECT_EQ(after.records[2].id, 4);
    EXPECT_EQ(after.records[2].entries.size(), 2u);
}

TEST(RepairLogFile, TheNextIdIsAboveEveryIdEverGivenInAnyFile) {
    const std::string cut = logOf(7).substr(0, logOf(7).size() - 9);  // repair 7 cut short
    std::string crlf;
    for (char c : logOf(3)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;  // name in the data folder, bytes
        int next;
        size_t listed;
    };
    const Case cases[] = {
        {"a damaged log an older version set aside", {{"repairs.log.damaged-20261201-100000", cut},
                                                      {"repairs.log", logOf(2)}}, 8, 2},
        {"a damaged log set aside, named with its highest id", {{"repairs.log.damaged-20261201-100000-id41", ""},
                                                                {"repairs.log", logOf(2)}}, 42, 2},
        {"an older log rolled over", {{"repairs-0000000012.log", logOf(1)}}, 13, 1},
        {"a log whose line ends were made CR LF", {{"repairs.log", crlf}}, 4, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir("history-ids");
        for (const auto& [name, bytes] : c.files) WriteTextFile(dir.file(name), bytes);
        EXPECT_EQ(LoadRepairLog(false).records.size(), c.listed);
        RepairRecord next = sampleRecord(1);
        std::string error, note;
        ASSERT_TRUE(AppendRepairRecord(next, error, note)) << error;
        EXPECT_EQ(next.id, c.next);
        EXPECT_EQ(note, "");
        const RepairLogLoad after = LoadRepairLog(false, false);
        ASSERT_EQ(after.records.size(), c.listed + 1);
        EXPECT_EQ(after.records.back().id, c.next);
        EXPECT_EQ(after.records.back().Removed(), 2) << "counted without its entries";
    }
}

TEST(RepairLogFile, ALogOfAnySizeNeitherStopsARepairNorHidesItsRepairs) {
    ScratchDir dir("history-big");
    EnsuredKey drivers(DRIVERS);
    // 700 MB, nearly all of it a hole: repair 1, a long crash-zeroed stretch, repair 2.
    {
        const std::string first = logOf(1), second = EncodeRepairRecord(sampleRecord(2));
        HANDLE h = CreateFileA(RepairLogPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD wrote = 0;
        WriteFile(h, first.data(), static_cast<DWORD>(first.size()), &wrote, nullptr);
        LARGE_INTEGER end{};
        end.QuadPart = 700LL * 1024 * 1024;
        SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
        WriteFile(h, ("\n" + second).data(), static_cast<DWORD>(second.size() + 1), &wrote, nullptr);
        CloseHandle(h);
    }
    auto ids = [&] {
        std::string listed;
        for (const auto& line : historyLines(dir.path())) listed += line[1] + " ";
        return listed;
    };
    EXPECT_EQ(ids(), "2 1 ");
    RepairTarget target(dir, 20);
    const ProcessResult fix = RunCli("fix --only DRV,APPPATH --yes", dir.path());
    EXPECT_EQ(fix.exitCode, 0u) << fix.err;
    EXPECT_NE(fix.err.find("Logged as repair 3"), std::string::npos) << fix.err;
    EXPECT_EQ(ids(), "3 2 1 ");

    // A sound log past the size limit becomes an older log; the next repair starts a new one, and
    // every repair stays listed and restorable.
    RepairRecord huge = sampleRecord(4);
    huge.entries.assign(REPAIR_LOG_ROLL_BYTES / 40, huge.entries[0]);
    WriteTextFile(RepairLogPath(), ReadTextFile(RepairLogPath()) + EncodeRepairRecord(huge));
    RepairTarget again(dir, 21);
    ASSERT_EQ(RunCli("fix --only DRV,APPPATH --yes", dir.path()).exitCode, 0u);
    EXPECT_EQ(filesIn(dir.file("repairs-*.log")), std::vector<std::string>{"repairs-0000000004.log"});
    EXPECT_EQ(ids(), "5 4 3 2 1 ");
    const ProcessResult restore = RunCli("restore --repair 3", dir.path());
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    target.expectBackWhole();
}

// ---- the progress dialog's repair, and one that made no backup ----

TEST(History, TheProgressDialogsRepairAndARepairWithoutBackupAreLoggedToo) {
    ScratchDir dir("history-fix-thread");
    const std::string key = "HKEY_CLASSES_ROOT\\CLSID\\{2E00F1A0-0000-0000-0000-00000000ZH01}";
    SeededKey cls(key + "\\InprocServer32");
    cls.setString("", dir.file("gone-server.dll"));
    const std::string link = dir.file("gone.lnk");
    const std::string target = dir.file("gone-tool.exe");
    WriteTextFile(target, "x");
    ASSERT_TRUE(MakeShortcut(link, target));
    DeleteFileA(target.c_str());
    auto run = [&](const std::function<void(RepairJob&)>& repair) {
        CRegistryLib lib;
        auto err = std::make_unique<RegistryError>();
        err->type = "CLSID";
        err->keyPath = key;
        err->action = "KEY";
        err->value = std::make_unique<ValueRecord>(ValueRecord{"(Default)", "", REG_SZ});
        err->filePath = dir.file("gone-server.dll");
        lib.ErrorList.push_back(std::move(err));
        CShortcut shortcuts(&lib);
        shortcuts.invalidShortcuts.push_back(link);
        CategoryResults rows;
        RepairJob job{lib, shortcuts, rows, nullptr, {}};
        repair(job);
    };
    // No backup can be made (a file where its folder should be): nothing goes, and the log says so.
    WriteTextFile(DataFilePath(BACKUP_FOLDER), "in the way");
    run([](RepairJob& job) { FixThread(job); });
    DeleteFileA(DataFilePath(BACKUP_FOLDER).c_str());
    // The progress dialog's repair backs up the class alone; a setting changed after it stays as it
    // is through the restore (a whole-hive backup put the old data back).
    SeededKey unrelated("HKEY_CURRENT_USER\\Software\\ZentharTest\\HistoryUnrelated");
    unrelated.setString("Wallpaper", "before");
    run([](RepairJob& job) { FixThread(job); });
    ASSERT_FALSE(KeyExists(key));
    unrelated.setString("Wallpaper", "after");
    const ProcessResult restore = RunCli("restore --repair 2", dir.path());
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    EXPECT_TRUE(KeyExists(key + "\\InprocServer32"));
    EXPECT_EQ(SnapshotTree(unrelated.path())[""]["Wallpaper"].bytes, std::vector<unsigned char>({'a', 'f', 't', 'e', 'r', 0}));
    DeleteKeyPath(key);

    const RepairLogLoad load = LoadRepairLog(false);
    EXPECT_EQ(load.note, "");
    ASSERT_EQ(load.records.size(), 2u);
    const RepairRecord& held = load.records[0];
    EXPECT_FALSE(held.completed);
    EXPECT_EQ(held.backupFile, "");
    EXPECT_EQ(held.Removed(), 0);
    EXPECT_NE(RepairRestoreRefusal(held).find("made no backup"), std::string::npos);
    const RepairRecord& done = load.records[1];
    EXPECT_EQ(done.id, 2);
    EXPECT_TRUE(done.completed);
    EXPECT_TRUE(PathExists(done.backupFile)) << done.backupFile;
    EXPECT_EQ(RepairRestoreRefusal(done), "");
    ASSERT_EQ(done.entries.size(), 2u);
    EXPECT_EQ(done.entries[0].category, "COM");
    EXPECT_EQ(done.entries[0].keyPath, key);
    EXPECT_EQ(done.entries[0].filePath, dir.file("gone-server.dll"));
    EXPECT_EQ(done.entries[1].category, "SHORTCUTS");
    EXPECT_EQ(done.entries[1].filePath, link);
    EXPECT_EQ(done.counts, (std::vector<std::pair<std::string, int>>{{"COM", 1}, {"SHORTCUTS", 1}}));
}

// ---- three repairs, then the middle one restored ----

TEST(History, TheConsoleRestoresTheMiddleOfThreeRepairsAndOnlyIt) {
    ScratchDir dir("history-cli");
    EnsuredKey drivers(DRIVERS);
    ASSERT_EQ(RunCli("fix --only DRV,APPPATH --yes", dir.path()).exitCode, 0u);
    EXPECT_TRUE(historyLines(dir.path()).empty()) << "a repair with nothing to remove leaves no record";
    std::vector<std::unique_ptr<RepairTarget>> targets;
    for (int n = 1; n <= 3; ++n) {
        targets.push_back(std::make_unique<RepairTarget>(dir, n));
        const ProcessResult fix = RunCli("fix --only DRV,APPPATH --yes", dir.path());
        ASSERT_EQ(fix.exitCode, 0u) << fix.err;
        EXPECT_NE(fix.err.find("Logged as repair " + std::to_string(n)), std::string::npos) << fix.err;
        ASSERT_FALSE(targets.back()->present());
    }
    const auto lines = historyLines(dir.path());
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(lines[i][1], std::to_string(3 - i)) << "newest first";
        EXPECT_EQ(lines[i][3], "2") << "the key and the driver value";
        EXPECT_TRUE(PathExists(lines[i][4])) << lines[i][4];
    }
    // The log names what each repair removed.
    const RepairLogLoad load = LoadRepairLog(false);
    ASSERT_EQ(load.records.size(), 3u);
    const RepairRecord& middle = load.records[1];
    ASSERT_EQ(middle.entries.size(), 2u);
    for (const auto& e : middle.entries) {
        if (e.category == "DRV") {
            EXPECT_EQ(e.valueName, targets[1]->driverName);
            EXPECT_EQ(e.filePath, targets[1]->driverData);
        } else {
            EXPECT_EQ(e.category, "APPPATH");
            EXPECT_EQ(AsciiLower(e.keyPath), AsciiLower(targets[1]->appPath));
        }
    }

    EXPECT_EQ(RunCli("restore --repair", dir.path()).exitCode, 2u);
    EXPECT_EQ(RunCli("restore --repair 0", dir.path()).exitCode, 2u);
    EXPECT_EQ(RunCli("restore --repair 7", dir.path()).exitCode, 1u);
    const ProcessResult restore = RunCli("restore --repair 2", dir.path());
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    EXPECT_NE(restore.err.find("Restore Complete"), std::string::npos) << restore.err;
    targets[1]->expectBackWhole();
    EXPECT_FALSE(targets[0]->present()) << "the first repair stays done";
    EXPECT_FALSE(targets[2]->present()) << "the last repair stays done";
}

TEST(History, ARotatedBackupKeepsItsRepairListedAndItsRestoreIsRefusedWithTheReason) {
    ScratchDir dir("history-rotated");
    EnsuredKey drivers(DRIVERS);
    RepairTarget first(dir, 4);
    ASSERT_EQ(RunCli("fix --only DRV,APPPATH --yes", dir.path()).exitCode, 0u);
    const RepairLogLoad one = LoadRepairLog(false);
    ASSERT_EQ(one.records.size(), 1u);
    const std::string firstBackup = one.records[0].backupFile;
    ASSERT_TRUE(PathExists(firstBackup));
    // Five later backups (other programs' repairs in the same second), then a repair: the
    // rotation keeps the newest five and the first repair's backup goes.
    const std::string stem = firstBackup.substr(0, firstBackup.size() - 4);
    // The next repair's backup must sort after them: it waits for the next second of the clock.
    const std::string firstName = firstBackup.substr(firstBackup.find_last_of('\\') + 1);
    ASSERT_TRUE(PumpUntil([&] {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return BackupFileName(now) > firstName;
    }, 5000));
    for (int i = 90; i < 95; ++i) WriteTextFile(stem + "_" + std::to_string(i) + ".reg", "later");
    RepairTarget second(dir, 5);
    ASSERT_EQ(RunCli("fix --only DRV,APPPATH --yes", dir.path()).exitCode, 0u);
    ASSERT_FALSE(PathExists(firstBackup)) << "rotated away";

    const auto lines = historyLines(dir.path());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1][1], "1");
    EXPECT_EQ(lines[1][4], firstBackup) << "still listed with the backup it made";
    const RepairLogLoad two = LoadRepairLog(false);
    ASSERT_EQ(two.records.size(), 2u);
    EXPECT_NE(RepairRestoreRefusal(two.records[0]).find("rotated away"), std::string::npos);
    EXPECT_EQ(RepairRestoreRefusal(two.records[1]), "");

    const ProcessResult refused = RunCli("restore --repair 1", dir.path());
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_NE(refused.err.find("rotated away: only the newest 5 backups are kept"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find(firstBackup), std::string::npos) << refused.err;
    EXPECT_FALSE(first.present()) << "nothing was written back";
}

TEST(History, TheNewBackupOutlivesBackupsNamedByAClockThatRanAhead) {
    ScratchDir dir("history-ahead");
    EnsuredKey drivers(DRIVERS);
    const std::string folder = DataFilePath(BACKUP_FOLDER);
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int day = 1; day <= 6; ++day) WriteTextFile(folder + "\\2030-01-0" + std::to_string(day) + "_00-00-00.reg", "ahead");
    RepairTarget target(dir, 6);
    const ProcessResult fix = RunCli("fix --only DRV,APPPATH --yes", dir.path());
    ASSERT_EQ(fix.exitCode, 0u) << fix.err;
    const RepairLogLoad load = LoadRepairLog(false);
    ASSERT_EQ(load.records.size(), 1u);
    EXPECT_TRUE(PathExists(load.records[0].backupFile)) << fix.err;
    EXPECT_NE(fix.err.find("The old backup " + folder + "\\2030-01-0"), std::string::npos) << fix.err;
}

// ---- the History page ----

TEST_F(WindowProgram, TheHistoryPageRestoresTheMiddleOfThreeWindowRepairs) {
    ScratchDir dir("history-window");
    EnsuredKey drivers(DRIVERS);
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    std::vector<std::unique_ptr<RepairTarget>> targets;
    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE("repair " + std::to_string(n));
        targets.push_back(std::make_unique<RepairTarget>(dir, 10 + n));
        ASSERT_TRUE(app.Click(SCAN_BUTTON.x, SCAN_BUTTON.y));
        ASSERT_NE(app.ScanComplete(180000), nullptr);
        ASSERT_TRUE(app.Click(REMOVE_BUTTON.x, REMOVE_BUTTON.y));
        ASSERT_EQ(app.AnswerNextBox(180000), "Items selected have been removed from the system");
        ASSERT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_MAIN"; }, 10000));
        ASSERT_FALSE(targets.back()->present());
    }

    ASSERT_TRUE(app.Click(HISTORY_BUTTON.x, HISTORY_BUTTON.y));
    ASSERT_TRUE(PumpUntil([&] { return app.VisibleScreen() == "SUBMAIN_HISTORY"; }, 10000));
    HWND repairs = nullptr, entries = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (repairs = app.ListAt(HISTORY_LIST_ORIGIN, 4)) != nullptr; }, 10000));
    ASSERT_TRUE(PumpUntil([&] { return (entries = app.ListAt(HISTORY_ENTRIES_ORIGIN, 4)) != nullptr; }, 10000));
    RemoteList rows(app.process(), repairs);
    ASSERT_EQ(rows.Count(), 3);
    EXPECT_EQ(rows.Text(0, 0), "3") << "newest first";
    EXPECT_EQ(rows.Text(1, 0), "2");
    EXPECT_EQ(rows.Text(1, 2), "2");
    EXPECT_FALSE(app.SubScreenButtonEnabled(HISTORY_RESTORE.x, HISTORY_RESTORE.y)) << "nothing picked yet";

    // A real click on the middle row shows its entries and enables its restore.
    const RECT r = rows.RowRect(1);
    ASSERT_TRUE(app.Click(HISTORY_LIST_ORIGIN.x + r.left + 60, HISTORY_LIST_ORIGIN.y + (r.top + r.bottom) / 2));
    RemoteList shown(app.process(), entries);
    ASSERT_TRUE(PumpUntil([&] { return shown.Count() == 2; }, 10000));
    std::string texts;
    for (int i = 0; i < shown.Count(); ++i) texts += shown.Text(i, 1) + "|" + shown.Text(i, 2) + "|" + shown.Text(i, 3) + "\n";
    // Each entry keeps the level it was removed at: a driver is one to review.
    EXPECT_NE(texts.find(DRIVERS + "\\" + targets[1]->driverName + "|" + targets[1]->driverData + "|Review"), std::string::npos)
        << texts;
    ASSERT_TRUE(PumpUntil([&] { return app.SubScreenButtonEnabled(HISTORY_RESTORE.x, HISTORY_RESTORE.y); }, 5000));

    ASSERT_TRUE(app.Click(HISTORY_RESTORE.x, HISTORY_RESTORE.y));
    HWND box = app.WaitForBox(30000);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(app.BoxText(box).find("Write back the backup of repair 2"), std::string::npos) << app.BoxText(box);
    EXPECT_FALSE(targets[1]->present()) << "nothing happens before the answer";
    // The driver came back since, with other data: the restore leaves it and says so.
    SeededValue again(DRIVERS, targets[1]->driverName, "reinstalled");
    ASSERT_TRUE(app.AnswerBox(box));  // Return: Yes
    const std::string said = app.AnswerNextBox(60000);
    EXPECT_EQ(said.find("Restore Complete\n1 entry was left as it is now: it was changed after the repair."), 0u) << said;
    EXPECT_NE(said.find(targets[1]->driverName), std::string::npos) << said;
    EXPECT_EQ(SnapshotTree(DRIVERS)[""][targets[1]->driverName].bytes.size(), sizeof "reinstalled");

    targets[1]->expectBackWhole();
    EXPECT_FALSE(targets[0]->present());
    EXPECT_FALSE(targets[2]->present());
    ASSERT_TRUE(app.Click(EXIT_BUTTON.x, EXIT_BUTTON.y));
    EXPECT_TRUE(app.Exited(15000));
}

// ---- shortcut files kept with their repair's backup ----

TEST(History, ARestoreOfARepairPutsItsShortcutFilesBackByteForByte) {
    ScratchDir dir("history-shortcuts");
    CreateDirectoryA(dir.file("deep").c_str(), nullptr);
    CreateDirectoryA(dir.file("deep\\er").c_str(), nullptr);
    struct Link { std::string path; DWORD attributes; std::string bytes; WIN32_FILE_ATTRIBUTE_DATA info; };
    std::vector<Link> links = {{dir.file("plain.lnk"), FILE_ATTRIBUTE_ARCHIVE, "", {}},
                               {dir.file("deep\\er\\hidden.lnk"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, "", {}},
                               {dir.file("read-only.lnk"), FILE_ATTRIBUTE_READONLY, "", {}},
                               {dir.file("made-again.lnk"), FILE_ATTRIBUTE_ARCHIVE, "", {}}};
    CRegistryLib lib;
    CShortcut shortcuts(&lib);
    for (size_t i = 0; i < links.size(); ++i) {
        Link& l = links[i];
        const std::string target = dir.file("gone-" + std::to_string(i) + ".exe");
        WriteTextFile(target, "x");
        ASSERT_TRUE(MakeShortcut(l.path, target));
        DeleteFileA(target.c_str());
        HANDLE h = CreateFileA(l.path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        const FILETIME old{0x5A000000u + static_cast<DWORD>(i), 0x01C08DA0u};  // early 2001
        SetFileTime(h, &old, &old, &old);
        CloseHandle(h);
        SetFileAttributesA(l.path.c_str(), l.attributes);
        l.bytes = ReadTextFile(l.path);
        ASSERT_TRUE(GetFileAttributesExA(l.path.c_str(), GetFileExInfoStandard, &l.info));
        shortcuts.invalidShortcuts.push_back(l.path);
    }
    CategoryResults rows;
    RepairJob job{lib, shortcuts, rows, nullptr, {}};
    const RepairReport report = RepairSelectedEntries(job, RowTicks{});
    ASSERT_TRUE(report.Completed());
    EXPECT_EQ(report.removed, 4);
    for (const auto& l : links) EXPECT_FALSE(PathExists(l.path)) << l.path;
    const RepairLogLoad load = LoadRepairLog(false);
    ASSERT_EQ(load.records.size(), 1u);
    int comingBack = 0;
    EXPECT_EQ(ShortcutEntries(load.records[0], &comingBack), 4);
    EXPECT_EQ(comingBack, 4);

    WriteTextFile(links[3].path, "made again");  // never overwritten by the restore
    const ProcessResult restore = RunCli("restore --repair " + std::to_string(report.logId), dir.path());
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    EXPECT_NE(restore.err.find("3 shortcut files were put back"), std::string::npos) << restore.err;
    EXPECT_NE(restore.err.find("The shortcut " + links[3].path + " exists again"), std::string::npos) << restore.err;
    for (size_t i = 0; i < 3; ++i) {
        const Link& l = links[i];
        WIN32_FILE_ATTRIBUTE_DATA now{};
        ASSERT_TRUE(GetFileAttributesExA(l.path.c_str(), GetFileExInfoStandard, &now)) << l.path;
        EXPECT_EQ(now.dwFileAttributes, l.info.dwFileAttributes) << l.path;
        EXPECT_EQ(CompareFileTime(&now.ftLastWriteTime, &l.info.ftLastWriteTime), 0) << l.path;
        EXPECT_EQ(CompareFileTime(&now.ftCreationTime, &l.info.ftCreationTime), 0) << l.path;
        SetFileAttributesA(l.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ReadTextFile(l.path), l.bytes) << l.path;
    }
    EXPECT_EQ(ReadTextFile(links[3].path), "made again");
    EXPECT_EQ(ReadTextFile(KeptShortcutPath(report.backupFile, links[3].path)), links[3].bytes);
}
