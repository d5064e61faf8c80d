// Multimedia drivers and application paths: entries whose file is missing.
#include "engine/PathCleanup.h"
#include "engine/Repair.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/ScanSupport.h"

namespace {
constexpr const char* DRIVERS_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr const char* APP_PATHS_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
}  // namespace

void CRegistryLib::ScanDrivers(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(DRV);
    ScanCounters counts;
    WalkKeyValues(DRIVERS_KEY, DRV, results, counts, fileTests_, [&](const ValueRecord& rec) {
        if (rec.data == "(value not set)" || !NamesFile(rec)) return CountOnly(fileTests_, counts);
        std::string path = MbContains(rec.data, "\\") ? rec.data : SystemDirectory() + "\\" + rec.data;
        fileTests_.submit(MissingFileTest(*this, path, rec.data, BareNamePlace::SYSTEM_DIRECTORY),
                          [&, rec, path](bool missing) {
            ++counts.scanned;
            if (missing && ReadsExactly(rec, true)) {
                addError(info.type, DRIVERS_KEY, rec, info.action, path);
                ++counts.errors;
            }
            report(path, info.progressText, counts.scanned, counts.errors);
        });
    });
}

void CRegistryLib::ScanAppPaths(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(APPPATH);
    if (StopRequested()) return;
    ScanCounters counts;
    std::string container;
    auto onValue = [&](const RegName& program, const ValueRecord& rec) {
        if (rec.data == "(value not set)" || !NamesFile(rec)) return CountOnly(fileTests_, counts);
        std::string text = StripOuterQuotes(rec.data);
        bool testable = MbContains(text, ":") && !EndsWithBackslash(text) && !MbContains(text, ";") &&
                        text.size() > 3;
        fileTests_.submit(testable ? MissingFileTest(*this, text, rec.data, BareNamePlace::SEARCH_ONLY) : nullptr,
                          [&, container, program, rec, text](bool missing) {
            ++counts.scanned;
            if (missing && ReadsExactly(program, rec, true)) {
                addError(info.type, container + "\\" + program.text, rec, info.action, text);
                ++counts.errors;
            }
            report(text, info.progressText, counts.scanned, counts.errors);
        });
    };
    for (const std::string& keyPath : MachineAndUserKeys(APP_PATHS_KEY)) {
        if (StopRequested()) break;
        container = StoredKeyPath(keyPath);
        if (!WalkSubkeysOf(keyPath, [](const std::string&) { return true; }, onValue)) return;
    }
    fileTests_.finish();
    AppendRow(results, APPPATH, counts);
}
