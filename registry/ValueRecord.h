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
};
