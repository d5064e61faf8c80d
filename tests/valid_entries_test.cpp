// Valid entries written the ways installers write them, seeded through the wide API: none may be
// reported; with their files removed, every one that can be judged must be, by the same text.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/FilePresence.h"
#include "engine/PathCleanup.h"
#include "engine/PathReadings.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/Shortcut.h"
#include "registry/RegKey.h"
#include "engine/RegistryLib.h"
#include "support/TestSupport.h"

namespace {
const std::wstring R = L"C:\\zenthar-tests\\ztv";  // the scratch folder below
const std::wstring RUN = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring UNINSTALL = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring APP_PATHS = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::wstring RUN_ONCE = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::wstring USER_APP_PATHS = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::wstring SHARED_DLLS = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::wstring DRIVERS = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const std::wstring FONTS = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const std::wstring HTML_HELP = L"SOFTWARE\\Microsoft\\Windows\\HTML Help";
const std::wstring SHARED_TOOLS = L"SOFTWARE\\Microsoft\\Shared Tools\\";
const std::wstring CLSID = L"CLSID\\{2E0000A0-0000-0000-0000-0000000ZTV";  // + two digits + "}"

std::string narrow(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

bool representable(const std::wstring& w) {
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w.c_str(), -1, nullptr, 0, nullptr, &lossy);
    return !lossy;
}

void makeFile(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

// A key removed with all it holds, by its wide name (RegDeleteTree is not on every system).
void deleteTreeW(HKEY root, const std::wstring& path) {
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    wchar_t name[260];
    for (;;) {
        DWORD len = 260;
        if (RegEnumKeyExW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        deleteTreeW(key, name);
    }
    RegCloseKey(key);
    RegDeleteKeyW(root, path.c_str());
}

enum Removal { KEY, VALUE };

// The key a seeded entry owns: a class key for a server or a file type's verb, otherwise the key itself.
std::wstring ownKey(const std::wstring& key) {
    const size_t shell = key.find(L"\\shell\\");
    if (shell != std::wstring::npos) return key.substr(0, shell);
    if (key.compare(0, 6, L"CLSID\\") != 0) return key;
    return key.substr(0, key.find(L'\\', 6));
}

// The key a record of the entry names: a file type's verb (the command's parent), else ownKey.
std::string recordKey(HKEY root, const std::wstring& key) {
    const char* rootName = root == HKEY_CLASSES_ROOT    ? "HKEY_CLASSES_ROOT\\"
                           : root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER\\"
                                                       : "HKEY_LOCAL_MACHINE\\";
    const bool verb = key.find(L"\\shell\\") != std::wstring::npos;
    return AsciiLower(rootName + narrow(verb ? key.substr(0, key.rfind(L'\\')) : ownKey(key)));
}

// One entry, seeded wide. `gone`: the file path the scan records once `file` is removed
// (nullptr: the entry is never reported, as it cannot be judged or read exactly).
struct Entry {
    HKEY root;
    std::wstring key, name, data;
    DWORD type;
    Removal removal;
    std::wstring file;  // made before the scan, removed for the second one; may be empty
    const char* gone;
};

// Seeds every entry and removes it again (keys whole, values by name), files included.
class SeededEntries {
public:
    explicit SeededEntries(const std::vector<Entry>& entries) : entries_(entries) {
        for (const Entry& e : entries_) {
            HKEY key;
            if (RegCreateKeyExW(e.root, e.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
                ERROR_SUCCESS)
                continue;
            if (e.type == REG_SZ || e.type == REG_EXPAND_SZ)
                RegSetValueExW(key, e.name.empty() ? nullptr : e.name.c_str(), 0, e.type,
                               reinterpret_cast<const BYTE*>(e.data.c_str()),
                               static_cast<DWORD>((e.data.size() + 1) * sizeof(wchar_t)));
            else  // the number 1 in whatever form the type has
                RegSetValueExW(key, e.name.empty() ? nullptr : e.name.c_str(), 0, e.type,
                               reinterpret_cast<const BYTE*>("\1\0\0\0"), 4);
            RegCloseKey(key);
            if (!e.file.empty()) makeFile(e.file);
        }
    }
    ~SeededEntries() {
        for (const Entry& e : entries_) {
            if (!e.file.empty()) DeleteFileW(e.file.c_str());
            if (e.removal == KEY) {
                deleteTreeW(e.root, ownKey(e.key));
                continue;
            }
            HKEY key;
            if (RegOpenKeyExW(e.root, e.key.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) continue;
            RegDeleteValueW(key, e.name.c_str());
            RegCloseKey(key);
        }
    }
    void removeFiles() const {
        for (const Entry& e : entries_)
            if (!e.file.empty()) DeleteFileW(e.file.c_str());
    }

private:
    std::vector<Entry> entries_;
};

std::wstring clsid(const wchar_t* two) { return CLSID + two + L"}"; }

// Every category, in the ways above. File paths in `gone` are the scanners' own cut texts.
std::vector<Entry> installerEntries() {
    const HKEY M = HKEY_LOCAL_MACHINE, C = HKEY_CLASSES_ROOT, U = HKEY_CURRENT_USER;
    const std::wstring dash = R + L"\\Acme - Tools\\agent.exe", cjk = R + L"\\\x4E2D\x6587\\app.exe",
                       cyr = R + L"\\\x041F\x0440\x043E\x0433\x0430\\app.exe",
                       hid = R + L"\\Program Files\\Hid -Tools\\", hidDocs = R + L"\\Program Files\\Hid - Tools";
    static const std::string r = narrow(R), win = WindowsDirectory();
    static const std::string acme = r + "\\Acme", tray = r + "\\ok\\Tray.Exe autostart",
                             srv = r + "\\ok\\srv.exe automation", uninst = r + "\\ok\\Uninst.Exe\" /S",
                             cmd = r + "\\ok\\uninstall.cmd /quiet", upd = r + "\\ok\\upd.exe",
                             bare = win + "\\ztv-bare-tool.exe", font = win + "\\fonts\\ZtvAcme",
                             help = r + "\\Acme - Docs\\ztv-dash.chm", app = r + "\\Acme - Tools\\app.exe";
    static const std::string hidN = narrow(hid), hidAgent = hidN + "agent.exe", hidSrv = hidN + "srv.exe",
                             hidTool = hidN + "tool.exe", hidUninst = hidN + "uninst.exe", hidFont = hidN + "hid.ttf",
                             hidHelp = narrow(hidDocs) + "\\ztv-hid.chm", hidQuoted = hidN + "ztv-hidq.chm",
                             hidViewer = hidN + "viewer.exe", hidLib = hidN + "viewer.dll", dashN = narrow(dash),
                             envTool = win + "\\ztv-env-tool.exe", sysBare = SystemDirectory() + "\\ztv-bare-tool.exe";
    return {
        // A folder with " - " in its name.
        {C, clsid(L"01") + L"\\InprocServer32", L"", R + L"\\Acme - Tools\\agent.dll", REG_SZ, KEY,
         R + L"\\Acme - Tools\\agent.dll", acme.c_str()},
        {M, SHARED_DLLS, R + L"\\Acme - Tools\\shared.dll", L"", REG_DWORD, VALUE, R + L"\\Acme - Tools\\shared.dll",
         acme.c_str()},
        {M, HTML_HELP, L"ztv-dash.chm", R + L"\\Acme - Docs", REG_SZ, VALUE, R + L"\\Acme - Docs\\ztv-dash.chm",
         help.c_str()},
        {M, SHARED_TOOLS + L"ZtvTool", L"Path", dash, REG_SZ, KEY, dash, acme.c_str()},
        {M, FONTS, L"Ztv Acme Sans (TrueType)", L"ZtvAcme - Sans.ttf", REG_SZ, VALUE,
         std::wstring(win.begin(), win.end()) + L"\\fonts\\ZtvAcme - Sans.ttf", font.c_str()},
        {M, RUN, L"ZtvDash", dash, REG_SZ, VALUE, dash, acme.c_str()},
        {M, APP_PATHS + L"ZtvDash.exe", L"", R + L"\\Acme - Tools\\app.exe", REG_SZ, KEY, R + L"\\Acme - Tools\\app.exe",
         app.c_str()},
        // Quoted paths are read whole: " -" and a letter inside the quotes belongs to a folder's
        // name, and only what follows the closing quote can be a switch.
        {M, RUN, L"ZtvHid", L"\"" + hid + L"agent.exe\" -min", REG_SZ, VALUE, hid + L"agent.exe", hidAgent.c_str()},
        {C, clsid(L"06") + L"\\LocalServer32", L"", L"\"" + hid + L"srv.exe\" -Embedding", REG_SZ, KEY,
         hid + L"srv.exe", hidSrv.c_str()},
        {M, SHARED_TOOLS + L"ZtvHid", L"Path", L"\"" + hid + L"tool.exe\"", REG_SZ, KEY, hid + L"tool.exe",
         hidTool.c_str()},
        {M, UNINSTALL + L"ZtvHid", L"UninstallString", L"\"" + hid + L"uninst.exe\" -uninstall", REG_SZ, KEY,
         hid + L"uninst.exe", hidUninst.c_str()},
        {M, FONTS, L"Ztv Hid (TrueType)", L"\"" + hid + L"hid.ttf\"", REG_SZ, VALUE, hid + L"hid.ttf", hidFont.c_str()},
        // A help entry's data is the folder of the file: the file is judged inside it, however
        // its name would be cut.
        {M, HTML_HELP, L"ztv-hid.chm", hidDocs, REG_SZ, VALUE, hidDocs + L"\\ztv-hid.chm", hidHelp.c_str()},
        {M, HTML_HELP, L"ztv-hidq.chm", L"\"" + hid + L"\"", REG_SZ, VALUE, hid + L"ztv-hidq.chm", hidQuoted.c_str()},
        // A quoted program whose extension is in mixed case, followed by an argument.
        {M, RUN, L"ZtvTray", L"\"" + R + L"\\ok\\Tray.Exe\" autostart", REG_SZ, VALUE, R + L"\\ok\\Tray.Exe",
         tray.c_str()},
        {M, UNINSTALL + L"ZtvUninst", L"UninstallString", L"\"" + R + L"\\ok\\Uninst.Exe\" /S", REG_SZ, KEY,
         R + L"\\ok\\Uninst.Exe", uninst.c_str()},
        {C, clsid(L"02") + L"\\LocalServer32", L"", L"\"" + R + L"\\ok\\srv.exe\" automation", REG_SZ, KEY,
         R + L"\\ok\\srv.exe", srv.c_str()},
        // A script with a switch, and a program without a folder found through the search path.
        {M, UNINSTALL + L"ZtvCmd", L"UninstallString", R + L"\\ok\\uninstall.cmd /quiet", REG_SZ, KEY,
         R + L"\\ok\\uninstall.cmd", cmd.c_str()},
        {M, RUN, L"ZtvBare", L"ztv-bare-tool.exe /c echo", REG_SZ, VALUE,
         std::wstring(SystemDirectory().begin(), SystemDirectory().end()) + L"\\ztv-bare-tool.exe", bare.c_str()},
        // A valid value beside a broken one whose name reads as the same text in the code page.
        {M, RUN, L"ZtvUpdater", R + L"\\ok\\upd.exe", REG_SZ, VALUE, R + L"\\ok\\upd.exe", upd.c_str()},
        {M, RUN, L"Ztv\x016Apdater", R + L"\\gone\\upd.exe", REG_SZ, VALUE, L"", nullptr},
        // Text outside the code page, in every category: read as "?", never reported.
        {M, RUN, L"ZtvCjk", cjk, REG_SZ, VALUE, cjk, nullptr},
        {M, RUN, L"ZtvCyr", L"\"" + cyr + L"\" /min", REG_SZ, VALUE, cyr, nullptr},
        {C, clsid(L"03") + L"\\InprocServer32", L"", R + L"\\\x4E2D\x6587\\srv.dll", REG_SZ, KEY,
         R + L"\\\x4E2D\x6587\\srv.dll", nullptr},
        {M, SHARED_DLLS, R + L"\\\x4E2D\x6587\\shared.dll", L"", REG_DWORD, VALUE, R + L"\\\x4E2D\x6587\\shared.dll",
         nullptr},
        {M, DRIVERS, L"ztv.cp", R + L"\\\x4E2D\x6587\\drv.drv", REG_SZ, VALUE, R + L"\\\x4E2D\x6587\\drv.drv", nullptr},
        {M, HTML_HELP, L"ztv-cp.chm", R + L"\\\x4E2D\x6587", REG_SZ, VALUE, R + L"\\\x4E2D\x6587\\ztv-cp.chm", nullptr},
        {M, APP_PATHS + L"ZtvCp.exe", L"", cjk, REG_SZ, KEY, L"", nullptr},
        {M, APP_PATHS + L"Ztv\x4E2D.exe", L"", R + L"\\gone\\app.exe", REG_SZ, KEY, L"", nullptr},
        {M, SHARED_TOOLS + L"ZtvToolCp", L"Path", cyr, REG_SZ, KEY, L"", nullptr},
        {M, FONTS, L"Ztv Cp (TrueType)", R + L"\\\x4E2D\x6587\\font.ttf", REG_SZ, VALUE,
         R + L"\\\x4E2D\x6587\\font.ttf", nullptr},
        {M, UNINSTALL + L"ZtvCp", L"UninstallString", L"\"" + cjk + L"\" /S", REG_SZ, KEY, L"", nullptr},
        // Network paths: never judged.
        {M, RUN, L"ZtvUnc", L"\\\\fileserver\\netlogon\\login.exe", REG_SZ, VALUE, L"", nullptr},
        {C, clsid(L"04") + L"\\InprocServer32", L"", L"\\\\?\\UNC\\server\\share\\x.dll", REG_SZ, KEY, L"", nullptr},
        // Data that names no file: numbers, bytes, addresses.
        {C, clsid(L"05") + L"\\InprocServer32", L"", L"", REG_DWORD, KEY, L"", nullptr},
        {M, RUN, L"ZtvBinary", L"", REG_BINARY, VALUE, L"", nullptr},
        {M, APP_PATHS + L"ZtvNum.exe", L"", L"", REG_DWORD, KEY, L"", nullptr},
        {M, APP_PATHS + L"ZtvUrl.exe", L"HelpURL", L"https://help.example/ztv:1", REG_SZ, KEY, L"", nullptr},
        {M, HTML_HELP, L"ztv-none.chm", L"", REG_NONE, VALUE, L"", nullptr},
        {M, DRIVERS, L"ztv.num", L"", REG_DWORD, VALUE, L"", nullptr},
        {M, UNINSTALL + L"ZtvNum", L"UninstallString", L"", REG_DWORD, KEY, L"", nullptr},
        {M, SHARED_TOOLS + L"ZtvToolNum", L"Path", L"", REG_BINARY, KEY, L"", nullptr},
        // Per-user programs, and the programs started once, read as the machine's are.
        {U, RUN, L"ZtvUserHid", L"\"" + hid + L"agent.exe\" -min", REG_SZ, VALUE, hid + L"agent.exe", hidAgent.c_str()},
        {U, RUN_ONCE, L"ZtvUserOnce", R + L"\\ok\\upd.exe", REG_SZ, VALUE, R + L"\\ok\\upd.exe", upd.c_str()},
        {M, RUN_ONCE, L"ZtvOnceTray", L"\"" + R + L"\\ok\\Tray.Exe\" autostart", REG_SZ, VALUE, R + L"\\ok\\Tray.Exe",
         tray.c_str()},
        {U, UNINSTALL + L"ZtvUserHid", L"UninstallString", L"\"" + hid + L"uninst.exe\" -uninstall", REG_SZ, KEY,
         hid + L"uninst.exe", hidUninst.c_str()},
        {U, USER_APP_PATHS + L"ZtvUserDash.exe", L"", R + L"\\Acme - Tools\\app.exe", REG_SZ, KEY,
         R + L"\\Acme - Tools\\app.exe", app.c_str()},
        {U, RUN, L"ZtvUserCjk", cjk, REG_SZ, VALUE, cjk, nullptr},
        // File types: a verb's command, quoted, unquoted through a dashed folder, with an
        // environment token, a bare system program, a rundll32 library, and what names no file.
        {C, L"ZtvDoc.Quoted\\shell\\open\\command", L"", L"\"" + hid + L"viewer.exe\" \"%1\"", REG_SZ, KEY,
         hid + L"viewer.exe", hidViewer.c_str()},
        {C, L"ZtvDoc.Dash\\shell\\open\\command", L"", dash + L" -view %1", REG_SZ, KEY, dash, dashN.c_str()},
        {C, L"ZtvDoc.Env\\shell\\open\\command", L"", L"%SystemRoot%\\ztv-env-tool.exe /open %1", REG_EXPAND_SZ, KEY,
         std::wstring(win.begin(), win.end()) + L"\\ztv-env-tool.exe", envTool.c_str()},
        {C, L"ZtvDoc.Bare\\shell\\print\\command", L"", L"ztv-bare-tool /p %1", REG_SZ, KEY,
         std::wstring(SystemDirectory().begin(), SystemDirectory().end()) + L"\\ztv-bare-tool.exe", sysBare.c_str()},
        {C, L"ZtvDoc.Lib\\shell\\Preview\\command", L"", L"rundll32.exe \"" + hid + L"viewer.dll\",Show %1", REG_SZ,
         KEY, hid + L"viewer.dll", hidLib.c_str()},
        {C, L"ZtvDoc.Self\\shell\\open\\command", L"", L"\"%1\" %*", REG_SZ, KEY, L"", nullptr},
        {C, L"ZtvDoc.Cjk\\shell\\open\\command", L"", L"\"" + cjk + L"\" \"%1\"", REG_SZ, KEY, cjk, nullptr},
        {C, L"ZtvDoc.Url\\shell\\open\\command", L"", L"https://help.example/ztv %1", REG_SZ, KEY, L"", nullptr},
        {C, L"ZtvDoc.Num\\shell\\open\\command", L"", L"", REG_DWORD, KEY, L"", nullptr},
    };
}

// Systems' own programs named without a folder, as installers write them: never reported.
std::vector<Entry> systemProgramEntries() {
    const HKEY M = HKEY_LOCAL_MACHINE;
    return {
        {M, RUN, L"ZtvCmdExe", L"cmd.exe /c exit", REG_SZ, VALUE, L"", nullptr},
        {M, RUN, L"ZtvRegsvr", L"regsvr32.exe /s ztv.dll", REG_SZ, VALUE, L"", nullptr},
        {M, RUN, L"ZtvNotepad", L"notepad /p ztv.txt", REG_SZ, VALUE, L"", nullptr},
    };
}

bool ours(const RegistryError& e) {
    std::string all = AsciiLower(e.keyPath + "|" + e.filePath + "|" + (e.value ? e.value->name : ""));
    return all.find("ztv") != std::string::npos;
}

std::vector<const RegistryError*> scanOurs(CRegistryLib& engine) {
    CategoryResults results;
    ScanSelection selection;
    selection.selectAll();
    selection[SHORTCUTS] = 0;
    engine.RunSelectedScans(results, selection);
    std::vector<const RegistryError*> out;
    for (const auto& e : engine.ErrorList)
        if (ours(*e)) out.push_back(e.get());
    return out;
}

std::string describe(const std::vector<const RegistryError*>& records) {
    std::string text;
    for (const RegistryError* e : records)
        text += "\n  " + e->type + " " + e->action + " " + e->keyPath + " [" + e->value->name + "] " + e->filePath;
    return text;
}

struct ZtvDir : ScratchDir {
    ZtvDir() : ScratchDir("ztv") {}
};
}  // namespace

TEST(ValidEntries, TextIsOutsideTheCodePageWhereTheTableSaysSo) {
    // The table's premise: these texts cannot be held by the code page the tests run with.
    EXPECT_FALSE(representable(L"\x4E2D\x6587")) << "code page " << GetACP();
    EXPECT_FALSE(representable(L"\x041F\x0440\x043E")) << "code page " << GetACP();
    EXPECT_FALSE(representable(L"\x016A")) << "code page " << GetACP();
}

TEST(ValidEntries, NoneIsReportedAndEveryOneIsOnceItsFileIsGone) {
    ZtvDir folder;
    std::vector<Entry> entries = installerEntries();
    for (const Entry& e : systemProgramEntries()) entries.push_back(e);
    SeededEntries seeded(entries);
    {
        CRegistryLib engine;
        auto found = scanOurs(engine);
        EXPECT_TRUE(found.empty()) << "valid entries reported:" << describe(found);
    }
    seeded.removeFiles();
    CRegistryLib engine;
    auto found = scanOurs(engine);
    size_t expected = 0;
    for (const Entry& e : entries) {
        if (!e.gone) continue;
        ++expected;
        const std::string key = recordKey(e.root, e.key);
        auto same = std::count_if(found.begin(), found.end(), [&](const RegistryError* r) {
            return r->filePath == e.gone && AsciiLower(r->keyPath) == key;
        });
        EXPECT_EQ(same, 1) << "not reported once its file is gone: " << e.gone;
    }
    EXPECT_EQ(found.size(), expected) << describe(found);
    // The best-fit neighbour: only the value that really is named ZtvUpdater, with its own data.
    for (const RegistryError* r : found)
        if (r->value->name == "ZtvUpdater") {
            EXPECT_EQ(r->value->data, narrow(R) + "\\ok\\upd.exe");
        }
}

// A class with a working server keeps it: only the stale server's own subkey is recorded.
TEST(ValidEntries, StaleServerBesideAWorkingOneNamesItsOwnSubkey) {
    ZtvDir folder;
    const std::string r = narrow(R), root = "HKEY_CLASSES_ROOT\\" + narrow(clsid(L"10"));
    struct Case {
        const wchar_t* local;  // LocalServer32 default value
        const char* key;       // the keyPath of the InprocServer32 record
        size_t records;
    } cases[] = {
        {L"ok\\srv.exe", "\\InprocServer32", 1},   // a working local server
        {L"gone\\srv.exe", "", 2},                 // every server missing: the class goes whole
        {L"x\\mailui.dll", "\\InprocServer32", 1},  // never judged, so it counts as working
    };
    for (const Case& c : cases) {
        SeededEntries seeded({{HKEY_CLASSES_ROOT, clsid(L"10") + L"\\InprocServer32", L"", R + L"\\gone\\stale.dll",
                               REG_SZ, KEY, L"", nullptr},
                              {HKEY_CLASSES_ROOT, clsid(L"10") + L"\\LocalServer32", L"", R + L"\\" + c.local, REG_SZ,
                               KEY, R + L"\\ok\\srv.exe", nullptr}});
        CRegistryLib engine;
        auto found = scanOurs(engine);
        ASSERT_EQ(found.size(), c.records) << c.local << describe(found);
        EXPECT_EQ(found[0]->keyPath, root + c.key) << c.local;
        EXPECT_EQ(found[0]->action, "KEY");
        EXPECT_EQ(found[0]->filePath, r + "\\gone\\stale.dll");
        if (c.records == 2) {
            EXPECT_EQ(found[1]->keyPath, root);
        }
    }
}

TEST(ValidEntries, ReadingsOfACommandLine) {
    const struct {
        const char* text;
        std::vector<std::string> readings;
    } cases[] = {
        {"\"C:\\a b\\Tray.Exe\" autostart", {"C:\\a b\\Tray.Exe", "C:\\a b\\Tray.Exe autostart"}},
        {"C:\\Acme - Tools\\agent.exe /S", {"C:\\Acme - Tools\\agent.exe", "C:\\Acme"}},
        {"C:\\x\\uninstall.cmd /quiet", {"C:\\x\\uninstall.cmd"}},
        {"cmd.exe /c start", {"cmd.exe"}},
        {"wscript.exe //B \"C:\\s.vbs\"", {"wscript.exe"}},
        {"notepad /p x.txt", {"notepad"}},
        {"Acme - Sans.ttf", {"Acme - Sans.ttf", "Acme"}},
        // Inside quotes " -x" and blanks belong to the name; an unclosed quote protects nothing.
        {"\"C:\\Hid -Tools\\agent.exe\" -min", {"C:\\Hid -Tools\\agent.exe"}},
        {"\"my tool.exe\" /x", {"my tool.exe"}},
        {"\"C:\\Hid -Docs\"", {"C:\\Hid -Docs"}},
        {"\"C:\\Hid -Tools\\agent.exe -min", {"C:\\Hid"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OtherReadings(c.text), c.readings) << c.text;
    }
    const struct {
        const char* text;
        bool url;
    } urls[] = {{"https://x.example/a", true}, {"ms-help://x", true}, {"C://x", false},
                {"C:\\x://y", false},         {"1x://y", false},      {"file:///C:/x", true}};
    for (const auto& u : urls) EXPECT_EQ(IsUrl(u.text), u.url) << u.text;
}

TEST(ValidEntries, CutsNeverFallInsideQuotes) {
    const struct {
        const char* text;
        const char* cleaned;
    } cases[] = {
        {"\"C:\\Hid -Tools\\agent.exe\" -min", "C:\\Hid -Tools\\agent.exe"},
        {"\"C:\\a/b\\x.exe\" /s", "C:\\a/b\\x.exe "},
        {"\"C:\\Hid -Tools\\x.exe\" /s -y", "C:\\Hid -Tools\\x.exe "},
        {"C:\\x.exe \"-arg -b\"", "C:\\x.exe"},
        {"C:\\Acme - Tools\\x.exe", "C:\\Acme"},  // unquoted text is cut as ever
        {"\"C:\\Hid -Tools\\x.exe", "C:\\Hid"},   // an unclosed quote protects nothing
        {"\"\"C:\\a -b\\x.exe", "C:\\a"},
        {"/only -x", "/only"},
        {" -x", " -x"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CleanQSD(c.text), c.cleaned) << c.text;
}

// A help entry's data is the folder of the file: the file is judged and recorded inside the
// folder when that exists; otherwise the text is cut as for any other entry.
TEST(ValidEntries, HelpFileIsJudgedInsideTheFolderItsDataNames) {
    ZtvDir scratch;
    const std::wstring docs = R + L"\\Hid - Docs", quoted = R + L"\\Hid -Help";
    SetEnvironmentVariableW(L"ZTV_HELP_DIR", docs.c_str());
    const struct {
        const wchar_t* name;
        std::wstring data;
        std::wstring folder;    // made before the scan; empty: none
        bool withFile;          // the help file made inside `folder`
        std::wstring recorded;  // the path reported; empty: not reported
    } rows[] = {
        {L"ztv-h1.chm", docs, docs, true, L""},
        {L"ztv-h2.chm", docs + L"\\", docs, true, L""},
        {L"ztv-h3.chm", L"%ZTV_HELP_DIR%", docs, true, L""},
        {L"ztv-h4.chm", L"\"" + quoted + L"\"", quoted, true, L""},
        {L"ztv-h5.chm", docs, docs, false, docs + L"\\ztv-h5.chm"},
        {L"ztv-h6.chm", L"\"" + quoted + L"\"", quoted, false, quoted + L"\\ztv-h6.chm"},
        {L"ztv-h7.chm", L"%ZTV_HELP_DIR%", docs, false, docs + L"\\ztv-h7.chm"},
        {L"ztv-h8.chm", R + L"\\Gone - Docs", L"", false, R + L"\\Gone\\ztv-h8.chm"},
    };
    std::vector<Entry> entries;
    for (const auto& row : rows) {
        if (!row.folder.empty()) CreateDirectoryW(row.folder.c_str(), nullptr);
        entries.push_back({HKEY_LOCAL_MACHINE, HTML_HELP, row.name, row.data, REG_SZ, VALUE,
                           row.withFile ? row.folder + L"\\" + row.name : L"", nullptr});
    }
    SeededEntries seeded(entries);
    CRegistryLib engine;
    auto found = scanOurs(engine);
    for (const auto& row : rows) {
        std::vector<std::string> paths;
        for (const RegistryError* r : found)
            if (r->value->name == narrow(row.name)) paths.push_back(r->filePath);
        std::vector<std::string> expected;
        if (!row.recorded.empty()) expected.push_back(narrow(row.recorded));
        EXPECT_EQ(paths, expected) << narrow(row.name) << " = " << narrow(row.data);
    }
    SetEnvironmentVariableW(L"ZTV_HELP_DIR", nullptr);
}

// --- shortcuts ---
namespace {
bool makeShortcutW(const std::wstring& link, const std::wstring& target) {
    HRESULT init = CoInitialize(nullptr);
    bool saved = false;
    IShellLinkW* shell = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shell)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shell->SetPath(target.c_str())) &&
            SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            saved = SUCCEEDED(file->Save(link.c_str(), TRUE));
            file->Release();
        }
        shell->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return saved;
}
}  // namespace

TEST(ValidShortcuts, NoneIsReportedAndThoseThatCanBeReadAreOnceTheTargetIsGone) {
    ZtvDir folder;
    const struct {
        const wchar_t* link;
        std::wstring target;
        bool reportedWhenGone;
    } rows[] = {
        {L"cjk.lnk", R + L"\\\x4E2D\x6587\\app.exe", false},
        {L"cyr.lnk", R + L"\\\x041F\x0440\x043E\x0433\x0430\\doc.txt", false},
        {L"dash.lnk", R + L"\\Acme - Tools\\agent.exe", true},
        {L"mixed.lnk", R + L"\\ok\\Tray.Exe", true},
    };
    CreateDirectoryW((R + L"\\links").c_str(), nullptr);
    for (const auto& row : rows) {
        makeFile(row.target);
        ASSERT_TRUE(makeShortcutW(R + L"\\links\\" + row.link, row.target)) << narrow(row.link);
    }
    CShortcut present;
    present.RecurseFolder(narrow(R));
    EXPECT_EQ(present.scannedCount, 4);
    EXPECT_TRUE(present.invalidShortcuts.empty()) << present.invalidShortcuts.front();

    for (const auto& row : rows) DeleteFileW(row.target.c_str());
    CShortcut gone;
    gone.RecurseFolder(narrow(R));
    std::vector<std::string> expected;
    for (const auto& row : rows)
        if (row.reportedWhenGone) expected.push_back(narrow(R + L"\\links\\" + row.link));
    std::vector<std::string> got = gone.invalidShortcuts;
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
}

// --- 64-bit Windows ---
namespace {
// Runs `step` with the file-system redirection off, as a 64-bit program sees the disk.
template <class Step>
void asSixtyFourBit(Step step) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto disable = reinterpret_cast<BOOL(WINAPI*)(PVOID*)>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    auto revert = reinterpret_cast<BOOL(WINAPI*)(PVOID)>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    PVOID old = nullptr;
    ASSERT_TRUE(disable && revert && disable(&old));
    step();
    revert(old);
}
}  // namespace

TEST(Wow64, AFileOnlyInThe64BitSystemFolderIsPresent) {
    if (!RunningUnderWow64()) {
        // The 64-bit run sets this: there the test must not pass by skipping.
        ASSERT_EQ(std::getenv("ZENTHAR_EXPECT_WOW64"), nullptr) << "expected to run under WOW64";
        GTEST_SKIP() << "not under WOW64 (a 32-bit prefix)";
    }
    ZtvDir folder;
    const std::string file = SystemDirectory() + "\\ztv-wow64-only.dll";
    asSixtyFourBit([&] { WriteTextFile(file, "x"); });
    EXPECT_FALSE(PathExists(file)) << "redirected view should not see it";
    SeededEntries seeded({{HKEY_LOCAL_MACHINE, DRIVERS, L"ztv.wow64", L"ztv-wow64-only.dll", REG_SZ, VALUE, L"",
                           nullptr},
                          {HKEY_LOCAL_MACHINE, RUN, L"ZtvWow64", L"ztv-wow64-only.dll /x", REG_SZ, VALUE, L"", nullptr}});
    {
        CRegistryLib engine;
        EXPECT_EQ(engine.CheckFile(file, 0), 0);
        auto found = scanOurs(engine);
        EXPECT_TRUE(found.empty()) << describe(found);
    }
    asSixtyFourBit([&] { DeleteFileA(file.c_str()); });
    CRegistryLib engine;
    EXPECT_EQ(engine.CheckFile(file, 0), -1);
    auto found = scanOurs(engine);
    ASSERT_EQ(found.size(), 2u) << describe(found);
    EXPECT_EQ(found[0]->filePath, file);
}

// --- the console program, as a user runs it ---
namespace {
bool entryPresent(const Entry& e) {
    HKEY key;
    if (RegOpenKeyExW(e.root, e.key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    bool there = RegQueryValueExW(key, e.name.empty() ? nullptr : e.name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                 ERROR_SUCCESS;
    RegCloseKey(key);
    return there;
}

const char* REGISTRY_AREAS = "COM,COM_SUBS,DRV,HELP,APPPATH,SHARED_TOOLS,FONTS,STARTUP,UNINSTALL,FILETYPES";
}  // namespace

TEST(ValidEntriesOnTheConsole, ScanFindsOnlyTheStaleServerAndFixRemovesOnlyIt) {
    ZtvDir folder;
    std::vector<Entry> entries = installerEntries();
    const Entry stale{HKEY_CLASSES_ROOT, clsid(L"20") + L"\\InprocServer32", L"", R + L"\\gone\\stale.dll", REG_SZ, KEY,
                      L"", nullptr};
    const Entry working{HKEY_CLASSES_ROOT, clsid(L"20") + L"\\LocalServer32", L"", R + L"\\ok\\srv.exe", REG_SZ, KEY,
                        R + L"\\ok\\srv.exe", nullptr};
    entries.push_back(stale);
    entries.push_back(working);
    SeededEntries seeded(entries);

    auto scan = RunCli(std::string("scan --only ") + REGISTRY_AREAS, folder.path());
    std::vector<std::string> ourFindings;
    std::string keep;  // the prefix's own findings stay: only ours are judged here
    for (const std::string& line : SplitLines(scan.out)) {
        if (line.compare(0, 8, "FINDING\t") != 0) continue;
        if (AsciiLower(line).find("ztv") != std::string::npos) ourFindings.push_back(line);
        else keep += " --keep \"" + line.substr(line.rfind('\t') + 1) + "\"";
    }
    const std::string staleKey = "HKEY_CLASSES_ROOT\\" + narrow(clsid(L"20")) + "\\InprocServer32";
    ASSERT_EQ(ourFindings.size(), 1u) << scan.out;
    EXPECT_EQ(ourFindings[0], "FINDING\tCLSID\tKEY\t" + staleKey + "\t(Default)\t" + narrow(R) + "\\gone\\stale.dll");

    auto fix = RunCli(std::string("fix --level deep --only ") + REGISTRY_AREAS + keep + " --yes", folder.path());
    EXPECT_EQ(fix.exitCode, 0u) << fix.out << fix.err;
    EXPECT_FALSE(KeyExists(staleKey));
    EXPECT_TRUE(entryPresent(working));
    for (const Entry& e : installerEntries())
        EXPECT_TRUE(entryPresent(e)) << "removed: " << narrow(e.key) << " [" << narrow(e.name) << "]";
}

// The console's scan, byte for byte, whether the files are tested on a pool or by the walk itself,
// with the table's files present and with them gone.
TEST(ValidEntriesOnTheConsole, ScanOutputIsTheSameWithAndWithoutTheFileTestPool) {
    ZtvDir folder;
    SeededEntries seeded(installerEntries());
    auto scanWith = [&](const char* threads) {
        SetEnvironmentVariableA("ZENTHAR_SCAN_THREADS", *threads ? threads : nullptr);
        auto scan = RunCli(std::string("scan --only ") + REGISTRY_AREAS, folder.path());
        SetEnvironmentVariableA("ZENTHAR_SCAN_THREADS", nullptr);
        return scan;
    };
    for (int round = 0; round < 2; ++round) {
        if (round == 1) seeded.removeFiles();
        auto walk = scanWith("1");
        ASSERT_NE(walk.out.find("ROW\tInvalid Uninstall Items"), std::string::npos) << walk.out << walk.err;
        // With the files gone the table's own findings are among the lines compared.
        size_t ours = 0;
        for (const std::string& line : SplitLines(walk.out)) ours += AsciiLower(line).find("ztv") != std::string::npos;
        EXPECT_EQ(ours > 0, round == 1) << walk.out;
        for (const char* threads : {"", "2", "6"}) {
            auto pooled = scanWith(threads);
            EXPECT_EQ(pooled.out, walk.out) << "ZENTHAR_SCAN_THREADS=" << threads << ", round " << round;
            EXPECT_EQ(pooled.exitCode, walk.exitCode);
        }
    }
}
