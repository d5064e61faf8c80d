// Uninstall commands and startup programs: command lines whose program file is missing.
#include "engine/PathCleanup.h"
#include "engine/Repair.h"
#include "engine/SystemPaths.h"
#include "engine/scanners/ScanSupport.h"

namespace {
constexpr const char* UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
// Programs started at every logon, then those started once at the next one.
constexpr const char* RUN_KEYS[] = {"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"};

bool runsThroughRundll(const std::string& text) {
    return MbContains(text, "rundll32") || MbContains(text, "RunDll32");
}
}  // namespace

// Where a program key's listing (as ListValues gives it) would hold the value named exactly
// "UninstallString", and how many records the listing has, found with a few targeted queries
// instead of reading every value: uninstall keys hold about ten values and only this one matters.
struct UninstallListing {
    int32_t records = 0;   // records the full listing would hold
    int32_t position = 0;  // 1-based position of the exact-case record; 0 when there is none
    ValueRecord value;
};

static bool readUninstallListing(HKEY key, UninstallListing& out) {
    DWORD count = 0, maxName = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    bool unnamed = RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    const int32_t supplied = unnamed ? 0 : 1;  // the listing puts a "(Default)" record first
    out.records = static_cast<int32_t>(count) + supplied;
    out.position = 0;
    std::vector<wchar_t> data(512);
    DWORD type = 0, length = 0;
    LONG rc;
    for (int attempt = 0;; ++attempt) {
        length = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(key, L"UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &length);
        if (rc != ERROR_MORE_DATA || attempt == 4) break;
        data.resize(std::max<size_t>(data.size() * 2, length / sizeof(wchar_t) + 2));
    }
    if (rc != ERROR_SUCCESS) return true;
    // Names are unique without regard to case: find the stored spelling and its place.
    std::vector<wchar_t> name(maxName + 2);
    RegName stored;
    DWORD index = 0;
    if (!FindStoredValueName(key, count, "UninstallString", name, index, stored)) return true;
    if (stored.text == "UninstallString") {
        out.position = supplied + static_cast<int32_t>(index) + 1;
        out.value = CRegistryLib::ValueFromWide(L"UninstallString", 15, type, data.data(), length);
        // The data was queried by this name; its exactness is that of the stored spelling.
        out.value.exactName = stored.exact;
    }
    return true;
}

void CRegistryLib::ScanUninstall(CategoryResults& results) {
    if (StopRequested()) return;
    ScanCounters counts;
    for (const std::string& keyPath : MachineAndUserKeys(UNINSTALL_KEY))
        if (!scanUninstallKey(keyPath, counts)) return;
    fileTests_.finish();
    AppendRow(results, UNINSTALL, counts);
}

bool CRegistryLib::scanUninstallKey(const std::string& keyPath, ScanCounters& counts) {
    const CategoryInfo& info = CategoryInfoOf(UNINSTALL);
    RegKey key;
    if (StopRequested() || OpenKeyPath(keyPath, key) != ERROR_SUCCESS) return true;
    std::vector<wchar_t> buf;
    if (!PrepareSubkeyBuffer(key.get(), buf)) return false;
    const std::string container = StoredKeyPath(keyPath);  // as the registry spells it
    RegName program;
    UninstallListing listing;
    for (DWORD index = 0;; ++index) {
        if (StopRequested()) break;
        if (EnumSubkeyName(key.get(), index, buf, program) != ERROR_SUCCESS) break;
        if (program.text.empty()) continue;
        RegKey sub;
        if (OpenSubkey(key.get(), program.text, sub) != ERROR_SUCCESS) continue;
        if (!readUninstallListing(sub.get(), listing)) continue;
        if (listing.position == 0 || listing.value.data == "(value not set)" || !NamesFile(listing.value)) {
            CountOnly(fileTests_, counts, listing.records);  // every listed value counts
            continue;
        }
        const ValueRecord& rec = listing.value;
        std::string text = StripOuterQuotes(ExecutableCut(rec.data));
        bool testable = MbContains(text, ":") && !EndsWithBackslash(text) && !MbContains(text, ";") &&
                        !runsThroughRundll(text) && !MbContains(text, "\\regsvr32") && text.size() > 3;
        fileTests_.submit(testable ? MissingFileTest(*this, text, rec.data, BareNamePlace::SEARCH_ONLY) : nullptr,
                          [&, container, program, rec, text, position = listing.position,
                           records = listing.records](bool missing) {
            counts.scanned += position;
            if (missing && ReadsExactly(program, rec, true)) {
                addError(info.type, container + "\\" + program.text, rec, info.action, text);
                ++counts.errors;
            }
            report(text, info.progressText, counts.scanned, counts.errors);
            // A stop here leaves the values after this one unexamined.
            if (!StopRequested()) counts.scanned += records - position;
        });
    }
    return true;
}

void CRegistryLib::ScanStartup(CategoryResults& results) {
    const CategoryInfo& info = CategoryInfoOf(STARTUP);
    if (StopRequested()) return;
    ScanCounters counts;
    std::string container;
    auto onValue = [&](const ValueRecord& rec) {
        if (rec.data == "(value not set)" || !NamesFile(rec)) return CountOnly(fileTests_, counts);
        std::string text = CleanQSD(rec.data);
        ExpandEnvironmentTokens(text);
        text = ExecutableCut(text);
        if (!MbContains(text, ":")) text = WindowsDirectory() + "\\" + text;
        text = StripOuterQuotes(text);
        const bool testable = !runsThroughRundll(text) && text.size() > 3;
        fileTests_.submit(testable ? MissingFileTest(*this, text, rec.data, BareNamePlace::WINDOWS_DIRECTORY) : nullptr,
                          [&, container, rec, text](bool missing) {
            ++counts.scanned;
            if (missing && ReadsExactly(rec, true)) {
                addError(info.type, container, rec, info.action, text);
                ++counts.errors;
            }
            report(text, info.progressText, counts.scanned, counts.errors);
        });
    };
    for (const char* run : RUN_KEYS)
        for (const std::string& keyPath : MachineAndUserKeys(run)) {
            if (StopRequested()) break;
            container = StoredKeyPath(keyPath);
            WalkValuesOf(keyPath, onValue);
        }
    fileTests_.finish();
    AppendRow(results, STARTUP, counts);
}
