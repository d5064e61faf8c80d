// CRegistryLib construction, the shared file test and the run of the selected registry scans.
#include <io.h>

#include "engine/FilePresence.h"
#include "engine/StopEvent.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/ScanSupport.h"
#include "engine/RegistryLib.h"
#include "platform/Wow64.h"
#include "registry/RegistryView.h"

CRegistryLib::CRegistryLib() {
    InitCodePageRules();
    LoadIgnoreList();
}

CRegistryLib::~CRegistryLib() = default;

int CRegistryLib::CheckFile(const std::string& path, int mode) {
    if (!drives.onFixedDisk(path)) return 0;
    if (_access(path.c_str(), mode) == 0) return 0;
    // On 64-bit Windows a 64-bit program's files in System32 are hidden from this 32-bit view.
    if (mode == 0 && ExistsWithoutRedirection(path)) return 0;
    return IsIgnored(path) ? 0 : -1;
}

void CRegistryLib::report(const std::string& path, const char* progressText, int32_t scanned, int32_t errors) {
    currentItem = path;
    if (progressCallback)
        progressCallback(path.c_str(), progressText, scanned + progressBase_.scanned, errors + progressBase_.errors);
}

void CRegistryLib::addError(const char* type, const std::string& keyPath, const ValueRecord& value,
                            const char* action, const std::string& filePath) {
    auto err = std::make_unique<RegistryError>();
    err->type = type;
    err->keyPath = keyPath;
    err->value = std::make_unique<ValueRecord>(value);
    err->action = action;
    err->filePath = filePath;
    err->view64 = InView64();
    ErrorList.push_back(std::move(err));
}

void CRegistryLib::scanView64(void (CRegistryLib::*scan)(CategoryResults&), ScanCategory category,
                              CategoryResults& results) {
    if (StopRequested()) return;
    const size_t before = results.size();
    {
        if (before > 0 && results.back()->category == category)
            progressBase_ = {results.back()->scannedCount, results.back()->errorCount};
        const RegistryViewScope view(true);
        (this->*scan)(results);
        progressBase_ = {};
    }
    // One row per category: the 64-bit view's counts join the 32-bit view's row.
    if (results.size() != before + 1 || before == 0) return;
    CategoryResult& own = *results[before - 1];
    const CategoryResult& wide = *results[before];
    if (own.category != category || wide.category != category) return;
    own.scannedCount += wide.scannedCount;
    own.errorCount += wide.errorCount;
    results.pop_back();
}

void CRegistryLib::RunSelectedScans(CategoryResults& results, ScanSelection& selection,
                                    const std::function<void()>& started) {
    LoadIgnoreList();
    results.clear();
    ErrorList.clear();
    keptKeyPaths.clear();  // the keys the last repair's selection protected belong to the old list
    ResetStop();
    drives.reset();  // drives may have come and gone since the last scan
    using Scanner = void (CRegistryLib::*)(CategoryResults&);
    static const struct { ScanCategory category; Scanner scan; } order[] = {
        {COM, &CRegistryLib::ScanCLSID},         {COM_SUBS, &CRegistryLib::ScanSharedDLLs},
        {DRV, &CRegistryLib::ScanDrivers},       {HELP, &CRegistryLib::ScanHelpFiles},
        {APPPATH, &CRegistryLib::ScanAppPaths},  {SHARED_TOOLS, &CRegistryLib::ScanSharedTools},
        {FONTS, &CRegistryLib::ScanFonts},       {STARTUP, &CRegistryLib::ScanStartup},
        {UNINSTALL, &CRegistryLib::ScanUninstall},     {FILETYPES, &CRegistryLib::ScanFileTypes},
    };
    struct PoolRun {
        OrderedFileTests& pool;
        explicit PoolRun(OrderedFileTests& p) : pool(p) { pool.start(ScanThreadCount()); }
        ~PoolRun() { pool.stop(); }
    } pool(fileTests_);
    if (started) started();
    // A 32-bit program on 64-bit Windows reads the 32-bit view of the redirected keys by default:
    // each category is read once more in the 64-bit view.
    const bool on64 = readView64 && RunningOn64BitWindows();
    const BothViewsScan views(on64);
    for (const auto& step : order) {
        if (selection.get(step.category) == 0) continue;
        selection[step.category] = 2;
        (this->*step.scan)(results);
        if (on64) scanView64(step.scan, step.category, results);
        selection[step.category] = -1;
    }
}
