// Writing one backup record back into the registry, whatever file format it came from.
#include "backup/BackupFormat.h"
#include "registry/RegKey.h"
#include "registry/RegistryView.h"
#include "registry/WideText.h"

bool ApplyBackupRecord(const BackupKeyRecord& record, BackupReadState& state) {
    const char* rootName = BackupRootName(record.root);
    const size_t slash = record.path.rfind(L'\\');
    const std::wstring parentPath = slash == std::wstring::npos ? std::wstring() : record.path.substr(0, slash);
    state.keyPath = std::string(rootName ? rootName : "?") + "\\" + AnsiFromWide(record.path);
    const RegistryViewScope view(record.snap.view64);
    RegKey parent;
    const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(record.root));
    LONG rc = parentPath.empty() ? ERROR_SUCCESS
                                 : RegCreateKeyExW(rootKey, parentPath.c_str(), 0, nullptr, 0,
                                                   KEY_READ | KEY_WRITE | ViewAccess(), nullptr, parent.put(), nullptr);
    SnapshotFailures failures;
    if (rc == ERROR_SUCCESS) rc = WriteKeySnapshot(parentPath.empty() ? rootKey : parent.get(), record.snap, &failures);
    state.accessDenied |= rc == ERROR_ACCESS_DENIED;
    for (const auto& f : failures) state.accessDenied |= f.error == ERROR_ACCESS_DENIED;
    for (const auto& f : failures)
        if (f.isValue) {
            ++state.valuesFailed;
            if (state.message) state.message("Can't set value");
        }
    for (const auto& f : failures)
        if (!f.isValue) {
            state.problem = "Can't create key " + std::string(rootName ? rootName : "?") + "\\" +
                            AnsiFromWide(parentPath.empty() ? f.keyPath : parentPath + L"\\" + f.keyPath);
            return false;
        }
    if (rc != ERROR_SUCCESS && failures.empty()) {
        state.problem = "Can't create key " + state.keyPath;
        return false;
    }
    return true;
}
