// Environment expansion and system folders for the path clean-up.
#include "engine/SystemPaths.h"

#include <windows.h>

#include <vector>

#include "engine/PathCleanup.h"
#include "registry/RegistryView.h"

namespace {
bool isLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }

// A 64-bit program's %ProgramFiles% is the folder a 32-bit one knows as %ProgramW6432%: an entry
// of the 64-bit view names its tokens as that program sees them.
void useSixtyFourBitTokens(std::string& text) {
    static const struct { const char* own; const char* wide; } TOKENS[] = {
        {"programfiles", "ProgramW6432"},
        {"commonprogramfiles", "CommonProgramW6432"},
    };
    for (const auto& token : TOKENS) {
        if (GetEnvironmentVariableA(token.wide, nullptr, 0) == 0) continue;
        const std::string own = std::string("%") + token.own + "%", wide = std::string("%") + token.wide + "%";
        for (size_t at = 0; (at = AsciiLower(text).find(own, at)) != std::string::npos; at += wide.size())
            text.replace(at, own.size(), wide);
    }
}
}  // namespace

void InitCodePageRules() { SetLeadByteTest(isLeadByte); }

bool ExpandEnvironmentTokens(std::string& text) {
    if (text.find('%') == std::string::npos) return false;
    if (InView64()) useSixtyFourBitTokens(text);
    // Sized to the expansion, so a long variable is never cut into a wrong path.
    DWORD need = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (need == 0) return true;
    std::vector<char> buf(need + 1);
    DWORD got = ExpandEnvironmentStringsA(text.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    if (got == 0 || got > buf.size()) return true;
    text.assign(buf.data());
    return true;
}

std::string PrefixSystemDirectory(const std::string& text) {
    if (MbContains(text, "\\")) return text;
    return SystemDirectory() + "\\" + text;
}

std::string CleanPathQSDEP(const std::string& text) {
    std::string path = CleanQSD(text);
    if (ExpandEnvironmentTokens(path)) return path;
    return PrefixSystemDirectory(path);
}
