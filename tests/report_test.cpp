// Findings in words and the saved reports: every category's words, and the CSV and HTML files read
// back by real readers (Python's csv module and its XML parser).
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <set>

#include "engine/FindingLevels.h"
#include "engine/Findings.h"
#include "engine/SystemPaths.h"
#include "engine/Report.h"
#include "engine/scanners/Shortcut.h"
#include "support/HostPython.h"
#include "support/TestSupport.h"

namespace {
std::unique_ptr<RegistryError> Record(const std::string& type, const std::string& action, const std::string& key,
                                      const std::string& value, const std::string& file) {
    auto err = std::make_unique<RegistryError>();
    err->type = type;
    err->action = action;
    err->keyPath = key;
    err->value = std::make_unique<ValueRecord>();
    err->value->name = value;
    err->value->exactName = err->value->exactData = true;  // as a scan records it
    err->filePath = file;
    return err;
}

// Code-page text as UTF-8, for what the HTML reader gives back.
std::string Utf8(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
    std::string out(static_cast<size_t>(n) * 4, '\0');
    const int m = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(m > 0 ? static_cast<size_t>(m - 1) : 0);
    return out;
}

std::string CodePage() { return "cp" + std::to_string(GetACP()); }

const std::string RUN = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\Run";

// Findings whose texts a careless writer would break: quotes, commas, line breaks, a leading "=",
// a letter outside ASCII, an empty field.
std::vector<Finding> AwkwardFindings() {
    ErrorArray errors;
    errors.push_back(Record("Startup", "VAL", RUN, "Say \"hi\", then go", "C:\\Caf\xe9\\tool, \"v2\".exe"));
    errors.push_back(Record("Startup", "VAL", RUN, "two\r\nlines", "C:\\a\\b.exe"));
    errors.push_back(Record("SharedFile", "VAL", "HKEY_LOCAL_MACHINE\\Shared", "=SUM(A1)", "=SUM(A1)"));
    errors.push_back(Record("CLSID", "KEY", "HKEY_CLASSES_ROOT\\CLSID\\{X}<&>", "(Default)", ""));
    std::vector<Finding> out;
    for (size_t i = 0; i < errors.size(); ++i) out.push_back(FindingOf(*errors[i], i));
    out.push_back(ShortcutFinding("C:\\Users\\Public\\Desktop\\Old.lnk", "C:\\Old\\old.exe", 0));
    return out;
}
}  // namespace

