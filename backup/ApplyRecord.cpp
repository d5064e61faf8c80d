// Writing one backup record back into the registry, whatever file format it came from.
#include "backup/BackupFormat.h"
#include "registry/WideText.h"

bool ApplyBackupRecord(const BackupKeyRecord& record, BackupReadState& state) {
    const char* rootName = BackupRootName(record.root);
    const size_t slash = record.path.rfind(L'\\');
    const std::wstring parentPath = slash == std::wstring::npos ? std::wstring() : record.path.substr(0, slash);
    state.keyPath = std::string(rootName ? rootName : "?") + "\\" + AnsiFromWide(record.path);
    // Only what is absent now is written: newer data at the same place stays, and is counted.
    const size_t keysFailed = state.tally.keysFailed.size();
    const HKEY rootKey = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(record.root));
    if (ApplyBackedUpKey(rootKey, rootName ? rootName : "?", parentPath, record.snap, state.tally)) return true;
    state.problem = state.tally.keysFailed.size() > keysFailed ? state.tally.keysFailed[keysFailed]
                                                               : "Can't create key " + state.keyPath;
    return false;
}
