// The shortcut scan: every folder of every fixed disk, each .lnk loaded through the shell link object.
#include "engine/scanners/Shortcut.h"

#include <windows.h>
#include <io.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "engine/StopEvent.h"
#include "registry/RegistryLib.h"

namespace {
class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() { if (h_ != INVALID_HANDLE_VALUE) FindClose(h_); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
private:
    HANDLE h_;
};

// Keeps one apartment alive for the whole walk so that the per-file initialise/uninitialise
// pairs only count references instead of tearing the apartment down each time.
class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() { if (ok_) CoUninitialize(); }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
private:
    bool ok_;
};
}  // namespace

CShortcut::CShortcut(const CRegistryLib* source)
    : isWin9x((GetVersion() & 0x80000000u) != 0), ignoreSource(source) {}

CShortcut::~CShortcut() = default;

void CShortcut::ClearInvalidShortcuts() { invalidShortcuts.clear(); }

void CShortcut::ScanAllDrives() {
    scannedCount = fixedCount = errorCount = 0;
    invalidShortcuts.clear();
    visited_.clear();
    drives_.reset();
    if (StopRequested()) return;
    ComScope com;
    // A fresh shell link object for every file, from one class factory: the per-file creation
    // then skips the class lookup in the registry.
    IClassFactory* factory = nullptr;
    if (SUCCEEDED(CoGetClassObject(CLSID_ShellLink, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                   reinterpret_cast<void**>(&factory))))
        factory_ = factory;
    struct FactoryRelease {
        CShortcut* self;
        ~FactoryRelease() {
            if (self->factory_) self->factory_->Release();
            self->factory_ = nullptr;
        }
    } release{this};
    char roots[260] = {};
    DWORD n = GetLogicalDriveStringsA(sizeof roots, roots);
    if (n == 0 || n > sizeof roots) return;
    for (const char* root = roots; *root; root += lstrlenA(root) + 1) {
        if (GetDriveTypeA(root) != DRIVE_FIXED) continue;
        char drive[3] = {root[0], root[1], '\0'};
        walkFrom(drive);  // one walk over all drives: a link from one drive into another is not walked twice
    }
}

bool CShortcut::firstVisit(const std::string& folder) {
    HANDLE h = CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return true;  // cannot tell: walk it (the listing decides)
    BY_HANDLE_FILE_INFORMATION info;
    bool got = GetFileInformationByHandle(h, &info) != FALSE;
    CloseHandle(h);
    if (!got) return true;
    uint64_t index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return visited_.insert({info.dwVolumeSerialNumber, index}).second;
}

void CShortcut::RecurseFolder(const std::string& folder) {
    visited_.clear();
    drives_.reset();
    walkFrom(folder);
}

void CShortcut::walkFrom(const std::string& folder) {
    if (!firstVisit(folder.size() == 2 ? folder + "\\" : folder)) return;
    FolderListing listing;
    if (listFolder(folder, listing)) walkSubfolders(folder, listing.subfolders);
}

// One listing per folder gives both its shortcut files and its subfolders: the same names the
// "*.lnk" search would find (case-insensitive ".lnk" ending, folders too), in one pass.
bool CShortcut::listFolder(const std::string& folder, FolderListing& out) {
    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &fd));
    if (!find.valid()) return false;
    do {
        if (StopRequested()) return false;
        size_t len = lstrlenA(fd.cFileName);
        if (len >= 4 && lstrcmpiA(fd.cFileName + len - 4, ".lnk") == 0) out.links.emplace_back(fd.cFileName);
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (lstrcmpA(fd.cFileName, ".") == 0 || lstrcmpA(fd.cFileName, "..") == 0) continue;
        out.subfolders.emplace_back(fd.cFileName);
    } while (FindNextFileA(find.get(), &fd));
    return true;
}

void CShortcut::walkSubfolders(const std::string& folder, const std::vector<std::string>& subfolders) {
    for (const auto& name : subfolders) {
        if (StopRequested()) return;
        std::string sub = folder + "\\" + name;
        // Decided before its shortcuts are checked: a link back to a parent must not have the
        // parent's shortcuts counted and listed a second time under another path.
        if (!firstVisit(sub)) continue;
        FolderListing listing;
        bool listed = listFolder(sub, listing);
        if (StopRequested()) return;
        for (const auto& link : listing.links) CheckLinkFile(sub + "\\" + link);
        if (progressCallback) progressCallback(sub.c_str(), "Searching Dir For Shorcuts", scannedCount, errorCount);
        if (listed) walkSubfolders(sub, listing.subfolders);
    }
}

void CShortcut::SearchLinkFileAndResolve(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA((folder + "\\" + "*.lnk").c_str(), &fd));
    if (!find.valid()) return;
    do {
        CheckLinkFile(folder + "\\" + fd.cFileName);
    } while (FindNextFileA(find.get(), &fd));
}

void CShortcut::CheckLinkFile(const std::string& path) {
    ++scannedCount;
    if (progressCallback) progressCallback(path.c_str(), "Scanning ShortCuts", scannedCount, errorCount);
    HRESULT init = CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    HRESULT created = factory_ ? factory_->CreateInstance(nullptr, IID_IShellLinkA, reinterpret_cast<void**>(&link))
                               : CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                                  reinterpret_cast<void**>(&link));
    if (SUCCEEDED(created)) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH] = {};
            if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0 &&
                SUCCEEDED(file->Load(wide, STGM_READ))) {
                char target[MAX_PATH] = {};
                lstrcpynA(target, path.c_str(), MAX_PATH);
                // No find data asked for: filling it makes the shell look the target up on disk,
                // about half the time of a check, and only the path is used.
                if (SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_SHORTPATH))) {
                    // An empty target (a link to a non-file item) names no missing file; neither
                    // does a target on a drive that is not a fixed disk.
                    std::string t = target;
                    if (!t.empty() && drives_.onFixedDisk(t) && _access(target, 0) != 0 &&
                        !(ignoreSource && ignoreSource->IsIgnored(path))) {
                        invalidShortcuts.push_back(path);
                        ++errorCount;
                    }
                }
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
}
