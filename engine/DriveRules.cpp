// Drive-type rule for the file tests, cached per scan.
#include "engine/DriveRules.h"

#include <windows.h>

#include <cctype>

bool DriveTypeCache::onFixedDisk(const std::string& path) {
    std::string p = path;
    if (p.compare(0, 4, "\\\\?\\") == 0 || p.compare(0, 4, "\\\\.\\") == 0) {
        p.erase(0, 4);
        // "\\?\UNC\server\share\..." is a network path in its long form.
        if (p.size() >= 4 && std::toupper(static_cast<unsigned char>(p[0])) == 'U' &&
            std::toupper(static_cast<unsigned char>(p[1])) == 'N' &&
            std::toupper(static_cast<unsigned char>(p[2])) == 'C' && p[3] == '\\')
            return false;
    } else if (p.compare(0, 2, "\\\\") == 0 || p.compare(0, 2, "//") == 0) {
        return false;
    }
    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        int letter = std::toupper(static_cast<unsigned char>(p[0])) - 'A';
        int type = types_[letter].load(std::memory_order_relaxed);
        if (type == 0) {
            char root[4] = {static_cast<char>('A' + letter), ':', '\\', '\0'};
            type = static_cast<int>(GetDriveTypeA(root)) + 1;
            types_[letter].store(type, std::memory_order_relaxed);
        }
        return type == DRIVE_FIXED + 1;
    }
    return true;
}

void DriveTypeCache::reset() {
    for (auto& t : types_) t.store(0, std::memory_order_relaxed);
}
