// The second binary backup format: UTF-16 names, values of any size, links kept as links.
#include <cstdio>
#include <cstring>

#include "backup/BackupFormat.h"
#include "registry/RegKey.h"
#include "registry/RegistryView.h"
#include "registry/WideText.h"

namespace {

constexpr uint32_t MAX_VALUE_NAME_CHARS = 16383;
constexpr uint32_t MAX_KEY_NAME_CHARS = 255;
constexpr uint32_t MAX_PATH_CHARS = 32767;
constexpr uint32_t MIN_SUBKEY_ENTRY_V2 = 18;  // name length, one character, flags, two counts

void wideField(BackupOutput& out, const std::wstring& text) {
    out.u32(static_cast<uint32_t>(text.size() * 2));
    out.bytes(text.data(), text.size() * 2);
}

void writeBody(BackupOutput& out, const KeySnapshot& snap) {
    out.u32(static_cast<uint32_t>(snap.values.size()));
    for (const auto& v : snap.values) {
        wideField(out, v.name);
        out.u32(v.type);
        out.u32(static_cast<uint32_t>(v.bytes.size()));
        out.bytes(v.bytes.data(), v.bytes.size());
    }
    out.u32(static_cast<uint32_t>(snap.subkeys.size()));
    for (const auto& sub : snap.subkeys) {
        wideField(out, sub.name);
        out.u32(sub.link ? BACKUP_KEY_LINK : 0);
        writeBody(out, sub);
    }
}

bool damaged(BackupReadState& state, uint64_t at, const std::string& what) {
    state.damaged = true;
    state.problem = what + " at byte " + std::to_string(at);
    return false;
}

bool cut(BackupReadState& state, const BackupInput& in, uint64_t at, const std::string& field) {
    if (in.readFailed()) return damaged(state, at, "the file could not be read (" + field + ")");
    return damaged(state, at, "the file ends inside " + field);
}

// A UTF-16 text field of at most `maxChars` characters.
bool readWide(BackupInput& in, BackupReadState& state, uint32_t maxChars, const char* field, std::wstring& out) {
    const uint64_t at = in.offset();
    uint32_t length = 0;
    if (!in.u32(length)) return cut(state, in, at, std::string(field) + " length");
    if (length % 2 != 0 || length / 2 > maxChars)
        return damaged(state, at, std::string(field) + " length of " + std::to_string(length) +
                                      " bytes (an even number up to " + std::to_string(maxChars * 2) + " is allowed)");
    std::string bytes;
    if (!in.bytes(length, bytes)) return cut(state, in, at, field);
    out.assign(length / 2, L'\0');
    if (length) std::memcpy(&out[0], bytes.data(), length);
    if (out.find(L'\0') != std::wstring::npos) return damaged(state, at, std::string(field) + " holding a zero character");
    return true;
}

// `view64` only for a record's own key: a subkey lies in its record's view.
bool readFlags(BackupInput& in, BackupReadState& state, bool& link, bool* view64 = nullptr) {
    const uint64_t at = in.offset();
    uint32_t flags = 0;
    if (!in.u32(flags)) return cut(state, in, at, "key flags");
    const uint32_t known = BACKUP_KEY_LINK | (view64 ? BACKUP_KEY_VIEW64 : 0);
    if (flags & ~known) return damaged(state, at, "unknown key flags " + std::to_string(flags));
    link = (flags & BACKUP_KEY_LINK) != 0;
    if (view64) *view64 = (flags & BACKUP_KEY_VIEW64) != 0;
    return true;
}

bool readBody(BackupInput& in, BackupReadState& state, KeySnapshot& snap, int depth) {
    uint64_t at = in.offset();
    uint32_t count = 0;
    if (!in.u32(count)) return cut(state, in, at, "a value count");
    if (count > in.remaining() / MIN_VALUE_ENTRY_BYTES)
        return damaged(state, at, "a value count of " + std::to_string(count) + " that the rest of the file cannot hold");
    snap.values.resize(count);
    for (auto& v : snap.values) {
        if (!readWide(in, state, MAX_VALUE_NAME_CHARS, "a value name", v.name)) return false;
        at = in.offset();
        uint32_t length = 0, type = 0;
        std::string data;
        if (!in.u32(type)) return cut(state, in, at, "a value type");
        v.type = type;
        at = in.offset();
        if (!in.u32(length)) return cut(state, in, at, "a value data length");
        if (!in.bytes(length, data)) return cut(state, in, at, "value data of " + std::to_string(length) + " bytes");
        v.bytes.assign(data.begin(), data.end());
    }
    at = in.offset();
    if (!in.u32(count)) return cut(state, in, at, "a subkey count");
    if (count > in.remaining() / MIN_SUBKEY_ENTRY_V2)
        return damaged(state, at, "a subkey count of " + std::to_string(count) + " that the rest of the file cannot hold");
    if (count > 0 && snap.link) return damaged(state, at, "a link with subkeys");
    if (count > 0 && depth + 1 > MAX_KEY_NESTING) return damaged(state, at, "keys nested deeper than 512 levels");
    snap.subkeys.resize(count);
    for (auto& sub : snap.subkeys) {
        at = in.offset();
        if (!readWide(in, state, MAX_KEY_NAME_CHARS, "a subkey name", sub.name)) return false;
        if (sub.name.empty() || sub.name.find(L'\\') != std::wstring::npos)
            return damaged(state, at, "a subkey name that is empty or holds a backslash");
        if (!readFlags(in, state, sub.link) || !readBody(in, state, sub, depth + 1)) return false;
    }
    return true;
}

std::string unknownRoot(uint32_t root) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "an unknown root key 0x%08X", static_cast<unsigned>(root));
    return buf;
}

