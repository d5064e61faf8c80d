// The console program: output format, exit codes and usage errors on a seeded prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>

#include "backup/Backup.h"
#include "platform/DataFolder.h"
#include "platform/RepairLock.h"
#include "engine/SystemPaths.h"
#include "support/HostPython.h"
#include "support/TestSupport.h"

namespace {
const std::string DRIVERS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string APP_PATHS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
// The same key as this registry stores its name: findings show that.
const std::string APP_PATHS_STORED = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";


}  // namespace

TEST(ConsoleProgram, HelpAndUsageErrors) {
    ScratchDir dir("cli-usage");
    auto help = RunCli("--help", dir.path());
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_NE(help.out.find("scan [--only LIST]"), std::string::npos);
    EXPECT_NE(help.out.find("SHARED_TOOLS"), std::string::npos);

    auto unknown = RunCli("scan --only DRV,NOPE", dir.path());
    EXPECT_EQ(unknown.exitCode, 2u);
    EXPECT_TRUE(unknown.out.empty());
    EXPECT_NE(unknown.err.find("NOPE"), std::string::npos);

    EXPECT_EQ(RunCli("frobnicate", dir.path()).exitCode, 2u);
    EXPECT_EQ(RunCli("", dir.path()).exitCode, 2u);
}

TEST(ConsoleProgram, FindingsThenRowsTabSeparatedWithExitStatus) {
    ScratchDir dir("cli-scan");
    EnsuredKey drivers(DRIVERS);
    const std::string gone = dir.file("gone\tdriver.drv");  // a tab inside a field becomes a blank
    SeededValue drv(DRIVERS, "zt.cli", gone);
    SeededKey app(APP_PATHS + "\\ZentharCli.exe");
    app.setString("", dir.file("gone-app.exe"));

    auto r = RunCli("scan --only DRV,APPPATH", dir.path());
    EXPECT_EQ(r.exitCode, 1u) << r.err;
    auto out = SplitLines(r.out);
    std::vector<std::string> findings, rows;
    for (const auto& l : out) {
        if (l.compare(0, 8, "FINDING\t") == 0) {
            EXPECT_TRUE(rows.empty()) << "findings come before rows";
            findings.push_back(l);
        } else if (l.compare(0, 4, "ROW\t") == 0) {
            rows.push_back(l);
        } else {
            ADD_FAILURE() << "unexpected output line: " << l;
        }
    }
    const std::string drvLine = "FINDING\tVxD\tVAL\t" + DRIVERS + "\tzt.cli\t" + dir.file("gone driver.drv");
    const std::string appLine = "FINDING\tAPPPath\tKEY\t" + APP_PATHS_STORED + "\\ZentharCli.exe\t(Default)\t" +
                                dir.file("gone-app.exe");
    EXPECT_NE(std::find(findings.begin(), findings.end(), drvLine), findings.end()) << r.out;
    EXPECT_NE(std::find(findings.begin(), findings.end(), appLine), findings.end()) << r.out;
    ASSERT_EQ(rows.size(), 2u);  // DRV then APPPATH, no shortcut row when shortcuts were not asked for
    EXPECT_EQ(rows[0].rfind("ROW\tInvalid Drivers\t", 0), 0u) << rows[0];
    EXPECT_EQ(rows[1].rfind("ROW\tInvalid App Paths\t", 0), 0u) << rows[1];
    EXPECT_EQ(rows[0].substr(rows[0].size() - 2), "\t0");
}

