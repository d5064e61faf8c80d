// Shared pieces of the registry scanners.
#include "engine/scanners/ScanSupport.h"

#include "engine/PathCleanup.h"
#include "engine/PathReadings.h"

void AppendRow(CategoryResults& results, ScanCategory category, const ScanCounters& counts) {
    auto row = std::make_unique<CategoryResult>();
    row->title = CategoryInfoOf(category).title;
    row->scannedCount = counts.scanned;
    row->errorCount = counts.errors;
    row->fixedCount = 0;
    row->category = category;
    results.push_back(std::move(row));
}

bool StaysMissing(DriveTypeCache& drives, const std::string& text, BareNamePlace place, const std::string& partPath,
                  const std::string& file) {
    if (IsUrl(TrimWhite(StripOuterQuotes(TrimWhite(text))))) return false;
    return !SomeReadingPresent(text, place, drives, partPath, file);
}

namespace {
thread_local bool t_sharedKey = false;
thread_local bool t_bothViews = false;
}

BothViewsScan::BothViewsScan(bool on) : previous_(t_bothViews) { t_bothViews = on; }
BothViewsScan::~BothViewsScan() { t_bothViews = previous_; }

bool FilesInView64() { return InView64() && !t_sharedKey; }

LONG OpenKeyPath(const std::string& fullPath, RegKey& key) {
    std::string sub = fullPath;
    std::string root = CRegistryLib::SeperateMainKey(sub);
    t_sharedKey = false;
    if (t_bothViews) {
        // A key both views share is read once, in the 64-bit view: that is where it is stored
        // (the 32-bit view may reach it through a link, which the repair never follows).
        t_sharedKey = SharedBetweenViews(CRegistryLib::RootKeyFromName(root), sub.c_str());
        if (t_sharedKey && !InView64()) return ERROR_FILE_NOT_FOUND;
    }
    HKEY h = nullptr;
    LONG rc = CRegistryLib::OpenKey(root, sub, &h);
    key.reset(rc == ERROR_SUCCESS ? h : nullptr);
    return rc;
}

bool PrepareSubkeyBuffer(HKEY key, std::vector<wchar_t>& buf) {
    DWORD maxName = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, &maxName, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    buf.assign(maxName + 1, L'\0');
    return true;
}

LONG EnumSubkeyName(HKEY key, DWORD index, std::vector<wchar_t>& buf, RegName& name) {
    for (int attempt = 0;; ++attempt) {
        DWORD len = static_cast<DWORD>(buf.size());
        LONG rc = RegEnumKeyExW(key, index, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) {
            name.text = RegistryAnsi(buf.data(), len);
            name.exact = SameText(buf.data(), len, name.text);
            return rc;
        }
        if (rc != ERROR_MORE_DATA || attempt == 8) return rc;
        buf.resize(buf.size() * 2 + 256);
    }
}

namespace {
// Ordinal comparison without regard to ASCII case, the order in which a registry that sorts its
// values keeps them.
int compareNames(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
        if (ca >= 'A' && ca <= 'Z') ca += 'a' - 'A';
        if (cb >= 'A' && cb <= 'Z') cb += 'a' - 'A';
        if (ca != cb || ca == 0) return ca - cb;
    }
}

bool nameAt(HKEY key, DWORD index, std::vector<wchar_t>& buf, RegName& name) {
    DWORD len = static_cast<DWORD>(buf.size());
    if (RegEnumValueW(key, index, buf.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return false;
    name.text = RegistryAnsi(buf.data(), len);
    name.exact = SameText(buf.data(), len, name.text);
    return true;
}
}  // namespace

bool FindStoredValueName(HKEY key, DWORD count, const char* wanted, std::vector<wchar_t>& buf, DWORD& index,
                         RegName& stored) {
    // A registry that keeps values sorted by name (Wine's does) answers in a few probes. A probe
    // only counts when the name matches, so any other order just ends in the full walk below.
    DWORD lo = 0, hi = count;
    while (lo < hi) {
        DWORD mid = lo + (hi - lo) / 2;
        if (!nameAt(key, mid, buf, stored)) break;
        int cmp = compareNames(stored.text.c_str(), wanted);
        if (cmp == 0 && lstrcmpiA(stored.text.c_str(), wanted) == 0) {
            index = mid;
            return true;
        }
        if (cmp < 0) lo = mid + 1;
        else hi = mid;
    }
    for (DWORD i = 0; i < count; ++i) {
        if (!nameAt(key, i, buf, stored) || lstrcmpiA(stored.text.c_str(), wanted) != 0) continue;
        index = i;
        return true;
    }
    return false;
}

std::vector<std::string> MachineAndUserKeys(const char* subkey) {
    return {std::string("HKEY_LOCAL_MACHINE\\") + subkey, std::string("HKEY_CURRENT_USER\\") + subkey};
}
