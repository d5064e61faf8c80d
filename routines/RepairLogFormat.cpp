// The repair log's text form: framed records with a checksum, read up to the first damage.
#include "routines/RepairLogFormat.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace {
const char FRAME[] = "REPAIR ";

// Four tables, so that the checksum takes four bytes a step (a log of a thousand repairs is a few
// megabytes, and the History page reads it whole).
using CrcTables = std::array<std::array<uint32_t, 256>, 4>;
CrcTables makeTables() {
    CrcTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (size_t k = 1; k < 4; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
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
bool unescape(std::string_view text, std::string& out) {
    out.clear();
    if (text.find('%') == std::string_view::npos) {
        out.assign(text.data(), text.size());
        return true;
    }
    out.reserve(text.size());
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

// The tab-separated fields of a line, as views into it (at most `most`; the last takes the rest).
size_t splitTabs(std::string_view line, std::string_view* fields, size_t most) {
    size_t n = 0, start = 0;
    while (n + 1 < most) {
        const size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) break;
        fields[n++] = line.substr(start, tab - start);
        start = tab + 1;
    }
    fields[n++] = line.substr(start);
    return n;
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
bool isNumber(const std::string& text, long& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    value = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

// The record's lines; false with the reason when a known field is malformed.
bool parsePayload(std::string_view payload, RepairRecord& record, std::string& why) {
    bool haveId = false, haveTime = false;
    constexpr size_t MOST = 8;  // later versions may add fields to a line; they are passed over
    std::string_view f[MOST];
    std::string value;
    size_t start = 0;
    while (start < payload.size()) {
        const size_t end = payload.find('\n', start);
        if (end == std::string_view::npos) {
            why = "a line without its end";
            return false;
        }
        const size_t n = splitTabs(payload.substr(start, end - start), f, MOST);
        start = end + 1;
        const std::string_view name = f[0];
        auto field = [&](size_t i, std::string& out) {
            if (unescape(f[i], out)) return true;
            why = "a broken %-escape in its " + std::string(name) + " line";
            return false;
        };
        long number = 0;
        if (name == "entry") {
            if (n < 5) {
                why = "a malformed entry line";
                return false;
            }
            RepairLogEntry e;
            if (!field(1, e.category) || !field(2, e.keyPath) || !field(3, e.valueName) || !field(4, e.filePath))
                return false;
            e.view64 = n > 5 && f[5] == "64";
            if (n > 6 && !field(6, e.level)) return false;
            record.entries.push_back(std::move(e));
            continue;
        }
        if (name != "id" && name != "time" && name != "completed" && name != "backup" && name != "count")
            continue;  // a later version's addition
        if (n < 2 || !field(1, value)) {
            if (why.empty()) why = "a malformed " + std::string(name) + " line";
            return false;
        }
        bool ok = true;
        if (name == "id") {
            ok = isNumber(value, number) && number > 0;
            record.id = static_cast<int>(number);
            haveId = ok;
        } else if (name == "time") {
            ok = !value.empty();
            record.time = value;
            haveTime = ok;
        } else if (name == "completed") {
            ok = value == "yes" || value == "no";
            record.completed = value == "yes";
        } else if (name == "backup") {
            record.backupFile = value;
        } else {  // count
            std::string count;
            ok = n >= 3 && field(2, count) && isNumber(count, number);
            if (ok) record.counts.emplace_back(value, static_cast<int>(number));
        }
        if (!ok) {
            if (why.empty()) why = "a malformed " + std::string(name) + " line";
            return false;
        }
    }
    if (!haveId || !haveTime) {
        why = haveId ? "no time" : "no id";
        return false;
    }
    return true;
}
}  // namespace

unsigned long RepairLogChecksum(std::string_view bytes) {
    static const CrcTables t = makeTables();
    uint32_t c = 0xFFFFFFFFU;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    for (; n >= 4; n -= 4, p += 4) {
        c ^= static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
             static_cast<uint32_t>(p[3]) << 24;
        c = t[3][c & 0xFF] ^ t[2][(c >> 8) & 0xFF] ^ t[1][(c >> 16) & 0xFF] ^ t[0][c >> 24];
    }
    for (; n > 0; --n, ++p) c = t[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFU;
}

std::string EncodeRepairRecord(const RepairRecord& record) {
    std::string payload;
    line(payload, {"id", std::to_string(record.id)});
    line(payload, {"time", record.time});
    line(payload, {"completed", record.completed ? "yes" : "no"});
    line(payload, {"backup", record.backupFile});
    for (const auto& [category, count] : record.counts) line(payload, {"count", category, std::to_string(count)});
    for (const auto& e : record.entries) {
        if (!e.level.empty())
            line(payload, {"entry", e.category, e.keyPath, e.valueName, e.filePath, e.view64 ? "64" : "32", e.level});
        else if (e.view64) line(payload, {"entry", e.category, e.keyPath, e.valueName, e.filePath, "64"});
        else line(payload, {"entry", e.category, e.keyPath, e.valueName, e.filePath});
    }
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
        const std::string_view payload(bytes.data() + body, length);
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