// The same findings as CSV and as JSON, read back by Python's own readers; an unknown format is a
// usage error, and the default stays the tab-separated lines.
TEST(ConsoleProgram, ScanFormatsCsvAndJsonReadBackWithRealReaders) {
    ScratchDir dir("cli-formats");
    EnsuredKey drivers(DRIVERS);
    const std::string gone = dir.file("gone, \"quoted\".drv");
    SeededValue drv(DRIVERS, "zt.cli.format", gone);
    SeededKey app(APP_PATHS + "\\ZentharFormat.exe");
    app.setString("", dir.file("gone-format.exe"));
    const std::vector<std::string> drvRow = {"DRV", "Driver: file missing", gone, DRIVERS + " : zt.cli.format", "value",
                                             "review", "A driver entry: worth a look before it goes."};
    const std::vector<std::string> appRow = {"APPPATH", "Application path: program missing", dir.file("gone-format.exe"),
                                             APP_PATHS_STORED + "\\ZentharFormat.exe", "key", "review",
                                             "File missing but its folder is there: mid-update or moved?"};

    const auto csv = RunCli("scan --only DRV,APPPATH --format csv", dir.path());
    EXPECT_EQ(csv.exitCode, 1u) << csv.err;
    WriteTextFile(dir.file("out.csv"), csv.out);
    ASSERT_TRUE(RunPython(dir.path(),
                          "import csv, sys\n"
                          "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='latin-1'), strict=True))\n"
                          "open(sys.argv[2], 'w', newline='', encoding='latin-1').write("
                          "''.join('\\x1f'.join(r) + '\\x1e' for r in rows))\n",
                          {dir.file("out.csv"), dir.file("csv-rows.txt")}));
    const auto rows = ReadRows(ReadTextFile(dir.file("csv-rows.txt")));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Category", "Problem", "Missing file", "Registry location", "Repair removes",
                                                 "Level", "Reason"}));
    EXPECT_NE(std::find(rows.begin(), rows.end(), drvRow), rows.end()) << csv.out;
    EXPECT_NE(std::find(rows.begin(), rows.end(), appRow), rows.end()) << csv.out;

    const auto json = RunCli("scan --only DRV,APPPATH --format json", dir.path());
    EXPECT_EQ(json.exitCode, 1u) << json.err;
    WriteTextFile(dir.file("out.json"), json.out);
    ASSERT_TRUE(RunPython(dir.path(),
                          "import json, sys\n"
                          "doc = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                          "assert doc['date'] and doc['computer']\n"
                          "keys = ('category', 'problem', 'missingFile', 'location', 'removes', 'level', 'reason')\n"
                          "open(sys.argv[2], 'w', newline='', encoding='utf-8').write("
                          "''.join('\\x1f'.join(f[k] for k in keys) + '\\x1e' for f in doc['findings']))\n",
                          {dir.file("out.json"), dir.file("json-rows.txt")}));
    const auto found = ReadRows(ReadTextFile(dir.file("json-rows.txt")));
    EXPECT_EQ(found.size() + 1, rows.size()) << "the same findings as the CSV";
    EXPECT_NE(std::find(found.begin(), found.end(), drvRow), found.end()) << json.out;
    EXPECT_NE(std::find(found.begin(), found.end(), appRow), found.end()) << json.out;

    const auto bad = RunCli("scan --only DRV --format xml", dir.path());
    EXPECT_EQ(bad.exitCode, 2u);
    EXPECT_TRUE(bad.out.empty());
    EXPECT_NE(bad.err.find("xml"), std::string::npos);
    EXPECT_EQ(RunCli("scan --only DRV --format", dir.path()).exitCode, 2u);
    const auto tsv = RunCli("scan --only DRV --format tsv", dir.path());
    EXPECT_EQ(tsv.out, RunCli("scan --only DRV", dir.path()).out);
    EXPECT_NE(tsv.out.find("FINDING\tVxD\tVAL\t"), std::string::npos);
}

TEST(ConsoleProgram, NothingFoundExitsZeroAndIgnoredPathsStaySilent) {
    ScratchDir dir("cli-clean");
    EnsuredKey drivers(DRIVERS);
    SeededValue drv(DRIVERS, "zt.cli.ignored", dir.file("ignored.drv"));
    WriteTextFile(dir.file("ignore.lst"), dir.file("ignored.drv") + "\n");
    auto r = RunCli("scan --only DRV", dir.path());
    auto out = SplitLines(r.out);
    for (const auto& l : out) EXPECT_EQ(l.find("ignored.drv"), std::string::npos) << l;
    // Wine's own driver list is complete on a fresh prefix, so nothing else is reported there.
    EXPECT_EQ(r.exitCode, 0u) << r.out;
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].rfind("ROW\tInvalid Drivers\t", 0), 0u) << out[0];
}

