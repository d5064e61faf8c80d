// CRegistryLib: the engine's object: registry access (its base), the scan state, the scanners, the
// ignore list and the repair.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/DriveRules.h"
#include "engine/OrderedFileTests.h"
#include "engine/Records.h"
#include "engine/Repair.h"
#include "registry/RegistryAccess.h"

// What tells one version of a file from another: size, time of the last write, file index.
struct FileStamp {
    bool found = false;
    DWORD sizeHigh = 0, sizeLow = 0, indexHigh = 0, indexLow = 0, volume = 0;
    FILETIME written{};
    bool operator==(const FileStamp& o) const;
};

struct ScanCounters;

class CRegistryLib : public RegistryAccess {
public:
    CRegistryLib();
    virtual ~CRegistryLib();
    CRegistryLib(const CRegistryLib&) = delete;
    CRegistryLib& operator=(const CRegistryLib&) = delete;

    ScanProgressCallback progressCallback = nullptr;
    std::string currentItem;
    ErrorArray ErrorList;
    ErrorArray ignoreList;  // slots may be null after a deletion until saved and reloaded
    DriveTypeCache drives;  // drive types seen during the current scan
    // On 64-bit Windows the scan reads the 64-bit registry view too; cleared, only the program's
    // own (32-bit) view, as on 32-bit Windows (the benchmark compares the two).
    bool readView64 = true;

    // --- ignore list ---
    static std::string IgnoreFileName();  // the list's file
    void LoadIgnoreList();
    // 0 when every entry was written and the file replaced; EOF when the file could not be written
    // (the old file then stays as it was).
    int SaveIgnoreList();
    // 1 when some entry's filePath equals the path byte for byte; a hashed lookup.
    int IsIgnored(const std::string& path) const;
    // 1 when an entry the file held at the load equals the path (entries appended since aside).
    int WasIgnoredAtLoad(const std::string& path) const;
    // Puts one path on the list's file now (Keep on the result page): 0 when it is there, the file
    // written; EOF when the file could not be written.
    static int KeepOnIgnoreList(const std::string& path);

    // --- scan ---
    int CheckFile(const std::string& path, int mode);
    // `started`, when given, runs once the ignore list is loaded and before the first category.
    void RunSelectedScans(CategoryResults& results, ScanSelection& selection,
                          const std::function<void()>& started = nullptr);
    void ScanCLSID(CategoryResults& results);
    void ScanSharedDLLs(CategoryResults& results);
    void ScanDrivers(CategoryResults& results);
    void ScanHelpFiles(CategoryResults& results);
    void ScanAppPaths(CategoryResults& results);
    void ScanSharedTools(CategoryResults& results);
    void ScanFonts(CategoryResults& results);
    void ScanStartup(CategoryResults& results);
    void ScanUninstall(CategoryResults& results);
    void ScanFileTypes(CategoryResults& results);

    // --- repair: removal of the ErrorList's entries, each written to the undo file first (engine/Repair*.cpp) ---
    // Runs the five passes between the "registry" tags of the undo file, then deletes the file when
    // every entry was removed. True then; false when an entry was left in place (see repairOutcome)
    // or the undo file failed, and the file stays. An exception leaves the file in place. Only the
    // rows ticked in `selection` are touched (every row without one).
    bool FixErrors(CategoryResults& results, const std::string& undoFileName, const RowTicks& selection = RowTicks{});
    void FixCLSID(CategoryResults& results);        // every record; the only pass that counts
    void FixHelpFiles(CategoryResults& results);    // every record again
    void FixFonts(CategoryResults& results);        // type "FONT"
    void FixSharedTools(CategoryResults& results);  // type "SHAREDTOOL"
    void FixSharedFiles(CategoryResults& results);  // type "SHAREDFILE"
    // Cleared when the undo file cannot be created or written: nothing more is deleted, since a
    // deletion without its undo record could not be taken back.
    bool undoFileUsable = true;
    // Set by the routine that runs the repair: records whose backup could not be made whole, and the
    // lower-case key paths of the rows the user kept. Neither kind of entry is removed.
    std::set<const RegistryError*> notBackedUp;
    std::vector<std::string> keptKeyPaths;
    // The rows the running FixErrors takes (set by it for its passes).
    RowTicks repairSelection;
    // What the last FixErrors left in place, each counted as not fixed; any of them keeps the undo file.
    struct RepairOutcome {
        int32_t notRecorded = 0;  // the backup or the undo record of the entry was not whole
        int32_t keptInside = 0;   // a kept row lies in or below the key
        int32_t failed = 0;       // the removal failed; a key part-deleted was written back whole
        int32_t refusedForRights = 0;  // entries whose reading or removal gave ERROR_ACCESS_DENIED
        int32_t removed = 0;      // entries deleted
        int32_t leftAlone = 0;    // entries no record may delete (see IsRemovableKeyRecord, unnamed values)
        // The ErrorList records that were deleted, in list order (the repair log names them).
        std::vector<const RegistryError*> removedRecords;
        // "entry (why)" of the first entries left in place, of any of the kinds above.
        std::vector<std::string> firstLeft;
        int32_t Left() const { return notRecorded + keptInside + failed + leftAlone; }
        bool AllRemoved() const { return notRecorded == 0 && keptInside == 0 && failed == 0; }
    } repairOutcome;
    static constexpr size_t FIRST_LEFT_KEPT = 5;
    // The first pass's result per record: the later passes meet the same records and leave them be.
    std::map<const RegistryError*, LONG> firstPassResult;

private:
    // Every loaded slot under the hash of its path (the paths are not copied: a long list is large
    // enough once); slots from ignoreIndexed on were appended after the load.
    std::unordered_multimap<size_t, size_t> ignoreIndex;
    size_t ignoreIndexed = 0;
    // The file the list was loaded from, so that a reload of a file nobody changed since, into a
    // list nobody changed, can be left out.
    FileStamp ignoreFileStamp;

    // The file tests of the running scan; started by RunSelectedScans, inline otherwise.
    OrderedFileTests fileTests_;
    // Added to the counts reported: the 64-bit view's progress goes on from the 32-bit view's.
    struct { int32_t scanned = 0, errors = 0; } progressBase_;
    // The category's scan once more in the 64-bit registry view, its counts joined to its row.
    // One uninstall key's programs; false when its information cannot be read (no row then).
    bool scanUninstallKey(const std::string& keyPath, ScanCounters& counts);
    void scanView64(void (CRegistryLib::*scan)(CategoryResults&), ScanCategory category, CategoryResults& results);
    void report(const std::string& path, const char* progressText, int32_t scanned, int32_t errors);
    void addError(const char* type, const std::string& keyPath, const ValueRecord& value,
                  const char* action, const std::string& filePath);
};
