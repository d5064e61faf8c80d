// The lock that lets only one repair, restore or undo import at a time work on the data folder and
// the registry, across the window program and the console. It is a file of the data folder held
// open without sharing: the system closes it when its holder ends in any way, killed too, so no
// stale lock can stay behind.
#pragma once
#include <windows.h>

#include <string>

constexpr const char* REPAIR_LOCK_NAME = "repair.lock";
// Why a repair, restore or undo import did not start.
constexpr const char* REPAIR_LOCK_BUSY_TEXT =
    "Another repair or restore is running (in Zenthar or zenthar-cli); nothing was changed. "
    "Try again when it has finished.";

// The message for a lock that could not be taken: REPAIR_LOCK_BUSY_TEXT while another holder has it,
// otherwise that a folder stands in the lock file's place, or that the data folder cannot hold it.
std::string RepairLockRefusal(bool busy);

class RepairLock {
public:
    RepairLock() = default;
    ~RepairLock() { Release(); }
    RepairLock(const RepairLock&) = delete;
    RepairLock& operator=(const RepairLock&) = delete;
    RepairLock(RepairLock&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
    RepairLock& operator=(RepairLock&& other) noexcept;

    // True when this object now holds the lock of the current data folder. False when another holder
    // (this process included) has it, or the data folder cannot hold the lock file (`busy` says
    // which).
    bool TryAcquire(bool* busy = nullptr);
    void Release();
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }
    // Gives the open handle away (to a child process in the tests); this object holds nothing then.
    HANDLE Detach();

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};
