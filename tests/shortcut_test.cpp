// Shortcut scan: real .lnk files made with the shell link object, walked under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "engine/RegistryLib.h"
#include "support/ShortcutFile.h"
#include "support/TestSupport.h"

namespace {
// --- shortcut files ---

// The target as stored, read back independently of the scanner.
std::string StoredTarget(const std::string& link) {
    HRESULT init = CoInitialize(nullptr);
    char target[MAX_PATH] = {};
    IShellLinkA* shell = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&shell)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH];
            MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(file->Load(wide, STGM_READ))) shell->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
            file->Release();
        }
        shell->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return target;
}

// A shortcut whose target existed when it was made and was deleted afterwards.
std::string MakeBroken(const std::string& folder, const std::string& name) {
    std::string target = folder + "\\" + name + ".target.txt";
    std::string link = folder + "\\" + name + ".lnk";
    WriteTextFile(target, "x");
    if (!MakeShortcut(link, target)) return std::string();
    DeleteFileA(target.c_str());
    return link;
}

std::string MakeIntact(const std::string& folder, const std::string& name) {
    std::string target = folder + "\\" + name + ".target.txt";
    std::string link = folder + "\\" + name + ".lnk";
    WriteTextFile(target, "x");
    return MakeShortcut(link, target) ? link : std::string();
}

std::string MakeFolder(const std::string& path, DWORD attributes = 0) {
    CreateDirectoryA(path.c_str(), nullptr);
    if (attributes) SetFileAttributesA(path.c_str(), attributes);
    return path;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

bool WaitFor(const std::function<bool()>& done, DWORD ms = 10000) {
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (done()) return true;
        Sleep(20);
    }
    return done();
}

// --- host side of the prefix ---

std::string UnixPath(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char* unix = toUnix ? toUnix(wide) : nullptr;
    std::string out = unix ? unix : "";
    if (unix) HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// Wine starts a host program given by its \\?\unix\ path, but hands back no process handle to
// wait on: callers wait for the effect instead.
void RunHost(const std::string& commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = "\\\\?\\unix" + commandLine;
    if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        if (pi.hProcess) CloseHandle(pi.hProcess);
        if (pi.hThread) CloseHandle(pi.hThread);
    }
}

// A host symbolic link to a folder (what a directory link looks like under Wine), removed again
// before the scratch folder is, so that the clean-up does not walk through it.
class HostFolderLink {
public:
    HostFolderLink(const std::string& folder, const std::string& name, const std::string& target)
        : path_(folder + "\\" + name), unix_(UnixPath(folder) + "/" + name) {
        RunHost("/bin/ln -s " + UnixPath(target) + " " + unix_);
        WaitFor([&] { return PathExists(path_); });
    }
    ~HostFolderLink() {
        RunHost("/bin/rm -f " + unix_);
        WaitFor([&] { return !PathExists(path_); });
    }
    HostFolderLink(const HostFolderLink&) = delete;
    HostFolderLink& operator=(const HostFolderLink&) = delete;
    bool ok() const { return PathExists(path_); }

private:
    std::string path_, unix_;
};

// A drive letter of the given type mapped onto a folder through Wine's mount manager (what the
// drive configuration does), removed again when destroyed.
class MappedDrive {
public:
    // `hostFolder`: a host path ("/") instead of the prefix's `folder`.
    MappedDrive(UINT type, const std::string& folder, const std::string& hostFolder = std::string()) {
        for (char c = 'Q'; c <= 'Y' && !letter_; ++c)
            if (GetDriveTypeA((std::string(1, c) + ":\\").c_str()) == DRIVE_NO_ROOT_DIR) letter_ = c;
        if (letter_) define(type, hostFolder.empty() ? UnixPath(folder) : hostFolder);
    }
    ~MappedDrive() { if (letter_) define(DRIVE_NO_ROOT_DIR, std::string()); }
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;
    std::string root() const { return std::string(1, letter_) + ":\\"; }

private:
    // Layout of Wine's own request to its mount manager.
    struct UnixDrive {
        ULONG size, type, fsType;
        DWORD serial;
        ULONGLONG unixDev;
        WCHAR letter;
        USHORT mountPointOffset, deviceOffset, labelOffset;
    };
    void define(UINT type, const std::string& mountPoint) {
        UnixDrive drive{};
        std::string request(sizeof drive, '\0');
        if (!mountPoint.empty()) {
            drive.mountPointOffset = sizeof drive;
            request += mountPoint + '\0';
        }
        drive.size = static_cast<ULONG>(request.size());
        drive.type = type;
        drive.letter = static_cast<WCHAR>(letter_ - 'A' + 'a');
        std::memcpy(&request[0], &drive, sizeof drive);
        HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (manager == INVALID_HANDLE_VALUE) return;
        DWORD got;
        DeviceIoControl(manager, CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS),
                        &request[0], static_cast<DWORD>(request.size()), nullptr, 0, &got, nullptr);
        CloseHandle(manager);
    }
    char letter_ = 0;
};

