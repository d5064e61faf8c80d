// Checking a registry editor export before it is imported.
#include "backup/ExportCheck.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "registry/RegKey.h"
#include "registry/WideText.h"

namespace {

std::wstring decode(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring w((bytes.size() - 2) / 2, L'\0');
        if (!w.empty()) std::memcpy(&w[0], bytes.data() + 2, w.size() * 2);
        return w;
    }
    std::wstring w;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 && WideFromUtf8(bytes.substr(3), w)) return w;
    return WideFromAnsi(bytes);
}

bool isHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

// "..." with backslash escapes, from `at`; the position after the closing quote, or npos.
size_t quoted(const std::wstring& line, size_t at) {
    if (at >= line.size() || line[at] != L'"') return std::wstring::npos;
    for (size_t i = at + 1; i < line.size(); ++i) {
        if (line[i] == L'\\') ++i;
        else if (line[i] == L'"') return i + 1;
    }
    return std::wstring::npos;
}

// Hex pairs separated by commas, perhaps ending in a backslash (continued on the next line).
bool hexList(const std::wstring& text, bool& continues) {
    size_t i = 0;
    while (i < text.size() && text[i] == L' ') ++i;
    continues = false;
    while (i < text.size()) {
        if (text[i] == L'\\' && i + 1 == text.size()) return continues = true;
        if (i + 1 >= text.size() || !isHex(text[i]) || !isHex(text[i + 1])) return false;
        i += 2;
        if (i < text.size() && text[i] == L',') ++i;
    }
    return true;
}

// The data part of a value line (after "="); `continues` when the next line carries on.
bool valueData(const std::wstring& data, bool& continues) {
    continues = false;
    if (data == L"-") return true;
    if (!data.empty() && data[0] == L'"') return quoted(data, 0) == data.size();
    if (data.compare(0, 6, L"dword:") == 0) {
        if (data.size() != 14) return false;
        for (size_t i = 6; i < 14; ++i)
            if (!isHex(data[i])) return false;
        return true;
    }
    if (data.compare(0, 3, L"hex") != 0) return false;
    size_t colon = data.find(L':');
    if (colon == std::wstring::npos) return false;
    const std::wstring kind = data.substr(3, colon - 3);
    if (!kind.empty()) {
        if (kind.size() < 3 || kind.front() != L'(' || kind.back() != L')') return false;
        for (size_t i = 1; i + 1 < kind.size(); ++i)
            if (!isHex(kind[i])) return false;
    }
    return hexList(data.substr(colon + 1), continues);
}

}  // namespace

ExportCheck CheckEditorExport(const std::string& bytes) {
    ExportCheck result;
    const std::wstring text = decode(bytes);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t lf; (lf = text.find(L'\n', start)) != std::wstring::npos; start = lf + 1) {
        std::wstring line = text.substr(start, lf - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(line);
    }
    auto fail = [&result](size_t line, const std::string& why) {
        result.problem = why + (line ? " in line " + std::to_string(line) : std::string());
        return result;
    };
    if (start < text.size()) return fail(lines.size() + 1, "a last line without its line end (the file was cut off)");
    if (lines.empty() || (lines[0] != L"Windows Registry Editor Version 5.00" && lines[0] != L"REGEDIT4"))
        return fail(1, "no registry editor header");
    bool inKey = false, continues = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::wstring& line = lines[i];
        if (continues) {
            if (!hexList(line, continues)) return fail(i + 1, "a broken continuation of hex data");
            continue;
        }
        if (line.empty() || line[0] == L';') continue;
        if (line[0] == L'[') {
            if (line.size() < 3 || line.back() != L']') return fail(i + 1, "a key line without its closing bracket");
            const bool removal = line[1] == L'-';
            inKey = !removal;
            const std::wstring name = line.substr(removal ? 2 : 1, line.size() - (removal ? 3 : 2));
            if (!removal) {
                if (result.firstKey.empty()) result.firstKey = name;
                result.lastKey = name;
            }
            continue;
        }
        size_t equals = line[0] == L'@' ? 1 : quoted(line, 0);
        if (!inKey || equals == std::wstring::npos || equals >= line.size() || line[equals] != L'=')
            return fail(i + 1, "a line that is neither a key nor a value");
        if (!valueData(line.substr(equals + 1), continues)) return fail(i + 1, "a value whose data is cut off or damaged");
    }
    if (continues) return fail(lines.size(), "hex data cut off at the end of the file");
    if (result.firstKey.empty()) return fail(0, "no key at all");
    result.ok = true;
    return result;
}

bool ExportKeyExists(const std::wstring& name) {
    static const struct { const wchar_t* name; HKEY key; } ROOTS[] = {
        {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}, {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_USERS", HKEY_USERS},
        {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    const size_t slash = name.find(L'\\');
    const std::wstring root = name.substr(0, slash);
    for (const auto& r : ROOTS) {
        if (lstrcmpiW(root.c_str(), r.name) != 0) continue;
        if (slash == std::wstring::npos) return true;
        RegKey key;
        return RegOpenKeyExW(r.key, name.substr(slash + 1).c_str(), 0, KEY_QUERY_VALUE, key.put()) == ERROR_SUCCESS;
    }
    return false;
}
