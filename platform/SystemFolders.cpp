// The system and Windows folders, asked once with a buffer as long as the platform says it needs.
#include "platform/SystemFolders.h"

#include <windows.h>

#include <vector>

namespace {
std::string queryDirectory(UINT (WINAPI* get)(LPSTR, UINT)) {
    std::vector<char> buf(MAX_PATH + 1);
    UINT n = get(buf.data(), static_cast<UINT>(buf.size()));
    if (n >= buf.size()) {
        buf.resize(n + 1);
        n = get(buf.data(), static_cast<UINT>(buf.size()));
    }
    return n < buf.size() ? std::string(buf.data(), n) : std::string();
}
}  // namespace

const std::string& SystemDirectory() {
    static const std::string dir = queryDirectory(GetSystemDirectoryA);
    return dir;
}

const std::string& WindowsDirectory() {
    static const std::string dir = queryDirectory(GetWindowsDirectoryA);
    return dir;
}
