// Baseline walks: enumerate, open, read only the values the scanners need, test each path once.
#include "support/Baseline.h"

#include <windows.h>
#include <io.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "engine/DriveRules.h"
#include "engine/PathCleanup.h"
#include "engine/SystemPaths.h"

namespace {
DriveTypeCache g_drives;

bool missing(const std::string& path) { return g_drives.onFixedDisk(path) && _access(path.c_str(), 0) != 0; }

HKEY openPath(HKEY root, const char* sub) {
    HKEY k = nullptr;
    return RegOpenKeyExA(root, sub, 0, KEY_READ, &k) == ERROR_SUCCESS ? k : nullptr;
}

// Reads one string value; false when absent.
bool readString(HKEY key, const char* name, std::string& out) {
    char buf[2048];
    DWORD size = sizeof buf - 1, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) != ERROR_SUCCESS) return false;
    buf[size] = '\0';
    out = buf;
    return true;
}

template <class Fn>
void forEachValue(HKEY key, Fn fn) {
    std::vector<char> name(16384);
    std::vector<char> data(65536);
    for (DWORD i = 0;; ++i) {
        DWORD nlen = static_cast<DWORD>(name.size()), dlen = static_cast<DWORD>(data.size() - 1), type = 0;
        if (RegEnumValueA(key, i, name.data(), &nlen, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dlen) !=
            ERROR_SUCCESS)
            break;
        data[dlen] = '\0';
        fn(std::string(name.data(), nlen), std::string(data.data()));
    }
}

