// Registry subtree snapshots and their comparison.
#include "support/RegistryTree.h"

#include <algorithm>

#include "registry/RegKey.h"
#include "engine/RegistryLib.h"

namespace {
void snapshotKey(HKEY key, const std::string& rel, RegistryTree& out) {
    auto& values = out[rel];
    DWORD maxName = 0, maxData = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                     nullptr, nullptr);
    std::vector<char> name(std::max<DWORD>(maxName, 16383) + 2);
    std::vector<unsigned char> data(maxData + 2);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size()), type = 0;
        LONG rc = RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
        if (rc == ERROR_MORE_DATA) {
            data.resize(data.size() * 2 + dataLen);
            --i;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        values[std::string(name.data(), nameLen)] = TreeValue{type, {data.begin(), data.begin() + dataLen}};
    }
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        const std::string child(name.data(), len);
        RegKey sub;
        if (RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, sub.put()) == ERROR_SUCCESS)
            snapshotKey(sub.get(), rel + "\\" + child, out);
        else
            out[rel + "\\" + child + " (unreadable)"];
    }
}
}  // namespace

RegistryTree SnapshotTree(const std::string& fullPath) {
    RegistryTree out;
    std::string sub = fullPath;
    HKEY root = CRegistryLib::RootKeyFromName(CRegistryLib::SeperateMainKey(sub));
    RegKey key;
    if (root && RegOpenKeyExA(root, sub.empty() ? nullptr : sub.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
        snapshotKey(key.get(), "", out);
    return out;
}

size_t TreeValueCount(const RegistryTree& tree) {
    size_t n = 0;
    for (const auto& k : tree) n += k.second.size();
    return n;
}

std::string FirstTreeDifference(const RegistryTree& expected, const RegistryTree& actual, bool subset) {
    for (const auto& [key, values] : expected) {
        auto k = actual.find(key);
        if (k == actual.end()) {
            if (subset) continue;
            return "key missing: " + key;
        }
        for (const auto& [name, v] : values) {
            auto a = k->second.find(name);
            if (a == k->second.end()) {
                if (subset) continue;
                return "value missing: " + key + " : " + name.substr(0, 40);
            }
            if (a->second != v) return "value differs: " + key + " : " + name.substr(0, 40);
        }
        for (const auto& entry : k->second)
            if (!values.count(entry.first)) return "extra value: " + key + " : " + entry.first.substr(0, 40);
    }
    for (const auto& entry : actual)
        if (!expected.count(entry.first)) return "extra key: " + entry.first;
    return std::string();
}

namespace {
std::string utf8(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &out[0], n, nullptr, nullptr);
    return out;
}

void snapshotExact(HKEY key, const std::wstring& rel, ExactTree& out, int depth) {
    DWORD type = 0;
    const bool link = RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
                      type == REG_LINK;
    auto& values = out[link ? rel + L" (link)" : rel];
    std::vector<wchar_t> name(16384);  // on the heap: the walk goes hundreds of levels deep
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = 16384, dataLen = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, nullptr, &dataLen) != ERROR_SUCCESS) break;
        std::vector<unsigned char> data(dataLen + 1);
        nameLen = 16384;
        DWORD got = dataLen + 1;
        if (RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &got) != ERROR_SUCCESS) break;
        data.resize(got);
        values[std::wstring(name.data(), nameLen)] = TreeValue{type, data};
    }
    if (depth > 600) return;
    for (DWORD i = 0;; ++i) {
        DWORD len = 300;
        if (RegEnumKeyExW(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        RegKey sub;
        const std::wstring child(name.data(), len);
        if (RegOpenKeyExW(key, child.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                          sub.put()) == ERROR_SUCCESS)
            snapshotExact(sub.get(), rel + L"\\" + child, out, depth + 1);
        else
            out[rel + L"\\" + child + L" (unreadable)"];
    }
}
}  // namespace

ExactTree SnapshotTreeExact(const std::string& fullPath) {
    ExactTree out;
    std::string sub = fullPath;
    HKEY root = CRegistryLib::RootKeyFromName(CRegistryLib::SeperateMainKey(sub));
    const std::wstring wsub(sub.begin(), sub.end());  // the tests' own paths are ASCII
    RegKey key;
    if (root && RegOpenKeyExW(root, wsub.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, key.put()) == ERROR_SUCCESS)
        snapshotExact(key.get(), L"", out, 0);
    return out;
}

std::string FirstExactDifference(const ExactTree& expected, const ExactTree& actual) {
    for (const auto& [key, values] : expected) {
        auto k = actual.find(key);
        if (k == actual.end()) return "missing key " + utf8(key);
        for (const auto& [name, value] : values) {
            auto v = k->second.find(name);
            if (v == k->second.end()) return "missing value " + utf8(key) + " : " + utf8(name);
            if (v->second != value)
                return "value " + utf8(key) + " : " + utf8(name) + " differs (type " + std::to_string(value.type) +
                       " -> " + std::to_string(v->second.type) + ", " + std::to_string(value.bytes.size()) + " -> " +
                       std::to_string(v->second.bytes.size()) + " bytes)";
        }
        for (const auto& [name, value] : k->second)
            if (!values.count(name)) return "extra value " + utf8(key) + " : " + utf8(name);
    }
    for (const auto& [key, values] : actual)
        if (!expected.count(key)) return "extra key " + utf8(key);
    return std::string();
}

void DeleteTreeInView(HKEY root, const std::string& path, bool view64) {
    const REGSAM view = view64 ? KEY_WOW64_64KEY : 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
    char name[256];
    for (DWORD len = sizeof name; RegEnumKeyExA(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         len = sizeof name)
        DeleteTreeInView(key, name, view64);
    RegCloseKey(key);
    // RegDeleteKeyEx (the only delete that takes a view) is missing before 64-bit-era systems.
    using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    auto del = reinterpret_cast<DeleteKeyEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
    if (del) del(root, path.c_str(), view, 0);
    else RegDeleteKeyA(root, path.c_str());
}
