// The console program: output format, exit codes and usage errors on a seeded prefix.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/SystemPaths.h"
#include "support/TestSupport.h"

namespace {
const std::string DRIVERS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::string APP_PATHS = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";


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
    const std::string appLine = "FINDING\tAPPPath\tKEY\t" + APP_PATHS + "\\zenthar" + "cli.exe\t(Default)\t" +
                                dir.file("gone-app.exe");
    EXPECT_NE(std::find(findings.begin(), findings.end(), drvLine), findings.end()) << r.out;
    EXPECT_NE(std::find(findings.begin(), findings.end(), appLine), findings.end()) << r.out;
    ASSERT_EQ(rows.size(), 2u);  // DRV then APPPATH, no shortcut row when shortcuts were not asked for
    EXPECT_EQ(rows[0].compare(0, 18, "ROW\tCorrupt Fonts\t"), 0) << rows[0];
    EXPECT_EQ(rows[1].compare(0, 23, "ROW\tCorrupt Help Files\t"), 0) << rows[1];
    EXPECT_EQ(rows[0].substr(rows[0].size() - 2), "\t0");
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
    EXPECT_EQ(out[0].compare(0, 18, "ROW\tCorrupt Fonts\t"), 0);
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
