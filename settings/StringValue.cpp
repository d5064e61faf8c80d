// The validated string read the flag and text settings share.
#include "settings/StringValue.h"

#include <cstring>
#include <vector>

namespace {
// Reads a value's type and bytes, growing the buffer when the value grew since the size query.
template <class Char, class Query>
LONG readBytes(Query query, DWORD& type, std::vector<unsigned char>& bytes) {
    DWORD size = 0;
    LONG rc = query(&type, nullptr, &size);
    for (int attempt = 0; rc == ERROR_SUCCESS && attempt < 4; ++attempt) {
        bytes.assign(size + sizeof(Char), 0);  // room for a NUL the data may lack
        DWORD got = size;
        rc = query(&type, bytes.data(), &got);
        if (rc == ERROR_SUCCESS) {
            bytes.resize(got);
            return rc;
        }
        if (rc == ERROR_MORE_DATA) {
            size = got;
            rc = ERROR_SUCCESS;
        }
    }
    return rc == ERROR_SUCCESS ? ERROR_MORE_DATA : rc;
}

bool validString(DWORD type, const std::vector<unsigned char>& bytes) {
    const size_t n = bytes.size();
    if (type == REG_SZ || type == REG_EXPAND_SZ) return n >= 1 && bytes[n - 1] == 0;
    if (type == REG_MULTI_SZ) return n >= 2 && bytes[n - 1] == 0 && bytes[n - 2] == 0;
    return false;
}
}  // namespace

LONG ReadStringValue(HKEY key, const char* name, std::string& text) {
    DWORD type = REG_NONE;
    std::vector<unsigned char> bytes;
    LONG rc = readBytes<char>(
        [&](DWORD* t, BYTE* data, DWORD* size) { return RegQueryValueExA(key, name, nullptr, t, data, size); },
        type, bytes);
    if (rc != ERROR_SUCCESS) return rc;
    if (!validString(type, bytes)) return ERROR_INVALID_DATA;
    text.assign(reinterpret_cast<const char*>(bytes.data()));  // up to the first NUL
    return ERROR_SUCCESS;
}

bool ExactAnsi(const std::wstring& wide, std::string& ansi) {
    ansi.clear();
    if (wide.empty()) return true;
    BOOL lossy = FALSE;
    const int len = static_cast<int>(wide.size());
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), len, nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) return false;
    ansi.assign(n, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), len, &ansi[0], n, nullptr, &lossy);
    return !lossy;
}

bool StoredTextMatches(HKEY key, const char* name, const std::string& ansi) {
    std::wstring wideName;
    if (name) {
        int n = MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0);
        if (n <= 0) return false;
        wideName.assign(n, L'\0');
        MultiByteToWideChar(CP_ACP, 0, name, -1, &wideName[0], n);
    }
    DWORD type = REG_NONE;
    std::vector<unsigned char> bytes;
    LONG rc = readBytes<wchar_t>(
        [&](DWORD* t, BYTE* data, DWORD* size) {
            return RegQueryValueExW(key, name ? wideName.c_str() : nullptr, nullptr, t, data, size);
        },
        type, bytes);
    if (rc != ERROR_SUCCESS) return false;
    std::wstring wide(bytes.size() / sizeof(wchar_t), L'\0');
    if (!wide.empty()) std::memcpy(&wide[0], bytes.data(), wide.size() * sizeof(wchar_t));
    wide.resize(wide.find(L'\0') == std::wstring::npos ? wide.size() : wide.find(L'\0'));
    std::string exact;
    return ExactAnsi(wide, exact) && exact == ansi;
}
