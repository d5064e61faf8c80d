// Drive-type rule for the file tests, cached per scan, and the trees the shortcut walk leaves out.
#include "engine/DriveRules.h"

#include <windows.h>

#include <cctype>
#include <cstring>

#include "platform/SystemFolders.h"

bool DriveTypeCache::onFixedDisk(const std::string& path) {
    std::string p = path;
    if (p.compare(0, 4, "\\\\?\\") == 0 || p.compare(0, 4, "\\\\.\\") == 0) {
        p.erase(0, 4);
        // "\\?\UNC\server\share\..." is a network path in its long form.
        if (p.size() >= 4 && std::toupper(static_cast<unsigned char>(p[0])) == 'U' &&
            std::toupper(static_cast<unsigned char>(p[1])) == 'N' &&
            std::toupper(static_cast<unsigned char>(p[2])) == 'C' && p[3] == '\\')
            return false;
    } else if (p.compare(0, 2, "\\\\") == 0 || p.compare(0, 2, "//") == 0) {
        return false;
    }
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        int letter = std::toupper(static_cast<unsigned char>(p[0])) - 'A';
        int type = types_[letter].load(std::memory_order_relaxed);
        if (type == 0) {
            char root[4] = {static_cast<char>('A' + letter), ':', '\\', '\0'};
            type = static_cast<int>(GetDriveTypeA(root)) + 1;
            types_[letter].store(type, std::memory_order_relaxed);
        }
        return type == DRIVE_FIXED + 1;
    }
    return true;
}

void DriveTypeCache::reset() {
    for (auto& t : types_) t.store(0, std::memory_order_relaxed);
}

// A copy of another Windows judges its shortcuts against its own drive letters, which this system
// may give to other disks (its C: is not ours): they cannot be judged from here, and a repair would
// delete valid shortcuts of that installation.
const LeftOutTree LEFT_OUT_TREES[3] = {
    {"Windows\\System32", "another Windows installation (an old system disk, a second install): its "
                          "shortcuts name its own drives, not this system's"},
    {"WINNT\\System32", "the same for Windows NT and 2000, whose default folder was WINNT"},
    {nullptr, "under Wine, the drive that maps the host's root file system: it holds the host's own "
              "files and this prefix a second time, nothing of this system to judge"},
};

namespace {
// Wine's name for the host's root folder; no such name exists on Windows itself.
const char HOST_ROOT[] = "\\\\?\\unix\\/";

// The first component of a system folder ("Windows" of "Windows\System32").
bool firstComponentIs(const char* systemFolder, const std::string& name) {
    const char* slash = std::strchr(systemFolder, '\\');
    const size_t len = slash ? static_cast<size_t>(slash - systemFolder) : std::strlen(systemFolder);
    return name.size() == len && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.data(), static_cast<int>(len),
                                                systemFolder, static_cast<int>(len)) == CSTR_EQUAL;
}

}  // namespace

LeftOutTrees::Identity LeftOutTrees::identityOf(const std::string& folder) {
    Identity id;
    HANDLE h = CreateFileA(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return id;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info)) {
        id.known = true;
        id.volume = info.dwVolumeSerialNumber;
        id.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    }
    CloseHandle(h);
    return id;
}

void LeftOutTrees::reset() {
    // The system folder's parent: under Terminal Services the Windows folder a program is told can
    // be a private one of each user.
    const std::string& system = SystemDirectory();
    const size_t slash = system.find_last_of('\\');
    windowsPath_ = slash == std::string::npos ? std::string() : system.substr(0, slash);
    windows_ = identityOf(windowsPath_);
    hostRoot_ = identityOf(HOST_ROOT);
}

bool LeftOutTrees::isOwnWindows(const std::string& folder) const {
    const Identity id = identityOf(folder);
    if (id.known && windows_.known) return id == windows_;
    // Without identities (a file system that gives none), the names decide.
    return lstrcmpiA(folder.c_str(), windowsPath_.c_str()) == 0;
}

const LeftOutTree* LeftOutTrees::bySubfolder(const std::string& folder, const std::string& subfolder) const {
    for (const auto& row : LEFT_OUT_TREES) {
        if (!row.systemFolder || !firstComponentIs(row.systemFolder, subfolder)) continue;
        const DWORD attributes = GetFileAttributesA((folder + "\\" + row.systemFolder).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!isOwnWindows(folder + "\\" + subfolder)) return &row;
    }
    return nullptr;
}

const LeftOutTree* LeftOutTrees::byFolder(const std::string& folder) const {
    if (!hostRoot_.known) return nullptr;
    const std::string path = folder.size() == 2 ? folder + "\\" : folder;
    if (identityOf(path) == hostRoot_) {
        for (const auto& row : LEFT_OUT_TREES)
            if (!row.systemFolder) return &row;
    }
    return nullptr;
}
