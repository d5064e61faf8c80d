// A registry subtree flattened for comparisons, shared by the tests that must prove a round trip.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct TreeValue {
    DWORD type = 0;
    std::vector<unsigned char> bytes;
    bool operator==(const TreeValue& o) const { return type == o.type && bytes == o.bytes; }
    bool operator!=(const TreeValue& o) const { return !(*this == o); }
};

// Relative key path ("" for the key itself, "\\child\\grandchild" below it) -> value name -> value.
// Every key appears, the empty ones too.
using RegistryTree = std::map<std::string, std::map<std::string, TreeValue>>;

// Empty when the key cannot be opened. Values of any size are read whole.
RegistryTree SnapshotTree(const std::string& fullPath);
size_t TreeValueCount(const RegistryTree& tree);
// Empty when equal; otherwise names the first key or value that differs. With `subset`, keys and
// values of `expected` may be missing from `actual` (nothing may be extra or different).
std::string FirstTreeDifference(const RegistryTree& expected, const RegistryTree& actual, bool subset = false);

// The same through the wide-character API, names as UTF-16 and links not followed: a link appears
// as its own key holding its target value, marked by " (link)" after its path.
using ExactTree = std::map<std::wstring, std::map<std::wstring, TreeValue>>;
ExactTree SnapshotTreeExact(const std::string& fullPath);
// Empty when equal; otherwise the first difference, in UTF-8.
std::string FirstExactDifference(const ExactTree& expected, const ExactTree& actual);

// Deletes `path` under `root` with everything below it, in the 64-bit registry view when `view64`
// (the 32-bit one otherwise): cleaning up after seeding both views.
void DeleteTreeInView(HKEY root, const std::string& path, bool view64);
