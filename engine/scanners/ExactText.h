// Whether text read through the code page is exactly what the registry stores: a name or a path
// with characters outside the code page reads as "?" or as a look-alike letter, and must never be
// reported (its record would name another value, or a path that is not the stored one). The
// registry reads learn it while converting their wide reading, so these are flag tests.
#pragma once
#include <string>

#include "registry/ValueRecord.h"
#include "registry/WideText.h"

// A registry name as the code page carries it, and whether that is exactly the stored name.
struct RegName {
    std::string text;
    bool exact = false;
};

// The record's name and, with `withData`, its string data are exactly what the registry stores.
inline bool ReadsExactly(const ValueRecord& rec, bool withData) {
    return rec.exactName && (!withData || rec.exactData);
}

// The same for a value that lies in the enumerated subkey `subkey`, whose name must be exact too.
inline bool ReadsExactly(const RegName& subkey, const ValueRecord& rec, bool withData) {
    return subkey.exact && ReadsExactly(rec, withData);
}
