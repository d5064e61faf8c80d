// ValueRecord: the printable form of one registry value.
#pragma once
#include <cstdint>
#include <string>

struct ValueRecord {
    std::string name;   // "(Default)" for the unnamed value
    std::string data;   // rendered text; "(value not set)" for an empty unnamed value
    uint32_t type = 0;  // registry type code
};
