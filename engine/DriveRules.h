// Which paths can be judged: only those on fixed disks (or relative to the current directory).
#pragma once
#include <atomic>
#include <string>

class DriveTypeCache {
public:
    // False for UNC paths and for drives that are removable, optical, network, RAM or absent:
    // a missing medium must not make an entry look broken.
    bool onFixedDisk(const std::string& path);
    void reset();

private:
    // Drive type + 1; 0 = not asked yet. The scan's file-test threads share one cache: two threads
    // asking at once both store the same answer.
    std::atomic<int> types_[26] = {};
};
