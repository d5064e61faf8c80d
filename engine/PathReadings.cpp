// Other readings of an entry's text as a file name.
#include "engine/PathReadings.h"

#include <algorithm>
#include <cctype>

#include "engine/PathCleanup.h"

namespace {
// A blank outside the quotes followed by "/x", "-x", "//" or "--" in the text from `begin` to
// `end`: what follows is a switch, so the reading names no file. Inside quotes it is part of a name.
bool carriesSwitch(const Unquoted& u, size_t begin, size_t end) {
    const std::string& text = u.text;
    for (size_t pos = MbFind(text, " ", begin); pos != std::string::npos && pos + 2 < end;
         pos = MbFind(text, " ", pos + 1)) {
        if (u.inStretch(pos)) continue;
        const char mark = text[pos + 1], next = text[pos + 2];
        if ((mark == '/' || mark == '-') && (std::isalpha(static_cast<unsigned char>(next)) || next == mark))
            return true;
    }
    return false;
}
}  // namespace

bool IsUrl(const std::string& text) {
    size_t colon = text.find("://");
    if (colon == std::string::npos || colon < 2) return false;
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    for (size_t i = 1; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

bool IsBareFileName(const std::string& text) {
    return !text.empty() && !MbContains(text, "\\") && !MbContains(text, "/") && !MbContains(text, ":");
}

std::vector<std::string> OtherReadings(const std::string& text) {
    // Every reading is the unquoted text up to some end, trimmed; no cut falls inside quotes.
    const Unquoted u = Unquote(text);
    const size_t all = u.text.size(), begin = std::min(all, u.text.find_first_not_of(" \t\r\n"));
    std::vector<std::string> out;
    auto add = [&](size_t end) {
        if (end == std::string::npos || end <= begin) return;
        std::string r = TrimWhite(u.text.substr(0, end));
        if (r.empty() || carriesSwitch(u, begin, end) || std::find(out.begin(), out.end(), r) != out.end()) return;
        out.push_back(r);
    };
    if (u.leadQuoted) add(u.stretches.front().second);
    const size_t exe = MbFind(AsciiLower(u.text), ".exe");
    if (exe != std::string::npos) add(exe + 4);
    add(all);
    const size_t slash = CutOutsideQuotes(u, "/", all);
    add(slash);
    add(CutOutsideQuotes(u, " -", all));
    add(CutOutsideQuotes(u, " -", slash == std::string::npos ? all : slash));
    size_t word = MbFind(u.text, " ", begin);
    while (word != std::string::npos && u.inStretch(word)) word = MbFind(u.text, " ", word + 1);
    if (word == std::string::npos) word = all;
    if (IsBareFileName(TrimWhite(u.text.substr(begin, word - begin)))) add(word);
    return out;
}
