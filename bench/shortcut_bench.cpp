// Shortcut scan speed on a tree of 2,000 folders and 5,000 shortcuts, against a bare walk that only
// lists the folders and loads each shortcut, and with versus without one COM apartment kept alive.
// Run in a prefix, for example the tests' one:
//   WINEPREFIX=$PWD/build/wineprefix tools/wine-run.sh build/bench/shortcut_bench.exe [--runs N] [--keep|--reuse]
// The tree is written to C:\zenthar-bench-lnk and removed again unless --keep or --reuse is given.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "support/Timing.h"

namespace {
const std::string TREE = "C:\\zenthar-bench-lnk";
const std::string TARGETS = "C:\\zenthar-bench-lnk-targets";
constexpr int TOP_FOLDERS = 40, SUBFOLDERS = 49;  // 40 + 40 * 49 = 2,000 folders
constexpr int BROKEN_EVERY = 10;                  // every tenth shortcut's target is deleted
constexpr int INTACT_TARGETS = 97, GONE_TARGETS = 50;

bool saveLink(IShellLinkA* link, IPersistFile* file, const std::string& path, const std::string& target) {
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    return SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(file->Save(wide, TRUE));
}

void writeFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

// Saving a shortcut is slow under Wine (tens of milliseconds), so one file is saved per distinct
// target and copied for the other shortcuts to it: 97 intact targets, 50 deleted ones.
std::vector<std::string> saveTemplates() {
    std::vector<std::string> templates;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        for (int t = 0; t < INTACT_TARGETS + GONE_TARGETS; ++t) {
            std::string target = TARGETS + (t < INTACT_TARGETS ? "\\t" : "\\gone") + std::to_string(t) + ".txt";
            std::string saved = TARGETS + "\\link" + std::to_string(t) + ".lnk";
            writeFile(target);
            templates.push_back(saveLink(link, file, saved, target) ? saved : std::string());
            if (t >= INTACT_TARGETS) DeleteFileA(target.c_str());
        }
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return templates;
}

// Folder i holds 2 or 3 shortcuts (5,000 in all), every tenth one broken; returns how many were written.
int buildTree() {
    CreateDirectoryA(TREE.c_str(), nullptr);
    CreateDirectoryA(TARGETS.c_str(), nullptr);
    std::vector<std::string> templates = saveTemplates();
    std::vector<std::string> folders;
    for (int t = 0; t < TOP_FOLDERS; ++t) {
        std::string top = TREE + "\\f" + std::to_string(t);
        folders.push_back(top);
        for (int s = 0; s < SUBFOLDERS; ++s) folders.push_back(top + "\\s" + std::to_string(s));
    }
    int written = 0, n = 0;
    for (size_t i = 0; i < folders.size(); ++i) {
        CreateDirectoryA(folders[i].c_str(), nullptr);
        for (int k = 0; k < (i % 2 ? 3 : 2); ++k, ++n) {
            const std::string& from = n % BROKEN_EVERY == 0 ? templates[INTACT_TARGETS + n / BROKEN_EVERY % GONE_TARGETS]
                                                            : templates[n % INTACT_TARGETS];
            std::string to = folders[i] + "\\l" + std::to_string(k) + ".lnk";
            if (!from.empty() && CopyFileA(from.c_str(), to.c_str(), FALSE)) ++written;
        }
    }
    return written;
}

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(child);
            else DeleteFileA(child.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(path.c_str());
}

// The least the scan has to do: list every folder, load every shortcut into a shell link object.
int bareWalk(const std::string& folder) {
    int loaded = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*.*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string child = folder + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            loaded += bareWalk(child);
        } else if (name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".lnk") == 0) {
            IShellLinkA* link = nullptr;
            if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&link)))) {
                IPersistFile* file = nullptr;
                if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
                    WCHAR wide[MAX_PATH];
                    MultiByteToWideChar(CP_ACP, 0, child.c_str(), -1, wide, MAX_PATH);
                    if (SUCCEEDED(file->Load(wide, STGM_READ))) ++loaded;
                    file->Release();
                }
                link->Release();
            }
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return loaded;
}

