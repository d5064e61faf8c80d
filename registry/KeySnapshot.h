// Exact copies of registry keys through the wide-character API: every name and every byte as the
// registry stores them, symbolic links recorded as links and never followed. The undo file, the
// backup and the repair's own roll-back all start from such a copy.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The registry's own nesting limit; deeper trees are refused rather than walked.
constexpr int MAX_KEY_NESTING = 512;
constexpr const wchar_t* LINK_VALUE_NAME = L"SymbolicLinkValue";

struct SnapshotValue {
    std::wstring name;  // empty for the unnamed value
    DWORD type = 0;
    std::vector<unsigned char> bytes;
};

struct KeySnapshot {
    std::wstring name;  // one path component
    bool link = false;  // a symbolic link: its values hold the target, it has no subkeys of its own
    std::vector<SnapshotValue> values;
    std::vector<KeySnapshot> subkeys;
    bool view64 = false;  // of a whole entry's copy: read in the 64-bit registry view
};

// Opens `name` below `parent` without following a link at its last component.
LONG OpenKeyNoFollow(HKEY parent, const std::wstring& name, REGSAM access, HKEY* out);
// True when `key` (opened with OpenKeyNoFollow as `name` below `parent`) is a symbolic link.
bool IsLinkKey(HKEY parent, const std::wstring& name, HKEY key);
// The key's full name as the registry stores it ("\REGISTRY\MACHINE\..."); empty when unknown.
std::wstring StoredKeyName(HKEY key);

// One value of `key` by name (the unnamed one for an empty name), read whole; false when it is
// missing or cannot be read.
bool ReadValueExact(HKEY key, const std::wstring& name, SnapshotValue& out);

// Reads the values of `key` (only the one named `*onlyValue` when given; the unnamed one for an
// empty name) and its whole subtree into `out` (whose name the caller sets). 0 when all was read;
// otherwise the error of the first value or subkey that could not be read whole (ERROR_BADKEY for a
// tree deeper than MAX_KEY_NESTING).
LONG ReadKeySnapshot(HKEY parent, const std::wstring& name, HKEY key, KeySnapshot& out,
                     const std::wstring* onlyValue = nullptr, int depth = 0);
// Opens `name` below `parent` without following and reads it; the first error, 0 when all was read.
LONG SnapshotSubkey(HKEY parent, const std::wstring& name, KeySnapshot& out, const std::wstring* onlyValue = nullptr);

// What could not be written back, for messages.
struct SnapshotWriteFailure {
    std::wstring keyPath;    // below the key the write started from, components joined by backslashes
    bool isValue = false;
    std::wstring valueName;
    LONG error = 0;
};
using SnapshotFailures = std::vector<SnapshotWriteFailure>;

// Creates (or opens) snap.name below `parent` and writes its values and subtree; a link is created
// as a link, and an existing link is never written through. Goes on after a failure; returns the
// first error, 0 when all was written. `parentPath` prefixes the paths of `failures`.
LONG WriteKeySnapshot(HKEY parent, const KeySnapshot& snap, SnapshotFailures* failures = nullptr,
                      const std::wstring& parentPath = std::wstring(), int depth = 0);
// Writes the values and subkeys of `snap` into the open key, whose path `path` names.
LONG WriteKeyContents(HKEY key, const KeySnapshot& snap, SnapshotFailures* failures = nullptr,
                      const std::wstring& path = std::wstring(), int depth = 0);

// Deletes `name` below `parent` with its whole subtree, deepest first; a link is removed itself and
// its target left alone. 0 on success, otherwise the first error (what was removed stays removed).
LONG DeleteTreeNoFollow(HKEY parent, const std::wstring& name, int depth = 0);
