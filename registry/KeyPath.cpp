// Key paths through the wide-character API.
#include "registry/KeyPath.h"

#include "registry/WideText.h"

LONG OpenKeyPath(HKEY parent, const std::string& path, REGSAM access, HKEY* out) {
    *out = nullptr;
    const std::wstring wide = WideFromAnsi(path);
    return RegOpenKeyExW(parent, wide.empty() ? nullptr : wide.c_str(), 0, access, out);
}

LONG CreateKeyPath(HKEY parent, const std::string& path, REGSAM access, HKEY* out) {
    *out = nullptr;
    const std::wstring wide = WideFromAnsi(path);
    return RegCreateKeyExW(parent, wide.c_str(), 0, nullptr, 0, access, nullptr, out, nullptr);
}
