// Both registry views on 64-bit Windows: a scan of both against a scan of the program's own view,
// with the same entries seeded in each view (keys the views share once), in one run. Run it in a
// 64-bit prefix (see tools/run-bench.sh); elsewhere it says so and stops.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/RegistryLib.h"
#include "engine/StopEvent.h"
#include "platform/Wow64.h"
#include "support/RegistryTree.h"
#include "support/Timing.h"

namespace {
const char* const CLSID = "CLSID";
const char* const SHARED_DLLS = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char* const DRIVERS = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
const char* const HELP = "Software\\Microsoft\\Windows\\Help";
const char* const TOOLS = "Software\\Microsoft\\Shared Tools";
const char* const RUN = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const APP_PATHS = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";  // shared
const char* const FONTS = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";         // shared

REGSAM flag(bool view64) { return view64 ? KEY_WOW64_64KEY : 0; }

HKEY create(HKEY root, const std::string& path, bool view64) {
    HKEY key = nullptr;
    RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | flag(view64), nullptr, &key, nullptr);
    return key;
}

void setString(HKEY key, const std::string& name, const std::string& data) {
    RegSetValueExA(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
}

void deleteValues(HKEY root, const char* path, bool view64, const std::string& prefix) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS | flag(view64), &key) != ERROR_SUCCESS) return;
    std::vector<std::string> names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumValueA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (std::string(name, len).find(prefix) != std::string::npos) names.emplace_back(name, len);
    }
    for (const auto& n : names) RegDeleteValueA(key, n.c_str());
    RegCloseKey(key);
}

const std::string FILES = "C:\\zvb-files";

// Entry i names this file: every tenth one is missing, the others lie in a folder both file-system
// views show.
std::string fileOf(int i, const std::string& tag) {
    return i % 10 == 0 ? "C:\\zvb-gone\\" + tag + "-" + std::to_string(i) + ".dll" : FILES + "\\" + std::to_string(i) + ".dll";
}

