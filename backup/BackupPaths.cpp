// Paths of the backup files: the current directory and joining folder and name.
#include "backup/BackupPaths.h"

#include <windows.h>

#include <vector>

std::string CurrentDirectoryPath() {
    DWORD n = GetCurrentDirectoryA(0, nullptr);
    std::vector<char> buf(n + 1);
    n = GetCurrentDirectoryA(static_cast<DWORD>(buf.size()), buf.data());
    return std::string(buf.data(), n < buf.size() ? n : 0);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}
