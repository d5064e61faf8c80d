// CShortcut: the scan of every fixed disk for shortcut files whose target is missing.
#pragma once
#include <cstdint>
#include <set>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

#include "engine/DriveRules.h"
#include "engine/Records.h"
#include "engine/SafetyLevels.h"

class CRegistryLib;
struct IClassFactory;

class CShortcut {
public:
    // `ignoreSource` is the hosting window's engine, whose ignore list the scan consults.
    explicit CShortcut(const CRegistryLib* ignoreSource = nullptr);
    virtual ~CShortcut();

    std::vector<std::string> invalidShortcuts;
    // The level of each broken shortcut, in the same order, once the scan has ended.
    std::vector<LevelJudgement> levels;
    int32_t scannedCount = 0;
    int32_t fixedCount = 0;
    int32_t errorCount = 0;
    bool isWin9x = false;
    ScanProgressCallback progressCallback = nullptr;
    const CRegistryLib* ignoreSource = nullptr;

    void ScanAllDrives();
    // A walk of its own: folders seen by an earlier walk are walked again.
    void RecurseFolder(const std::string& folder);
    void SearchLinkFileAndResolve(const std::string& folder);
    void CheckLinkFile(const std::string& path);
    void ClearInvalidShortcuts();
    // The missing target a broken shortcut named when it was found; empty for a path not found broken.
    std::string MissingTargetOf(const std::string& linkPath) const;

private:
    // A subfolder as its parent's listing shows it. Its identity (volume serial number and file
    // index) is known from the listing unless it is a reparse point (a junction, a mount point or
    // a directory link, whose listed index is not its target's) or the file system gives none.
    struct Subfolder {
        std::string name;
        bool known = false;
        uint64_t index = 0;
    };
    struct FolderListing {
        std::vector<std::string> links;    // names ending in .lnk (files or folders)
        std::vector<Subfolder> subfolders;  // without "." and ".."
    };
    void walkFrom(const std::string& folder);
    bool listFolder(const std::string& folder, void* handle, FolderListing& out);
    bool listByHandle(void* handle, FolderListing& out);
    bool listByName(const std::string& folder, FolderListing& out);
    void walkSubfolders(const std::string& folder, uint32_t volume, const std::vector<Subfolder>& subfolders);
    // True when the folder holds another Windows installation (LEFT_OUT_TREES): its tree is not walked.
    bool leftOut(const std::string& folder, const FolderListing& listing) const;
    IClassFactory* factory_ = nullptr;  // set while ScanAllDrives runs
    // Folders already walked, by volume serial number and file index: a directory link that
    // leads back to one of its parents must not make the walk endless.
    std::set<std::pair<uint32_t, uint64_t>> visited_;
    std::vector<uint64_t> listBuffer_;  // one folder's listing at a time
    DriveTypeCache drives_;
    LeftOutTrees trees_;
    std::unordered_map<std::string, std::string> missingTargets_;  // by the shortcut's path
};
