// The repair log's text form: framed records with a checksum, read up to the first damage.
#include "routines/RepairLogFormat.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {
const char FRAME[] = "REPAIR ";

std::array<unsigned long, 256> makeTable() {
    std::array<unsigned long, 256> table{};
    for (unsigned long i = 0; i < 256; ++i) {
        unsigned long c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320UL ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

std::string escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c < 32 || c == '%') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// False for a '%' not followed by two hex digits.
bool unescape(const std::string& text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int hi = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
        const int lo = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

void line(std::string& out, std::initializer_list<std::string> fields) {
    bool first = true;
    for (const auto& f : fields) {
        if (!first) out += '\t';
        out += first ? f : escape(f);
        first = false;
    }
    out += '\n';
}

// A whole non-negative decimal number, nothing else.
bool number(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    value = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

// The record's lines; false with the reason when a known field is malformed.
bool parsePayload(const std::string& payload, RepairRecord& record, std::string& why) {
    bool haveId = false, haveTime = false;
    size_t start = 0;
    while (start < payload.size()) {
        const size_t end = payload.find('\n', start);
        if (end == std::string::npos) {
            why = "a line without its end";
            return false;
        }
        std::vector<std::string> raw = splitTabs(payload.substr(start, end - start));
        start = end + 1;
        std::vector<std::string> f(raw.size());
        f[0] = raw[0];
        for (size_t i = 1; i < raw.size(); ++i)
            if (!unescape(raw[i], f[i])) {
                why = "a broken %-escape in its " + f[0] + " line";
                return false;
            }
        long n = 0;
        if (f[0] == "id" && f.size() >= 2 && number(f[1], n) && n > 0) {
            record.id = static_cast<int>(n);
            haveId = true;
        } else if (f[0] == "time" && f.size() >= 2 && !f[1].empty()) {
            record.time = f[1];
            haveTime = true;
        } else if (f[0] == "completed" && f.size() >= 2 && (f[1] == "yes" || f[1] == "no")) {
            record.completed = f[1] == "yes";
        } else if (f[0] == "backup" && f.size() >= 2) {
            record.backupFile = f[1];
        } else if (f[0] == "count" && f.size() >= 3 && number(f[2], n)) {
            record.counts.emplace_back(f[1], static_cast<int>(n));
        } else if (f[0] == "entry" && f.size() >= 5) {
            record.entries.push_back({f[1], f[2], f[3], f[4]});
        } else if (f[0] == "id" || f[0] == "time" || f[0] == "completed" || f[0] == "count" || f[0] == "entry") {
            why = "a malformed " + f[0] + " line";
            return false;
        }
        // Any other field is a later version's addition.
    }
    if (!haveId || !haveTime) {
        why = haveId ? "no time" : "no id";
        return false;
    }
    return true;
}
}  // namespace

unsigned long RepairLogChecksum(const std::string& bytes) {
    static const std::array<unsigned long, 256> table = makeTable();
    unsigned long c = 0xFFFFFFFFUL;
    for (unsigned char b : bytes) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFUL;
}

std::string EncodeRepairRecord(const RepairRecord& record) {
    std::string payload;
    line(payload, {"id", std::to_string(record.id)});
    line(payload, {"time", record.time});
    line(payload, {"completed", record.completed ? "yes" : "no"});
    line(payload, {"backup", record.backupFile});
    for (const auto& [category, count] : record.counts) line(payload, {"count", category, std::to_string(count)});
    for (const auto& e : record.entries) line(payload, {"entry", e.category, e.keyPath, e.valueName, e.filePath});
    char frame[48];
    std::snprintf(frame, sizeof frame, "%s%lu %08lX\n", FRAME, static_cast<unsigned long>(payload.size()),
                  RepairLogChecksum(payload));
    return frame + payload;
}

RepairLogRead ParseRepairLog(const std::string& bytes) {
    RepairLogRead read;
    const size_t headerSize = std::strlen(REPAIR_LOG_HEADER);
    if (bytes.compare(0, headerSize, REPAIR_LOG_HEADER) != 0) {
        read.problem = "it does not start as a repair log";
        return read;
    }
    size_t pos = headerSize;
    read.soundBytes = pos;
    while (pos < bytes.size()) {
        const std::string where = "at byte " + std::to_string(pos) + ", after " +
                                  std::to_string(read.records.size()) + " repairs";
        const size_t end = bytes.find('\n', pos);
        unsigned long length = 0, crc = 0;
        int used = 0;
        const std::string frame = bytes.substr(pos, end == std::string::npos ? 64 : end - pos);
        if (end == std::string::npos || frame.size() > 40 || frame.compare(0, 7, FRAME) != 0 ||
            std::sscanf(frame.c_str() + 7, "%9lu %8lx%n", &length, &crc, &used) != 2 ||
            static_cast<size_t>(used) + 7 != frame.size()) {
            read.problem = "a record frame is damaged " + where;
            return read;
        }
        const size_t body = end + 1;
        if (bytes.size() - body < length) {
            read.problem = "the last record is cut short " + where;
            return read;
        }
        const std::string payload = bytes.substr(body, length);
        if (RepairLogChecksum(payload) != crc) {
            read.problem = "a record does not match its checksum " + where;
            return read;
        }
        RepairRecord record;
        std::string why;
        if (!parsePayload(payload, record, why)) {
            read.problem = "a record has " + why + " " + where;
            return read;
        }
        read.records.push_back(std::move(record));
        pos = body + length;
        read.soundBytes = pos;
    }
    return read;
}
