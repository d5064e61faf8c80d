// The repair lock: the data folder's lock file held open without sharing.
#include "platform/RepairLock.h"

#include "platform/DataFolder.h"

namespace {
bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

RepairLock& RepairLock::operator=(RepairLock&& other) noexcept {
    if (this != &other) {
        Release();
        handle_ = other.handle_;
        other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
}

bool RepairLock::TryAcquire(bool* busy) {
    if (busy) *busy = false;
    if (held()) return true;
    const std::string path = DataFilePath(REPAIR_LOCK_NAME);
    // No sharing: every other open fails while this handle lives. Deleted when the last handle
    // closes, which the system does for a killed process too.
    handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (held()) return true;
    const DWORD error = GetLastError();
    // A folder of the lock's name also refuses the open with "access denied": it is no holder,
    // and it stays until someone removes it, so it must not read as a repair running.
    if (busy) *busy = (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) && !isFolder(path);
    return false;
}

std::string RepairLockRefusal(bool busy) {
    if (busy) return REPAIR_LOCK_BUSY_TEXT;
    const std::string path = DataFilePath(REPAIR_LOCK_NAME);
    if (isFolder(path))
        return "A folder " + path + " stands where the repair lock file belongs, so no repair or restore can "
               "start; nothing was changed. Remove or rename that folder.";
    return "The data folder " + DataFolder() + " cannot hold the repair lock; nothing was changed.";
}

void RepairLock::Release() {
    if (held()) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

HANDLE RepairLock::Detach() {
    HANDLE h = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return h;
}
