// ValueRecord: the printable form of one registry value.
#pragma once
#include <cstdint>
#include <string>

struct ValueRecord {
    std::string name;   // "(Default)" for the unnamed value
    std::string data;   // rendered text; "(value not set)" for an empty unnamed value
    uint32_t type = 0;  // registry type code
    // A value with a name of its own. Only matters for one literally named "(Default)", which is
    // listed under the same name as the unnamed value but is not it.
    bool named = false;
    // Set by the registry reads: the name, and string data (REG_SZ, REG_EXPAND_SZ), as read through
    // the code page are exactly what the registry stores. Text outside the code page reads as "?"
    // or a look-alike letter, and such a record must never be acted on. Records made any other
    // way leave both false.
    bool exactName = false;
    bool exactData = false;
};