// What the result list's columns and the details line say, for a finding of every category.
TEST(FindingWords, EveryCategoryHasItsProblemLocationAndDetails) {
    struct Case {
        const char* type;
        const char* action;
        std::string key, value, file;
        const char* problem;
        std::string location;
        std::string lastDetailsLine;
        SafetyLevel level;  // its folder is gone too
    };
    const std::string clsid = "HKEY_CLASSES_ROOT\\CLSID\\{0A3F}";
    const std::string dlls = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    const std::string drivers = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
    const std::string help = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Help";
    const std::string app = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\old.exe";
    const std::string tools = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shared Tools\\Old";
    const std::string fonts = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
    const std::string uninstall = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\old";
    const std::string verb = "HKEY_CLASSES_ROOT\\OldDoc.File\\shell\\open";
    const std::string wholeKey = "A repair removes this key and everything under it.";
    const Case cases[] = {
        {"CLSID", "KEY", clsid, "(Default)", "C:\\gone\\server.dll", "COM class: server file missing", clsid, wholeKey, LEVEL_RISKY},
        {"SharedFile", "VAL", dlls, "C:\\gone\\shared.dll", "C:\\gone\\shared.dll", "Shared DLL: file missing",
         dlls + " : C:\\gone\\shared.dll", "A repair removes the value \"C:\\gone\\shared.dll\" of this key.", LEVEL_SAFE},
        {"VxD", "VAL", drivers, "msacm.old", "C:\\gone\\old.drv", "Driver: file missing", drivers + " : msacm.old",
         "A repair removes the value \"msacm.old\" of this key.", LEVEL_REVIEW},
        {"Help", "VAL", help, "old.hlp", "C:\\gone\\old.hlp", "Help file: file missing", help + " : old.hlp",
         "A repair removes the value \"old.hlp\" of this key.", LEVEL_SAFE},
        {"APPPath", "KEY", app, "(Default)", "C:\\gone\\old.exe", "Application path: program missing", app, wholeKey, LEVEL_SAFE},
        {"SharedTools", "KEY", tools, "Path", "C:\\gone\\tool.exe", "Shared tool: file missing", tools, wholeKey, LEVEL_REVIEW},
        {"font", "VAL", fonts, "Old Sans (TrueType)", "C:\\gone\\old.ttf", "Font: file missing",
         fonts + " : Old Sans (TrueType)", "A repair removes the value \"Old Sans (TrueType)\" of this key.", LEVEL_SAFE},
        {"Startup", "VAL", RUN, "Launcher", "C:\\Tools\\launcher.exe", "Startup program not found", RUN + " : Launcher",
         "A repair removes the value \"Launcher\" of this key.", LEVEL_SAFE},
        {"Uninstall", "VAL", uninstall, "UninstallString", "C:\\gone\\unins000.exe", "Uninstall entry: program missing",
         uninstall + " : UninstallString", "A repair removes the value \"UninstallString\" of this key.", LEVEL_SAFE},
        {"FileType", "KEY", verb, "(Default)", "C:\\gone\\viewer.exe", "File type command: program missing", verb,
         wholeKey, LEVEL_REVIEW},
    };
    std::set<std::string> problems;
    for (const Case& c : cases) {
        const Finding f = FindingOf(*Record(c.type, c.action, c.key, c.value, c.file), 7);
        EXPECT_EQ(f.problem, c.problem) << c.type;
        EXPECT_EQ(f.missingFile, c.file) << c.type;
        EXPECT_EQ(f.location, c.location) << c.type;
        EXPECT_FALSE(f.shortcut);
        EXPECT_EQ(f.index, 7u);
        EXPECT_EQ(f.level, c.level) << c.type;
        EXPECT_EQ(FindingDetails(f), std::string(c.problem) + ": " + c.file + "\nRegistry key: " + c.key + "\n" +
                                         c.lastDetailsLine + "\n" + LevelWord(c.level) + ": " + f.reason)
            << c.type;
        problems.insert(f.problem);
    }
    const Finding link = ShortcutFinding("C:\\Users\\Public\\Desktop\\Old.lnk", "C:\\Old\\old.exe", 3);
    EXPECT_EQ(link.problem, "Shortcut: target missing");
    EXPECT_EQ(link.missingFile, "C:\\Old\\old.exe");
    EXPECT_EQ(link.location, "C:\\Users\\Public\\Desktop\\Old.lnk");
    EXPECT_TRUE(link.shortcut);
    EXPECT_EQ(FindingDetails(link), "Shortcut: target missing: C:\\Old\\old.exe\nShortcut file: "
                                    "C:\\Users\\Public\\Desktop\\Old.lnk\nA repair deletes this shortcut file.\nReview: ");
    problems.insert(link.problem);
    // Every category has words of its own, and every record type the scanners write is known.
    EXPECT_EQ(problems.size(), static_cast<size_t>(SCAN_CATEGORY_COUNT));
    std::set<std::string> areas;  // History names every area in words of its own
    for (const auto& row : CATEGORY_TABLE) {
        if (*row.type) {
            EXPECT_EQ(CategoryOfType(row.type), row.category) << row.type;
        }
        EXPECT_NE(AreaWords(row.flagName), row.flagName);
        areas.insert(AreaWords(row.flagName));
    }
    EXPECT_EQ(areas.size(), static_cast<size_t>(SCAN_CATEGORY_COUNT));
}

