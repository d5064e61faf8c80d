// The repair log's records and their text form: one framed record per repair, so that a record
// cut off by a crash or a full disk, or damaged later, is recognised and everything before it read.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The file starts with this line; a file without it is not a repair log.
constexpr const char* REPAIR_LOG_HEADER = "Zenthar repair log 1\n";

// One entry a repair removed: the category word (as the console's --only takes it), the key, the
// value name (empty for a whole key) and the missing file it pointed at. A shortcut file has no
// key: keyPath is empty and filePath is the shortcut's own path.
struct RepairLogEntry {
    std::string category;
    std::string keyPath;
    std::string valueName;
    std::string filePath;
    bool view64 = false;  // removed from the 64-bit registry view (a sixth field "64"; older logs lack it)
    // Its safety level when it was removed ("safe", "review", "risky"): a seventh field after the
    // view ("32" or "64"); empty in older logs.
    std::string level = std::string();
};

struct RepairRecord {
    int id = 0;                // 1 for the first repair of the log, counting up
    std::string time;          // local time, "2026-12-08 15:09:27"
    bool completed = false;    // every selected entry went and the undo file was deleted
    std::string backupFile;    // full path; empty when the repair made none
    std::vector<std::pair<std::string, int>> counts;  // category word, entries removed
    std::vector<RepairLogEntry> entries;
    int Removed() const { return static_cast<int>(entries.size()); }
};

// The bytes of one record as it is appended: a frame line "REPAIR <length> <crc32>" and the
// record's own lines, each "field<TAB>value...". Bytes below 32 and '%' in a value are written as
// "%XX", so that every field stays on its line whatever a registry name holds.
std::string EncodeRepairRecord(const RepairRecord& record);

struct RepairLogRead {
    std::vector<RepairRecord> records;  // in the file's order (oldest first)
    size_t soundBytes = 0;   // the length of the undamaged beginning
    std::string problem;     // empty when the whole file read cleanly; else what was wrong where
};

// Reads records up to the first damage: a missing header, a frame that does not parse, a record
// cut short, a checksum that does not match, or a record without its id or time. Lines of unknown
// fields are passed over, so that a later version may add some.
RepairLogRead ParseRepairLog(const std::string& bytes);

// CRC-32 (the zip polynomial) of the bytes.
unsigned long RepairLogChecksum(std::string_view bytes);
