// The repair log's records and their text form: one framed record per repair, so that a record
// cut off by a crash or a full disk, or damaged later, is recognised, passed over, and every sound
// record around it read.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The file starts with this line; a file without it is not a repair log.
constexpr const char* REPAIR_LOG_HEADER = "Zenthar repair log 1\n";
// The most bytes one record's lines may hold. A frame that claims more is damage: the reader never
// has to hold more than this much of a file at once.
constexpr size_t REPAIR_RECORD_MOST = 64u * 1024u * 1024u;

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
    int id = 0;                // 1 for the first repair, counting up; never given twice
    std::string time;          // local time, "2026-12-08 15:09:27"
    bool completed = false;    // every selected entry went and the undo file was deleted
    std::string backupFile;    // full path; empty when the repair made none
    std::vector<std::pair<std::string, int>> counts;  // category word, entries removed
    std::vector<RepairLogEntry> entries;  // empty when read without them (entryCount still counts them)
    size_t entryCount = 0;     // entries the record holds, as read
    int Removed() const { return static_cast<int>(entries.size() > entryCount ? entries.size() : entryCount); }
};

// The bytes of one record as it is appended: a frame line "REPAIR <length> <crc32>" and the
// record's own lines, each "field<TAB>value...". Bytes below 32 and '%' in a value are written as
// "%XX", so that every field stays on its line whatever a registry name holds.
std::string EncodeRepairRecord(const RepairRecord& record);

// Every sound record, with its bytes as read (frame line and lines, line ends as LF).
using RepairRecordSink = std::function<void(RepairRecord&& record, std::string_view bytes)>;

struct RepairLogRead {
    std::vector<RepairRecord> records;  // in the file's order (oldest first), when no sink took them
    std::string problem;     // empty when the whole file read cleanly; else the first damage and where
    size_t damaged = 0;      // damaged stretches passed over
    int highestId = 0;       // above every id read, a damaged record's readable id line included
};

// Reads a log fed in pieces of any size, holding at most one record at a time. A damaged stretch
// (a frame that does not parse, a record cut short, a checksum that does not match, a record
// without its id or time) is passed over up to the next frame line. Carriage returns are dropped
// (a log whose line ends an editor made CR LF still reads): the writer escapes every CR of a
// value. Lines of unknown fields are passed over, so that a later version may add some.
class RepairLogReader {
public:
    // Without a sink the records are collected in the result; `keepEntries` false drops each
    // record's entries once counted.
    explicit RepairLogReader(bool keepEntries, RepairRecordSink sink = nullptr)
        : keepEntries_(keepEntries), sink_(std::move(sink)) {}
    void Feed(std::string_view bytes);
    // The end of the file: whatever is left is cut short.
    RepairLogRead Finish();

private:
    bool step(bool atEnd);
    bool frame(size_t end, bool atEnd);
    void damage(const std::string& what, size_t at);
    bool resync(bool atEnd);
    void noteIds(size_t from, size_t to);

    bool keepEntries_;
    RepairRecordSink sink_;
    std::string buffer_;     // the unread bytes, CRs dropped
    size_t pos_ = 0;         // the next unread byte of buffer_
    size_t offset_ = 0;      // bytes read and dropped from the front of buffer_
    bool headerDone_ = false;
    bool skipping_ = false;  // inside a damaged stretch, looking for the next frame
    RepairLogRead read_;
};

// The whole log in one piece (the tests' and small callers' way).
RepairLogRead ParseRepairLog(const std::string& bytes);

// CRC-32 (the zip polynomial) of the bytes.
unsigned long RepairLogChecksum(std::string_view bytes);
