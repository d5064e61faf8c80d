// Reading key bodies and key records of the first binary backup format (backups written before the
// second format, which BackupFormatV2.cpp writes and reads).
#include "backup/BackupFormat.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "registry/KeyPath.h"
#include "registry/RegKey.h"

namespace {
const struct { const char* name; uint32_t code; } ROOTS[] = {
    {"HKEY_CLASSES_ROOT", 0x80000000u},
    {"HKEY_CURRENT_USER", 0x80000001u},
    {"HKEY_LOCAL_MACHINE", 0x80000002u},
    {"HKEY_USERS", 0x80000003u},
};

HKEY rootKey(uint32_t code) { return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(code)); }

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

bool readValueEntry(HKEY key, BackupInput& in, BackupReadState& state) {
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
    if (!key) return true;
    const BYTE* bytes = dataLen ? reinterpret_cast<const BYTE*>(data.data()) : nullptr;
    const LONG rc = RegSetValueExA(key, nameLen ? name.c_str() : nullptr, 0, type, bytes, dataLen);
    if (rc != ERROR_SUCCESS) {
        state.accessDenied |= rc == ERROR_ACCESS_DENIED;
        ++state.valuesFailed;
        if (state.message) state.message("Can't set value");
    }
    return true;
}

bool readSubkeyEntry(HKEY key, BackupInput& in, BackupReadState& state, int depth) {
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
    RegKey sub;
    const LONG created = key ? RegCreateKeyExA(key, name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                               sub.put(), nullptr)
                             : ERROR_SUCCESS;
    if (created != ERROR_SUCCESS) {
        state.accessDenied |= created == ERROR_ACCESS_DENIED;
        state.problem = "Can't create key " + name + " below " + state.keyPath;
        return false;
    }
    const size_t parentLength = state.keyPath.size();
    state.keyPath += "\\" + name;
    bool ok = ReadKeyBackup(sub.get(), in, state, depth + 1);
    if (ok) state.keyPath.resize(parentLength);
    return ok;
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

bool ReadKeyBackup(HKEY key, BackupInput& in, BackupReadState& state, int depth) {
    uint64_t at = in.offset();
    uint32_t count = 0;
    if (!in.u32(count)) return cut(state, in, at, "a value count");
    if (count > in.remaining() / MIN_VALUE_ENTRY_BYTES)
        return damaged(state, at, number("a value count of %u that the rest of the file cannot hold", count));
    for (uint32_t i = 0; i < count; ++i)
        if (!readValueEntry(key, in, state)) return false;
    at = in.offset();
    if (!in.u32(count)) return cut(state, in, at, "a subkey count");
    if (count > in.remaining() / MIN_SUBKEY_ENTRY_BYTES)
        return damaged(state, at, number("a subkey count of %u that the rest of the file cannot hold", count));
    for (uint32_t i = 0; i < count; ++i)
        if (!readSubkeyEntry(key, in, state, depth)) return false;
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
    RegKey key;
    const LONG created = apply ? CreateKeyPath(rootKey(root), path, KEY_READ | KEY_WRITE, key.put()) : ERROR_SUCCESS;
    if (created != ERROR_SUCCESS) {
        state.accessDenied |= created == ERROR_ACCESS_DENIED;
        state.problem = "Can't create key " + state.keyPath;
        return false;
    }
    return ReadKeyBackup(key.get(), in, state);
}
