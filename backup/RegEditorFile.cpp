// Writing and reading backups as registry editor files.
#include "backup/RegEditorFile.h"

#include <cstring>

#include "backup/BackupFormat.h"
#include "registry/WideText.h"

namespace {
constexpr const wchar_t* HEADER = L"Windows Registry Editor Version 5.00";
constexpr const wchar_t* FLAGS = L";! ";  // our comment line before a key: what the editor cannot say
constexpr size_t HEX_LINE = 77;           // the editor's own width for continued hex data
constexpr const wchar_t* CRLF = L"\r\n";

bool hasLineBreakOrZero(const std::wstring& text) { return text.find_first_of(std::wstring(L"\r\n\0", 3)) != std::wstring::npos; }

void appendHexByte(std::wstring& out, unsigned char b) {
    static const wchar_t DIGITS[] = L"0123456789abcdef";
    out += DIGITS[b >> 4];
    out += DIGITS[b & 15];
}

std::wstring quote(const std::wstring& text) {
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

// A REG_SZ whose bytes the quoted form gives back exactly: whole characters, one terminating zero
// and no other, and no line break the editor would split the line at.
bool stringFormExact(const SnapshotValue& v, std::wstring& text) {
    const size_t n = v.bytes.size();
    if (v.type != REG_SZ || n < 2 || n % 2 != 0 || v.bytes[n - 1] != 0 || v.bytes[n - 2] != 0) return false;
    text.assign(n / 2 - 1, L'\0');
    if (!text.empty()) std::memcpy(&text[0], v.bytes.data(), text.size() * 2);
    return !hasLineBreakOrZero(text);
}

void appendValue(std::wstring& out, const SnapshotValue& v) {
    const std::wstring start = (v.name.empty() ? std::wstring(L"@") : quote(v.name)) + L"=";
    out += start;
    std::wstring text;
    if (stringFormExact(v, text)) {
        out += quote(text) + CRLF;
        return;
    }
    if (v.type == REG_DWORD && v.bytes.size() == 4) {
        out += L"dword:";
        for (int i = 3; i >= 0; --i) appendHexByte(out, v.bytes[i]);
        out += CRLF;
        return;
    }
    std::wstring kind = L"hex";
    if (v.type != REG_BINARY) {
        std::wstring digits;
        for (DWORD t = v.type; digits.empty() || t != 0; t >>= 4) digits.insert(0, 1, L"0123456789abcdef"[t & 15]);
        kind += L"(" + digits + L")";
    }
    out += kind + L":";
    size_t column = start.size() + kind.size() + 1;
    for (size_t i = 0; i < v.bytes.size(); ++i) {
        appendHexByte(out, v.bytes[i]);
        column += 2;
        if (i + 1 == v.bytes.size()) break;
        out += L',';
        if (++column + 3 > HEX_LINE) {
            out += L"\\\r\n  ";
            column = 2;
        }
    }
    out += CRLF;
}

void appendKey(std::wstring& out, const std::wstring& fullName, const KeySnapshot& key, const std::wstring& flags) {
    if (!flags.empty()) out += FLAGS + flags + CRLF;
    out += L"[" + fullName + L"]" + CRLF;
    for (const auto& v : key.values) appendValue(out, v);
    out += CRLF;
    for (const auto& sub : key.subkeys) appendKey(out, fullName + L"\\" + sub.name, sub, sub.link ? L"link" : L"");
}

bool canCarry(const KeySnapshot& snap) {
    if (hasLineBreakOrZero(snap.name)) return false;
    for (const auto& v : snap.values)
        if (hasLineBreakOrZero(v.name)) return false;
    for (const auto& sub : snap.subkeys)
        if (!canCarry(sub)) return false;
    return true;
}
}  // namespace

bool RegEditorCanCarry(const std::wstring& path, const KeySnapshot& snap) {
    return !path.empty() && !hasLineBreakOrZero(path) && canCarry(snap);
}

std::wstring RegEditorHeader() { return std::wstring(1, L'\xFEFF') + HEADER + CRLF + REG_BACKUP_MARK + CRLF + CRLF; }

std::wstring RegEditorRecord(const std::string& rootName, const BackupKeyRecord& record) {
    std::wstring flags = L"entry";
    if (record.snap.view64) flags += L" view64";
    if (record.snap.link) flags += L" link";
    std::wstring out;
    appendKey(out, WideFromAnsi(rootName) + L"\\" + record.path, record.snap, flags);
    return out;
}

std::wstring RegEditorEnd() { return std::wstring(REG_BACKUP_END) + CRLF; }

std::string RegEditorBytes(const std::wstring& text) {
    std::string bytes(text.size() * 2, '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

bool IsRegEditorBackup(const std::string& bytes) {
    const std::string head = RegEditorBytes(std::wstring(1, L'\xFEFF') + HEADER + CRLF + REG_BACKUP_MARK + CRLF);
    return bytes.compare(0, head.size(), head) == 0;
}
