// Reading key bodies and key records of the first binary backup format (backups written before the
// second format, which BackupFormatV2.cpp writes and reads).
#include "backup/BackupFormat.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "registry/WideText.h"

namespace {
const struct { const char* name; uint32_t code; } ROOTS[] = {
    {"HKEY_CLASSES_ROOT", 0x80000000u},
    {"HKEY_CURRENT_USER", 0x80000001u},
    {"HKEY_LOCAL_MACHINE", 0x80000002u},
    {"HKEY_USERS", 0x80000003u},
};


bool damaged(BackupReadState& state, uint64_t at, const std::string& what) {
    state.damaged = true;
    state.problem = what + " at byte " + std::to_string(at);
    return false;
}

// A field that cannot be read whole: the file ends early, or reading it failed.
bool cut(BackupReadState& state, const BackupInput& in, uint64_t at, const char* field) {
    if (in.readFailed()) return damaged(state, at, std::string("the file could not be read (") + field + ")");
    return damaged(state, at, std::string("the file ends inside ") + field);
}

std::string number(const char* format, uint32_t v) {
    char buf[256];  // room for the longest message: a cut-off text would hide the reason
    std::snprintf(buf, sizeof buf, format, static_cast<unsigned>(v));
    return buf;
}

bool isText(uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Code-page data as the registry stores it: text converted to UTF-16 (embedded zeros kept), as
// RegSetValueExA converted it when the first format's restore wrote it.
std::vector<unsigned char> storedData(uint32_t type, const std::string& data) {
    if (!isText(type) || data.empty()) return std::vector<unsigned char>(data.begin(), data.end());
    const int n = MultiByteToWideChar(CP_ACP, 0, data.data(), static_cast<int>(data.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_ACP, 0, data.data(), static_cast<int>(data.size()), &wide[0], n);
    const auto* bytes = reinterpret_cast<const unsigned char*>(wide.data());
    return std::vector<unsigned char>(bytes, bytes + wide.size() * sizeof(wchar_t));
}

bool readValueEntry(BackupInput& in, BackupReadState& state, KeySnapshot& into) {
    uint64_t at = in.offset();
    uint32_t nameLen = 0, type = 0, dataLen = 0;
    std::string name, data;
    if (!in.u32(nameLen)) return cut(state, in, at, "a value name length");
    if (nameLen > MAX_VALUE_NAME_BYTES)
        return damaged(state, at, number("a value name length of %u bytes (at most 16383 are allowed)", nameLen));
    if (!in.bytes(nameLen, name)) return cut(state, in, at, "a value name");
    if (name.find('\0') != std::string::npos) return damaged(state, at, "a value name holding a zero byte");
    at = in.offset();
    if (!in.u32(type)) return cut(state, in, at, "a value type");
    at = in.offset();
    if (!in.u32(dataLen)) return cut(state, in, at, "a value data length");
    if (dataLen > MAX_VALUE_DATA_BYTES)
        return damaged(state, at, number("a value data length of %u bytes (at most 16383 are allowed)", dataLen));
    if (!in.bytes(dataLen, data)) return cut(state, in, at, "value data");
    into.values.push_back({WideFromAnsi(name), type, storedData(type, data)});
    return true;
}

bool readSubkeyEntry(BackupInput& in, BackupReadState& state, KeySnapshot& into, int depth) {
    const uint64_t at = in.offset();
    uint32_t nameLen = 0;
    std::string name;
    if (!in.u32(nameLen)) return cut(state, in, at, "a subkey name length");
    if (nameLen == 0 || nameLen > MAX_SUBKEY_NAME_BYTES)
        return damaged(state, at, number("a subkey name length of %u bytes (1 to 255 are allowed)", nameLen));
    if (!in.bytes(nameLen, name)) return cut(state, in, at, "a subkey name");
    if (name.find('\0') != std::string::npos || name.find('\\') != std::string::npos)
        return damaged(state, at, "a subkey name holding a zero byte or a backslash");
    if (depth + 1 > MAX_KEY_DEPTH) return damaged(state, at, "keys nested deeper than 512 levels");
    into.subkeys.emplace_back();
    into.subkeys.back().name = WideFromAnsi(name);
    return ReadKeyBackup(in, state, into.subkeys.back(), depth + 1);
}
}  // namespace

uint32_t BackupRootCode(const std::string& rootName) {
    for (const auto& r : ROOTS)
        if (rootName == r.name) return r.code;
    return 0;
}

const char* BackupRootName(uint32_t code) {
    for (const auto& r : ROOTS)
        if (code == r.code) return r.name;
    return nullptr;
}

bool ReadKeyBackup(BackupInput& in, BackupReadState& state, KeySnapshot& into, int depth) {
    uint64_t at = in.offset();
    uint32_t count = 0;
    if (!in.u32(count)) return cut(state, in, at, "a value count");
    if (count > in.remaining() / MIN_VALUE_ENTRY_BYTES)
        return damaged(state, at, number("a value count of %u that the rest of the file cannot hold", count));
    for (uint32_t i = 0; i < count; ++i)
        if (!readValueEntry(in, state, into)) return false;
    at = in.offset();
    if (!in.u32(count)) return cut(state, in, at, "a subkey count");
    if (count > in.remaining() / MIN_SUBKEY_ENTRY_BYTES)
        return damaged(state, at, number("a subkey count of %u that the rest of the file cannot hold", count));
    for (uint32_t i = 0; i < count; ++i)
        if (!readSubkeyEntry(in, state, into, depth)) return false;
    return true;
}

bool ReadKeyRecord(BackupInput& in, bool apply, BackupReadState& state) {
    uint64_t at = in.offset();
    uint32_t root = 0, length = 0;
    std::string path;
    if (!in.u32(root)) return cut(state, in, at, "a root key");
    const char* rootName = BackupRootName(root);
    if (!rootName) return damaged(state, at, number("an unknown root key 0x%08X", root));
    at = in.offset();
    if (!in.u32(length)) return cut(state, in, at, "a subkey path length");
    if (length > MAX_RECORD_PATH_BYTES)
        return damaged(state, at, number("a subkey path length of %u bytes (at most 65535 are allowed)", length));
    if (!in.bytes(length, path)) return cut(state, in, at, "a subkey path");
    if (path.find('\0') != std::string::npos) return damaged(state, at, "a subkey path holding a zero byte");
    state.keyPath = std::string(rootName) + "\\" + path;
    KeySnapshot snap;
    if (!ReadKeyBackup(in, state, snap)) return false;
    if (!apply) return true;
    // The record's key is its path's last component; the parents are created where missing.
    BackupKeyRecord record;
    record.root = root;
    record.path = WideFromAnsi(path);
    const size_t slash = record.path.rfind(L'\\');
    record.snap = std::move(snap);
    record.snap.name = slash == std::wstring::npos ? record.path : record.path.substr(slash + 1);
    if (record.snap.name.empty()) {
        state.problem = "Can't create key " + state.keyPath;
        return false;
    }
    return ApplyBackupRecord(record, state);
}