// --- progress ---

struct ProgressEvent {
    std::string item, text;
    int32_t scanned, errors;
};
std::vector<ProgressEvent> g_events;
std::function<void(const ProgressEvent&)> g_onProgress;

void RecordProgress(const char* item, const char* text, int32_t scanned, int32_t errors) {
    g_events.push_back({item, text, scanned, errors});
    if (g_onProgress) g_onProgress(g_events.back());
}

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Under CTest the start directory is a host path that cannot be made current again, which
        // would keep each scratch folder current and undeletable; start from C:\ instead.
        SetCurrentDirectoryA("C:\\");
        ResetStop();
        g_events.clear();
        g_onProgress = nullptr;
    }
    void TearDown() override {
        g_onProgress = nullptr;
        ResetStop();
        // Saving a shortcut keeps its folder busy for a moment after the file is gone, so the
        // scratch folder's own clean-up can fail; finish it here.
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA("C:\\zenthar-tests\\lnk-*", &fd);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            std::string left = std::string("C:\\zenthar-tests\\") + fd.cFileName;
            WaitFor([&] { RemoveTree(left); return !PathExists(left); }, 3000);
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    size_t countEvents(const std::string& text) const {
        return std::count_if(g_events.begin(), g_events.end(), [&](const ProgressEvent& e) { return e.text == text; });
    }
};
}  // namespace

// --- one folder: what is counted and what is listed ---

TEST_F(ShortcutTest, IntactCountedBrokenListedByOwnPath) {
    ScratchDir dir("lnk-basic");
    std::string intact = MakeIntact(dir.path(), "intact");
    std::string broken = MakeBroken(dir.path(), "broken");
    std::string brokenToo = MakeBroken(dir.path(), "broken2");
    ASSERT_FALSE(intact.empty() || broken.empty() || brokenToo.empty());
    WriteTextFile(dir.file("notalink.txt"), "x");

    CShortcut scanner;
    scanner.progressCallback = RecordProgress;
    scanner.SearchLinkFileAndResolve(dir.path());
    EXPECT_EQ(scanner.scannedCount, 3);
    EXPECT_EQ(scanner.errorCount, 2);
    ASSERT_EQ(scanner.invalidShortcuts.size(), 2u);
    EXPECT_TRUE(Contains(scanner.invalidShortcuts, broken));
    EXPECT_TRUE(Contains(scanner.invalidShortcuts, brokenToo));
    EXPECT_FALSE(Contains(scanner.invalidShortcuts, intact));
    // One progress report per shortcut, naming it, with the count including it.
    ASSERT_EQ(g_events.size(), 3u);
    for (const auto& e : g_events) EXPECT_EQ(e.text, "Scanning ShortCuts");
    EXPECT_EQ(g_events[2].scanned, 3);

    scanner.ClearInvalidShortcuts();
    EXPECT_TRUE(scanner.invalidShortcuts.empty());
}

TEST_F(ShortcutTest, IgnoredBrokenShortcutCountedNotListedAndMatchIsExact) {
    ScratchDir dir("lnk-ignore");
    std::string hidden = MakeBroken(dir.path(), "hidden");
    std::string shown = MakeBroken(dir.path(), "shown");
    ASSERT_FALSE(hidden.empty() || shown.empty());
    std::string upper = shown;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    WriteTextFile("ignore.lst", hidden + "\n" + upper + "\n");  // the engine reads it from here
    CRegistryLib engine;
    engine.LoadIgnoreList();

    CShortcut scanner(&engine);
    scanner.CheckLinkFile(hidden);
    scanner.CheckLinkFile(shown);
    EXPECT_EQ(scanner.scannedCount, 2);
    EXPECT_EQ(scanner.errorCount, 1);
    EXPECT_EQ(scanner.invalidShortcuts, std::vector<std::string>{shown});
}

