// Reading our registry editor backups back into key records, strictly: whatever our writer does not
// produce, and a file cut off before its end line, is refused before anything is written.
#include <algorithm>

#include "backup/BackupFormat.h"
#include "backup/RegEditorFile.h"
#include "registry/WideText.h"

namespace {
int hexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// "..." with \\ and \" from `at`; the position after the closing quote, or npos.
size_t unquote(const std::wstring& line, size_t at, std::wstring& text) {
    if (at >= line.size() || line[at] != L'"') return std::wstring::npos;
    text.clear();
    for (size_t i = at + 1; i < line.size(); ++i) {
        wchar_t c = line[i];
        if (c == L'"') return i + 1;
        if (c == L'\\') {
            if (i + 1 >= line.size() || (line[i + 1] != L'\\' && line[i + 1] != L'"')) return std::wstring::npos;
            c = line[++i];
        }
        text += c;
    }
    return std::wstring::npos;
}

bool hexBytes(const std::wstring& list, std::vector<unsigned char>& out) {
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && list[i] == L' ') ++i;
        if (i + 1 >= list.size() || hexDigit(list[i]) < 0 || hexDigit(list[i + 1]) < 0) return false;
        out.push_back(static_cast<unsigned char>(hexDigit(list[i]) * 16 + hexDigit(list[i + 1])));
        i += 2;
        if (i < list.size() && list[i++] != L',') return false;
        if (i == list.size() && list.back() == L',') return false;
    }
    return true;
}

bool parseData(const std::wstring& data, SnapshotValue& v) {
    std::wstring text;
    if (!data.empty() && data[0] == L'"') {
        if (unquote(data, 0, text) != data.size()) return false;
        v.type = REG_SZ;
        text += L'\0';
        v.bytes.resize(text.size() * 2);
        for (size_t i = 0; i < text.size(); ++i) {
            v.bytes[2 * i] = static_cast<unsigned char>(text[i] & 0xFF);
            v.bytes[2 * i + 1] = static_cast<unsigned char>(text[i] >> 8);
        }
        return true;
    }
    if (data.compare(0, 6, L"dword:") == 0) {
        if (data.size() != 14) return false;
        v.type = REG_DWORD;
        uint32_t n = 0;
        for (size_t i = 6; i < 14; ++i) {
            if (hexDigit(data[i]) < 0) return false;
            n = n * 16 + static_cast<uint32_t>(hexDigit(data[i]));
        }
        v.bytes = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                   static_cast<unsigned char>(n >> 16), static_cast<unsigned char>(n >> 24)};
        return true;
    }
    if (data.compare(0, 3, L"hex") != 0) return false;
    size_t colon = 3;
    v.type = REG_BINARY;
    if (data.compare(3, 1, L"(") == 0) {
        const size_t close = data.find(L')');
        if (close == std::wstring::npos || close == 4 || close > 12) return false;
        v.type = 0;
        for (size_t i = 4; i < close; ++i) {
            if (hexDigit(data[i]) < 0) return false;
            v.type = v.type * 16 + static_cast<DWORD>(hexDigit(data[i]));
        }
        colon = close + 1;
    }
    if (data.compare(colon, 1, L":") != 0) return false;
    return hexBytes(data.substr(colon + 1), v.bytes);
}

class Reader {
public:
    Reader(std::vector<BackupKeyRecord>& out, std::string& problem) : out_(out), problem_(problem) {}
    bool run(const std::vector<std::wstring>& lines);

private:
    bool fail(size_t line, const std::string& what) {
        problem_ = what + " in line " + std::to_string(line + 1);
        return false;
    }
    bool keyLine(size_t n, const std::wstring& line);
    bool valueLine(const std::vector<std::wstring>& lines, size_t& n);
    KeySnapshot* child(KeySnapshot& parent, const std::wstring& name);

    std::vector<BackupKeyRecord>& out_;
    std::string& problem_;
    std::vector<KeySnapshot*> stack_;  // the current key and its ancestors within the record
    std::vector<std::wstring> names_;  // their full names
    bool entry_ = false, view64_ = false, link_ = false;  // from the comment line before a key
};

KeySnapshot* Reader::child(KeySnapshot& parent, const std::wstring& name) {
    for (auto& sub : parent.subkeys)
        if (sub.name == name) return &sub;
    parent.subkeys.emplace_back();
    parent.subkeys.back().name = name;
    return &parent.subkeys.back();
}

