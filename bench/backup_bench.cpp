// Backup bench: a repair's backup of N removed entries as a registry editor file against the same
// entries in the second binary format: file size, and the time a restore of each takes.
// Arguments: --entries N (1000), --runs N (3). Seeds and removes its own keys below
// HKEY_CURRENT_USER\Software\ZentharBench\Backup.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "backup/Backup.h"
#include "backup/BackupFormat.h"
#include "platform/DataFolder.h"
#include "registry/KeySnapshot.h"
#include "registry/RegKey.h"
#include "registry/WideText.h"
#include "support/Timing.h"

namespace {
const char* BASE = "Software\\ZentharBench\\Backup";

void setText(HKEY key, const char* name, const std::string& text, DWORD type = REG_SZ) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
}

// What the scanners find: uninstall-like keys of several texts, class keys with a subkey, and
// single values (shared DLL counts, startup commands). Every fourth entry is a single value.
void seed(int entries, ErrorArray& errors) {
    RegKey base;
    RegCreateKeyExA(HKEY_CURRENT_USER, BASE, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, base.put(), nullptr);
    RegKey values;
    RegCreateKeyExA(base.get(), "Values", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, values.put(), nullptr);
    for (int i = 0; i < entries; ++i) {
        auto err = std::make_unique<RegistryError>();
        err->type = "Bench";
        const std::string n = std::to_string(i);
        if (i % 4 == 3) {
            const std::string name = "C:\\Program Files\\Vendor " + n + "\\bin\\library" + n + ".dll";
            DWORD count = static_cast<DWORD>(i);
            RegSetValueExA(values.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), 4);
            err->keyPath = std::string("HKEY_CURRENT_USER\\") + BASE + "\\Values";
            err->action = "VAL";
            err->value = std::make_unique<ValueRecord>();
            err->value->name = name;
        } else {
            const std::string path = std::string(BASE) + "\\Entry{" + n + "-4F1C-9A7B-0123456789AB}";
            RegKey key, sub;
            RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
            setText(key.get(), "", "Product component " + n);
            setText(key.get(), "DisplayName", "Some Application " + n);
            setText(key.get(), "UninstallString", "\"C:\\Program Files\\Vendor " + n + "\\uninstall.exe\" /S");
            setText(key.get(), "DisplayIcon", "%ProgramFiles%\\Vendor " + n + "\\app.exe,0", REG_EXPAND_SZ);
            DWORD one = 1;
            RegSetValueExA(key.get(), "NoModify", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
            RegCreateKeyExA(key.get(), "InprocServer32", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, sub.put(), nullptr);
            setText(sub.get(), "", "C:\\Program Files\\Vendor " + n + "\\component.dll");
            setText(sub.get(), "ThreadingModel", "Apartment");
            err->keyPath = "HKEY_CURRENT_USER\\" + path;
            err->action = "KEY";
            err->value = std::make_unique<ValueRecord>();
        }
        errors.push_back(std::move(err));
    }
}

// The same entries in the second binary format, as the backup wrote them before.
bool writeBinary(const ErrorArray& errors, const std::string& file) {
    FileHandle out(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!out) return false;
    BackupOutput o(out.get());
    o.bytes(BACKUP_SIGNATURE_V2, sizeof BACKUP_SIGNATURE_V2);
    for (const auto& err : errors) {
        const std::wstring subkey = WideFromAnsi(err->keyPath.substr(err->keyPath.find('\\') + 1));
        KeySnapshot snap;
        snap.name = subkey.substr(subkey.rfind(L'\\') + 1);
        if (err->action == "KEY") {
            SnapshotSubkey(HKEY_CURRENT_USER, subkey, snap);
        } else {
            RegKey key;
            SnapshotValue v;
            RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ, key.put());
            if (ReadValueExact(key.get(), WideFromAnsi(err->value->name), v)) snap.values.push_back(v);
        }
        WriteKeyRecordV2(o, 0x80000001u, subkey, snap);
    }
    o.u32(0);
    return o.finish();
}

long long fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) return -1;
    return (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

// Deletes what the repair would remove, then times the restore of `file`.
double timedRestore(const std::string& file, bool& complete) {
    DeleteTreeNoFollow(HKEY_CURRENT_USER, WideFromAnsi(BASE));
    RestoreStatus status = RestoreStatus::Failed;
    const double s = TimeSeconds([&] { status = RestoreBackupFile(file, nullptr); });
    complete = status == RestoreStatus::Complete;
    return s;
}
}  // namespace

int main(int argc, char** argv) {
    int entries = 1000, runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--entries")) entries = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--runs")) runs = std::atoi(argv[i + 1]);
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "zenthar-backup-bench";
    CreateDirectoryA(folder.c_str(), nullptr);
    SetDataFolder(folder);
    DeleteTreeNoFollow(HKEY_CURRENT_USER, WideFromAnsi(BASE));
    ErrorArray errors;
    seed(entries, errors);
    const std::string binary = folder + "\\binary.bak";
    BackupResult result;
    const double backupSeconds = TimeSeconds([&] { result = BackupRegistry(&errors, nullptr); });
    if (result.status != BackupStatus::Written || result.entriesLeftOut != 0 || !writeBinary(errors, binary)) {
        std::printf("backup failed\n");
        return 1;
    }
    std::vector<double> text, bin;
    bool allComplete = true, ok = false;
    for (int r = 0; r < runs; ++r) {
        text.push_back(timedRestore(result.file, ok));
        allComplete &= ok;
        bin.push_back(timedRestore(binary, ok));
        allComplete &= ok;
    }
    const long long textSize = fileSize(result.file), binSize = fileSize(binary);
    std::printf("backup of %d removed entries: editor file %lld bytes, binary %lld bytes (ratio %.2f, at most 2)\n",
                entries, textSize, binSize, static_cast<double>(textSize) / static_cast<double>(binSize));
    std::printf("writing the editor file: %.3f s\n", backupSeconds);
    std::printf("restore, median of %d: editor file %.3f s, binary %.3f s (ratio %.2f, at most 1.5)%s\n", runs,
                Median(text), Median(bin), Median(text) / Median(bin), allComplete ? "" : "; SOME RESTORES FAILED");
    DeleteTreeNoFollow(HKEY_CURRENT_USER, WideFromAnsi(BASE));
    DeleteFileA(result.file.c_str());
    DeleteFileA(binary.c_str());
    return allComplete ? 0 : 1;
}
