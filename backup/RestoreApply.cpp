// Writing one backed-up key back with absent-only semantics, and the words for what it left.
#include "backup/RestoreApply.h"

#include "registry/RegKey.h"
#include "registry/RegistryView.h"
#include "registry/WideText.h"

namespace {
void leave(RestoreTally& tally, const std::string& name) {
    ++tally.leftAsIs;
    if (tally.firstLeft.size() < RESTORE_LEFT_SHOWN) tally.firstLeft.push_back(name);
}

void refused(RestoreTally& tally, LONG rc) { tally.accessDenied |= rc == ERROR_ACCESS_DENIED; }

bool valueAbsent(HKEY key, const std::wstring& name) {
    return RegQueryValueExW(key, name.empty() ? nullptr : name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_FILE_NOT_FOUND;
}

std::string valueName(const std::string& keyPath, const std::wstring& name) {
    return keyPath + "\\" + (name.empty() ? std::string("(Default)") : AnsiFromWide(name));
}

void applyValue(HKEY key, const std::string& keyPath, const SnapshotValue& v, RestoreTally& tally) {
    SnapshotValue now;
    if (ReadValueExact(key, v.name, now)) {
        if (now.type == v.type && now.bytes == v.bytes) ++tally.restored;
        else leave(tally, valueName(keyPath, v.name));
        return;
    }
    if (!valueAbsent(key, v.name)) return leave(tally, valueName(keyPath, v.name));  // there, but unreadable
    const LONG rc = RegSetValueExW(key, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type,
                                   v.bytes.empty() ? nullptr : v.bytes.data(), static_cast<DWORD>(v.bytes.size()));
    if (rc == ERROR_SUCCESS) {
        ++tally.restored;
    } else {
        ++tally.valuesFailed;
        refused(tally, rc);
    }
}

bool sameLink(HKEY key, const KeySnapshot& snap) {
    SnapshotValue now;
    for (const auto& v : snap.values)
        if (v.name == LINK_VALUE_NAME) return ReadValueExact(key, v.name, now) && now.type == v.type && now.bytes == v.bytes;
    return false;
}

bool applyKey(HKEY parent, const KeySnapshot& snap, const std::string& parentText, RestoreTally& tally) {
    const std::string path = parentText + "\\" + AnsiFromWide(snap.name);
    RegKey key;
    LONG rc = OpenKeyNoFollow(parent, snap.name, KEY_READ | KEY_WRITE, key.put());
    if (rc == ERROR_FILE_NOT_FOUND && snap.link) {
        // A link comes back as a link, target and all, as the copy holds it.
        rc = WriteKeySnapshot(parent, snap);
        if (rc == ERROR_SUCCESS) ++tally.restored;
    } else if (rc == ERROR_FILE_NOT_FOUND) {
        rc = RegCreateKeyExW(parent, snap.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | ViewAccess(), nullptr,
                             key.put(), nullptr);
    } else if (rc == ERROR_SUCCESS && (snap.link || IsLinkKey(parent, snap.name, key.get()))) {
        // Never written through: a link now where the copy had a key, or another target, stays.
        if (snap.link && IsLinkKey(parent, snap.name, key.get()) && sameLink(key.get(), snap)) ++tally.restored;
        else leave(tally, path);
        return true;
    }
    if (rc != ERROR_SUCCESS) {
        refused(tally, rc);
        tally.keysFailed.push_back("Can't create key " + path);
        return false;
    }
    if (snap.link) return true;
    for (const auto& v : snap.values) applyValue(key.get(), path, v, tally);
    if (snap.values.empty()) ++tally.restored;  // the key itself is the entry
    bool ok = true;
    for (const auto& sub : snap.subkeys) ok = applyKey(key.get(), sub, path, tally) && ok;
    return ok;
}
}  // namespace

bool ApplyBackedUpKey(HKEY root, const char* rootName, const std::wstring& parentPath, const KeySnapshot& snap,
                      RestoreTally& tally) {
    const RegistryViewScope view(snap.view64);
    std::string parentText = rootName;
    RegKey parent;
    if (!parentPath.empty()) {
        parentText += "\\" + AnsiFromWide(parentPath);
        const LONG rc = RegCreateKeyExW(root, parentPath.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | ViewAccess(),
                                        nullptr, parent.put(), nullptr);
        if (rc != ERROR_SUCCESS) {
            refused(tally, rc);
            tally.keysFailed.push_back("Can't create key " + parentText);
            return false;
        }
    }
    return applyKey(parentPath.empty() ? root : parent.get(), snap, parentText, tally);
}

std::string LeftAsIsText(const RestoreTally& tally) {
    if (tally.leftAsIs == 0) return std::string();
    std::string text = std::to_string(tally.leftAsIs) + (tally.leftAsIs == 1 ? " entry was" : " entries were") +
                       " left as " + (tally.leftAsIs == 1 ? "it is" : "they are") +
                       " now: " + (tally.leftAsIs == 1 ? "it was" : "they were") + " changed after the repair.";
    for (const auto& name : tally.firstLeft) text += "\n  " + name;
    const int more = tally.leftAsIs - static_cast<int>(tally.firstLeft.size());
    if (more > 0) text += "\n  and " + std::to_string(more) + " more";
    return text;
}