// One finding per row: its category, where its missing file is (a folder that exists, one that is
// gone, the Windows folder, a variable that does not expand) and whether its path read back exactly.
TEST(SafetyLevels, EachFindingGetsTheLevelAndReasonOfTheFirstRuleThatHolds) {
    ScratchDir dir("levels");
    enum Where { PRESENT, GONE, WINDOWS, VARIABLE };
    const auto pathAt = [&](Where w) {
        return w == PRESENT ? dir.file("old.exe") : w == GONE ? dir.file("gone\\old.exe")
               : w == WINDOWS ? WindowsDirectory() + "\\System32\\old.dll" : std::string("C:\\%ZT_NOT_SET%\\old.exe");
    };
    const struct {
        ScanCategory category;
        Where where;
        bool exact;
        SafetyLevel level;
        const char* reasonPart;
    } cases[] = {
        {STARTUP, GONE, true, LEVEL_SAFE, "Program gone with its folder"},
        {UNINSTALL, GONE, true, LEVEL_SAFE, "Program gone with its folder"},
        {APPPATH, GONE, true, LEVEL_SAFE, "the path leads nowhere"},
        {SHORTCUTS, GONE, true, LEVEL_SAFE, "Target gone"},
        {COM_SUBS, GONE, true, LEVEL_SAFE, "Shared file gone"},
        {HELP, GONE, true, LEVEL_SAFE, "Help file gone"},
        {FONTS, GONE, true, LEVEL_SAFE, "Font file gone"},
        {STARTUP, PRESENT, true, LEVEL_REVIEW, "its folder is there"},
        {DRV, GONE, true, LEVEL_REVIEW, "A driver entry"},
        {SHARED_TOOLS, GONE, true, LEVEL_REVIEW, "A shared tool"},
        {COM, GONE, true, LEVEL_RISKY, "COM class"},
        {STARTUP, WINDOWS, true, LEVEL_RISKY, "Windows folder"},
        {UNINSTALL, VARIABLE, true, LEVEL_RISKY, "variable"},
        {STARTUP, GONE, false, LEVEL_RISKY, "read exactly"},
        {COM_SUBS, WINDOWS, false, LEVEL_RISKY, "read exactly"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(CategoryInfoOf(c.category).flagName) + " at " + pathAt(c.where) + (c.exact ? "" : " inexact"));
        const LevelFacts facts = FactsOfPath(c.category, pathAt(c.where), c.exact);
        EXPECT_EQ(facts.folderPresent, c.where != GONE && c.where != VARIABLE);
        EXPECT_EQ(facts.inWindowsFolder, c.where == WINDOWS);
        EXPECT_EQ(facts.unexpandedVariable, c.where == VARIABLE);
        const LevelJudgement j = JudgeLevel(facts);
        EXPECT_EQ(j.level, c.level);
        EXPECT_NE(std::string(j.reason).find(c.reasonPart), std::string::npos) << j.reason;
    }
}

TEST(SafetyLevels, EachDepthTakesItsLevelsAndAnUnknownDepthIsNormal) {
    const struct {
        const char* word;
        RepairDepth depth;
        bool takes[SAFETY_LEVEL_COUNT];
    } cases[] = {
        {"safe", DEPTH_SAFE, {true, false, false}},   {"Normal", DEPTH_NORMAL, {true, true, false}},
        {"DEEP", DEPTH_DEEP, {true, true, true}},     {"4", DEPTH_NORMAL, {true, true, false}},
        {"", DEPTH_NORMAL, {true, true, false}},      {"deeper", DEPTH_NORMAL, {true, true, false}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DepthOrDefault(c.word), c.depth) << c.word;
        for (int l = 0; l < SAFETY_LEVEL_COUNT; ++l)
            EXPECT_EQ(TakenAtDepth(static_cast<SafetyLevel>(l), c.depth), c.takes[l]) << c.word << " " << l;
    }
}

