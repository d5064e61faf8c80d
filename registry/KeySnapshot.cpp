// Exact copies of registry keys through the wide-character API, their writing back, and the
// deletion of a tree that never follows a symbolic link.
#include "registry/KeySnapshot.h"

#include <algorithm>
#include <cstring>

#include "registry/RegKey.h"
#include "registry/RegistryView.h"

namespace {

constexpr int GROW_ATTEMPTS = 8;  // a key that keeps growing while it is read is not read whole

using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
using StatusToErrorFn = ULONG(WINAPI*)(LONG);

FARPROC ntdll(const char* name) { return GetProcAddress(GetModuleHandleA("ntdll.dll"), name); }

// One value by name; false when it is missing or cannot be read whole.
bool queryValue(HKEY key, const std::wstring& name, SnapshotValue& out);

LONG readValues(HKEY key, std::vector<SnapshotValue>& out);

}  // namespace

bool ReadValueExact(HKEY key, const std::wstring& name, SnapshotValue& out) { return queryValue(key, name, out); }

namespace {

bool queryValue(HKEY key, const std::wstring& name, SnapshotValue& out) {
    DWORD size = 0, type = 0;
    const wchar_t* n = name.empty() ? nullptr : name.c_str();
    if (RegQueryValueExW(key, n, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    for (int attempt = 0; attempt < GROW_ATTEMPTS; ++attempt) {
        out.bytes.resize(size);
        DWORD got = size;
        static BYTE none;
        const LONG rc = RegQueryValueExW(key, n, nullptr, &type, size ? out.bytes.data() : &none, &got);
        if (rc == ERROR_SUCCESS) {
            out.bytes.resize(got);
            out.name = name;
            out.type = type;
            return true;
        }
        if (rc != ERROR_MORE_DATA) return false;
        size = std::max<DWORD>(got, size * 2 + 16);
    }
    return false;
}

LONG readValues(HKEY key, std::vector<SnapshotValue>& out) {
    DWORD count = 0, maxName = 0, maxData = 0;
    LONG info = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData,
                                 nullptr, nullptr);
    if (info != ERROR_SUCCESS) return info;
    std::vector<wchar_t> name(maxName + 2);
    std::vector<unsigned char> data(maxData + 2);
    for (DWORD i = 0; i < count; ++i) {
        LONG rc = ERROR_MORE_DATA;
        DWORD nameLen = 0, dataLen = 0, type = 0;
        for (int attempt = 0; attempt < GROW_ATTEMPTS && rc == ERROR_MORE_DATA; ++attempt) {
            nameLen = static_cast<DWORD>(name.size());
            dataLen = static_cast<DWORD>(data.size());
            rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
            if (rc != ERROR_MORE_DATA) break;
            // The value grew since the key was asked: ask again and read it whole.
            DWORD newName = 0, newData = 0;
            RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &newName, &newData,
                             nullptr, nullptr);
            name.resize(std::max<size_t>(name.size() * 2, newName + 2));
            data.resize(std::max<size_t>({data.size() * 2, static_cast<size_t>(newData) + 2,
                                          static_cast<size_t>(dataLen) + 2}));
        }
        if (rc == ERROR_NO_MORE_ITEMS) break;  // values removed meanwhile: what is there was read
        if (rc != ERROR_SUCCESS) return rc;
        SnapshotValue v;
        v.name.assign(name.data(), nameLen);
        v.type = type;
        v.bytes.assign(data.begin(), data.begin() + dataLen);
        out.push_back(std::move(v));
    }
    return ERROR_SUCCESS;
}

LONG readSubkeyNames(HKEY key, std::vector<std::wstring>& out) {
    DWORD count = 0, maxName = 0;
    const LONG info = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, &maxName, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    if (info != ERROR_SUCCESS) return info;
    if (count == 0) return ERROR_SUCCESS;  // a key opened without the right to list needs none here
    std::vector<wchar_t> name(std::max<DWORD>(maxName, 255) + 2);
    for (DWORD i = 0;; ++i) {
        DWORD len = static_cast<DWORD>(name.size());
        LONG rc = RegEnumKeyExW(key, i, name.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA) {
            name.resize(name.size() * 4);
            --i;
            continue;
        }
        if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (rc != ERROR_SUCCESS) return rc;
        out.emplace_back(name.data(), len);
    }
}

LONG deleteOpenKey(HKEY parent, const std::wstring& name, HKEY key) {
    static const auto del = reinterpret_cast<NtDeleteKeyFn>(reinterpret_cast<void*>(ntdll("NtDeleteKey")));
    static const auto toError = reinterpret_cast<StatusToErrorFn>(reinterpret_cast<void*>(ntdll("RtlNtStatusToDosError")));
    if (!del || !toError) return RegDeleteKeyW(parent, name.c_str());
    const LONG status = del(key);
    return status == 0 ? ERROR_SUCCESS : static_cast<LONG>(toError(status));
}

// With the least rights a copy needs: listing only matters for a key that has subkeys.
LONG openForReading(HKEY parent, const std::wstring& name, RegKey& key) {
    LONG rc = OpenKeyNoFollow(parent, name, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, key.put());
    if (rc == ERROR_ACCESS_DENIED) rc = OpenKeyNoFollow(parent, name, KEY_QUERY_VALUE, key.put());
    return rc;
}

}  // namespace

