// Whether text read through the ANSI registry API is exactly what the registry stores: a name or
// a path with characters outside the code page reads as "?" or as a look-alike letter, and must
// never be reported (its record would name another value, or a path that is not the stored one).
// These reads run only for entries about to be reported.
#pragma once
#include <windows.h>

#include <string>

#include "registry/ValueRecord.h"

constexpr DWORD NO_INDEX = 0xFFFFFFFFu;

// Where a value record was read: enough to read the same entry again through the wide API.
struct ValueSource {
    HKEY parent = nullptr;         // the walked key, when the value lies in one of its subkeys
    DWORD subkeyIndex = NO_INDEX;  // that subkey's enumeration index under `parent`
    HKEY key = nullptr;            // the key that holds the value
    // The record's place in the key's listing; NO_INDEX for the unnamed value read on its own.
    size_t position = NO_INDEX;
    // The listing's first record has no name of its own: the listing may have put it there.
    bool firstUnnamed = false;
    bool direct = false;  // `position` is the enumeration index itself
};

// True when the code-page text `ansi` converts back to exactly `wide` (`length` characters).
bool SameText(const wchar_t* wide, size_t length, const std::string& ansi);

// Subkey `index` of `parent`, read wide, is exactly `name`.
bool SubkeyNameExact(HKEY parent, DWORD index, const std::string& name);

// The value the record was read from, read wide, has exactly the record's name and, with
// `withData`, exactly its string data; for a subkey's value the subkey's name must be exact too
// (`subkeyName` as enumerated).
bool ReadsExactly(const ValueSource& source, const std::string& subkeyName, const ValueRecord& rec, bool withData);
