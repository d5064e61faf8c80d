// Writing one backed-up key back into the registry without overwriting what is there now: what is
// absent is re-created, what exists with other data is left as it is and counted.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "registry/KeySnapshot.h"

// A restore's account, in entries: each value of the backup, and each key of it that holds no values.
struct RestoreTally {
    int restored = 0;  // written back, or there now with the same data
    int leftAsIs = 0;  // there now with other data (or another kind of key): left as it is
    std::vector<std::string> firstLeft;  // the full names of the first of them
    int valuesFailed = 0;                // values the registry refused
    std::vector<std::string> keysFailed;  // "Can't create key ..." of each key the registry refused
    bool accessDenied = false;           // some refusal was ERROR_ACCESS_DENIED
};
constexpr size_t RESTORE_LEFT_SHOWN = 10;

// One backed-up key: `snap` (its name the last component, its view in snap.view64) below
// rootName\parentPath of `root`. The parent keys are created where missing; below them, a key or
// value that is absent is written from the copy, one with the same data counts as restored, and one
// with other data, a link where the copy has a key (or the reverse) and a value that cannot be read
// stay as they are (tally.leftAsIs). False when a key could not be opened or created; the rest of
// the record is still written.
bool ApplyBackedUpKey(HKEY root, const char* rootName, const std::wstring& parentPath, const KeySnapshot& snap,
                      RestoreTally& tally);

// "3 entries were left as they are now: they were changed after the repair." and the first of
// them, one a line; empty when none was left.
std::string LeftAsIsText(const RestoreTally& tally);
