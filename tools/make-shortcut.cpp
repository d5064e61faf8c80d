// make-shortcut: writes shortcut files with the shell link object (for seeding demo and bench trees).
// Usage: make-shortcut LINK TARGET [LINK TARGET ...]
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>

static bool makeShortcut(IShellLinkA* link, IPersistFile* file, const char* linkPath, const char* target) {
    if (FAILED(link->SetPath(target))) return false;
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wide, MAX_PATH)) return false;
    return SUCCEEDED(file->Save(wide, TRUE));
}

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: make-shortcut LINK TARGET [LINK TARGET ...]\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return 1;
    int failures = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        IShellLinkA* link = nullptr;
        IPersistFile* file = nullptr;
        bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                             reinterpret_cast<void**>(&link))) &&
                  SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                  makeShortcut(link, file, argv[i], argv[i + 1]);
        if (!ok) {
            std::fprintf(stderr, "make-shortcut: could not write %s\n", argv[i]);
            ++failures;
        }
        if (file) file->Release();
        if (link) link->Release();
    }
    CoUninitialize();
    return failures ? 1 : 0;
}
