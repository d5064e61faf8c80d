// Path clean-up steps shared by the scanners.
#include "engine/PathCleanup.h"

namespace {
bool (*g_isLead)(unsigned char) = nullptr;

std::string cutAtPastStart(std::string text, const std::string& needle) {
    size_t pos = MbFind(text, needle);
    if (pos != std::string::npos && pos > 0) text.resize(pos);
    return text;
}
}  // namespace

void SetLeadByteTest(bool (*isLeadByte)(unsigned char)) { g_isLead = isLeadByte; }

size_t MbFind(const std::string& text, const std::string& needle, size_t from) {
    if (needle.empty()) return from <= text.size() ? from : std::string::npos;
    for (size_t i = from; i + needle.size() <= text.size();) {
        if (text.compare(i, needle.size(), needle) == 0) return i;
        bool lead = g_isLead && g_isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        i += lead ? 2 : 1;
    }
    return std::string::npos;
}

bool MbContains(const std::string& text, const std::string& needle) {
    return MbFind(text, needle) != std::string::npos;
}

std::string CleanQuotes(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '"') out += c;
    return out;
}

std::string CleanSlash(std::string text) { return cutAtPastStart(std::move(text), "/"); }
std::string CleanDash(std::string text) { return cutAtPastStart(std::move(text), " -"); }

bool Unquoted::inStretch(size_t pos) const {
    for (const auto& s : stretches)
        if (pos >= s.first && pos < s.second) return true;
    return false;
}

Unquoted Unquote(const std::string& text) {
    std::vector<size_t> quotes;  // where each quote falls in the unquoted text
    Unquoted u;
    u.text.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"') {
            quotes.push_back(u.text.size());
            continue;
        }
        u.text += text[i];
        if (g_isLead && g_isLead(c) && i + 1 < text.size()) u.text += text[++i];
    }
    for (size_t q = 0; q + 1 < quotes.size(); q += 2) u.stretches.emplace_back(quotes[q], quotes[q + 1]);
    const size_t lead = text.find_first_not_of(" \t\r\n");
    u.leadQuoted = lead != std::string::npos && text[lead] == '"' && !u.stretches.empty();
    return u;
}

size_t CutOutsideQuotes(const Unquoted& u, const std::string& needle, size_t end) {
    const std::string head = u.text.substr(0, end);
    size_t pos = MbFind(head, needle);
    while (pos != std::string::npos && u.inStretch(pos)) pos = MbFind(head, needle, pos + 1);
    return pos != std::string::npos && pos > 0 ? pos : std::string::npos;
}

std::string CleanQSD(const std::string& text) {
    const Unquoted u = Unquote(text);
    size_t end = u.text.size();
    size_t slash = CutOutsideQuotes(u, "/", end);
    if (slash != std::string::npos) end = slash;
    size_t dash = CutOutsideQuotes(u, " -", end);
    if (dash != std::string::npos) end = dash;
    return u.text.substr(0, end);
}

std::string ExecutableCut(std::string text) {
    size_t pos = MbFind(text, ".exe");
    if (pos != std::string::npos) text.resize(pos + 4);
    pos = MbFind(text, ".EXE");
    if (pos != std::string::npos) text.resize(pos + 4);
    return text;
}

std::string StripOuterQuotes(std::string text) {
    size_t b = text.find_first_not_of('"');
    if (b == std::string::npos) return std::string();
    size_t e = text.find_last_not_of('"');
    return text.substr(b, e - b + 1);
}

std::string TrimWhite(const std::string& text) {
    const char* ws = " \t\r\n";
    size_t b = text.find_first_not_of(ws);
    if (b == std::string::npos) return std::string();
    size_t e = text.find_last_not_of(ws);
    return text.substr(b, e - b + 1);
}

std::string AsciiLower(std::string text) {
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (g_isLead && g_isLead(c) && i + 1 < text.size()) { ++i; continue; }
        if (c >= 'A' && c <= 'Z') text[i] = static_cast<char>(c + 32);
    }
    return text;
}

bool EndsWithBackslash(const std::string& text) {
    // The last character, not a trail byte that happens to equal a backslash.
    size_t last = std::string::npos;
    for (size_t i = 0; i < text.size();) {
        last = i;
        bool lead = g_isLead && g_isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
        i += lead ? 2 : 1;
    }
    return last != std::string::npos && last == text.size() - 1 && text[last] == '\\';
}

std::string JoinFolderFile(const std::string& folder, const std::string& file) {
    return EndsWithBackslash(folder) ? folder + file : folder + "\\" + file;
}
