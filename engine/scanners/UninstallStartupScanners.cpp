// Uninstall commands and startup programs: command lines whose program file is missing.
#include "engine/PathCleanup.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/ScanSupport.h"

namespace {
constexpr const char* UNINSTALL_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\Uninstall";
constexpr const char* RUN_KEY = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\Currentversion\\Run";

bool runsThroughRundll(const std::string& text) {
    return MbContains(text, "rundll32") || MbContains(text, "RunDll32");
}
}  // namespace

void CRegistryLib::ScanUninstall(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(UNINSTALL);
    ScanCounters counts;
    WalkSubkeyValues(UNINSTALL_KEY, UNINSTALL, results, counts,
                     [](const std::string&) { return true; },
                     [&](const std::string& program, const ValueRecord& rec) {
        ++counts.scanned;
        if (rec.data == "(value not set)") return;
        if (rec.name != "UninstallString") return;
        std::string text = StripOuterQuotes(ExecutableCut(rec.data));
        bool testable = MbContains(text, ":") && !EndsWithBackslash(text) && !MbContains(text, ";") &&
                        !runsThroughRundll(text) && !MbContains(text, "\\regsvr32") && text.size() > 3;
        if (testable && CheckFile(text, 0) == -1) {
            addError(info.type, std::string(UNINSTALL_KEY) + "\\" + LowerKeyName(program), rec, info.action, text);
            ++counts.errors;
        }
        report(text, info.progressText, counts.scanned, counts.errors);
    });
}

void CRegistryLib::ScanStartup(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(STARTUP);
    ScanCounters counts;
    WalkKeyValues(RUN_KEY, STARTUP, results, counts, [&](const ValueRecord& rec) {
        ++counts.scanned;
        if (rec.data == "(value not set)") return;
        std::string text = CleanDash(CleanSlash(CleanQuotes(rec.data)));
        ExpandEnvironmentTokens(text);
        text = ExecutableCut(text);
        if (!MbContains(text, ":")) text = WindowsDirectory() + "\\" + text;
        text = StripOuterQuotes(text);
        if (!runsThroughRundll(text) && text.size() > 3 && CheckFile(text, 0) == -1) {
            addError(info.type, RUN_KEY, rec, info.action, text);
            ++counts.errors;
        }
        report(text, info.progressText, counts.scanned, counts.errors);
    });
}