void makeFiles(int n) {
    CreateDirectoryA(FILES.c_str(), nullptr);
    for (int i = 0; i < n; ++i) {
        HANDLE h = CreateFileA(fileOf(i, "").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
}

void removeFiles(int n) {
    for (int i = 0; i < n; ++i) DeleteFileA(fileOf(i, "").c_str());
    RemoveDirectoryA(FILES.c_str());
}

// `n` entries of each category in one view.
void seed(bool view64, int n) {
    const std::string tag = view64 ? "64" : "32";
    auto file = [&](int i) { return fileOf(i, tag); };
    HKEY dlls = create(HKEY_LOCAL_MACHINE, SHARED_DLLS, view64), drivers = create(HKEY_LOCAL_MACHINE, DRIVERS, view64),
         help = create(HKEY_LOCAL_MACHINE, HELP, view64), run = create(HKEY_LOCAL_MACHINE, RUN, view64);
    for (int i = 0; i < n; ++i) {
        char guid[64];
        std::snprintf(guid, sizeof guid, "{7A3CBE00-0000-4B64-9E00-%012d}", i);
        HKEY server = create(HKEY_CLASSES_ROOT, std::string(CLSID) + "\\" + guid + "\\InprocServer32", view64);
        setString(server, "", file(i));
        RegCloseKey(server);
        const DWORD one = 1;
        RegSetValueExA(dlls, file(i).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
        setString(drivers, "zvb." + std::to_string(i), file(i));
        setString(help, std::to_string(i) + ".dll", i % 10 == 0 ? "C:\\zvb-gone" : FILES);
        setString(run, "zvb" + std::to_string(i), "\"" + file(i) + "\" /min");
        HKEY tool = create(HKEY_LOCAL_MACHINE, std::string(TOOLS) + "\\zvb" + std::to_string(i), view64);
        setString(tool, "Path", file(i));
        RegCloseKey(tool);
        HKEY program = create(HKEY_LOCAL_MACHINE, std::string(UNINSTALL) + "\\zvb" + std::to_string(i), view64);
        setString(program, "DisplayName", "zvb " + std::to_string(i));
        setString(program, "UninstallString", "\"" + file(i) + "\" /x");
        RegCloseKey(program);
    }
    for (HKEY k : {dlls, drivers, help, run}) RegCloseKey(k);
}

// The shared keys hold their entries once.
void seedShared(int n) {
    HKEY fonts = create(HKEY_LOCAL_MACHINE, FONTS, true);
    for (int i = 0; i < n; ++i) {
        HKEY app = create(HKEY_LOCAL_MACHINE, std::string(APP_PATHS) + "\\zvb" + std::to_string(i) + ".exe", true);
        setString(app, "", fileOf(i, "shared"));
        RegCloseKey(app);
        setString(fonts, "zvb font " + std::to_string(i), fileOf(i, "shared"));
    }
    RegCloseKey(fonts);
}

void clear(int n) {
    for (bool view64 : {false, true}) {
        for (int i = 0; i < n; ++i) {
            char guid[64];
            std::snprintf(guid, sizeof guid, "{7A3CBE00-0000-4B64-9E00-%012d}", i);
            DeleteTreeInView(HKEY_CLASSES_ROOT, std::string(CLSID) + "\\" + guid, view64);
            DeleteTreeInView(HKEY_LOCAL_MACHINE, std::string(TOOLS) + "\\zvb" + std::to_string(i), view64);
            DeleteTreeInView(HKEY_LOCAL_MACHINE, std::string(UNINSTALL) + "\\zvb" + std::to_string(i), view64);
            DeleteTreeInView(HKEY_LOCAL_MACHINE, std::string(APP_PATHS) + "\\zvb" + std::to_string(i) + ".exe", view64);
        }
        for (const char* key : {SHARED_DLLS, DRIVERS, RUN, FONTS}) deleteValues(HKEY_LOCAL_MACHINE, key, view64, "zvb");
        deleteValues(HKEY_LOCAL_MACHINE, HELP, view64, ".dll");
    }
}

struct Figures {
    double seconds = 0;
    size_t found = 0, found64 = 0;
    std::string rows;  // "title scanned/errors" of each category
};

Figures scan(bool bothViews, int only = -1) {
    CRegistryLib engine;
    engine.readView64 = bothViews;
    ScanSelection selection;
    selection.selectAll(only < 0 ? 1 : 0);
    if (only >= 0) selection[static_cast<ScanCategory>(only)] = 1;
    selection[SHORTCUTS] = 0;
    CategoryResults results;
    ResetStop();
    Figures f;
    f.seconds = TimeSeconds([&] { engine.RunSelectedScans(results, selection); });
    for (const auto& row : results)
        f.rows += row->title + " " + std::to_string(row->scannedCount) + "/" + std::to_string(row->errorCount) + "; ";
    for (const auto& e : engine.ErrorList) {
        f.found += e && e->filePath.find("zvb") != std::string::npos;
        f.found64 += e && e->filePath.find("zvb") != std::string::npos && e->view64;
    }
    return f;
}
}  // namespace

int main(int argc, char** argv) {
    int runs = 5, n = 2000;
    bool perCategory = false;
    for (int i = 1; i < argc; ++i) perCategory |= std::strcmp(argv[i], "--categories") == 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--entries") == 0) n = std::atoi(argv[i + 1]);
    }
    if (!RunningOn64BitWindows()) {
        // 32-bit Windows has one view: the figure to hold against the same scan before there were two.
        clear(n);
        makeFiles(n);
        seed(false, n);
        seedShared(n);
        std::vector<double> times;
        Figures f;
        for (int r = 0; r <= runs; ++r) {
            f = scan(true);
            if (r > 0) times.push_back(f.seconds);  // the first warms the caches
        }
        clear(n);
        removeFiles(n);
        std::printf("32-bit Windows, %d entries per category: %.3f s median of %d scans, %zu found\n", n,
                    Median(times), runs, f.found);
        return 0;
    }
    clear(n);
    makeFiles(n);
    seed(false, n);
    seed(true, n);
    seedShared(n);
    std::vector<double> one, both, paired;
    Figures a, b;
    scan(true);  // warm: the registry and the file cache, once for both
    for (int r = 0; r < runs; ++r) {
        // Alternating order, so that a load that comes and goes falls on both alike.
        if (r % 2 == 0) {
            a = scan(false), b = scan(true);
        } else {
            b = scan(true), a = scan(false);
        }
        one.push_back(a.seconds);
        both.push_back(b.seconds);
        paired.push_back(a.seconds > 0 ? b.seconds / a.seconds : 0.0);
    }
    if (perCategory)
        for (ScanCategory c : {::COM, ::COM_SUBS, ::DRV, ::HELP, ::APPPATH, ::SHARED_TOOLS, ::FONTS, ::STARTUP, ::UNINSTALL}) {
            std::vector<double> t1, t2;
            for (int r = 0; r < runs; ++r) {
                t1.push_back(scan(false, c).seconds);
                t2.push_back(scan(true, c).seconds);
            }
            std::printf("%-13s one view %.3f s, both %.3f s, ratio %.3f\n", CategoryInfoOf(c).flagName, Median(t1),
                        Median(t2), Median(t1) > 0 ? Median(t2) / Median(t1) : 0.0);
        }
    clear(n);
    removeFiles(n);
    const double m1 = Median(one), m2 = Median(both);
    std::printf("entries per category and view: %d (shared keys once), runs: %d\n", n, runs);
    std::printf("one view:   %.3f s median, %zu found\n", m1, a.found);
    std::printf("both views: %.3f s median, %zu found (%zu of the 64-bit view)\n", m2, b.found, b.found64);
    std::printf("rows, one view:   %s\nrows, both views: %s\n", a.rows.c_str(), b.rows.c_str());
    std::printf("ratio: %.3f of the medians, %.3f the median of the paired runs (target at most 2.05)\n",
                m1 > 0 ? m2 / m1 : 0.0, Median(paired));
    return 0;
}
