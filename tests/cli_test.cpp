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
    EXPECT_EQ(rows[0].rfind("ROW\tInvalid Drivers\t", 0), 0u) << rows[0];
    EXPECT_EQ(rows[1].rfind("ROW\tInvalid App Paths\t", 0), 0u) << rows[1];
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
        // The key the backup would write back may be read but not written.
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