TEST(FindingWords, TheRecordsComeFirstThenTheShortcutsWithTheirMissingTargets) {
    ScratchDir dir("findings-order");
    ErrorArray errors;
    errors.push_back(Record("VxD", "VAL", "HKEY_LOCAL_MACHINE\\D", "a", "C:\\a.drv"));
    errors.push_back(nullptr);  // an entry a repair already took
    errors.push_back(Record("font", "VAL", "HKEY_LOCAL_MACHINE\\F", "b", "C:\\b.ttf"));
    CShortcut links;
    const std::vector<Finding> found = FindingsOf(errors, links);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].index, 0u);
    EXPECT_EQ(found[1].index, 2u);
    EXPECT_EQ(found[1].category, FONTS);
}

TEST(Reports, TheCsvFileReadsBackWithARealCsvReader) {
    const std::string GONE_STARTUP = "Program gone with its folder: the entry fails at every start.";
    ScratchDir dir("report-csv");
    const std::vector<Finding> findings = AwkwardFindings();
    std::string error;
    ASSERT_TRUE(WriteReportFile(dir.file("report.csv"), CsvReport(findings), error)) << error;
    ASSERT_TRUE(RunPython(dir.path(),
                          "import csv, sys\n"
                          "rows = list(csv.reader(open(sys.argv[1], newline='', encoding=sys.argv[3])))\n"
                          "open(sys.argv[2], 'w', newline='', encoding=sys.argv[3]).write("
                          "''.join('\\x1f'.join(r) + '\\x1e' for r in rows))\n",
                          {dir.file("report.csv"), dir.file("rows.txt")}, {CodePage()}))
        << "python could not read the file as CSV";
    const auto rows = ReadRows(ReadTextFile(dir.file("rows.txt")));
    const std::vector<std::vector<std::string>> expected = {
        {"Category", "Problem", "Missing file", "Registry location", "Repair removes", "Level", "Reason"},
        {"STARTUP", "Startup program not found", "C:\\Caf\xe9\\tool, \"v2\".exe", RUN + " : Say \"hi\", then go", "value",
         "safe", GONE_STARTUP},
        {"STARTUP", "Startup program not found", "C:\\a\\b.exe", RUN + " : two\r\nlines", "value", "safe", GONE_STARTUP},
        // A spreadsheet would run these as formulas: they are kept as text.
        {"COM_SUBS", "Shared DLL: file missing", "'=SUM(A1)", "HKEY_LOCAL_MACHINE\\Shared : =SUM(A1)", "value", "review",
         "File missing but its folder is there: mid-update or moved?"},
        {"COM", "COM class: server file missing", "", "HKEY_CLASSES_ROOT\\CLSID\\{X}<&>", "key", "risky",
         "COM class: a wrong removal breaks the programs that use it."},
        {"SHORTCUTS", "Shortcut: target missing", "C:\\Old\\old.exe", "C:\\Users\\Public\\Desktop\\Old.lnk", "shortcut file",
         "review", ""},
    };
    EXPECT_EQ(rows, expected);
}