TEST_F(ShortcutTest, OddFilesCountedButNotListed) {
    ScratchDir dir("lnk-odd");
    MakeFolder(dir.file("folder.lnk"));              // a folder named like a shortcut
    WriteTextFile(dir.file("garbage.lnk"), "not a shell link at all");
    WriteTextFile(dir.file("empty.lnk"), "");
    CShortcut scanner;
    scanner.SearchLinkFileAndResolve(dir.path());
    EXPECT_EQ(scanner.scannedCount, 3);
    EXPECT_EQ(scanner.errorCount, 0);
    EXPECT_TRUE(scanner.invalidShortcuts.empty());
}

TEST_F(ShortcutTest, ReadOnlyShortcutIsChecked) {
    ScratchDir dir("lnk-readonly");
    std::string broken = MakeBroken(dir.path(), "readonly");
    ASSERT_FALSE(broken.empty());
    SetFileAttributesA(broken.c_str(), FILE_ATTRIBUTE_READONLY);
    CShortcut scanner;
    scanner.CheckLinkFile(broken);
    SetFileAttributesA(broken.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(scanner.invalidShortcuts, std::vector<std::string>{broken});
}

// --- the walk ---

TEST_F(ShortcutTest, WalkExaminesEverySubfolderButNotTheStartFolder) {
    ScratchDir dir("lnk-walk");
    std::string inStart = MakeBroken(dir.path(), "start");  // like a shortcut lying in C:\ itself
    std::string hiddenDir = MakeFolder(dir.file("hidden"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    std::string deep = MakeFolder(MakeFolder(dir.file("a")) + "\\b");
    std::string inHidden = MakeBroken(hiddenDir, "inhidden");
    std::string inDeep = MakeBroken(deep, "indeep");
    std::string intact = MakeIntact(dir.file("a"), "intact");
    ASSERT_FALSE(inStart.empty() || inHidden.empty() || inDeep.empty() || intact.empty());

    CShortcut scanner;
    scanner.progressCallback = RecordProgress;
    scanner.RecurseFolder(dir.path());
    EXPECT_EQ(scanner.scannedCount, 3);
    EXPECT_EQ(scanner.errorCount, 2);
    EXPECT_TRUE(Contains(scanner.invalidShortcuts, inHidden));
    EXPECT_TRUE(Contains(scanner.invalidShortcuts, inDeep));
    EXPECT_FALSE(Contains(scanner.invalidShortcuts, inStart));
    EXPECT_EQ(countEvents("Searching Dir For Shorcuts"), 3u);  // hidden, a, a\b
    for (const auto& e : g_events) EXPECT_NE(e.item, inStart);
    SetFileAttributesA(hiddenDir.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ShortcutTest, LinkLoopEndsAndWalksEachFolderOnce) {
    ScratchDir dir("lnk-loop");
    std::string a = MakeFolder(dir.file("a"));
    std::string b = MakeFolder(a + "\\b");
    std::string inA = MakeBroken(a, "ina");
    std::string inB = MakeBroken(b, "inb");
    ASSERT_FALSE(inA.empty() || inB.empty());
    // Two links back up the tree: without protection the walk would branch at every level.
    HostFolderLink toParent(b, "up", a);
    HostFolderLink toTop(b, "top", dir.path());
    ASSERT_TRUE(toParent.ok() && toTop.ok()) << "host symbolic links could not be made";
    ASSERT_TRUE(PathExists(b + "\\up\\b\\inb.lnk"));

    CShortcut scanner;
    scanner.progressCallback = RecordProgress;
    scanner.RecurseFolder(dir.path());
    EXPECT_EQ(scanner.scannedCount, 2);
    EXPECT_EQ(scanner.errorCount, 2);
    EXPECT_EQ(scanner.invalidShortcuts, (std::vector<std::string>{inA, inB}));
    EXPECT_EQ(countEvents("Searching Dir For Shorcuts"), 2u);  // a and a\b; the links lead nowhere new

    // A second walk with the same scanner object sees the tree afresh.
    scanner.RecurseFolder(dir.path());
    EXPECT_EQ(scanner.scannedCount, 4);
}

TEST_F(ShortcutTest, StopDuringDeepTreeReturnsThroughEveryLevel) {
    ScratchDir dir("lnk-stop");
    std::string folder = dir.path();
    for (int level = 1; level <= 40; ++level) {
        folder = MakeFolder(folder + "\\d");
        ASSERT_FALSE(MakeIntact(folder, "l").empty());
        MakeFolder(folder + "\\side");
    }
    size_t eventsAtStop = 0;
    int32_t scannedAtStop = -1;
    g_onProgress = [&](const ProgressEvent& e) {
        size_t depth = std::count(e.item.begin(), e.item.end(), '\\') - std::count(dir.path().begin(), dir.path().end(), '\\');
        if (scannedAtStop < 0 && e.text == "Searching Dir For Shorcuts" && depth == 12) {
            SignalStop();
            eventsAtStop = g_events.size();
            scannedAtStop = e.scanned;
        }
    };
    CShortcut scanner;
    scanner.progressCallback = RecordProgress;
    scanner.RecurseFolder(dir.path());
    ASSERT_GE(scannedAtStop, 1);
    EXPECT_EQ(g_events.size(), eventsAtStop);  // nothing examined or reported after the stop
    EXPECT_EQ(scanner.scannedCount, scannedAtStop);
    EXPECT_LT(scanner.scannedCount, 40);
}

// --- targets that cannot be judged ---

TEST_F(ShortcutTest, TargetsOffTheFixedDisksAreNotReported) {
    ScratchDir dir("lnk-drives");
    std::string medium = MakeFolder(dir.file("medium"));
    std::string links = MakeFolder(dir.file("links"));
    std::string onC = MakeBroken(links, "onfixed");
    std::string unc = links + "\\unc.lnk";
    ASSERT_FALSE(onC.empty());
    ASSERT_TRUE(MakeShortcut(unc, "\\\\nosuchhost\\share\\doc.txt"));

    struct Case { UINT type; bool reported; };
    for (Case c : {Case{DRIVE_REMOVABLE, false}, Case{DRIVE_CDROM, false}, Case{DRIVE_FIXED, true}}) {
        SCOPED_TRACE(c.type);
        std::string link = links + "\\mapped" + std::to_string(c.type) + ".lnk";
        {
            MappedDrive drive(c.type, medium);
            ASSERT_EQ(GetDriveTypeA(drive.root().c_str()), c.type) << "drive mapping failed";
            std::string target = drive.root() + "doc.txt";
            WriteTextFile(target, "x");
            ASSERT_TRUE(MakeShortcut(link, target));
            DeleteFileA(target.c_str());
            CShortcut scanner;
            scanner.CheckLinkFile(link);
            EXPECT_EQ(scanner.scannedCount, 1);
            EXPECT_EQ(scanner.errorCount, c.reported ? 1 : 0);
        }
        // The drive is gone now: a letter that does not exist cannot prove anything missing.
        CShortcut scanner;
        scanner.CheckLinkFile(link);
        EXPECT_EQ(scanner.errorCount, 0);
    }
    CShortcut scanner;
    scanner.CheckLinkFile(unc);
    scanner.CheckLinkFile(onC);
    EXPECT_EQ(scanner.invalidShortcuts, std::vector<std::string>{onC});
}

TEST_F(ShortcutTest, AnApartmentTheCallerOpenedStaysOpen) {
    ScratchDir dir("lnk-com");
    std::string broken = MakeBroken(dir.path(), "broken");
    ASSERT_FALSE(broken.empty());
    CShortcut scanner;
    HRESULT again = E_FAIL;
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        scanner.CheckLinkFile(broken);  // its own initialisation is refused (other model)
        again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(again)) CoUninitialize();
        CoUninitialize();
    });
    worker.join();
    EXPECT_EQ(scanner.invalidShortcuts, std::vector<std::string>{broken});
    EXPECT_EQ(again, S_FALSE);  // still initialised: the scanner did not close the caller's apartment
}

// --- trees left out: other Windows installations, the host's root under Wine ---

TEST_F(ShortcutTest, TreesOfOtherInstallationsAndTheHostRootAreLeftOut) {
    ScratchDir dir("lnk-othersys");
    // A folder named Windows alone, or one without System32, is no installation.
    const struct { const char* tree; const char* top; const char* sub; bool reported; } cases[] = {
        {"oldsys", "Windows", "System32", false}, {"nt4", "winnt", "system32", false},
        {"plain", "Windows", "", true}, {"apps", "Windows", "System", true}};
    std::vector<std::string> links;  // one in the tree's own folders, one in its system folder
    for (const auto& c : cases) {
        const std::string tree = MakeFolder(MakeFolder(dir.file("walk")) + "\\" + c.tree);
        MakeFolder(MakeFolder(tree + "\\" + c.top) + "\\" + c.sub);
        links.push_back(MakeBroken(MakeFolder(tree + "\\Users"), "desk"));
        links.push_back(MakeBroken(tree + "\\" + c.top, "insys"));
    }
    CShortcut scanner;
    scanner.RecurseFolder(dir.file("walk"));
    for (size_t i = 0; i < links.size(); ++i)
        EXPECT_EQ(Contains(scanner.invalidShortcuts, links[i]), cases[i / 2].reported) << links[i];
    // A second disk whose root is another system's root, and the drive that maps the host's root:
    // a walk that starts there stops at its first step.
    MappedDrive otherDisk(DRIVE_FIXED, dir.file("walk\\oldsys")), hostRoot(DRIVE_FIXED, "", "/");
    ASSERT_TRUE(PathExists(otherDisk.root() + "Users") && PathExists(hostRoot.root() + "proc"));
    g_onProgress = [](const ProgressEvent&) { SignalStop(); };
    for (const auto& root : {otherDisk.root(), hostRoot.root()}) {
        CShortcut walker;
        walker.progressCallback = RecordProgress;
        walker.RecurseFolder(root.substr(0, 2));
        ResetStop();
    }
    EXPECT_TRUE(g_events.empty()) << g_events.front().item;
}

// --- the whole drive, through the scan run and the console ---

TEST_F(ShortcutTest, ScanRunWalksTheWholeDriveAndReportsOnlyMissingTargets) {
    ScratchDir dir("lnk-whole");
    std::string hiddenDir = MakeFolder(dir.file("hidden"), FILE_ATTRIBUTE_HIDDEN);
    std::string broken = MakeBroken(dir.path(), "broken");
    std::string inHidden = MakeBroken(hiddenDir, "inhidden");
    std::string ignored = MakeBroken(dir.path(), "ignored");
    std::string intact = MakeIntact(dir.path(), "intact");
    std::string inRoot = MakeBroken("C:", "zenthar-root-test");
    struct RemoveAtEnd {
        std::string path;
        ~RemoveAtEnd() { DeleteFileA(path.c_str()); }
    } rootGuard{inRoot};
    ASSERT_FALSE(broken.empty() || inHidden.empty() || ignored.empty() || intact.empty() || inRoot.empty());
    WriteTextFile("ignore.lst", ignored + "\n");

    CRegistryLib engine;
    CShortcut scanner(&engine);
    scanner.progressCallback = RecordProgress;
    ScanSelection selection;
    selection[SHORTCUTS] = 1;
    CategoryResults results;
    int32_t flagWhileRunning = 0;
    g_onProgress = [&](const ProgressEvent&) { flagWhileRunning = selection.get(SHORTCUTS); };
    bool completed = false;
    ScanRun(engine, scanner, selection, results, [&] { completed = true; });

    EXPECT_TRUE(completed);
    EXPECT_TRUE(results.empty());  // no registry category selected
    EXPECT_EQ(flagWhileRunning, 2);
    EXPECT_EQ(selection.get(SHORTCUTS), -1);
    EXPECT_TRUE(Contains(scanner.invalidShortcuts, broken));
    EXPECT_TRUE(Contains(scanner.invalidShortcuts, inHidden));
    EXPECT_FALSE(Contains(scanner.invalidShortcuts, ignored));
    EXPECT_FALSE(Contains(scanner.invalidShortcuts, intact));
    EXPECT_FALSE(Contains(scanner.invalidShortcuts, inRoot));
    for (const auto& e : g_events) EXPECT_NE(e.item, inRoot);
    EXPECT_EQ(scanner.errorCount, static_cast<int32_t>(scanner.invalidShortcuts.size()));
    EXPECT_GE(scanner.scannedCount, 4);
    EXPECT_EQ(scanner.fixedCount, 0);
    // Whatever else the prefix holds: every reported shortcut really points at a missing file.
    for (const auto& link : scanner.invalidShortcuts) {
        std::string target = StoredTarget(link);
        EXPECT_FALSE(target.empty()) << link;
        EXPECT_FALSE(PathExists(target)) << link << " -> " << target;
    }
    std::vector<std::string> sorted = scanner.invalidShortcuts;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "a shortcut listed twice";

    // A new run empties the list before it starts.
    SignalStop();
    ScanRun(engine, scanner, selection, results, nullptr);
    EXPECT_TRUE(scanner.invalidShortcuts.empty());
}

TEST_F(ShortcutTest, StopDuringTheShortcutPartOfAScanRun) {
    ScratchDir dir("lnk-runstop");
    ASSERT_FALSE(MakeBroken(MakeFolder(dir.file("a")), "broken").empty());
    CRegistryLib engine;
    CShortcut scanner(&engine);
    scanner.progressCallback = RecordProgress;
    ScanSelection selection;
    selection[SHORTCUTS] = 1;
    selection[FONTS] = 1;
    CategoryResults results;
    size_t eventsAtStop = 0;
    g_onProgress = [&](const ProgressEvent& e) {
        if (e.text == "Searching Dir For Shorcuts" && eventsAtStop == 0) {
            SignalStop();
            eventsAtStop = g_events.size();
        }
    };
    bool completed = false;
    ScanRun(engine, scanner, selection, results, [&] { completed = true; });
    EXPECT_FALSE(completed);
    EXPECT_GT(eventsAtStop, 0u);
    EXPECT_EQ(g_events.size(), eventsAtStop);
    EXPECT_EQ(selection.get(SHORTCUTS), -1);
    EXPECT_EQ(results.size(), 1u);  // the font row from before the shortcut scan
}

TEST_F(ShortcutTest, ConsoleListsBrokenShortcutsAfterRegistryFindings) {
    ScratchDir dir("lnk-cli");
    std::string broken = MakeBroken(dir.path(), "broken");
    std::string ignored = MakeBroken(dir.path(), "ignored");
    ASSERT_FALSE(broken.empty() || ignored.empty());
    WriteTextFile("ignore.lst", ignored + "\n");
    SeededValue font("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts",
                     "Zenthar Shortcut Test Font", dir.file("nofont.ttf"));

    ProcessResult run = RunCli("scan --only FONTS,SHORTCUTS", dir.path());
    EXPECT_EQ(run.exitCode, 1u) << run.err;
    std::string out = run.out;
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    std::string line = "FINDING\tSHORTCUT\tFILE\t\t\t" + broken + "\n";
    size_t shortcutFinding = out.find(line);
    size_t fontFinding = out.find("FINDING\tfont\t");
    size_t fontRow = out.find("ROW\tCorrupt Fonts\t");
    size_t shortcutRow = out.find("ROW\tMissing ShortCuts\t");
    ASSERT_NE(shortcutFinding, std::string::npos) << out;
    ASSERT_NE(shortcutRow, std::string::npos) << out;
    EXPECT_EQ(out.find(ignored), std::string::npos);
    EXPECT_LT(fontFinding, shortcutFinding);
    EXPECT_LT(shortcutFinding, fontRow);
    EXPECT_LT(fontRow, shortcutRow);

    // The row carries the counts: as many errors as shortcut findings, nothing fixed.
    size_t findings = 0;
    for (size_t at = out.find("FINDING\tSHORTCUT\t"); at != std::string::npos; at = out.find("FINDING\tSHORTCUT\t", at + 1))
        ++findings;
    int scanned = -1, errors = -1, fixed = -1;
    ASSERT_EQ(std::sscanf(out.c_str() + shortcutRow, "ROW\tMissing ShortCuts\t%d\t%d\t%d", &scanned, &errors, &fixed), 3);
    EXPECT_GE(scanned, 2);
    EXPECT_EQ(errors, static_cast<int>(findings));
    EXPECT_EQ(fixed, 0);
}