LONG OpenKeyNoFollow(HKEY parent, const std::wstring& name, REGSAM access, HKEY* out) {
    *out = nullptr;
    return RegOpenKeyExW(parent, name.empty() ? nullptr : name.c_str(), REG_OPTION_OPEN_LINK, access | ViewAccess(),
                         out);
}

std::wstring StoredKeyName(HKEY key) {
    static const auto query = reinterpret_cast<NtQueryKeyFn>(reinterpret_cast<void*>(ntdll("NtQueryKey")));
    constexpr int KEY_NAME_INFORMATION = 3;
    if (!query) return std::wstring();
    std::vector<unsigned char> info(1024);
    ULONG needed = 0;
    LONG status = query(key, KEY_NAME_INFORMATION, info.data(), static_cast<ULONG>(info.size()), &needed);
    if (status != 0 && needed > info.size()) {
        info.resize(needed);
        status = query(key, KEY_NAME_INFORMATION, info.data(), static_cast<ULONG>(info.size()), &needed);
    }
    if (status != 0) return std::wstring();
    ULONG bytes = 0;
    std::memcpy(&bytes, info.data(), sizeof bytes);
    const size_t chars = std::min<size_t>(bytes, info.size() - sizeof bytes) / sizeof(wchar_t);
    std::wstring name(chars, L'\0');
    if (chars) std::memcpy(&name[0], info.data() + sizeof bytes, chars * sizeof(wchar_t));
    return name;
}

