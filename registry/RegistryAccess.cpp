// RegistryAccess operations: root mapping, path splitting, opening, deleting and listing.
#include "registry/RegistryAccess.h"

#include <cstring>

#include "registry/KeyPath.h"
#include "registry/RegistryView.h"
#include "registry/RegKey.h"
#include "registry/WideText.h"

RegistryAccess::RegistryAccess() : isWin9x((GetVersion() & 0x80000000u) != 0) {}

namespace {

std::string utf16ToAnsi(const unsigned char* data, size_t length) {
    size_t chars = length / 2;
    std::wstring w(chars, L'\0');
    if (chars) std::memcpy(&w[0], data, chars * 2);
    size_t zero = w.find(L'\0');
    if (zero != std::wstring::npos) w.resize(zero);
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, w.c_str(), static_cast<int>(w.size()), &out[0], n, nullptr, nullptr);
    return out;
}

ValueRecord makeNamedRecord(std::string name, DWORD type, const unsigned char* data, DWORD length) {
    return ValueRecord{std::move(name), FormatData(type, data, length, utf16ToAnsi), type, true};
}

// The unnamed value: string data as text; other types rendered, so that nothing is read past
// the data (binary data has no terminating zero).
ValueRecord makeUnnamedRecord(DWORD type, const unsigned char* data, DWORD length) {
    if (length == 0) return ValueRecord{"(Default)", "(value not set)", type};
    if (type == REG_SZ || type == REG_EXPAND_SZ) return ValueRecord{"(Default)", BoundedText(data, length), type};
    return ValueRecord{"(Default)", FormatData(type, data, length, utf16ToAnsi), type};
}

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// Characters up to the first zero, of string data `bytes` long.
size_t textLength(const wchar_t* data, DWORD bytes) {
    const size_t chars = bytes / sizeof(wchar_t);
    for (size_t i = 0; i < chars; ++i)
        if (data[i] == L'\0') return i;
    return chars;
}

bool hasDefaultRecord(const ValueRecordArray& out) {
    for (const auto& rec : out)
        if (rec && rec->name == "(Default)") return true;
    return false;
}

void insertSuppliedDefault(ValueRecordArray& out) {
    out.insert(out.begin(), std::make_unique<ValueRecord>(ValueRecord{"(Default)", "(value not set)", REG_SZ}));
}
}  // namespace

// Names and the three string types are converted to the code page as the ANSI calls convert
// them (a trailing odd byte dropped), other data is kept as stored; the conversion also tells
// whether the name and string data are exact.
ValueRecord RegistryAccess::ValueFromWide(const wchar_t* name, DWORD nameLength, DWORD type, const wchar_t* data, DWORD bytes) {
    const unsigned char* shown = reinterpret_cast<const unsigned char*>(data);
    DWORD shownLength = bytes;
    std::string converted;
    if (isText(type) || type == REG_MULTI_SZ) {
        converted = RegistryAnsi(data, bytes / sizeof(wchar_t));
        shown = reinterpret_cast<const unsigned char*>(converted.data());
        shownLength = static_cast<DWORD>(converted.size());
    }
    ValueRecord rec;
    if (name) {
        rec = makeNamedRecord(RegistryAnsi(name, nameLength), type, shown, shownLength);
        rec.exactName = SameText(name, nameLength, rec.name);
    } else {
        rec = makeUnnamedRecord(type, shown, shownLength);
        rec.exactName = true;  // the unnamed value has no name to misread
    }
    rec.exactData = isText(type) && SameText(data, textLength(data, bytes), rec.data);
    return rec;
}

