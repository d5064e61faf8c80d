// Repair pieces below the routines: the undo file's name, the keys a repair may delete whole, and
// the deletion of broken shortcut files.
#include "engine/Repair.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include <vector>

#include "platform/DataFolder.h"
#include "engine/PathCleanup.h"
#include "engine/scanners/Shortcut.h"
#include "registry/KeySnapshot.h"
#include "registry/RegKey.h"
#include "engine/RegistryLib.h"
#include "registry/WideText.h"

namespace {
// The container each scanner of "KEY" records walks, by record type. Kept beside the scanners'
// own paths on purpose: a record that does not match these exactly is not deleted.
const struct {
    const char* type;
    const char* container;
} KEY_CONTAINERS[] = {
    {"CLSID", "HKEY_CLASSES_ROOT\\CLSID"},
    {"APPPath", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
    {"APPPath", "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
    {"SharedTools", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools"},
};

// Every component non-empty: "a\\b", not "", "\\a", "a\\" or "a\\\\b" (a trailing or doubled
// backslash can make the registry open the parent).
bool wellFormedRelativePath(const std::string& rest) {
    if (rest.empty() || rest.front() == '\\' || rest.back() == '\\') return false;
    return rest.find("\\\\") == std::string::npos;
}
std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t slash; (slash = path.find('\\', start)) != std::string::npos; start = slash + 1)
        parts.push_back(path.substr(start, slash - start));
    parts.push_back(path.substr(start));
    return parts;
}

// A file type's verb (lowered): "hkey_classes_root\<class>\shell\<verb>" and nothing else, so
// that a repair takes the verb with its command and never the class, the extension or the shell key.
constexpr const char* FILE_TYPE_RECORD = "FileType";
bool isVerbKeyPath(const std::string& lowerPath) {
    static const char CLASSES_ROOT[] = "hkey_classes_root\\";
    const size_t prefix = sizeof CLASSES_ROOT - 1;
    if (lowerPath.compare(0, prefix, CLASSES_ROOT) != 0) return false;
    const std::string rest = lowerPath.substr(prefix);
    if (!wellFormedRelativePath(rest)) return false;
    const std::vector<std::string> parts = splitPath(rest);
    return parts.size() == 3 && parts[1] == "shell" && parts[0] != "clsid";
}

// The key's full name as the registry stores it ("\REGISTRY\MACHINE\..."); empty when unknown.
std::string fullStoredName(HKEY key) {
    using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<NtQueryKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryKey")));
    constexpr int KEY_NAME_INFORMATION = 3;
    if (!query) return std::string();
    std::vector<unsigned char> info(1024);
    ULONG needed = 0;
    LONG status = query(key, KEY_NAME_INFORMATION, info.data(), static_cast<ULONG>(info.size()), &needed);
    if (status != 0 && needed > info.size()) {
        info.resize(needed);
        status = query(key, KEY_NAME_INFORMATION, info.data(), static_cast<ULONG>(info.size()), &needed);
    }
    if (status != 0 || info.size() < sizeof(ULONG)) return std::string();
    ULONG bytes = 0;
    std::memcpy(&bytes, info.data(), sizeof bytes);
    const size_t chars = std::min<size_t>(bytes, info.size() - sizeof bytes) / sizeof(WCHAR);
    std::wstring wide(chars, L'\0');
    std::memcpy(&wide[0], info.data() + sizeof bytes, chars * sizeof(WCHAR));
    int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    return out;
}
}  // namespace

std::string StoredKeyPath(const std::string& keyPath) {
    std::string subkey = keyPath;
    const std::string root = CRegistryLib::SeperateMainKey(subkey);
    RegKey key;
    if (subkey.empty() || CRegistryLib::OpenKey(root, subkey, key.put()) != ERROR_SUCCESS) return keyPath;
    const std::vector<std::string> ours = splitPath(subkey), stored = splitPath(fullStoredName(key.get()));
    if (stored.size() < ours.size()) return keyPath;
    std::string result = root;
    for (size_t i = 0; i < ours.size(); ++i) {
        const std::string& name = stored[stored.size() - ours.size() + i];
        // The same names but for case, or the stored name is not what we think it is.
        if (name.size() != ours[i].size() || lstrcmpiA(name.c_str(), ours[i].c_str()) != 0) return keyPath;
        result += "\\" + name;
    }
    return result;
}

std::string UndoFileName(const std::tm& localTime) {
    char name[128];
    if (std::strftime(name, sizeof name, UNDO_FILE_FORMAT, &localTime) == 0) return "FixedOn.xml";
    return name;
}

std::string UndoFileNameNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (const std::tm* t = std::localtime(&now)) local = *t;
    return UndoFileName(local);
}