// The console runs with the rights of whoever starts it; a removal or a restore the registry refuses
// for rights says how to get them, and the command still fails.
TEST(ConsoleProgram, RemovalsRestoresAndUndoRefusedForRightsSayToUseAnAdministratorConsole) {
    const std::string hint = "run it from an administrator console";
    ScratchDir dir("cli-rights");
    SeededKey app(APP_PATHS + "\\ZentharCliRights.exe");
    app.setString("", dir.file("gone-rights.exe"));
    SeededKey leaf(app.path() + "\\B");
    leaf.setString("b", "2");
    {
        // A subkey that may be read but not listed or deleted: the key cannot be removed.
        KeyAccessLimit refuse(leaf.path(), KEY_QUERY_VALUE);
        ASSERT_TRUE(refuse.applied());
        const auto fix = RunCli("fix --only APPPATH --yes", dir.path());
        EXPECT_NE(fix.exitCode, 0u) << fix.err;
        EXPECT_NE(fix.err.find(hint), std::string::npos) << fix.err;
        EXPECT_TRUE(KeyExists(app.path()));
    }
    {
        // The key the backup would write a value back into may be read but not written.
        RegDeleteValueA(app.handle(), "");
        KeyAccessLimit readOnly(app.path(), KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS);
        ASSERT_TRUE(readOnly.applied());
        const auto restore = RunCli("restore", dir.path());
        EXPECT_NE(restore.exitCode, 0u) << restore.err;
        EXPECT_NE(restore.err.find(hint), std::string::npos) << restore.err;
        // The undo file the refused repair kept, imported into the same key.
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA(dir.file("FixedOn*.xml").c_str(), &found);
        ASSERT_NE(search, INVALID_HANDLE_VALUE) << "the refused repair keeps its undo file";
        FindClose(search);
        const auto undo = RunCli("undo \"" + dir.file(found.cFileName) + "\"", dir.path());
        EXPECT_EQ(undo.exitCode, 1u) << undo.err;
        EXPECT_NE(undo.err.find(hint), std::string::npos) << undo.err;
    }
    // Where rights are not the reason, the hint stays away.
    const auto restore = RunCli("restore", dir.path());
    EXPECT_EQ(restore.exitCode, 0u) << restore.err;
    EXPECT_EQ(restore.err.find(hint), std::string::npos) << restore.err;
}

// ---- one data folder, whatever folder the program starts in ----

