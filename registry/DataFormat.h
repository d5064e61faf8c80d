// Rendering of registry data as text and the mapping between type codes and type names.
// Pure logic: no windows.h, so it can be compiled for the host too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The data rendered as text; never reads past `length` bytes.
// `utf16ToAnsi` converts REG_LINK data (UTF-16LE) to the system code page; null means a plain
// narrowing of the ASCII range (used by host builds).
std::string FormatData(uint32_t type, const unsigned char* data, size_t length,
                       std::string (*utf16ToAnsi)(const unsigned char*, size_t) = nullptr);
std::string TypeName(uint32_t type);
uint32_t TypeFromName(const std::string& name);

// Bytes up to the first zero within `length` (the whole range when there is none).
std::string BoundedText(const unsigned char* data, size_t length);
