// Wide re-reads of registry names and string data, compared with their code-page readings.
#include "engine/scanners/ExactText.h"

#include <algorithm>
#include <vector>

namespace {
// Characters up to the first zero, of string data `bytes` long.
size_t stringLength(const std::vector<wchar_t>& data, DWORD bytes) {
    size_t chars = std::min<size_t>(bytes / sizeof(wchar_t), data.size());
    for (size_t i = 0; i < chars; ++i)
        if (data[i] == L'\0') return i;
    return chars;
}

bool isString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

bool dataExact(DWORD type, const std::vector<wchar_t>& data, DWORD bytes, const ValueRecord& rec) {
    return type == rec.type && isString(type) && SameText(data.data(), stringLength(data, bytes), rec.data);
}

bool unnamedExact(HKEY key, const ValueRecord& rec, bool withData) {
    if (rec.named || rec.name != "(Default)") return false;
    if (!withData) return true;
    std::vector<wchar_t> data(512);
    DWORD type = 0, bytes = 0;
    LONG rc = ERROR_MORE_DATA;
    for (int attempt = 0; rc == ERROR_MORE_DATA && attempt < 4; ++attempt) {
        bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes);
        if (rc == ERROR_MORE_DATA) data.resize(bytes / sizeof(wchar_t) + 2);
    }
    return rc == ERROR_SUCCESS && dataExact(type, data, bytes, rec);
}

// The listing puts a "(Default)" record of its own first when the key has no unnamed value. A
// look-up of the unnamed value tells (a key-size query would walk every value of the key). A
// wrong guess is harmless: the wide read then finds another name and the entry is not reported.
DWORD enumerationIndex(const ValueSource& source) {
    if (source.direct) return static_cast<DWORD>(source.position);
    const bool supplied = source.firstUnnamed &&
                          RegQueryValueExW(source.key, nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS;
    if (!supplied) return static_cast<DWORD>(source.position);
    return source.position == 0 ? NO_INDEX : static_cast<DWORD>(source.position - 1);
}

bool namedExact(HKEY key, DWORD index, const ValueRecord& rec, bool withData) {
    if (index == NO_INDEX) return false;
    std::vector<wchar_t> name(260), data(withData ? 512 : 0);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD nameLength = static_cast<DWORD>(name.size()), type = 0;
        DWORD bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        LONG rc = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                                withData ? reinterpret_cast<BYTE*>(data.data()) : nullptr, withData ? &bytes : nullptr);
        if (rc == ERROR_SUCCESS) {
            // An empty name is the unnamed value, which the listing calls "(Default)".
            bool nameExact = nameLength == 0 ? !rec.named && rec.name == "(Default)"
                                             : SameText(name.data(), nameLength, rec.name);
            if (!nameExact) return false;
            return !withData || dataExact(type, data, bytes, rec);
        }
        if (rc != ERROR_MORE_DATA) return false;
        DWORD maxName = 0, maxData = 0;
        if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                             nullptr, nullptr) != ERROR_SUCCESS)
            return false;
        name.resize(maxName + 2);
        if (withData) data.resize(maxData / sizeof(wchar_t) + 2);
    }
    return false;
}
}  // namespace

bool SameText(const wchar_t* wide, size_t length, const std::string& ansi) {
    if (ansi.empty() || length == 0) return ansi.empty() && length == 0;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (n <= 0 || static_cast<size_t>(n) != length) return false;
    std::vector<wchar_t> back(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()), back.data(), n);
    return std::equal(back.begin(), back.end(), wide);
}

bool SubkeyNameExact(HKEY parent, DWORD index, const std::string& name) {
    if (index == NO_INDEX) return false;
    wchar_t wide[260];  // key names are at most 255 characters
    DWORD length = 260;
    if (RegEnumKeyExW(parent, index, wide, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return false;
    return SameText(wide, length, name);
}

bool ReadsExactly(const ValueSource& source, const std::string& subkeyName, const ValueRecord& rec, bool withData) {
    if (source.parent && !SubkeyNameExact(source.parent, source.subkeyIndex, subkeyName)) return false;
    if (source.position == NO_INDEX) return unnamedExact(source.key, rec, withData);
    return namedExact(source.key, enumerationIndex(source), rec, withData);
}
