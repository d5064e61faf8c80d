// The help page: whole, self-contained, its console section the console's own help; and opened by
// the Help tile and F1, in the main window and in the progress dialog.
#include <gtest/gtest.h>

#include "app/HelpPage.h"
#include "support/AppDriver.h"
#include "support/HostPython.h"

namespace {
// argv: page, console help, support address ("-": none).
const char* const CHECK_PAGE = R"(import sys, xml.etree.ElementTree as ET
page, console, support = sys.argv[1:4]
root = ET.fromstring(open(page, encoding='ascii').read().split('\n', 1)[1])
ids = {e.get('id') for e in root.iter()}
need = 'what areas results safety-levels ignore repair undo backups history schedule files console trouble'
assert not set(need.split()) - ids, set(need.split()) - ids
assert not {e.tag for e in root.iter()} & {'script', 'link', 'iframe', 'object', 'embed', 'base'}
assert 'url(' not in root.find('.//style').text
outside = [v for e in root.iter() for v in (e.get('href'), e.get('src')) if v and not v.startswith('data:image/png;')]
assert all(v.startswith('#') and v[1:] in ids for v in outside if v != support), outside
assert outside.count(support) == (0 if support == '-' else 1), outside
reference = ''.join(root.find(".//pre[@id='console-reference']").itertext())
lines = open(console, encoding='ascii').read().replace('\r\n', '\n')
assert lines.startswith(reference + '\nData folder here: ') and lines.count('\n', len(reference)) == 2)";

void SetClass(const std::string& key, const std::string& value) {
    RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
}
// The shell's "open" on .html files runs a recorder that writes the file it was given into `record`.
struct HtmlOpenRecorder {
    explicit HtmlOpenRecorder(const std::string& record) {
        SetClass(".html", "ZentharTestPage");
        SetClass("ZentharTestPage\\shell\\open\\command", "C:\\windows\\system32\\cmd.exe /c echo %1>" + record);
    }
    ~HtmlOpenRecorder() { DeleteKeyPath("HKEY_CLASSES_ROOT\\ZentharTestPage"); SetClass(".html", "htmlfile"); }
};
}  // namespace

TEST(HelpPage, IsWholeAndSelfContainedAndSaysWhatTheConsoleSays) {
    ScratchDir dir("help-page");
    const ProcessResult help = RunCli("help", dir.path());
    EXPECT_EQ(help.exitCode, 0u);
    EXPECT_EQ(RunCli("--help", dir.path()).out, help.out);
    WriteTextFile(dir.file("console.txt"), help.out);
    for (const std::string support : {"-", "https://example.org/help?a=1&b=2"}) {
        WriteTextFile(dir.file("page.html"), HelpPageText(support == "-" ? "" : support));
        EXPECT_TRUE(RunPython(dir.path(), CHECK_PAGE, {dir.file("page.html"), dir.file("console.txt")}, {support})) << support;
    }
}

class HelpWindow : public WindowProgramTest {};

TEST_F(HelpWindow, TheHelpTileAndF1OpenThePageTheProgramWrote) {
    ScratchDir dir("help-open");
    const std::string page = AppDataFolderOf(dir.path()) + "\\" + HELP_PAGE_FILE, record = dir.file("opened.txt");
    CreateDirectoryA(AppDataFolderOf(dir.path()).c_str(), nullptr);
    WriteTextFile(page, "<html>the page of an older version</html>");
    HtmlOpenRecorder recorder(record);
    RunningApp app("", dir.path());
    ASSERT_TRUE(app.started());
    const auto opened = [&](const std::string& how, const std::string& keys) {
        DeleteFileA(record.c_str());
        EXPECT_TRUE(Xdo(keys));
        EXPECT_TRUE(PumpUntil([&] { return PathExists(record) && !ReadTextFile(record).empty(); }, 15000)) << how;
        EXPECT_EQ(ReadTextFile(record), page + "\r\n") << how;
    };
    opened("Help tile", "mousemove " + ScreenXY(app.main(), HELP_BUTTON.x, HELP_BUTTON.y) + " click 1");
    EXPECT_EQ(ReadTextFile(page), HelpPageText(""));  // the older page rewritten
    opened("F1 in the main window", "mousemove " + ScreenXY(app.main(), MAIN_BUTTON.x, MAIN_BUTTON.y) + " click 1 sleep 0.3 key F1");
    for (const SkinPoint& p : {AREA_ALL, AREA_APPPATH, SCAN_WITH_SUMMARY}) ASSERT_TRUE(app.Click(p.x, p.y));  // a short scan
    HWND box = app.WaitForBox(120000), dialog = app.ProgressDialog();  // "Scan Complete"
    ASSERT_TRUE(box && dialog);
    app.AnswerBox(box);
    HWND list = nullptr;  // the summary's table, made once the box is answered
    ASSERT_TRUE(PumpUntil([&] { return (list = FindWindowExA(dialog, nullptr, "SysListView32", nullptr)) != nullptr; }));
    opened("F1 in the progress dialog", "mousemove " + ScreenXY(list, 20, 20) + " click 1 sleep 0.3 key F1");
}