struct Run {
    double seconds = 0;
    int scanned = 0, broken = 0;
    std::vector<std::string> list;
};

// Each variant runs on a fresh thread, so that no apartment is left over from another.
template <class Fn>
void onFreshThread(Fn fn) {
    std::thread worker(fn);
    worker.join();
}

Run scannerWalk(bool keepApartment) {
    Run r;
    onFreshThread([&] {
        if (keepApartment) CoInitialize(nullptr);  // what the whole-drive scan does around its walk
        CShortcut scanner;
        r.seconds = TimeSeconds([&] { scanner.RecurseFolder(TREE); });
        if (keepApartment) CoUninitialize();
        r.scanned = scanner.scannedCount;
        r.broken = scanner.errorCount;
        r.list = scanner.invalidShortcuts;
    });
    return r;
}

Run bare() {
    Run r;
    onFreshThread([&] {
        CoInitialize(nullptr);
        r.seconds = TimeSeconds([&] { r.scanned = bareWalk(TREE); });
        CoUninitialize();
    });
    return r;
}
}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    bool keep = false, reuse = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) runs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--keep")) keep = true;
        else if (!std::strcmp(argv[i], "--reuse")) reuse = keep = true;  // a tree kept by --keep
    }
    ResetStop();
    if (!reuse || GetFileAttributesA(TREE.c_str()) == INVALID_FILE_ATTRIBUTES) {
        removeTree(TREE);
        removeTree(TARGETS);
        int written = 0;
        double built = TimeSeconds([&] { written = buildTree(); });
        std::printf("tree %s: 2,000 folders, %d shortcuts written in %.1f s\n", TREE.c_str(), written, built);
    }

    std::vector<double> kept, perFile, bareTimes;
    Run keptRun, perFileRun, bareRun;
    bool same = true;
    std::printf("runs: %d, interleaved\n", runs);
    for (int r = 0; r < runs; ++r) {  // interleaved, so that a noisy machine slows all three alike
        keptRun = scannerWalk(true);
        perFileRun = scannerWalk(false);
        bareRun = bare();
        kept.push_back(keptRun.seconds);
        perFile.push_back(perFileRun.seconds);
        bareTimes.push_back(bareRun.seconds);
        same = same && keptRun.list == perFileRun.list && keptRun.scanned == perFileRun.scanned;
    }
    // The machine may be shared: the fastest run is the least disturbed one, so it is shown too.
    auto fastest = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    std::printf("%-30s %10s %10s\n", "", "median", "fastest");
    std::printf("%-30s %8.3f s %8.3f s  (%d examined, %d broken)\n", "scan, one apartment kept", Median(kept),
                fastest(kept), keptRun.scanned, keptRun.broken);
    std::printf("%-30s %8.3f s %8.3f s  (%d examined, %d broken)\n", "scan, per-file CoInitialize",
                Median(perFile), fastest(perFile), perFileRun.scanned, perFileRun.broken);
    std::printf("%-30s %8.3f s %8.3f s  (%d loaded)\n", "bare walk (list + load)", Median(bareTimes),
                fastest(bareTimes), bareRun.scanned);
    std::printf("%-30s %8.2f   %8.2f\n", "scan / bare walk", Median(kept) / Median(bareTimes),
                fastest(kept) / fastest(bareTimes));
    std::printf("%-30s %8.2f   %8.2f\n", "per-file / kept apartment", Median(perFile) / Median(kept),
                fastest(perFile) / fastest(kept));
    std::printf("same results both ways: %s\n", same ? "yes" : "NO");
    for (size_t i = 0; i < kept.size(); ++i)
        std::printf("  run %zu: kept %.3f  per-file %.3f  bare %.3f\n", i + 1, kept[i], perFile[i], bareTimes[i]);
    if (!keep) {
        removeTree(TREE);
        removeTree(TARGETS);
    }
    return same ? 0 : 1;
}
