// The repair log's text form: framed records with a checksum, damaged stretches passed over.
#include "routines/RepairLogFormat.h"

#include <algorithm>
#include <array>
#include <climits>
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

// A whole non-negative decimal number that fits an int (every id the writer gives), nothing else.
bool isNumber(const std::string& text, long& value) {
    if (text.empty() || text.size() > 10) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const long long big = std::strtoll(text.c_str(), nullptr, 10);
    if (big > INT_MAX) return false;
    value = static_cast<long>(big);
    return true;
}

// "REPAIR <length> <crc32>": the length no more than a record may hold, the checksum 8 hex digits.
bool parseFrame(std::string_view line, size_t& length, unsigned long& crc) {
    const size_t word = std::strlen(FRAME);
    if (line.size() > 40 || line.compare(0, word, FRAME) != 0) return false;
    size_t i = word;
    unsigned long long n = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9' && i - word < 10; ++i) n = n * 10 + (line[i] - '0');
    if (i == word || i >= line.size() || line[i] != ' ' || n > REPAIR_RECORD_MOST || line.size() - i - 1 != 8)
        return false;
    crc = 0;
    for (++i; i < line.size(); ++i) {
        const int d = hexDigit(line[i]);
        if (d < 0) return false;
        crc = crc * 16 + static_cast<unsigned long>(d);
    }
    length = static_cast<size_t>(n);
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

void RepairLogReader::Feed(std::string_view bytes) {
    for (size_t start = 0; start < bytes.size();) {
        const size_t cr = bytes.find('\r', start);
        const size_t end = cr == std::string_view::npos ? bytes.size() : cr;
        buffer_.append(bytes.data() + start, end - start);
        start = end + 1;
    }
    while (step(false)) {
    }
    // What was read goes once it is half the buffer, so that a long record is not moved often.
    if (pos_ > 0 && pos_ * 2 >= buffer_.size()) {
        buffer_.erase(0, pos_);
        offset_ += pos_;
        pos_ = 0;
    }
}

RepairLogRead RepairLogReader::Finish() {
    while (step(true)) {
    }
    buffer_.clear();
    return std::move(read_);
}

bool RepairLogReader::step(bool atEnd) {
    if (pos_ >= buffer_.size()) return false;
    if (!headerDone_) {
        const size_t n = std::strlen(REPAIR_LOG_HEADER);
        if (buffer_.size() - pos_ < n && !atEnd) return false;
        headerDone_ = true;
        if (buffer_.compare(pos_, n, REPAIR_LOG_HEADER) == 0) {
            pos_ += n;
            return true;
        }
        damage("it does not start as a repair log", pos_);
        // Records may still follow a damaged first line; one may start right here.
        skipping_ = buffer_.compare(pos_, std::strlen(FRAME), FRAME) != 0;
        return true;
    }
    if (skipping_) return resync(atEnd);
    const size_t end = buffer_.find('\n', pos_);
    if (end == std::string::npos) {
        if (!atEnd && buffer_.size() - pos_ <= 40) return false;
        damage(atEnd ? "the last record is cut short" : "a record frame is damaged", pos_);
        return true;
    }
    return frame(end, atEnd);
}

bool RepairLogReader::frame(size_t end, bool atEnd) {
    size_t length = 0;
    unsigned long crc = 0;
    if (!parseFrame(std::string_view(buffer_).substr(pos_, end - pos_), length, crc)) {
        damage("a record frame is damaged", pos_);
        return true;
    }
    const size_t body = end + 1;
    if (buffer_.size() - body < length) {
        if (!atEnd) return false;
        damage("the last record is cut short", pos_);
        return true;
    }
    const std::string_view payload(buffer_.data() + body, length);
    if (RepairLogChecksum(payload) != crc) {
        damage("a record does not match its checksum", pos_);
        return true;
    }
    RepairRecord record;
    std::string why;
    if (!parsePayload(payload, record, why)) {
        damage("a record has " + why, pos_);
        return true;
    }
    record.entryCount = record.entries.size();
    if (!keepEntries_) std::vector<RepairLogEntry>().swap(record.entries);
    read_.highestId = std::max(read_.highestId, record.id);
    const std::string_view bytes(buffer_.data() + pos_, body + length - pos_);
    pos_ = body + length;
    if (sink_) sink_(std::move(record), bytes);
    else read_.records.push_back(std::move(record));
    return true;
}

void RepairLogReader::damage(const std::string& what, size_t at) {
    if (read_.problem.empty())
        read_.problem = what + " at byte " + std::to_string(offset_ + at) + ", after " +
                        std::to_string(read_.records.size()) + " repairs";
    ++read_.damaged;
    skipping_ = true;
}

bool RepairLogReader::resync(bool atEnd) {
    const size_t next = buffer_.find("\nREPAIR ", pos_);
    if (next != std::string::npos) {
        noteIds(pos_, next + 1);
        pos_ = next + 1;
        skipping_ = false;
        return true;
    }
    if (atEnd) {
        noteIds(pos_, buffer_.size());
        pos_ = buffer_.size();
        return false;
    }
    // Whole lines go; a last line start that could still become a frame word stays.
    const size_t last = buffer_.rfind('\n');
    if (last == std::string::npos || last < pos_ || buffer_.size() - last > 16) {
        noteIds(pos_, buffer_.size());
        pos_ = buffer_.size();
    } else {
        noteIds(pos_, last);
        pos_ = last;
    }
    return false;
}

void RepairLogReader::noteIds(size_t from, size_t to) {
    // A damaged record's id still counts as given: the next repair must not take it.
    for (size_t at = from; at < to;) {
        size_t end = buffer_.find('\n', at);
        if (end == std::string::npos || end > to) end = to;
        if (buffer_.compare(at, 3, "id\t") == 0) {
            long number = 0;
            if (isNumber(buffer_.substr(at + 3, end - at - 3), number))
                read_.highestId = std::max(read_.highestId, static_cast<int>(number));
        }
        at = end + 1;
    }
}

RepairLogRead ParseRepairLog(const std::string& bytes) {
    RepairLogReader reader(true);
    reader.Feed(bytes);
    return reader.Finish();
}
