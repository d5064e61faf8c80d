// Which paths can be judged: only those on fixed disks (or relative to the current directory), and
// which trees the shortcut walk leaves out.
#pragma once
#include <atomic>
#include <cstdint>
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

// A tree the shortcut walk does not enter, and why (the rows of LEFT_OUT_TREES).
struct LeftOutTree {
    // A folder is left out when it holds this folder (an installation's system folder)...
    const char* systemFolder;
    // ...or, with no system folder given, when it is the host's root file system under Wine.
    const char* reason;
};
extern const LeftOutTree LEFT_OUT_TREES[3];

// Decides folder by folder whether the walk enters a tree, by the rows of LEFT_OUT_TREES.
class LeftOutTrees {
public:
    // Asks once per walk where this system's Windows folder and the host's root are.
    void reset();
    // The row that leaves out the tree at `folder`, seen as one of whose subfolders is named
    // `subfolder`; null when that subfolder marks nothing.
    const LeftOutTree* bySubfolder(const std::string& folder, const std::string& subfolder) const;
    // The row that leaves out the tree at `folder` itself (the host's root); null when none.
    const LeftOutTree* byFolder(const std::string& folder) const;

private:
    struct Identity {
        bool known = false;
        uint32_t volume = 0;
        uint64_t index = 0;
        bool operator==(const Identity& o) const { return known && o.known && volume == o.volume && index == o.index; }
    };
    static Identity identityOf(const std::string& folder);
    bool isOwnWindows(const std::string& folder) const;
    std::string windowsPath_;  // this system's Windows folder
    Identity windows_, hostRoot_;
};