namespace {
const std::string DATA_TESTS = "C:\\zenthar-tests\\data-folder";

// A fresh folder (an older run's leftovers removed).
std::string FreshFolder(const std::string& path) {
    RemoveTree(path);
    CreateDirectoryA(DATA_TESTS.c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

// The console program copied into a program folder of its own, as the setup installs it.
std::string InstalledCli(const std::string& programFolder) {
    const std::string exe = programFolder + "\\zenthar-cli.exe";
    CopyFileA(CliPath().c_str(), exe.c_str(), FALSE);
    return exe;
}

ProcessResult RunInstalled(const std::string& exe, const std::string& args, const std::string& directory) {
    return RunProcess("\"" + exe + "\" " + args, directory);
}

bool Reports(const ProcessResult& r, const std::string& filePath) {
    for (const auto& line : SplitLines(r.out))
        if (line.compare(0, 8, "FINDING\t") == 0 && line.size() >= filePath.size() &&
            line.compare(line.size() - filePath.size(), filePath.size(), filePath) == 0)
            return true;
    return false;
}

// The working files an older version wrote into the folder a program started in.
bool HoldsWorkingFiles(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE undo = FindFirstFileA((folder + "\\FixedOn*.xml").c_str(), &data);
    if (undo != INVALID_HANDLE_VALUE) FindClose(undo);
    return undo != INVALID_HANDLE_VALUE || PathExists(folder + "\\ignore.lst") ||
           PathExists(folder + "\\Registry Backups") || PathExists(folder + "\\1.reg") ||
           PathExists(folder + "\\repair.lock");
}
}  // namespace

TEST(DataFolder, EveryStartFolderSeesTheSameIgnoreListAndBackups) {
    AppDataFolder appData(FreshFolder(DATA_TESTS + "\\appdata"));
    const std::string program = FreshFolder(DATA_TESTS + "\\Program");
    const std::string cli = InstalledCli(program);
    const std::string data = appData.dataFolder();
    ASSERT_FALSE(HoldsWorkingFiles(SystemDirectory())) << "leftovers of another run in the system folder";
    EnsuredKey drivers(DRIVERS);
    const std::string gone = DATA_TESTS + "\\gone-driver.drv";
    SeededValue goneValue(DRIVERS, "zt.data.gone", gone);
    // The Run entry starts the program in the system folder, the scheduled task in its own folder,
    // the Start-menu shortcut in the data folder.
    const struct {
        const char* how;
        std::string folder;
    } starts[] = {{"system folder", SystemDirectory()}, {"program folder", program}, {"data folder", data}};
    std::vector<std::string> kept;
    std::vector<std::unique_ptr<SeededValue>> keptValues;  // all stay, so every later scan meets them
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(starts[i].how);
        const auto& next = starts[(i + 1) % 3];
        kept.push_back(DATA_TESTS + "\\kept-" + std::to_string(i) + ".drv");
        keptValues.push_back(std::make_unique<SeededValue>(DRIVERS, "zt.data.kept" + std::to_string(i), kept.back()));
        const ProcessResult fix =
            RunInstalled(cli, "fix --only DRV --keep \"" + kept.back() + "\" --yes", starts[i].folder);
        ASSERT_EQ(fix.exitCode, 0u) << fix.err;
        EXPECT_FALSE(ValueExists(DRIVERS, "zt.data.gone"));
        // Started anywhere else, the program knows what was kept here and finds the backup made here.
        const ProcessResult scan = RunInstalled(cli, "scan --only DRV", next.folder);
        for (const auto& path : kept) EXPECT_FALSE(Reports(scan, path)) << path << " was kept\n" << scan.out;
        const ProcessResult restore = RunInstalled(cli, "restore", next.folder);
        EXPECT_EQ(restore.exitCode, 0u) << next.how << ": " << restore.err;
        EXPECT_TRUE(ValueExists(DRIVERS, "zt.data.gone")) << "restored from the backup";
    }
    const auto ignored = SplitLines(ReadTextFile(data + "\\ignore.lst"));
    EXPECT_EQ(ignored, kept);
    EXPECT_TRUE(PathExists(data + "\\Registry Backups"));
    for (const auto& start : starts)
        if (start.folder != data) {
            EXPECT_FALSE(HoldsWorkingFiles(start.folder)) << start.how << " " << start.folder;
        }
}

TEST(DataFolder, RestoreTakesTheNewestBackupOfTheDataStartAndProgramFolders) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\ZentharTest\\DataFolderRestore";
    // A binary backup of the key while its value "v" reads `value`.
    auto backupHolding = [&](const std::string& value) {
        ScratchDir work("data-folder-backup");
        SeededKey seeded(key);
        seeded.setString("v", value);
        ErrorArray errors;
        errors.push_back(std::make_unique<RegistryError>());
        errors.back()->keyPath = key;
        errors.back()->action = "KEY";
        const BackupResult made = BackupRegistry(&errors, nullptr);
        EXPECT_EQ(made.status, BackupStatus::Written);
        return ReadTextFile(made.file);
    };
    const std::map<std::string, std::string> backups = {
        {"data", backupHolding("data")}, {"start", backupHolding("start")}, {"program", backupHolding("program")}};
    DeleteKeyPath(key);
    for (const char* newest : {"data", "start", "program"}) {
        SCOPED_TRACE(std::string("the newest is in the ") + newest + " folder");
        AppDataFolder appData(FreshFolder(DATA_TESTS + "\\appdata-restore"));
        const std::map<std::string, std::string> folders = {
            {"data", appData.dataFolder()},
            {"start", FreshFolder(DATA_TESTS + "\\start-restore")},
            {"program", FreshFolder(DATA_TESTS + "\\Program")}};
        const std::string cli = InstalledCli(folders.at("program"));
        for (const auto& [where, folder] : folders) {
            const std::string backupFolder = folder + "\\Registry Backups";
            CreateDirectoryA(folder.c_str(), nullptr);
            CreateDirectoryA(backupFolder.c_str(), nullptr);
            // Dated names: the newest one a year after the others, which differ by a day.
            const std::map<std::string, std::string> older = {{"data", "2030-06-01_00-00-00.reg"},
                                                              {"start", "2030-06-02_00-00-00.reg"},
                                                              {"program", "2030-06-03_00-00-00.reg"}};
            const std::string name = where == newest ? "2031-01-01_00-00-00.reg" : older.at(where);
            WriteTextFile(backupFolder + "\\" + name, backups.at(where));
        }
        const ProcessResult restore = RunInstalled(cli, "restore", folders.at("start"));
        EXPECT_EQ(restore.exitCode, 0u) << restore.err;
        HKEY opened = nullptr;
        char value[32] = "";
        DWORD size = sizeof value - 1;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\ZentharTest\\DataFolderRestore", 0, KEY_READ, &opened) ==
            ERROR_SUCCESS) {
            RegQueryValueExA(opened, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
            RegCloseKey(opened);
        }
        EXPECT_STREQ(value, newest);
        DeleteKeyPath(key);
    }
}