template <class Fn>
void forEachSubkey(HKEY key, Fn fn) {
    // 255 letters, each up to two bytes in a double-byte code page, and the end.
    char name[2 * 255 + 1];
    for (DWORD i = 0;; ++i) {
        DWORD len = sizeof name;
        if (RegEnumKeyExA(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        fn(std::string(name, len));
    }
}

int64_t clsid() {
    int64_t found = 0;
    HKEY classes = openPath(HKEY_CLASSES_ROOT, "CLSID");
    if (!classes) return 0;
    forEachSubkey(classes, [&](const std::string& cls) {
        HKEY ck = openPath(classes, cls.c_str());
        if (!ck) return;
        forEachSubkey(ck, [&](const std::string& sub) {
            std::string lower = AsciiLower(sub);
            if (lower != "inprocserver32" && lower != "localserver32" && lower != "inprocserver" && lower != "localserver")
                return;
            HKEY sk = openPath(ck, sub.c_str());
            std::string data;
            if (sk && readString(sk, nullptr, data) && !data.empty()) {
                std::string path = CleanPathQSDEP(data);
                bool mail = path.size() >= 10 && path.compare(path.size() - 10, 10, "mailui.dll") == 0;
                if (!mail && missing(path)) ++found;
            }
            if (sk) RegCloseKey(sk);
        });
        RegCloseKey(ck);
    });
    RegCloseKey(classes);
    return found;
}

int64_t valueKey(const char* sub, int mode) {
    int64_t found = 0;
    HKEY k = openPath(HKEY_LOCAL_MACHINE, sub);
    if (!k) return 0;
    forEachValue(k, [&](const std::string& name, const std::string& data) {
        std::string path;
        if (mode == 0) {  // shared DLLs: the name is the path
            path = CleanPathQSDEP(name);
        } else if (mode == 1) {  // drivers
            path = MbContains(data, "\\") ? data : SystemDirectory() + "\\" + data;
        } else if (mode == 2) {  // fonts
            path = CleanDash(CleanSlash(CleanQuotes(data)));
            if (!ExpandEnvironmentTokens(path) && !MbContains(path, "\\")) path = WindowsDirectory() + "\\fonts\\" + path;
        } else {  // startup
            path = CleanDash(CleanSlash(CleanQuotes(data)));
            ExpandEnvironmentTokens(path);
            path = ExecutableCut(path);
            if (!MbContains(path, ":")) path = WindowsDirectory() + "\\" + path;
            path = StripOuterQuotes(path);
            if (MbContains(path, "rundll32") || MbContains(path, "RunDll32") || path.size() <= 3) return;
        }
        if (!data.empty() && missing(path)) ++found;
    });
    RegCloseKey(k);
    return found;
}

int64_t help() {
    int64_t found = 0;
    HKEY win = openPath(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows");
    if (!win) return 0;
    forEachSubkey(win, [&](const std::string& sub) {
        std::string lower = AsciiLower(sub);
        if (lower != "help" && lower != "html help") return;
        HKEY k = openPath(win, sub.c_str());
        if (!k) return;
        forEachValue(k, [&](const std::string& name, const std::string& data) {
            if (name.empty()) return;
            std::string folder = CleanDash(CleanSlash(CleanQuotes(data)));
            std::string path = ExpandEnvironmentTokens(folder) || MbContains(folder, "\\")
                                   ? JoinFolderFile(folder, name)
                                   : JoinFolderFile(SystemDirectory() + "\\" + folder, name);
            if (missing(path)) ++found;
        });
        RegCloseKey(k);
    });
    RegCloseKey(win);
    return found;
}

template <class PerKey>
int64_t subkeys(const char* sub, PerKey perKey) {
    int64_t found = 0;
    HKEY parent = openPath(HKEY_LOCAL_MACHINE, sub);
    if (!parent) return 0;
    forEachSubkey(parent, [&](const std::string& name) {
        HKEY k = openPath(parent, name.c_str());
        if (!k) return;
        found += perKey(k);
        RegCloseKey(k);
    });
    RegCloseKey(parent);
    return found;
}

bool testableCommand(const std::string& t) {
    return MbContains(t, ":") && !EndsWithBackslash(t) && !MbContains(t, ";") && t.size() > 3;
}
}  // namespace

int64_t BaselineCategory(ScanCategory c) {
    InitCodePageRules();
    switch (c) {
    case COM: return clsid();
    case COM_SUBS: return valueKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", 0);
    case DRV: return valueKey("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32", 1);
    case HELP: return help();
    case APPPATH:
        return subkeys("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", [](HKEY k) {
            int64_t n = 0;
            forEachValue(k, [&](const std::string&, const std::string& data) {
                std::string t = StripOuterQuotes(data);
                if (!data.empty() && testableCommand(t) && missing(t)) ++n;
            });
            return n;
        });
    case SHARED_TOOLS:
        return subkeys("SOFTWARE\\Microsoft\\Shared Tools", [](HKEY k) {
            std::string data;
            return readString(k, "path", data) && !data.empty() && missing(CleanPathQSDEP(data)) ? 1 : 0;
        });
    case FONTS: return valueKey("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 2);
    case STARTUP: return valueKey("Software\\Microsoft\\Windows\\CurrentVersion\\Run", 3);
    case UNINSTALL:
        return subkeys("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", [](HKEY k) {
            std::string data;
            if (!readString(k, "UninstallString", data) || data.empty()) return 0;
            std::string t = StripOuterQuotes(ExecutableCut(data));
            bool skip = MbContains(t, "rundll32") || MbContains(t, "RunDll32") || MbContains(t, "\\regsvr32");
            return !skip && testableCommand(t) && missing(t) ? 1 : 0;
        });
    default: return 0;
    }
}

int64_t BaselineRegistryScan() {
    g_drives.reset();
    int64_t found = 0;
    for (auto c : {COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP, UNINSTALL}) found += BaselineCategory(c);
    return found;
}

namespace {
struct LinkChecker {
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    int64_t broken = 0;

    void check(const std::string& path) {
        WCHAR wide[MAX_PATH];
        if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return;
        if (FAILED(file->Load(wide, STGM_READ))) return;
        char target[MAX_PATH] = {};
        if (SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_SHORTPATH)) && target[0] && missing(target)) ++broken;
    }
    // One listing per folder gives its shortcut files and its subfolders; the start folder's
    // own shortcuts are not examined.
    void walk(const std::string& dir, bool checkLinks) {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((dir + "\\*.*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return;
        std::vector<std::string> subfolders;
        do {
            size_t len = lstrlenA(fd.cFileName);
            if (checkLinks && len >= 4 && !lstrcmpiA(fd.cFileName + len - 4, ".lnk")) check(dir + "\\" + fd.cFileName);
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            if (!lstrcmpA(fd.cFileName, ".") || !lstrcmpA(fd.cFileName, "..")) continue;
            subfolders.push_back(dir + "\\" + fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
        for (const auto& sub : subfolders) walk(sub, true);
    }
};
}  // namespace

int64_t BaselineShortcutScan() {
    g_drives.reset();
    CoInitialize(nullptr);
    LinkChecker c;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&c.link))) &&
        SUCCEEDED(c.link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&c.file))))
        c.walk("C:", false);
    if (c.file) c.file->Release();
    if (c.link) c.link->Release();
    CoUninitialize();
    return c.broken;
}
