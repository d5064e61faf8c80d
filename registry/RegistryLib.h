// CRegistryLib: registry access by textual paths, and the scan engine state and scanners.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/DriveRules.h"
#include "engine/Records.h"
#include "registry/DataFormat.h"
#include "registry/ValueRecord.h"

using ValueRecordArray = std::vector<std::unique_ptr<ValueRecord>>;

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

    // --- ignore list ---
    void LoadIgnoreList();
    int SaveIgnoreList();
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

private:
    void report(const std::string& path, const char* progressText, int32_t scanned, int32_t errors);
    void addError(const char* type, const std::string& keyPath, const ValueRecord& value,
                  const char* action, const std::string& filePath);
};