TEST(DataFolder, AnOlderIgnoreListInTheStartOrProgramFolderIsTakenOverWhole) {
    const std::string longLine = "C:\\Gone\\" + std::string(1100, 'x') + ".exe";
    const struct {
        const char* what;
        std::string inStart, inProgram, inData;  // "" = no file there
        std::vector<std::string> expected;        // the data folder's list afterwards
    } cases[] = {
        {"start folder only", "C:\\a.dll\r\n\r\n" + longLine + "\r\nlast-without-end", "", "",
         {"C:\\a.dll", "", longLine, "last-without-end"}},
        {"program folder only", "", "C:\\b.dll\n", "", {"C:\\b.dll"}},
        {"both: the start folder's whole, then what the program folder's adds", "C:\\a.dll\nC:\\b.dll\n",
         "C:\\b.dll\nC:\\c.dll\n", "", {"C:\\a.dll", "C:\\b.dll", "C:\\c.dll"}},
        {"the data folder has a list already: nothing merged", "C:\\a.dll\n", "", "C:\\d.dll\n", {"C:\\d.dll"}},
        {"nothing anywhere", "", "", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppDataFolder appData(FreshFolder(DATA_TESTS + "\\appdata-takeover"));
        const std::string start = FreshFolder(DATA_TESTS + "\\start");
        const std::string program = FreshFolder(DATA_TESTS + "\\Program");
        const std::string cli = InstalledCli(program);
        const std::string data = appData.dataFolder();
        if (!c.inStart.empty()) WriteTextFile(start + "\\ignore.lst", c.inStart);
        if (!c.inProgram.empty()) WriteTextFile(program + "\\ignore.lst", c.inProgram);
        if (!c.inData.empty()) {
            CreateDirectoryA(data.c_str(), nullptr);
            WriteTextFile(data + "\\ignore.lst", c.inData);
        }
        const ProcessResult scan = RunInstalled(cli, "scan --only DRV", start);
        EXPECT_LT(scan.exitCode, 2u) << scan.err;
        if (c.expected.empty()) {
            EXPECT_FALSE(PathExists(data + "\\ignore.lst"));
        } else {
            EXPECT_EQ(SplitLines(ReadTextFile(data + "\\ignore.lst")), c.expected);
        }
        // The old files stay as they were.
        if (!c.inStart.empty()) {
            EXPECT_EQ(ReadTextFile(start + "\\ignore.lst"), c.inStart);
        }
    }
}

TEST(DataFolder, AnOldListIsHonouredByTheFirstScanAndByLaterOnesElsewhere) {
    AppDataFolder appData(FreshFolder(DATA_TESTS + "\\appdata-first"));
    const std::string start = FreshFolder(DATA_TESTS + "\\start-first");
    EnsuredKey drivers(DRIVERS);
    const std::string kept = start + "\\kept-earlier.drv";
    SeededValue keptValue(DRIVERS, "zt.data.earlier", kept);
    WriteTextFile(start + "\\ignore.lst", kept + "\n");
    const ProcessResult scan = RunCliDefaultData("scan --only DRV", start);
    EXPECT_FALSE(Reports(scan, kept)) << scan.out;
    const ProcessResult again = RunCliDefaultData("scan --only DRV", SystemDirectory());
    EXPECT_FALSE(Reports(again, kept)) << "from another folder too\n" << again.out;
}

TEST(DataFolder, TheDataOptionUsesItsFolderAndRefusesOneThatCannotBeMade) {
    AppDataFolder appData(FreshFolder(DATA_TESTS + "\\appdata-option"));
    const std::string base = FreshFolder(DATA_TESTS + "\\option");
    WriteTextFile(base + "\\a-file", "x");
    const struct {
        const char* what;
        std::string args;
        DWORD exitCode;
        std::string message;  // in standard error
        std::string made;     // a folder that must exist afterwards
    } cases[] = {
        {"a new folder two levels down", "--data \"" + base + "\\new\\deeper\" scan --only DRV", 0, "",
         base + "\\new\\deeper"},
        {"a relative folder, below the current one", "--data rel scan --only DRV", 0, "", base + "\\rel"},
        {"a file's name", "--data \"" + base + "\\a-file\" scan --only DRV", 2, "cannot be created", ""},
        {"below a file", "--data \"" + base + "\\a-file\\below\" fix --yes", 2, "cannot be created", ""},
        {"no folder given", "--data", 2, "--data needs a folder", ""},
        {"new folders above a name no folder can have", "--data \"" + base + "\\made\\bad|name\" scan --only DRV", 2,
         "cannot be created", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ProcessResult r = RunCliDefaultData(c.args, base);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (!c.made.empty()) {
            EXPECT_TRUE(PathExists(c.made));
        }
    }
    EXPECT_FALSE(PathExists(base + "\\made")) << "a refused folder leaves none behind";
    EXPECT_FALSE(PathExists(appData.dataFolder())) << "the default data folder was not touched";
    const ProcessResult help = RunCliDefaultData("--help", base);
    EXPECT_NE(help.out.find("here: " + appData.dataFolder() + "\r\n"), std::string::npos) << help.out;
}

TEST(DataFolder, AnAppDataPathNamesTheFolderItSaysAndNeverALookAlike) {
    const std::wstring omega = L"C:\\zenthar-tests\\data-folder\\appdata-forms\\\x03A9mega";
    RemoveDirectoryW((omega + L"\\Zenthar").c_str());  // beyond the narrow RemoveTree
    RemoveDirectoryW(omega.c_str());
    const std::string base = FreshFolder(DATA_TESTS + "\\appdata-forms");
    ASSERT_TRUE(CreateDirectoryW(omega.c_str(), nullptr));
    wchar_t shortName[MAX_PATH] = L"";
    ASSERT_GT(GetShortPathNameW(omega.c_str(), shortName, MAX_PATH), 0u);
    const struct {
        const char* what;
        std::wstring appData;
        std::string shown;  // the data folder the console names
    } cases[] = {
        {"a relative path", L"rel-appdata", base + "\\rel-appdata\\Zenthar"},
        {"a letter outside the code page", omega, std::string(shortName, shortName + wcslen(shortName)) + "\\Zenthar"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetEnvironmentVariableW(L"APPDATA", c.appData.c_str());
        const ProcessResult help = RunCliDefaultData("--help", base);
        const ProcessResult scan = RunCliDefaultData("scan --only DRV", base);
        SetEnvironmentVariableW(L"APPDATA", nullptr);
        EXPECT_NE(help.out.find("here: " + c.shown + "\r\n"), std::string::npos) << help.out;
        EXPECT_EQ(scan.exitCode, 0u) << scan.err;
    }
    const DWORD made = GetFileAttributesW((omega + L"\\Zenthar").c_str());
    EXPECT_TRUE(made != INVALID_FILE_ATTRIBUTES && (made & FILE_ATTRIBUTE_DIRECTORY)) << "the folder it names";
    EXPECT_FALSE(PathExists(base + "\\Omega")) << "a look-alike folder";
}

// ---- one repair or restore at a time ----

TEST(RepairLock, AFolderInTheLockFilesPlaceIsNamedNotTakenForARepairRunning) {
    ScratchDir dir("cli-lock-folder");
    WriteTextFile(dir.file("undo.xml"), "<registry/>\n");
    ASSERT_TRUE(CreateDirectoryA(dir.file(REPAIR_LOCK_NAME).c_str(), nullptr));
    for (const char* args : {"fix --only DRV --yes", "restore", "undo undo.xml"}) {
        const ProcessResult r = RunCli(args, dir.path());
        EXPECT_EQ(r.exitCode, 2u) << args;
        EXPECT_NE(r.err.find(dir.file(REPAIR_LOCK_NAME) + " stands where the repair lock file belongs"), std::string::npos)
            << args << "\n" << r.err;
        EXPECT_EQ(r.err.find("Another repair"), std::string::npos) << args << "\n" << r.err;
    }
}

TEST(RepairLock, TheConsoleRefusesWhileAnotherHolderHasItAndAKilledHolderLeavesNone) {
    ScratchDir dir("cli-lock");  // this process's data folder, and the console's through --data
    WriteTextFile(dir.file("undo.xml"), "<registry/>\n");
    RepairLock held;
    ASSERT_TRUE(held.TryAcquire());
    bool busy = false;
    RepairLock second;
    EXPECT_FALSE(second.TryAcquire(&busy)) << "the lock is not shared, not even within one process";
    EXPECT_TRUE(busy);

    const struct {
        const char* args;
        bool refused;
    } commands[] = {
        {"fix --only DRV --yes", true},
        {"restore", true},
        {"undo undo.xml", true},
        {"fix --only DRV", false},  // shows what it would do, changes nothing
        {"scan --only DRV", false},
    };
    auto expectRefusals = [&](const char* holder) {
        for (const auto& c : commands) {
            const ProcessResult r = RunCli(c.args, dir.path());
            const bool said = r.err.find("Another repair or restore is running") != std::string::npos;
            EXPECT_EQ(said, c.refused) << holder << ": " << c.args << "\n" << r.err;
            if (c.refused) {
                EXPECT_EQ(r.exitCode, 2u) << holder << ": " << c.args;
            } else {
                EXPECT_LT(r.exitCode, 2u) << holder << ": " << c.args << "\n" << r.err;
            }
        }
    };
    expectRefusals("this test");

    // The lock handed to another process that is then killed, as a repair killed half-way.
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + CliPath() + "\" --version";
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               dir.path().c_str(), &si, &pi));
    HANDLE inChild = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), held.Detach(), pi.hProcess, &inChild, 0, FALSE,
                                DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS));
    expectRefusals("a process of its own");
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, 30000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    EXPECT_FALSE(PathExists(dir.file(REPAIR_LOCK_NAME))) << "no lock file stays behind";
    const ProcessResult restore = RunCli("restore", dir.path());
    EXPECT_EQ(restore.exitCode, 1u) << restore.err;
    EXPECT_NE(restore.err.find("Can't find any backup file"), std::string::npos) << restore.err;
    RepairLock again;
    EXPECT_TRUE(again.TryAcquire());
}

