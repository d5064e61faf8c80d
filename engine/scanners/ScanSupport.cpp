// Shared pieces of the registry scanners.
#include "engine/scanners/ScanSupport.h"

void AppendRow(CategoryResults& results, ScanCategory category, const ScanCounters& counts) {
    auto row = std::make_unique<CategoryResult>();
    row->title = CategoryInfoOf(category).title;
    row->scannedCount = counts.scanned;
    row->errorCount = counts.errors;
    row->fixedCount = 0;
    row->category = category;
    results.push_back(std::move(row));
}

LONG OpenKeyPath(const std::string& fullPath, RegKey& key) {
    std::string sub = fullPath;
    std::string root = CRegistryLib::SeperateMainKey(sub);
    HKEY h = nullptr;
    LONG rc = CRegistryLib::OpenKey(root, sub, &h);
    key.reset(rc == ERROR_SUCCESS ? h : nullptr);
    return rc;
}

bool PrepareSubkeyBuffer(HKEY key, std::vector<char>& buf) {
    DWORD maxName = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &maxName, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    buf.assign(maxName + 1, '\0');
    return true;
}

LONG EnumSubkeyName(HKEY key, DWORD index, std::vector<char>& buf, std::string& name) {
    for (int attempt = 0;; ++attempt) {
        DWORD len = static_cast<DWORD>(buf.size());
        LONG rc = RegEnumKeyExA(key, index, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_SUCCESS) {
            name.assign(buf.data(), len);
            return rc;
        }
        if (rc != ERROR_MORE_DATA || attempt == 8) return rc;
        buf.resize(buf.size() * 2 + 256);
    }
}

std::string LowerKeyName(const std::string& name) {
    std::string lower = name;
    if (!lower.empty()) CharLowerBuffA(&lower[0], static_cast<DWORD>(lower.size()));
    return lower;
}
