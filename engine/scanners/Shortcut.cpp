// The shortcut scan: every folder of every fixed disk but the trees left out (DriveRules), each .lnk
// loaded through the shell link object.
#include "engine/scanners/Shortcut.h"

#include <windows.h>
#include <io.h>

#include <cstddef>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "engine/FilePresence.h"
#include "engine/PathCleanup.h"
#include "engine/StopEvent.h"
#include "engine/scanners/ExactText.h"
#include "engine/RegistryLib.h"

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

void CShortcut::ClearInvalidShortcuts() {
    invalidShortcuts.clear();
    levels.clear();
    missingTargets_.clear();
}

std::string CShortcut::MissingTargetOf(const std::string& linkPath) const {
    const auto found = missingTargets_.find(linkPath);
    return found == missingTargets_.end() ? std::string() : found->second;
}

void CShortcut::ScanAllDrives() {
    scannedCount = fixedCount = errorCount = 0;
    invalidShortcuts.clear();
    levels.clear();
    missingTargets_.clear();
    visited_.clear();
    drives_.reset();
    trees_.reset();
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

namespace {
// An open folder handle, closed when it goes out of scope.
class FolderHandle {
public:
    explicit FolderHandle(const std::string& path)
        : h_(CreateFileA(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)) {}
    ~FolderHandle() { if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_); }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    // Volume serial number and file index; false when the system cannot tell.
    bool identity(uint32_t& volume, uint64_t& index) const {
        BY_HANDLE_FILE_INFORMATION info;
        if (!valid() || !GetFileInformationByHandle(h_, &info)) return false;
        volume = info.dwVolumeSerialNumber;
        index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        return true;
    }
private:
    HANDLE h_;
};

bool endsWithLnk(const char* name, size_t len) { return len >= 4 && lstrcmpiA(name + len - 4, ".lnk") == 0; }
bool isDots(const char* name) { return lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0; }

// The listing with file indexes is a Vista addition, loaded at run time (older systems list by
// name), so its entry layout and classes are declared here.
struct IdBothDirInfo {
    DWORD NextEntryOffset;
    DWORD FileIndex;
    LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime, EndOfFile, AllocationSize;
    DWORD FileAttributes;
    DWORD FileNameLength;
    DWORD EaSize;
    CCHAR ShortNameLength;
    WCHAR ShortName[12];
    LARGE_INTEGER FileId;
    WCHAR FileName[1];
};
static_assert(offsetof(IdBothDirInfo, FileId) == 96 && offsetof(IdBothDirInfo, FileName) == 104,
              "the system's entry layout");
constexpr int ID_BOTH_DIRECTORY_INFO = 10, ID_BOTH_DIRECTORY_RESTART_INFO = 11;
using InfoByHandleEx = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
InfoByHandleEx listingCall() {
    static const InfoByHandleEx call = reinterpret_cast<InfoByHandleEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFileInformationByHandleEx")));
    return call;
}
}  // namespace

void CShortcut::RecurseFolder(const std::string& folder) {
    visited_.clear();
    drives_.reset();
    trees_.reset();
    walkFrom(folder);
}

void CShortcut::walkFrom(const std::string& folder) {
    if (trees_.byFolder(folder)) return;
    FolderHandle h(folder.size() == 2 ? folder + "\\" : folder);
    uint32_t volume = 0;
    uint64_t index = 0;
    bool known = h.identity(volume, index);
    if (known && !visited_.insert({volume, index}).second) return;
    FolderListing listing;
    if (listFolder(folder, h.get(), listing) && !leftOut(folder, listing)) walkSubfolders(folder, volume, listing.subfolders);
}

bool CShortcut::leftOut(const std::string& folder, const FolderListing& listing) const {
    for (const auto& sub : listing.subfolders)
        if (trees_.bySubfolder(folder, sub.name)) return true;
    return false;
}

// One listing per folder gives its shortcut files, its subfolders and their identities: the same
// names the "*.lnk" search would find (case-insensitive ".lnk" ending, folders too), in one pass.
bool CShortcut::listFolder(const std::string& folder, void* handle, FolderListing& out) {
    if (handle != INVALID_HANDLE_VALUE && listingCall() && listByHandle(handle, out)) return true;
    if (StopRequested()) return false;
    out = FolderListing{};
    return listByName(folder, out);
}

