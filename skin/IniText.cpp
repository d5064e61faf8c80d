// IniDocument: the profile-file parsing and lookups done in memory.
#include "skin/IniText.h"

#include <cctype>

namespace {
// The profile reader counts ^Z (an old end-of-file mark) as white space too.
bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0 || c == 0x1a; }

std::string trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Copies an entry into a buffer of `chars` characters: a text in matching quotes loses them,
// and the quirk of the platform's copy (the closing quote removed after the cut) is kept.
std::string copyEntry(const std::string& value, size_t chars) {
    if (chars == 0) return std::string();
    std::string text = value;
    bool quoted = false;
    if (!text.empty() && (text[0] == '\'' || text[0] == '"') && text.size() > 1 && text.back() == text[0]) {
        quoted = true;
        text.erase(0, 1);
    }
    const size_t length = text.size();
    std::string out = text.substr(0, chars - 1);
    if (quoted && chars >= length && !out.empty()) out.pop_back();
    return out;
}
}  // namespace

IniDocument::IniDocument(const std::string& input) {
    std::string text = input;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    sections_.push_back(Section{});  // keys before the first header belong to no section
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = trimmed(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty()) continue;
        if (line[0] == '[') {
            const size_t close = line.rfind(']');
            if (close != std::string::npos) {
                sections_.push_back(Section{line.substr(1, close - 1), {}});
                continue;
            }
        }
        Key key;
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            key.name = line;
        } else {
            key.name = trimmed(line.substr(0, equals));
            key.value = trimmed(line.substr(equals + 1));
            key.hasValue = true;
        }
        sections_.back().keys.push_back(key);
    }
}

const IniDocument::Section* IniDocument::Find(const std::string& name, bool trimName) const {
    const std::string wanted = trimName ? trimmed(name) : name;
    for (const auto& section : sections_) {
        // The empty name finds the keys above the first header, as the profile functions do.
        if (sameName(section.name, wanted)) return &section;
    }
    return nullptr;
}

std::vector<std::string> IniDocument::Keys(const std::string& sectionName, size_t bufferChars) const {
    std::vector<std::string> keys;
    const Section* section = Find(sectionName, false);
    if (!section) return keys;
    size_t room = bufferChars;
    for (const auto& key : section->keys) {
        if (room <= 2) break;
        if (key.name.empty() || key.name[0] == ';' || !key.hasValue) continue;
        // Key names keep their quotes; only the buffer cuts them.
        std::string name = key.name.substr(0, room - 2);
        room -= name.size() + 1;
        keys.push_back(name);
        if (room < 2) break;
    }
    return keys;
}

std::string IniDocument::Value(const std::string& sectionName, const std::string& keyName,
                               const std::string& defaultValue, size_t bufferChars) const {
    std::string fallback = defaultValue;
    while (!fallback.empty() && fallback.back() == ' ') fallback.pop_back();
    const std::string wanted = trimmed(keyName);
    if (wanted.empty()) return std::string();
    if (const Section* section = Find(sectionName, true)) {
        for (const auto& key : section->keys) {
            if (sameName(key.name, wanted)) return copyEntry(key.hasValue ? key.value : fallback, bufferChars);
        }
    }
    return copyEntry(fallback, bufferChars);
}
