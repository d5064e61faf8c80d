// Registry subtree snapshots and their comparison.
#include "support/RegistryTree.h"

#include <algorithm>

#include "registry/RegKey.h"
#include "registry/RegistryLib.h"

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