HKEY RegistryAccess::RootKeyFromName(const std::string& root) {
    static const struct { const char* name; HKEY key; } roots[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKEY_USERS", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const auto& r : roots)
        if (lstrcmpiA(root.c_str(), r.name) == 0 && root.size() == std::strlen(r.name)) return r.key;
    return nullptr;
}

std::string RegistryAccess::SeperateMainKey(std::string& path) {
    size_t slash = path.find('\\');
    if (slash == std::string::npos) {
        std::string root;
        root.swap(path);
        return root;
    }
    std::string root = path.substr(0, slash);
    path.erase(0, slash + 1);
    return root;
}

LONG RegistryAccess::OpenKey(const std::string& root, const std::string& subkey, HKEY* out) {
    if (!out) return 1;
    *out = nullptr;
    HKEY rootKey = RootKeyFromName(root);
    if (!rootKey) return 1;
    return OpenKeyPath(rootKey, subkey, MAXIMUM_ALLOWED | ViewAccess(), out);
}

LONG RegistryAccess::DeleteValue(const std::string& root, const std::string& subkey, const std::string& name) {
    HKEY rootKey = RootKeyFromName(root);
    if (!rootKey) return 1;
    RegKey key;
    LONG rc = OpenKeyPath(rootKey, subkey, KEY_SET_VALUE | ViewAccess(), key.put());
    if (rc != ERROR_SUCCESS) return rc;
    return RegDeleteValueW(key.get(), WideFromAnsi(name).c_str());
}

LONG RegistryAccess::DeleteKey(const std::string& root, const std::string& subkey) {
    HKEY rootKey = RootKeyFromName(root);
    if (!rootKey) return 1;
    if (isWin9x) return RegDeleteKeyA(rootKey, subkey.c_str());
    return DeleteKeyTree(rootKey, subkey);
}

LONG RegistryAccess::DeleteKeyTree(HKEY parent, const std::string& subkey) {
    if (subkey.empty()) return ERROR_BADKEY;
    // Through the wide-character API, so that children whose names the code page cannot carry go
    // too; links are removed themselves and never followed.
    return DeleteTreeNoFollow(parent, WideFromAnsi(subkey));
}

void RegistryAccess::ListValues(HKEY key, ValueRecordArray& out) {
    DWORD count = 0, maxName = 0, maxData = 0;
    // Read wide and converted here, as the ANSI calls would convert the very same reply: the
    // records then also know whether their text is exact, at no extra registry call.
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName,
                         &maxData, nullptr, nullptr) == ERROR_SUCCESS) {
        std::vector<wchar_t> name(maxName + 2);
        std::vector<wchar_t> data(maxData / sizeof(wchar_t) + 2);
        for (DWORD i = 0; i < count; ++i) {
            DWORD nameLen = 0, dataLen = 0, type = 0;
            LONG rc;
            // The key may grow between the query and this call: grow and read the value whole.
            for (int attempt = 0;; ++attempt) {
                nameLen = static_cast<DWORD>(name.size());
                dataLen = static_cast<DWORD>(data.size() * sizeof(wchar_t));
                rc = RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                   &dataLen);
                if (rc != ERROR_MORE_DATA || attempt == 4) break;
                DWORD newName = 0, newData = 0;
                if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     &newName, &newData, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                name.resize(std::max<size_t>(name.size() * 2, newName + 2));
                data.resize(std::max<size_t>(data.size() * 2, newData / sizeof(wchar_t) + 2));
            }
            if (rc != ERROR_SUCCESS) continue;
            out.push_back(std::make_unique<ValueRecord>(
                ValueFromWide(nameLen > 0 ? name.data() : nullptr, nameLen, type, data.data(), dataLen)));
        }
    }
    if (!hasDefaultRecord(out)) insertSuppliedDefault(out);
}

ValueRecord RegistryAccess::ReadDefaultValue(HKEY key) {
    std::vector<wchar_t> data(256);
    DWORD type = 0, length = 0;
    LONG rc;
    for (int attempt = 0;; ++attempt) {
        length = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        rc = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &length);
        if (rc != ERROR_MORE_DATA || attempt == 4) break;
        data.resize(std::max<size_t>(data.size() * 2, length / sizeof(wchar_t) + 2));
    }
    if (rc != ERROR_SUCCESS) return ValueRecord{"(Default)", "(value not set)", REG_SZ};
    return ValueFromWide(nullptr, 0, type, data.data(), length);
}
