// Rendering of registry data as text and the type-name table.
#include "registry/DataFormat.h"

#include <cstdio>
#include <cstring>

namespace {

std::string hexBytes(const unsigned char* data, size_t length) {
    std::string out;
    out.reserve(length * 3);
    char buf[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", data[i]);
        if (i) out += ' ';
        out += buf;
    }
    return out;
}

// Copies up to n bytes into a zero-filled fixed buffer so that short data never over-reads.
template <size_t N>
void fixedCopy(unsigned char (&dst)[N], const unsigned char* data, size_t length) {
    std::memset(dst, 0, N);
    std::memcpy(dst, data, length < N ? length : N);
}

bool equalsIgnoreCase(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::string asciiFromUtf16(const unsigned char* data, size_t length) {
    std::string out;
    for (size_t i = 0; i + 1 < length; i += 2) {
        unsigned c = data[i] | (data[i + 1] << 8);
        if (c == 0) break;
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

}  // namespace

std::string BoundedText(const unsigned char* data, size_t length) {
    if (!data) return std::string();
    const void* zero = std::memchr(data, 0, length);
    size_t n = zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - data) : length;
    return std::string(reinterpret_cast<const char*>(data), n);
}

std::string FormatData(uint32_t type, const unsigned char* data, size_t length,
                       std::string (*utf16ToAnsi)(const unsigned char*, size_t)) {
    if (!data) length = 0;
    char buf[64];
    switch (type) {
    case 3: case 8: case 10:
        return hexBytes(data, length);
    case 4: {
        unsigned char b[4];
        fixedCopy(b, data, length);
        int32_t v = static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
        std::snprintf(buf, sizeof buf, "0x%02x%02x%02x%02x (%d)", b[3], b[2], b[1], b[0], static_cast<int>(v));
        return buf;
    }
    case 5: {
        unsigned char b[4];
        fixedCopy(b, data, length);
        int32_t v = static_cast<int32_t>(static_cast<uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3]);
        std::snprintf(buf, sizeof buf, "0x%02x%02x%02x%02x (%d)", b[0], b[1], b[2], b[3], static_cast<int>(v));
        return buf;
    }
    case 11: {
        unsigned char b[8];
        fixedCopy(b, data, length);
        std::snprintf(buf, sizeof buf, "0x%02x%02x%02x%02x%02x%02x%02x%02x",
                      b[7], b[6], b[5], b[4], b[3], b[2], b[1], b[0]);
        return buf;
    }
    case 6:
        return utf16ToAnsi ? utf16ToAnsi(data, length) : asciiFromUtf16(data, length);
    case 7: {
        std::string out;
        if (length <= 2) return out;
        for (size_t i = 0; i < length - 2; ++i) {
            if (data[i] == 0) out += "\r\n";
            else out += static_cast<char>(data[i]);
        }
        return out;
    }
    default:
        return BoundedText(data, length);
    }
}

std::string TypeName(uint32_t type) {
    switch (type) {
    case 0: case 1: case 6: return "REG_SZ";
    case 2: return "REG_EXPAND_SZ";
    case 3: return "REG_BINARY";
    case 4: case 5: return "REG_DWORD";
    case 7: return "REG_MULTI_SZ";
    case 8: return "REG_RESOURCE_LIST";
    case 10: return "REG_RESOURCE_REQUIREMENTS_LIST";
    case 11: return "REG_QWORD";
    default: return std::string();
    }
}

uint32_t TypeFromName(const std::string& name) {
    static const struct { const char* name; uint32_t code; } table[] = {
        {"REG_BINARY", 3}, {"REG_DWORD", 4}, {"REG_SZ", 1}, {"REG_EXPAND_SZ", 2},
        {"REG_MULTI_SZ", 7}, {"REG_QWORD", 11}, {"REG_RESOURCE_LIST", 8},
        {"REG_RESOURCE_REQUIREMENTS_LIST", 10},
    };
    for (const auto& row : table)
        if (equalsIgnoreCase(name, row.name)) return row.code;
    return 1;
}
