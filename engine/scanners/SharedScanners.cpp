// Shared DLL reference counts and shared tools: entries whose file is missing.
#include "engine/PathCleanup.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/ScanSupport.h"

namespace {
constexpr const char* SHARED_DLLS_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr const char* SHARED_TOOLS_KEY = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools";
}  // namespace

void CRegistryLib::ScanSharedDLLs(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(COM_SUBS);
    ScanCounters counts;
    WalkKeyValues(SHARED_DLLS_KEY, COM_SUBS, results, counts, fileTests_, [&](const ValueRecord& rec) {
        if (rec.name == "(value not set)" || rec.name == "(Default)") return CountOnly(fileTests_, counts);
        std::string path = CleanPathQSDEP(rec.name);
        // The path is the value's name; its data is a reference count.
        fileTests_.submit(MissingFileTest(*this, path, rec.name, BareNamePlace::SYSTEM_DIRECTORY),
                          [&, rec, path](bool missing) {
            ++counts.scanned;
            if (missing && ReadsExactly(rec, false)) {
                addError(info.type, SHARED_DLLS_KEY, rec, info.action, path);
                ++counts.errors;
            }
            report(path, info.progressText, counts.scanned, counts.errors);
        });
    });
}

void CRegistryLib::ScanSharedTools(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(SHARED_TOOLS);
    ScanCounters counts;
    WalkSubkeyValues(SHARED_TOOLS_KEY, SHARED_TOOLS, results, counts, fileTests_,
                     [](const std::string&) { return true; },
                     [&](const RegName& tool, const ValueRecord& rec) {
        if (AsciiLower(TrimWhite(rec.name)) != "path") return CountOnly(fileTests_, counts);
        if (rec.data == "(value not set)" || !NamesFile(rec)) return CountOnly(fileTests_, counts);
        std::string path = CleanPathQSDEP(rec.data);
        fileTests_.submit(MissingFileTest(*this, path, rec.data, BareNamePlace::SYSTEM_DIRECTORY),
                          [&, tool, rec, path](bool missing) {
            ++counts.scanned;
            if (missing && ReadsExactly(tool, rec, true)) {
                addError(info.type, std::string(SHARED_TOOLS_KEY) + "\\" + tool.text, rec, info.action, path);
                ++counts.errors;
            }
            report(path, info.progressText, counts.scanned, counts.errors);
        });
    });
}