bool IsLinkKey(HKEY parent, const std::wstring& name, HKEY key) {
    DWORD type = 0;
    if (RegQueryValueExW(key, LINK_VALUE_NAME, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS || type != REG_LINK)
        return false;
    // An ordinary key may hold such a value too; a link is one whose followed name is another key's.
    RegKey followed;
    if (RegOpenKeyExW(parent, name.empty() ? nullptr : name.c_str(), 0, KEY_QUERY_VALUE | ViewAccess(),
                      followed.put()) != ERROR_SUCCESS)
        return true;
    const std::wstring own = StoredKeyName(key), other = StoredKeyName(followed.get());
    return own.empty() || other.empty() || lstrcmpiW(own.c_str(), other.c_str()) != 0;
}

LONG ReadKeySnapshot(HKEY parent, const std::wstring& name, HKEY key, KeySnapshot& out,
                     const std::wstring* onlyValue, int depth) {
    if (depth > MAX_KEY_NESTING) return ERROR_BADKEY;
    out.link = IsLinkKey(parent, name, key);
    if (out.link) return readValues(key, out.values);  // the target, never what lies behind it
    LONG rc = ERROR_SUCCESS;
    if (onlyValue) {
        SnapshotValue v;
        if (ReadValueExact(key, *onlyValue, v)) out.values.push_back(std::move(v));
    } else if ((rc = readValues(key, out.values)) != ERROR_SUCCESS) {
        return rc;
    }
    std::vector<std::wstring> names;
    if ((rc = readSubkeyNames(key, names)) != ERROR_SUCCESS) return rc;
    for (const auto& child : names) {
        if (child.empty() || depth + 1 > MAX_KEY_NESTING) return ERROR_BADKEY;
        RegKey sub;
        if ((rc = openForReading(key, child, sub)) != ERROR_SUCCESS) return rc;
        KeySnapshot snap;
        snap.name = child;
        if ((rc = ReadKeySnapshot(key, child, sub.get(), snap, nullptr, depth + 1)) != ERROR_SUCCESS) return rc;
        out.subkeys.push_back(std::move(snap));
    }
    return ERROR_SUCCESS;
}

LONG SnapshotSubkey(HKEY parent, const std::wstring& name, KeySnapshot& out, const std::wstring* onlyValue) {
    RegKey key;
    const LONG rc = openForReading(parent, name, key);
    if (rc != ERROR_SUCCESS) return rc;
    return ReadKeySnapshot(parent, name, key.get(), out, onlyValue);
}

LONG WriteKeyContents(HKEY key, const KeySnapshot& snap, SnapshotFailures* failures, const std::wstring& path,
                      int depth) {
    LONG first = ERROR_SUCCESS;
    static const BYTE none = 0;
    for (const auto& v : snap.values) {
        const LONG rc = RegSetValueExW(key, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type,
                                       v.bytes.empty() ? &none : v.bytes.data(), static_cast<DWORD>(v.bytes.size()));
        if (rc == ERROR_SUCCESS) continue;
        if (first == ERROR_SUCCESS) first = rc;
        if (failures) failures->push_back(SnapshotWriteFailure{path, true, v.name, rc});
    }
    for (const auto& sub : snap.subkeys) {
        const LONG rc = WriteKeySnapshot(key, sub, failures, path, depth + 1);
        if (rc != ERROR_SUCCESS && first == ERROR_SUCCESS) first = rc;
    }
    return first;
}

LONG WriteKeySnapshot(HKEY parent, const KeySnapshot& snap, SnapshotFailures* failures, const std::wstring& parentPath,
                      int depth) {
    const std::wstring path = parentPath.empty() ? snap.name : parentPath + L"\\" + snap.name;
    RegKey key;
    LONG rc = ERROR_BADKEY;
    if (snap.name.empty() || depth > MAX_KEY_NESTING) {
        // refused below
    } else if (snap.link) {
        rc = OpenKeyNoFollow(parent, snap.name, KEY_QUERY_VALUE | KEY_SET_VALUE, key.put());
        if (rc == ERROR_SUCCESS && !IsLinkKey(parent, snap.name, key.get())) rc = ERROR_ALREADY_EXISTS;
        else if (rc != ERROR_SUCCESS)
            rc = RegCreateKeyExW(parent, snap.name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                                 KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_LINK | ViewAccess(), nullptr, key.put(),
                                 nullptr);
    } else {
        rc = RegCreateKeyExW(parent, snap.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | ViewAccess(), nullptr,
                             key.put(), nullptr);
    }
    if (rc != ERROR_SUCCESS) {
        if (failures) failures->push_back(SnapshotWriteFailure{path, false, std::wstring(), rc});
        return rc;
    }
    return WriteKeyContents(key.get(), snap, failures, path, depth);
}

LONG DeleteTreeNoFollow(HKEY parent, const std::wstring& name, int depth) {
    if (name.empty()) return ERROR_BADKEY;
    if (depth > MAX_KEY_NESTING) return ERROR_BADKEY;
    // Opened as a link where it is one: a link has no subkeys of its own, and deleting this handle
    // removes the link, never its target.
    RegKey key;
    LONG rc = OpenKeyNoFollow(parent, name, DELETE | KEY_ENUMERATE_SUB_KEYS, key.put());
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<wchar_t> child(258);
    for (;;) {
        DWORD len = static_cast<DWORD>(child.size());
        rc = RegEnumKeyExW(key.get(), 0, child.data(), &len, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA) {
            child.resize(child.size() * 4);
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        rc = DeleteTreeNoFollow(key.get(), std::wstring(child.data(), len), depth + 1);
        if (rc != ERROR_SUCCESS) return rc;
    }
    return deleteOpenKey(parent, name, key.get());
}
