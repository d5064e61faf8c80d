// The binary backup format: key records of a root, a subkey path and a key body of values and subkeys.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "backup/BackupFile.h"
#include "backup/RestoreApply.h"
#include "registry/KeySnapshot.h"

// Files of the first format (code-page names, values up to 16383 bytes) hold key records from their
// first byte on. Files of the second format begin with this signature; their names are UTF-16, their
// values of any size, and each key carries flags (BACKUP_KEY_LINK: a symbolic link, kept as one).
constexpr char BACKUP_SIGNATURE_V2[8] = {'Z', 'T', 'H', 'R', 'B', 'K', '0', '2'};
constexpr uint32_t BACKUP_KEY_LINK = 1;
// On a key record only: the key belongs to the 64-bit registry view (written back there).
constexpr uint32_t BACKUP_KEY_VIEW64 = 2;

// Limits of what the first format's readers accept.
constexpr uint32_t MAX_VALUE_NAME_BYTES = 16383;
constexpr uint32_t MAX_VALUE_DATA_BYTES = 16383;
constexpr uint32_t MAX_SUBKEY_NAME_BYTES = 255;
constexpr uint32_t MAX_RECORD_PATH_BYTES = 65535;  // subkey path of a key record
constexpr int MAX_KEY_DEPTH = 512;                 // the registry's own nesting limit

// Smallest encodings, used to reject counts that the rest of the file cannot hold.
constexpr uint32_t MIN_VALUE_ENTRY_BYTES = 12;   // name length, type, data length
constexpr uint32_t MIN_SUBKEY_ENTRY_BYTES = 13;  // name length, one name byte, two counts

// One removed entry as a restore writes it back: a key with its subtree, or a key holding only the
// removed value.
struct BackupKeyRecord {
    uint32_t root = 0;  // the root key code (BackupRootCode)
    std::wstring path;  // below the root; its last component is snap.name
    KeySnapshot snap;   // with view64 and link
};

using BackupMessageCallback = std::function<void(const std::string& text)>;

// The root key code of a record for the four roots a backup may name; 0 for any other name
// (exact, case-sensitive comparison).
uint32_t BackupRootCode(const std::string& rootName);
// "HKEY_..." for a valid root code, else null.
const char* BackupRootName(uint32_t code);

// What reading key bodies found. `problem` says why reading stopped.
struct BackupReadState {
    RestoreTally tally;  // what the writing pass restored, left and could not write (values refused among it)
    std::string problem;
    std::string keyPath;  // the key being read, for messages
    bool damaged = false;  // the file, not the registry, stopped the read
    bool ended = false;    // the second format's end mark (a root of 0) was read
};

// Reads one key body of the first format into `into` (its names and string data converted from the
// code page, as the ANSI calls that wrote them back did). False when the file is damaged.
bool ReadKeyBackup(BackupInput& in, BackupReadState& state, KeySnapshot& into, int depth = 0);

// Reads one key record (root, subkey path, key body); with `apply` it is written back as
// ApplyBackedUpKey does (absent entries only), otherwise only checked. False when the file is
// damaged (state.damaged) or a key could not be created (state.problem).
bool ReadKeyRecord(BackupInput& in, bool apply, BackupReadState& state);

// Writes one record back (the key in its own registry view, links as links); the one place every
// format's restore writes through. False when the registry refused a key (state.problem says
// which; the rest of the record is still written); refused values are counted in the state.
bool ApplyBackupRecord(const BackupKeyRecord& record, BackupReadState& state);

// --- the second format (BackupFormatV2.cpp) ---
// One key record: root code, the subkey path, and the exact copy of the key (with only the values
// the copy holds).
void WriteKeyRecordV2(BackupOutput& out, uint32_t root, const std::wstring& subkey, const KeySnapshot& snap);
// The second format ends with a root of 0, so that a file cut off between two records is known as such.
// Reads one key record of the second format (or its end mark, setting state.ended); with `apply` writes it (the key in its own hive, links
// as links), otherwise only checks it. False when the file is damaged (state.damaged) or the
// registry refused something (state.problem says what; the rest of the record is still written).
bool ReadKeyRecordV2(BackupInput& in, bool apply, BackupReadState& state);
