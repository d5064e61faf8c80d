// The walking skeleton the registry scanners share: stop polls, sized name buffers, rows.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "engine/FilePresence.h"
#include "engine/StopEvent.h"
#include "engine/scanners/ExactText.h"
#include "registry/KeyPath.h"
#include "registry/RegKey.h"
#include "engine/RegistryLib.h"
#include "platform/Wow64.h"
#include "registry/RegistryView.h"

struct ScanCounters {
    int32_t scanned = 0;
    int32_t errors = 0;
};

void AppendRow(CategoryResults& results, ScanCategory category, const ScanCounters& counts);

// Only string data names a file: numbers and binary data are counted and never tested.
inline bool NamesFile(const ValueRecord& rec) { return rec.type == REG_SZ || rec.type == REG_EXPAND_SZ; }

// While it lives, the thread's scan reads both registry views (on 64-bit Windows).
class BothViewsScan {
public:
    explicit BothViewsScan(bool on);
    ~BothViewsScan();
    BothViewsScan(const BothViewsScan&) = delete;
    BothViewsScan& operator=(const BothViewsScan&) = delete;

private:
    bool previous_;
};

// Opens a category's key ("ROOT\sub\key") in the thread's registry view. In a scan of both views
// a key they share is opened only in the 64-bit view (ERROR_FILE_NOT_FOUND in the 32-bit one).
LONG OpenKeyPath(const std::string& fullPath, RegKey& key);

// Whether the entries of the key OpenKeyPath last opened on this thread name files of the 64-bit
// file system: those of the 64-bit view. A shared key serves both kinds of program: its files are
// looked for in both file-system views, as a 32-bit entry's are.
bool FilesInView64();

// The view an entry is judged in, on the thread that judges it: its registry view (for the
// environment tokens its text names) and the file-system view (the 64-bit System32 for a 64-bit
// entry). Changes nothing for the 32-bit view.
struct EntryViewScope {
    explicit EntryViewScope(bool view64) : registry(view64), files(view64) {}
    RegistryViewScope registry;
    FileSystemView64 files;
};

// The last word before an entry whose path was found missing is reported: its text is no
// address ("scheme://...") and no other reasonable reading of it names a present file (see
// SomeReadingPresent). `file`: for help entries, the name joined to each folder reading.
bool StaysMissing(DriveTypeCache& drives, const std::string& text, BareNamePlace place, const std::string& partPath,
                  const std::string& file = std::string());

// The file test of one entry, for the scan's pool: the path is missing (and not ignored) and no
// other reading of the text names a present file. Holds copies: the walk moves on meanwhile.
inline std::function<bool()> MissingFileTest(CRegistryLib& lib, std::string path, std::string text, BareNamePlace place,
                                             std::string file = std::string()) {
    return [&lib, path = std::move(path), text = std::move(text), place, file = std::move(file),
            view64 = FilesInView64()] {
        const EntryViewScope view(view64);
        return lib.CheckFile(path, 0) == -1 && StaysMissing(lib.drives, text, place, path, file);
    };
}

// An entry that is counted and neither tested nor reported, in its place among the others.
inline void CountOnly(OrderedFileTests& tests, ScanCounters& counts, int32_t n = 1) {
    tests.submit(nullptr, [&counts, n](bool) { counts.scanned += n; });
}


// Opens the subkey `name` of a key being walked, in the thread's registry view.
inline LONG OpenSubkey(HKEY parent, const std::string& name, RegKey& key) {
    return OpenKeyPath(parent, name, MAXIMUM_ALLOWED | ViewAccess(), key.put());
}

// Sizes `buf` from the key's longest subkey name plus one; false when the query fails.
bool PrepareSubkeyBuffer(HKEY key, std::vector<wchar_t>& buf);

// Reads subkey `index` wide and gives its name in the code page, noting whether that is exact;
// grows the buffer when the key gained a longer name since the query.
LONG EnumSubkeyName(HKEY key, DWORD index, std::vector<wchar_t>& buf, RegName& name);

// Finds the value whose name equals `wanted` without regard to case among the key's `count`
// values: its index and its name as stored. `buf` must hold the longest value name.
bool FindStoredValueName(HKEY key, DWORD count, const char* wanted, std::vector<wchar_t>& buf, DWORD& index,
                         RegName& stored);

// Lists the values of one key (opened with OpenKeyPath) into onValue(record), polling the stop
// event; nothing when the key cannot be opened. False when the key is not there.
template <class OnValue>
bool WalkValuesOf(const std::string& keyPath, OnValue onValue) {
    RegKey key;
    if (OpenKeyPath(keyPath, key) != ERROR_SUCCESS) return false;
    ValueRecordArray values;
    CRegistryLib::ListValues(key.get(), values);
    for (size_t i = 0; i < values.size(); ++i) {
        if (StopRequested()) break;
        onValue(*values[i]);
    }
    return true;
}

// Walks the subkeys of one key and lists each wanted one's values into onValue(subkeyName, record).
// False when the key's information cannot be read (the scanners then append no row).
template <class Wanted, class OnValue>
bool WalkSubkeysOf(const std::string& keyPath, Wanted wanted, OnValue onValue) {
    RegKey key;
    if (OpenKeyPath(keyPath, key) != ERROR_SUCCESS) return true;
    std::vector<wchar_t> buf;
    if (!PrepareSubkeyBuffer(key.get(), buf)) return false;
    RegName name;
    for (DWORD index = 0;; ++index) {
        if (StopRequested()) break;
        if (EnumSubkeyName(key.get(), index, buf, name) != ERROR_SUCCESS) break;
        if (name.text.empty() || !wanted(name.text)) continue;
        RegKey sub;
        if (OpenSubkey(key.get(), name.text, sub) != ERROR_SUCCESS) continue;
        ValueRecordArray values;
        CRegistryLib::ListValues(sub.get(), values);
        for (size_t i = 0; i < values.size(); ++i) {
            if (StopRequested()) break;
            onValue(name, *values[i]);
        }
    }
    return true;
}

// Skeleton of the scanners that walk one key's values (drivers, fonts, shared DLLs).
// onValue(record) hands the entry to `tests`; the row is appended once they are all committed.
template <class OnValue>
void WalkKeyValues(const std::string& keyPath, ScanCategory category, CategoryResults& results,
                   ScanCounters& counts, OrderedFileTests& tests, OnValue onValue) {
    if (StopRequested()) return;
    WalkValuesOf(keyPath, onValue);
    tests.finish();
    AppendRow(results, category, counts);
}

// Skeleton of the scanners that walk a key's subkeys and list each one's values (help files,
// shared tools). wanted(name) filters subkeys by name; onValue(subkeyName, record) hands the
// entry to `tests`.
template <class Wanted, class OnValue>
void WalkSubkeyValues(const std::string& keyPath, ScanCategory category, CategoryResults& results,
                      ScanCounters& counts, OrderedFileTests& tests, Wanted wanted, OnValue onValue) {
    if (StopRequested()) return;
    if (!WalkSubkeysOf(keyPath, wanted, onValue)) return;
    tests.finish();
    AppendRow(results, category, counts);
}

// The machine's key of a per-program area, then the current user's: per-user installers write
// the same entries below HKEY_CURRENT_USER. The user's keys are not redirected on 64-bit Windows,
// so a scan of both views reads them once (see OpenKeyPath).
std::vector<std::string> MachineAndUserKeys(const char* subkey);