TEST(Reports, TheHtmlPageIsWellFormedWithDateComputerCountsAndEveryFinding) {
    ScratchDir dir("report-html");
    const std::vector<Finding> findings = AwkwardFindings();
    const ReportHeader header{"2026-12-08 15:30", "DESK<1>"};
    std::string error;
    ASSERT_TRUE(WriteReportFile(dir.file("report.html"), HtmlReport(findings, header), error)) << error;
    // Parsed as XML (strict: an unclosed or unescaped tag fails) and by the HTML parser.
    ASSERT_TRUE(RunPython(dir.path(),
                          "import sys, html.parser, xml.etree.ElementTree as ET\n"
                          "text = open(sys.argv[1], encoding='utf-8').read()\n"
                          "html.parser.HTMLParser().feed(text)\n"
                          "root = ET.fromstring(text)\n"
                          "out = [root.find('head/title').text, ''.join(root.find('body/p').itertext())]\n"
                          "for table in root.iter('table'):\n"
                          "    for tr in table.iter('tr'):\n"
                          "        out.append('\\x1f'.join(''.join(c.itertext()) for c in tr))\n"
                          "open(sys.argv[2], 'w', encoding='utf-8', newline='').write('\\x1e'.join(out) + '\\x1e')\n",
                          {dir.file("report.html"), dir.file("rows.txt")}))
        << "the page is not well-formed";
    const auto rows = ReadRows(ReadTextFile(dir.file("rows.txt")));
    ASSERT_EQ(rows.size(), 2u + 1u + SCAN_CATEGORY_COUNT + 1u + findings.size());
    EXPECT_EQ(rows[0][0], "Zenthar scan report");
    EXPECT_EQ(rows[1][0], "Date: 2026-12-08 15:30\nComputer: DESK<1>\nFindings: 5 found: 2 safe, 2 to review, 1 risky");
    // The counts, one row per category in scan order.
    std::map<std::string, std::string> counts;
    for (size_t i = 3; i < 3 + SCAN_CATEGORY_COUNT; ++i) counts[rows[i][0]] = rows[i].at(1);
    EXPECT_EQ(counts["Startup program not found"], "2");
    EXPECT_EQ(counts["Shared DLL: file missing"], "1");
    EXPECT_EQ(counts["COM class: server file missing"], "1");
    EXPECT_EQ(counts["Shortcut: target missing"], "1");
    EXPECT_EQ(counts["Font: file missing"], "0");
    const size_t first = 3 + SCAN_CATEGORY_COUNT + 1;
    // An XML reader gives every line end as LF, as the XML rules say.
    auto lineEnds = [](std::string text) {
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
        return text;
    };
    for (size_t i = 0; i < findings.size(); ++i) {
        const std::vector<std::string> expected = {Utf8(findings[i].problem), Utf8(findings[i].missingFile),
                                                   lineEnds(Utf8(findings[i].location)), RemovalWord(findings[i]),
                                                   LevelWord(findings[i].level), findings[i].reason};
        EXPECT_EQ(rows[first + i], expected) << i;
    }
}

TEST(Reports, AReportThatCannotBeWrittenSaysSoAndLeavesWhatWasThere) {
    ScratchDir dir("report-fail");
    const std::string text = CsvReport(AwkwardFindings());
    struct Case {
        std::string path;
        const char* why;
    };
    CreateDirectoryA(dir.file("a folder.csv").c_str(), nullptr);
    WriteTextFile(dir.file("read-only.csv"), "kept");
    SetFileAttributesA(dir.file("read-only.csv").c_str(), FILE_ATTRIBUTE_READONLY);
    const Case cases[] = {{dir.file("no such folder\\report.csv"), "a missing folder"},
                          {dir.file("a folder.csv"), "a folder of that name"},
                          {dir.file("bad<name>.csv"), "a name Windows refuses"},
                          {dir.file("read-only.csv"), "a read-only file"}};
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(WriteReportFile(c.path, text, error)) << c.why;
        EXPECT_NE(error.find("could not be written"), std::string::npos) << c.why << ": " << error;
        EXPECT_FALSE(PathExists(c.path + ".partial")) << c.why;
        EXPECT_NE(error.find(c.path), std::string::npos) << c.why;
    }
    EXPECT_FALSE(PathExists(dir.file("no such folder")));
    EXPECT_FALSE(PathExists(dir.file("read-only.csv.partial")));
    EXPECT_EQ(ReadTextFile(dir.file("read-only.csv")), "kept") << "a file that could not be replaced stays as it was";
    SetFileAttributesA(dir.file("read-only.csv").c_str(), FILE_ATTRIBUTE_NORMAL);
    // An existing report is replaced whole.
    std::string error;
    WriteTextFile(dir.file("old.csv"), std::string(100000, 'x'));
    ASSERT_TRUE(WriteReportFile(dir.file("old.csv"), text, error)) << error;
    EXPECT_EQ(ReadTextFile(dir.file("old.csv")), text);
}
