// Environment expansion and system folders for the path clean-up.
#include "engine/SystemPaths.h"

#include <windows.h>

#include <vector>

#include "engine/PathCleanup.h"

namespace {
bool isLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != FALSE; }
}  // namespace

void InitCodePageRules() { SetLeadByteTest(isLeadByte); }

bool ExpandEnvironmentTokens(std::string& text) {
    if (text.find('%') == std::string::npos) return false;
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
