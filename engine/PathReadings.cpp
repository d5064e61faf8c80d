// Other readings of an entry's text as a file name.
#include "engine/PathReadings.h"

#include <algorithm>
#include <cctype>

#include "engine/PathCleanup.h"

namespace {
bool carriesSwitch(const std::string& text) {
    for (size_t pos = MbFind(text, " "); pos != std::string::npos && pos + 2 < text.size();
         pos = MbFind(text, " ", pos + 1)) {
        const char mark = text[pos + 1], next = text[pos + 2];
        if ((mark == '/' || mark == '-') && (std::isalpha(static_cast<unsigned char>(next)) || next == mark))
            return true;
    }
    return false;
}

std::string cutAfterExeAnyCase(const std::string& text) {
    size_t pos = MbFind(AsciiLower(text), ".exe");
    return pos == std::string::npos ? std::string() : text.substr(0, pos + 4);
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
    std::vector<std::string> out;
    auto add = [&out](const std::string& reading) {
        std::string r = TrimWhite(reading);
        if (r.empty() || carriesSwitch(r) || std::find(out.begin(), out.end(), r) != out.end()) return;
        out.push_back(r);
    };
    std::string lead = TrimWhite(text);
    if (!lead.empty() && lead[0] == '"') {
        size_t close = MbFind(lead, "\"", 1);
        if (close != std::string::npos) add(lead.substr(1, close - 1));
    }
    const std::string unquoted = CleanQuotes(text);
    add(cutAfterExeAnyCase(unquoted));
    add(unquoted);
    add(CleanSlash(unquoted));
    add(CleanDash(unquoted));
    add(CleanDash(CleanSlash(unquoted)));
    std::string trimmed = TrimWhite(unquoted);
    std::string first = trimmed.substr(0, std::min(trimmed.size(), MbFind(trimmed, " ")));
    if (IsBareFileName(first)) add(first);
    return out;
}
