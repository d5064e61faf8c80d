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

// A key read through one handle and written through another, opened only once something in it
// must be written: a key that is whole already counts as restored without the rights to change it.
class KeyAccess {
public:
    KeyAccess(HKEY parent, std::wstring name) : parent_(parent), name_(std::move(name)) {}
    RegKey read;
    // The key open for writing; null, with the error in `error`, when that is refused.
    HKEY writable(LONG& error) {
        if (!tried_) {
            tried_ = true;
            error_ = name_.empty() ? ERROR_SUCCESS : OpenKeyNoFollow(parent_, name_, KEY_READ | KEY_WRITE, write_.put());
        }
        error = error_;
        if (error_ != ERROR_SUCCESS) return nullptr;
        return name_.empty() ? parent_ : write_.get();
    }
    // A key just created, open for both.
    void created(RegKey key) {
        write_ = std::move(key);
        tried_ = true;
        error_ = ERROR_SUCCESS;
    }
    HKEY readable() const { return read ? read.get() : name_.empty() ? parent_ : write_.get(); }

private:
    HKEY parent_;
    std::wstring name_;  // empty: `parent_` itself (a root or an open parent), used for both
    RegKey write_;
    bool tried_ = false;
    LONG error_ = ERROR_SUCCESS;
};

void applyValue(KeyAccess& key, const std::string& keyPath, const SnapshotValue& v, RestoreTally& tally) {
    SnapshotValue now;
    if (ReadValueExact(key.readable(), v.name, now)) {
        if (now.type == v.type && now.bytes == v.bytes) ++tally.restored;
        else leave(tally, valueName(keyPath, v.name));
        return;
    }
    if (!valueAbsent(key.readable(), v.name)) return leave(tally, valueName(keyPath, v.name));  // there, but unreadable
    LONG rc = ERROR_SUCCESS;
    const HKEY target = key.writable(rc);
    if (target)
        rc = RegSetValueExW(target, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type,
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

bool applyKey(KeyAccess& parent, const KeySnapshot& snap, const std::string& parentText, RestoreTally& tally) {
    const std::string path = parentText + "\\" + AnsiFromWide(snap.name);
    KeyAccess key(parent.readable(), snap.name);
    LONG rc = OpenKeyNoFollow(parent.readable(), snap.name, KEY_READ, key.read.put());
    if (rc == ERROR_FILE_NOT_FOUND) {
        const HKEY container = parent.writable(rc);
        if (container && snap.link) {
            // A link comes back as a link, target and all, as the copy holds it.
            rc = WriteKeySnapshot(container, snap);
            if (rc == ERROR_SUCCESS) ++tally.restored;
        } else if (container) {
            RegKey made;
            rc = RegCreateKeyExW(container, snap.name.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | ViewAccess(), nullptr,
                                 made.put(), nullptr);
            if (rc == ERROR_SUCCESS) key.created(std::move(made));
        }
    } else if (rc == ERROR_SUCCESS && (snap.link || IsLinkKey(parent.readable(), snap.name, key.read.get()))) {
        // Never written through: a link now where the copy had a key, or another target, stays.
        if (snap.link && IsLinkKey(parent.readable(), snap.name, key.read.get()) && sameLink(key.read.get(), snap))
            ++tally.restored;
        else
            leave(tally, path);
        return true;
    }
    if (rc != ERROR_SUCCESS) {
        refused(tally, rc);
        tally.keysFailed.push_back("Can't create key " + path);
        return false;
    }
    if (snap.link) return true;
    for (const auto& v : snap.values) applyValue(key, path, v, tally);
    if (snap.values.empty()) ++tally.restored;  // the key itself is the entry
    bool ok = true;
    for (const auto& sub : snap.subkeys) ok = applyKey(key, sub, path, tally) && ok;
    return ok;
}
}  // namespace

bool ApplyBackedUpKey(HKEY root, const char* rootName, const std::wstring& parentPath, const KeySnapshot& snap,
                      RestoreTally& tally) {
    const RegistryViewScope view(snap.view64);
    std::string parentText = rootName;
    RegKey opened;
    LONG rc = ERROR_SUCCESS;
    if (!parentPath.empty()) {
        parentText += "\\" + AnsiFromWide(parentPath);
        // Read access is enough where the parents exist; missing ones are created.
        rc = RegOpenKeyExW(root, parentPath.c_str(), 0, KEY_READ | ViewAccess(), opened.put());
        if (rc == ERROR_FILE_NOT_FOUND)
            rc = RegCreateKeyExW(root, parentPath.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | ViewAccess(), nullptr,
                                 opened.put(), nullptr);
    }
    if (rc != ERROR_SUCCESS) {
        refused(tally, rc);
        tally.keysFailed.push_back("Can't create key " + parentText);
        return false;
    }
    // The parent is written to only to create the record's key; it is opened for that when needed.
    KeyAccess parent(root, parentPath);
    parent.read = std::move(opened);
    return applyKey(parent, snap, parentText, tally);
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
