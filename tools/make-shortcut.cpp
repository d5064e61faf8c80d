// make-shortcut: writes shortcut files with the shell link object (for seeding demo and bench trees),
// and reads one back (for the installer's tests).
// Usage: make-shortcut LINK TARGET [LINK TARGET ...]   or   make-shortcut @LISTFILE
// (a list file holds one LINK<TAB>TARGET pair per line);  make-shortcut --read LINK prints
// TARGET<TAB>WORKING FOLDER.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

static bool makeShortcut(IShellLinkA* link, IPersistFile* file, const char* linkPath, const char* target) {
    if (FAILED(link->SetPath(target))) return false;
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wide, MAX_PATH)) return false;
    return SUCCEEDED(file->Save(wide, TRUE));
}

static bool readPairs(int argc, char** argv, std::vector<std::pair<std::string, std::string>>& pairs) {
    if (argc == 2 && argv[1][0] == '@') {
        FILE* f = std::fopen(argv[1] + 1, "rt");
        if (!f) return false;
        char line[2048];
        while (std::fgets(line, sizeof line, f)) {
            std::string l = line;
            while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
            size_t tab = l.find('\t');
            if (tab != std::string::npos) pairs.emplace_back(l.substr(0, tab), l.substr(tab + 1));
        }
        std::fclose(f);
        return true;
    }
    if (argc < 3 || argc % 2 == 0) return false;
    for (int i = 1; i + 1 < argc; i += 2) pairs.emplace_back(argv[i], argv[i + 1]);
    return true;
}

static int readShortcut(const char* linkPath) {
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    WCHAR wide[MAX_PATH];
    char target[MAX_PATH] = "", folder[MAX_PATH] = "";
    bool ok = MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wide, MAX_PATH) &&
              SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link))) &&
              SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
              SUCCEEDED(file->Load(wide, STGM_READ)) &&
              SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
              SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH));
    if (file) file->Release();
    if (link) link->Release();
    if (!ok) {
        std::fprintf(stderr, "make-shortcut: could not read %s\n", linkPath);
        return 1;
    }
    std::printf("%s\t%s\n", target, folder);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--read") {
        if (FAILED(CoInitialize(nullptr))) return 1;
        int status = readShortcut(argv[2]);
        CoUninitialize();
        return status;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    if (!readPairs(argc, argv, pairs)) {
        std::fprintf(stderr, "usage: make-shortcut LINK TARGET [LINK TARGET ...] | make-shortcut @LISTFILE\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    int failures = 0;
    for (const auto& pair : pairs) {
        IShellLinkA* link = nullptr;
        IPersistFile* file = nullptr;
        bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                             reinterpret_cast<void**>(&link))) &&
                  SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                  makeShortcut(link, file, pair.first.c_str(), pair.second.c_str());
        if (!ok) {
            std::fprintf(stderr, "make-shortcut: could not write %s\n", pair.first.c_str());
            ++failures;
        }
        if (file) file->Release();
        if (link) link->Release();
    }
    CoUninitialize();
    return failures ? 1 : 0;
}