bool Reader::keyLine(size_t n, const std::wstring& line) {
    if (line.size() < 3 || line.back() != L']' || line[1] == L'-') return fail(n, "a key line that is not a key");
    const std::wstring full = line.substr(1, line.size() - 2);
    const size_t slash = full.find(L'\\');
    const uint32_t root = slash == std::wstring::npos ? 0 : BackupRootCode(AnsiFromWide(full.substr(0, slash)));
    const std::wstring path = root ? full.substr(slash + 1) : std::wstring();
    if (path.empty() || path.back() == L'\\' || path.front() == L'\\' || path.find(L"\\\\") != std::wstring::npos)
        return fail(n, "a key name without a known root or with an empty component");
    while (!stack_.empty() && full.compare(0, names_.back().size() + 1, names_.back() + L"\\") != 0) {
        stack_.pop_back();
        names_.pop_back();
    }
    if (entry_ || stack_.empty()) {
        out_.emplace_back();
        BackupKeyRecord& record = out_.back();
        record.root = root;
        record.path = path;
        record.snap.name = path.substr(path.rfind(L'\\') + 1);
        record.snap.view64 = view64_;
        stack_.assign(1, &record.snap);
        names_.assign(1, full);
    } else {
        const size_t base = names_.back().size() + 1;
        const std::wstring rest = full.substr(base);
        for (size_t at = 0; at <= rest.size();) {
            const size_t end = std::min(rest.find(L'\\', at), rest.size());
            if (stack_.back()->link) return fail(n, "a link with subkeys");
            stack_.push_back(child(*stack_.back(), rest.substr(at, end - at)));
            names_.push_back(full.substr(0, base + end));
            at = end + 1;
        }
    }
    stack_.back()->link = link_;
    if (link_ && !stack_.back()->subkeys.empty()) return fail(n, "a link with subkeys");
    entry_ = view64_ = link_ = false;
    return true;
}

bool Reader::valueLine(const std::vector<std::wstring>& lines, size_t& n) {
    const std::wstring& line = lines[n];
    if (stack_.empty()) return fail(n, "a value before any key");
    SnapshotValue v;
    const size_t equals = line[0] == L'@' ? 1 : unquote(line, 0, v.name);
    if (equals == std::wstring::npos || equals >= line.size() || line[equals] != L'=')
        return fail(n, "a line that is neither a key nor a value");
    if (line[0] == L'"' && v.name.empty()) return fail(n, "an empty value name in quotes");
    std::wstring data = line.substr(equals + 1);
    const size_t first = n;
    // Hex data goes on over lines that end in a backslash.
    while (data.compare(0, 3, L"hex") == 0 && !data.empty() && data.back() == L'\\') {
        if (++n >= lines.size()) return fail(first, "hex data cut off at the end of the file");
        data.pop_back();
        const std::wstring& next = lines[n];
        data += next.substr(std::min(next.find_first_not_of(L' '), next.size()));
    }
    if (!parseData(data, v)) return fail(first, "a value whose data is cut off or damaged");
    stack_.back()->values.push_back(std::move(v));
    return true;
}

bool Reader::run(const std::vector<std::wstring>& lines) {
    bool ended = false;
    for (size_t n = 2; n < lines.size(); ++n) {
        const std::wstring& line = lines[n];
        if (line.find_first_of(L"\r\n") != std::wstring::npos) return fail(n, "a stray line break");
        if (line.empty()) continue;
        if (ended) return fail(n, "text after the end line");
        if (line == REG_BACKUP_END) {
            ended = true;
        } else if (line.compare(0, 3, L";! ") == 0) {
            std::wstring words = line.substr(3) + L" ";
            for (size_t at = 0, sp; (sp = words.find(L' ', at)) != std::wstring::npos; at = sp + 1) {
                const std::wstring w = words.substr(at, sp - at);
                if (w == L"entry") entry_ = true;
                else if (w == L"view64") view64_ = true;
                else if (w == L"link") link_ = true;
                else return fail(n, "an unknown key mark");
            }
        } else if (line[0] == L';') {
            continue;  // a comment someone added
        } else if (line[0] == L'[') {
            if (!keyLine(n, line)) return false;
        } else if (!valueLine(lines, n)) {
            return false;
        }
    }
    if (!ended) return fail(lines.size() - 1, "the file ends before its end line");
    return true;
}
}  // namespace

bool ParseRegEditorBackup(const std::string& bytes, std::vector<BackupKeyRecord>& out, std::string& problem) {
    out.clear();
    if (bytes.size() % 2 != 0) {
        problem = "an odd number of bytes in a UTF-16 file";
        return false;
    }
    if (!IsRegEditorBackup(bytes)) {
        problem = "no registry editor header and backup mark";
        return false;
    }
    std::wstring text(bytes.size() / 2 - 1, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i + 2]) |
                                       static_cast<unsigned char>(bytes[2 * i + 3]) << 8);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start != text.size()) {
        problem = "a last line without its line end (the file was cut off)";
        return false;
    }
    Reader reader(out, problem);
    if (!reader.run(lines)) {
        out.clear();
        return false;
    }
    return true;
}