TEST(ConsoleProgram, AKeptPathOfAnyLengthStaysKeptWhole) {
    ScratchDir dir("cli-long-keep");
    EnsuredKey drivers(DRIVERS);
    const std::string longPath = "C:\\Gone\\" + std::string(1100, 'L') + ".exe";
    SeededValue drv(DRIVERS, "zt.cli.long", longPath);
    auto kept = RunCli("fix --only DRV --keep \"" + longPath + "\" --yes", dir.path());
    EXPECT_EQ(kept.exitCode, 0u) << kept.err;
    EXPECT_EQ(ReadTextFile(dir.file("ignore.lst")), longPath + "\r\n");
    // The next repair neither reports nor removes it, and leaves the list as it was.
    auto again = RunCli("fix --only DRV --yes", dir.path());
    EXPECT_EQ(again.exitCode, 0u) << again.err;
    EXPECT_EQ(again.out.find("zt.cli.long"), std::string::npos) << again.out;
    EXPECT_TRUE(ValueExists(DRIVERS, "zt.cli.long"));
    EXPECT_EQ(ReadTextFile(dir.file("ignore.lst")), longPath + "\r\n");
}

TEST(ConsoleProgram, KeptEntriesThatCannotBeSavedFailTheRepair) {
    EnsuredKey drivers(DRIVERS);
    const struct { const char* what; bool folder; } cases[] = {
        {"a folder named ignore.lst", true},
        {"a read-only ignore.lst", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir("cli-keep-unsaved");
        const std::string kept = dir.file("kept.drv");
        SeededValue keptValue(DRIVERS, "zt.cli.kept", kept);
        SeededValue goneValue(DRIVERS, "zt.cli.gone", dir.file("gone.drv"));
        if (c.folder) {
            ASSERT_TRUE(CreateDirectoryA(dir.file("ignore.lst").c_str(), nullptr));
        } else {
            WriteTextFile(dir.file("ignore.lst"), "C:\\old.dll\n");
            ASSERT_TRUE(SetFileAttributesA(dir.file("ignore.lst").c_str(), FILE_ATTRIBUTE_READONLY));
        }
        auto r = RunCli("fix --only DRV --keep \"" + kept + "\" --yes", dir.path());
        EXPECT_EQ(r.exitCode, 2u) << r.err;
        EXPECT_NE(r.err.find("The entries you kept could not be saved"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("ignore.lst"), std::string::npos) << r.err;
        // The kept entry stays in the registry; the other one was removed all the same.
        EXPECT_TRUE(ValueExists(DRIVERS, "zt.cli.kept"));
        EXPECT_FALSE(ValueExists(DRIVERS, "zt.cli.gone"));
        if (!c.folder) {
            EXPECT_EQ(ReadTextFile(dir.file("ignore.lst")), "C:\\old.dll\n");
        }
        SetFileAttributesA(dir.file("ignore.lst").c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// Three startup entries, one per level; each depth removes its levels and leaves the rest, a kept
// risky entry stays even at Deep, and nothing left by the depth lands on the ignore list.
TEST(ConsoleProgram, FixRemovesWhatItsLevelTakesAndLeavesTheRestUnignored) {
    const std::string run = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const struct {
        const char* level;  // --level, "" for the default
        bool safeGoes, reviewGoes, riskyGoes;
        const char* keep;   // "risky": the risky entry is kept with --keep
    } cases[] = {
        {"safe", true, false, false, ""},  {"", true, true, false, ""},
        {"normal", true, true, false, ""}, {"deep", true, true, true, ""},
        {"deep", true, true, false, "risky"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("--level '") + c.level + "' keep '" + c.keep + "'");
        ScratchDir dir("cli-levels");
        const std::string safe = dir.file("gone\\safe.exe"), review = dir.file("review.exe");
        const std::string risky = WindowsDirectory() + "\\system32\\zt-risky.exe";
        SeededValue a(run, "ZtSafe", safe), b(run, "ZtReview", review), d(run, "ZtRisky", risky);
        const ProcessResult scan = RunCli("scan --only STARTUP --format json", dir.path());
        for (const char* level : {"\"level\":\"safe\"", "\"level\":\"review\"", "\"level\":\"risky\""})
            EXPECT_NE(scan.out.find(level), std::string::npos) << level;
        EXPECT_NE(scan.err.find("3 found: 1 safe, 1 to review, 1 risky"), std::string::npos) << scan.err;
        const std::string args = std::string("fix --only STARTUP") + (*c.level ? std::string(" --level ") + c.level : "") +
                                 (*c.keep ? " --keep \"" + risky + "\"" : "");
        const ProcessResult dry = RunCli(args, dir.path());
        EXPECT_EQ(dry.exitCode, 1u) << dry.err;
        EXPECT_NE(dry.err.find("Safe: 1 would be removed"), std::string::npos) << dry.err;
        EXPECT_TRUE(ValueExists(run, "ZtSafe") && ValueExists(run, "ZtReview") && ValueExists(run, "ZtRisky"));
        const ProcessResult fix = RunCli(args + " --yes", dir.path());
        EXPECT_EQ(fix.exitCode, 0u) << fix.err;
        EXPECT_EQ(ValueExists(run, "ZtSafe"), !c.safeGoes);
        EXPECT_EQ(ValueExists(run, "ZtReview"), !c.reviewGoes);
        EXPECT_EQ(ValueExists(run, "ZtRisky"), !c.riskyGoes);
        // Only --keep reaches the ignore list: what the depth left is found again.
        const std::string ignored = PathExists(dir.file("ignore.lst")) ? ReadTextFile(dir.file("ignore.lst")) : "";
        EXPECT_EQ(ignored.find(review) != std::string::npos, false);
        EXPECT_EQ(ignored.find(risky) != std::string::npos, *c.keep != '\0');
    }
    ScratchDir dir("cli-levels-usage");
    const ProcessResult bad = RunCli("fix --level deeper", dir.path());
    EXPECT_EQ(bad.exitCode, 2u);
    EXPECT_NE(bad.err.find("deeper"), std::string::npos);
}
