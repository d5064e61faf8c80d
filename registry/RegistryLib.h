// CRegistryLib: registry access by textual paths, and the scan engine state and scanners.
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
#include "engine/Records.h"
#include "registry/DataFormat.h"
#include "registry/KeySnapshot.h"
#include "registry/ValueRecord.h"
#include "xml/XmlWriter.h"  // undo files

class XmlReader;

using ValueRecordArray = std::vector<std::unique_ptr<ValueRecord>>;

// What tells one version of a file from another: size, time of the last write, file index.
struct FileStamp {
    bool found = false;
    DWORD sizeHigh = 0, sizeLow = 0, indexHigh = 0, indexLow = 0, volume = 0;
    FILETIME written{};
    bool operator==(const FileStamp& o) const;
};

class CRegistryLib {
public:
    CRegistryLib();
    virtual ~CRegistryLib();
    CRegistryLib(const CRegistryLib&) = delete;
    CRegistryLib& operator=(const CRegistryLib&) = delete;

    ScanProgressCallback progressCallback = nullptr;
    std::string currentItem;
    ErrorArray ErrorList;
    ErrorArray ignoreList;  // slots may be null after a deletion until saved and reloaded
    bool isWin9x = false;
    DriveTypeCache drives;  // drive types seen during the current scan

    // --- access layer ---
    static std::string SeperateMainKey(std::string& path);
    static HKEY RootKeyFromName(const std::string& root);  // null for an unknown root
    static LONG OpenKey(const std::string& root, const std::string& subkey, HKEY* out);
    LONG DeleteValue(const std::string& root, const std::string& subkey, const std::string& name);
    LONG DeleteKey(const std::string& root, const std::string& subkey);
    static LONG DeleteKeyTree(HKEY parent, const std::string& subkey);
    static void ListValues(HKEY key, ValueRecordArray& out);
    // The record ListValues gives for the unnamed value ("(value not set)" when there is none),
    // in one registry call. A value literally named "(Default)" is not the unnamed value and is
    // never taken for it.
    static ValueRecord ReadDefaultValue(HKEY key);
    // A value read through the wide API, as the record its ANSI reading gives, with `exactName`
    // and `exactData` set; `name` is null for the unnamed value.
    static ValueRecord ValueFromWide(const wchar_t* name, DWORD nameLength, DWORD type, const wchar_t* data,
                                     DWORD bytes);

    // --- ignore list ---
    static std::string IgnoreFileName();  // the list's file
    void LoadIgnoreList();
    // 0 when every entry was written and the file replaced; EOF when the file could not be written
    // (the old file then stays as it was).
    int SaveIgnoreList();
    // 1 when some entry's filePath equals the path byte for byte; a hashed lookup.
    int IsIgnored(const std::string& path) const;

    // --- scan ---
    int CheckFile(const std::string& path, int mode);
    void RunSelectedScans(CategoryResults& results, ScanSelection& selection);
    void ScanCLSID(CategoryResults& results);
    void ScanSharedDLLs(CategoryResults& results);
    void ScanDrivers(CategoryResults& results);
    void ScanHelpFiles(CategoryResults& results);
    void ScanAppPaths(CategoryResults& results);
    void ScanSharedTools(CategoryResults& results);
    void ScanFonts(CategoryResults& results);
    void ScanStartup(CategoryResults& results);
    void ScanUninstall(CategoryResults& results);

    // --- undo files: XML export and import of keys (XmlExport.cpp, XmlImport.cpp) ---
    XmlWriter undoWriter;  // idle until the repair writes the undo file through it
    // Import messages ("couldn't create key ...", "couldn't set value ...", parse errors): the window
    // restores the arrow cursor and shows a message box, the console prints them; null drops them.
    std::function<void(const std::string&)> xmlMessage;
    // The entry as an exact copy: the key with its subtree, or (with `value`) only that value of it
    // plus the subtree. 0 when it was read whole, else the first error met (1 for an unknown root).
    static LONG SnapshotEntry(const std::string& path, const ValueRecord* value, KeySnapshot& out);
    // The copy as one key chain from the root down to `path`; 1 when every line was written and
    // every name can be read back exactly, else 0.
    static int WriteSnapshotXml(XmlWriter& writer, const std::string& path, const KeySnapshot& snap);
    // Both of the above: 1 when the whole entry went into the file.
    int SaveKeyAsXml(XmlWriter& writer, const std::string& path, const ValueRecord* value);
    // Reads and checks the whole file, and only then writes it: 1 when every key and value was
    // written, 0 when the file failed the check (nothing written) or something could not be written.
    // Messages go to xmlMessage.
    int LoadXmlFile(XmlReader& reader, const std::string& path);
    static std::string XmlEscape(const std::string& text);
    static std::string XmlUnescape(const std::string& text);

    // --- repair: removal of the ErrorList's entries, each written to the undo file first (engine/Repair*.cpp) ---
    // Runs the five passes between the "registry" tags of the undo file, then deletes the file when
    // every entry was removed. True then; false when an entry was left in place (see repairOutcome)
    // or the undo file failed, and the file stays. An exception leaves the file in place.
    bool FixErrors(CategoryResults& results, const std::string& undoFileName);
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
    // What the last FixErrors left in place, each counted as not fixed; any of them keeps the undo file.
    struct RepairOutcome {
        int32_t notRecorded = 0;  // the backup or the undo record of the entry was not whole
        int32_t keptInside = 0;   // a kept row lies in or below the key
        int32_t failed = 0;       // the removal failed; a key part-deleted was written back whole
        bool AllRemoved() const { return notRecorded == 0 && keptInside == 0 && failed == 0; }
    } repairOutcome;
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

    void report(const std::string& path, const char* progressText, int32_t scanned, int32_t errors);
    void addError(const char* type, const std::string& keyPath, const ValueRecord& value,
                  const char* action, const std::string& filePath);
};