std::string NumberedUndoFileName(const std::string& name, int number) {
    if (number <= 1) return name;
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    return stem + "_" + std::to_string(number) + ext;
}

std::string ReserveUndoFileName() {
    const std::string base = UndoFileNameNow();
    for (int number = 1; number <= MAX_UNDO_FILES_PER_SECOND; ++number) {
        const std::string name = DataFilePath(NumberedUndoFileName(base, number));
        // Created here, empty, so that no other repair can take the name meanwhile.
        HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return name;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return name;
    }
    return std::string();
}

std::string ClassesRootHive(const std::string& keyPath) {
    static const char CLASSES_ROOT[] = "hkey_classes_root\\";
    const size_t prefix = sizeof CLASSES_ROOT - 1;
    if (AsciiLower(keyPath.substr(0, prefix)) != CLASSES_ROOT || keyPath.size() == prefix) return keyPath;
    const std::wstring rest = WideFromAnsi(keyPath.substr(prefix));
    // The user's own classes come first in the merged view, as the system merges them.
    static const struct { HKEY root; const char* name; } HIVES[] = {
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER\\Software\\Classes\\"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE\\Software\\Classes\\"},
    };
    for (const auto& hive : HIVES) {
        RegKey key;
        if (OpenKeyNoFollow(hive.root, L"Software\\Classes\\" + rest, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS)
            return hive.name + keyPath.substr(prefix);
    }
    return keyPath;
}

bool IsRemovableKeyRecord(const RegistryError& record) {
    const std::string path = AsciiLower(record.keyPath);  // key names compare without case
    if (record.type == FILE_TYPE_RECORD) return isVerbKeyPath(path);
    for (const auto& entry : KEY_CONTAINERS) {
        if (record.type != entry.type) continue;
        const std::string container = AsciiLower(entry.container) + "\\";
        if (path.compare(0, container.size(), container) != 0) continue;
        return wellFormedRelativePath(path.substr(container.size()));
    }
    return false;
}

void FixShortcuts(CShortcut& shortcuts, const std::vector<bool>& ticks, const ShortcutRemover& remove) {
    shortcuts.fixedCount = 0;
    const RowTicks selection{{}, ticks};
    for (size_t row = 0; row < shortcuts.invalidShortcuts.size(); ++row) {
        const std::string& path = shortcuts.invalidShortcuts[row];
        if (path.empty() || !selection.Shortcut(row)) continue;  // unticked: left alone
        if (shortcuts.progressCallback) shortcuts.progressCallback(path.c_str(), "Fixing ShortCuts", 0, 0);
        // A shortcut file has no undo: its target is looked for once more right before it goes.
        CShortcut recheck;
        recheck.CheckLinkFile(path);
        if (recheck.invalidShortcuts.empty()) continue;
        if (remove) {
            if (remove(path)) ++shortcuts.fixedCount;
            continue;
        }
        const DWORD attributes = GetFileAttributesA(path.c_str());
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(path.c_str())) ++shortcuts.fixedCount;
        else if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path.c_str(), attributes);
    }
}