// "a\b\c" -> "a\b" and "c"; false for an empty path or an empty component.
bool splitLast(const std::wstring& path, std::wstring& parent, std::wstring& last) {
    if (path.empty() || path.front() == L'\\' || path.back() == L'\\' || path.find(L"\\\\") != std::wstring::npos)
        return false;
    const size_t slash = path.rfind(L'\\');
    parent = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    last = slash == std::wstring::npos ? path : path.substr(slash + 1);
    return true;
}

}  // namespace

void WriteKeyRecordV2(BackupOutput& out, uint32_t root, const std::wstring& subkey, const KeySnapshot& snap) {
    out.u32(root);
    wideField(out, subkey);
    out.u32((snap.link ? BACKUP_KEY_LINK : 0) | (snap.view64 ? BACKUP_KEY_VIEW64 : 0));
    writeBody(out, snap);
}

bool ReadKeyRecordV2(BackupInput& in, bool apply, BackupReadState& state) {
    uint64_t at = in.offset();
    uint32_t root = 0;
    if (!in.u32(root)) return cut(state, in, at, "a root key");
    if (root == 0) return state.ended = true;
    const char* rootName = BackupRootName(root);
    if (!rootName) return damaged(state, at, unknownRoot(root));
    at = in.offset();
    std::wstring path, parentPath;
    KeySnapshot snap;
    if (!readWide(in, state, MAX_PATH_CHARS, "a subkey path", path)) return false;
    if (!splitLast(path, parentPath, snap.name)) return damaged(state, at, "a subkey path with an empty component");
    state.keyPath = std::string(rootName) + "\\" + AnsiFromWide(path);
    if (!readFlags(in, state, snap.link, &snap.view64) || !readBody(in, state, snap, 0)) return false;
    if (!apply) return true;
    const size_t keysFailed = state.tally.keysFailed.size();
    if (ApplyBackedUpKey(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root)), rootName, parentPath, snap, state.tally))
        return true;
    state.problem = state.tally.keysFailed.size() > keysFailed ? state.tally.keysFailed[keysFailed]
                                                               : "Can't create key " + state.keyPath;
    return false;
}