bool CShortcut::listByHandle(void* handle, FolderListing& out) {
    if (listBuffer_.empty()) listBuffer_.resize(64 * 1024 / sizeof(uint64_t));
    const UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    std::string name;
    for (bool first = true;; first = false) {
        if (!listingCall()(handle, first ? ID_BOTH_DIRECTORY_RESTART_INFO : ID_BOTH_DIRECTORY_INFO, listBuffer_.data(),
                           static_cast<DWORD>(listBuffer_.size() * sizeof(uint64_t))))
            return GetLastError() == ERROR_NO_MORE_FILES;  // anything else: the caller lists by name
        const char* at = reinterpret_cast<const char*>(listBuffer_.data());
        for (;;) {
            if (StopRequested()) return false;
            const auto* e = reinterpret_cast<const IdBothDirInfo*>(at);
            int wide = static_cast<int>(e->FileNameLength / sizeof(WCHAR));
            int len = WideCharToMultiByte(codePage, 0, e->FileName, wide, nullptr, 0, nullptr, nullptr);
            name.assign(static_cast<size_t>(len), '\0');
            if (len > 0) WideCharToMultiByte(codePage, 0, e->FileName, wide, &name[0], len, nullptr, nullptr);
            if (endsWithLnk(name.c_str(), name.size())) out.links.push_back(name);
            if ((e->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isDots(name.c_str())) {
                Subfolder sub;
                sub.name = name;
                sub.index = static_cast<uint64_t>(e->FileId.QuadPart);
                sub.known = !(e->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && sub.index != 0;
                out.subfolders.push_back(std::move(sub));
            }
            if (e->NextEntryOffset == 0) break;
            at += e->NextEntryOffset;
        }
    }
}

bool CShortcut::listByName(const std::string& folder, FolderListing& out) {
    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA((folder + "\\*.*").c_str(), &fd));
    if (!find.valid()) return false;
    do {
        if (StopRequested()) return false;
        size_t len = lstrlenA(fd.cFileName);
        if (endsWithLnk(fd.cFileName, len)) out.links.emplace_back(fd.cFileName);
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || isDots(fd.cFileName)) continue;
        Subfolder sub;
        sub.name = fd.cFileName;  // identity unknown: read when the walk gets there
        out.subfolders.push_back(std::move(sub));
    } while (FindNextFileA(find.get(), &fd));
    return true;
}

void CShortcut::walkSubfolders(const std::string& folder, uint32_t volume, const std::vector<Subfolder>& subfolders) {
    for (const auto& entry : subfolders) {
        if (StopRequested()) return;
        std::string sub = folder + "\\" + entry.name;
        // Decided before its shortcuts are checked: a link back to a parent must not have the
        // parent's shortcuts counted and listed a second time under another path. A plain folder
        // lives on its parent's volume; a reparse point may lead anywhere, so it is asked.
        if (entry.known && !visited_.insert({volume, entry.index}).second) continue;
        FolderHandle h(sub);
        uint32_t subVolume = volume;
        if (!entry.known) {
            uint64_t index = 0;
            if (h.identity(subVolume, index) && !visited_.insert({subVolume, index}).second) continue;
        }
        FolderListing listing;
        bool listed = listFolder(sub, h.get(), listing);
        if (StopRequested()) return;
        if (listed && leftOut(sub, listing)) continue;  // another installation: none of its tree is ours to judge
        for (const auto& link : listing.links) CheckLinkFile(sub + "\\" + link);
        if (progressCallback) progressCallback(sub.c_str(), "Searching Dir For Shorcuts", scannedCount, errorCount);
        if (listed) walkSubfolders(sub, subVolume, listing.subfolders);
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

namespace {
// A "?" or "*" cannot be part of a file name: the text stands for characters that were lost on
// the way (some link readers keep the target only in the code page), so it is no readable path.
bool holdsLostCharacters(const std::string& path) {
    const size_t from = path.compare(0, 4, "\\\\?\\") == 0 ? 4 : 0;
    return MbFind(path, "?", from) != std::string::npos || MbFind(path, "*", from) != std::string::npos;
}

// Asked only of a target found missing: it may exist for 64-bit programs only, or be a name that
// the code page cannot hold (then the code-page text is not the stored target: left alone).
bool targetStaysMissing(IShellLinkA* link, const std::string& target) {
    if (holdsLostCharacters(target) || ExistsWithoutRedirection(target)) return false;
    IShellLinkW* wide = nullptr;
    if (FAILED(link->QueryInterface(IID_IShellLinkW, reinterpret_cast<void**>(&wide)))) return false;
    WCHAR stored[MAX_PATH] = {};
    bool same = SUCCEEDED(wide->GetPath(stored, MAX_PATH, nullptr, SLGP_SHORTPATH)) &&
                SameText(stored, static_cast<size_t>(lstrlenW(stored)), target);
    wide->Release();
    return same;
}
}  // namespace

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
                        !(ignoreSource && ignoreSource->IsIgnored(path)) && targetStaysMissing(link, t)) {
                        invalidShortcuts.push_back(path);
                        missingTargets_[path] = t;
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
