// Listing of the files in a folder that match a wildcard pattern.
#include "backup/ListFiles.h"

#include <windows.h>

#include <cctype>

namespace {
char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Our own matching rather than the system's: its search also matches 8.3 short names, so
// "*.reg" would list "old.regx" too.
bool matchFrom(const char* n, const char* p) {
    const char* starP = nullptr;
    const char* starN = nullptr;
    while (*n) {
        if (*p == '*') {
            starP = p++;
            starN = n;
        } else if (*p == '?' || (*p && lower(*p) == lower(*n))) {
            ++p;
            ++n;
        } else if (starP) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == '\0';
}

bool isDesktopIni(const std::string& name) { return MatchesPattern(name, "desktop.ini"); }
}  // namespace

bool MatchesPattern(const std::string& name, const std::string& pattern) {
    return matchFrom(name.c_str(), pattern.c_str());
}

int ListFiles(const std::string& folder, const std::string& pattern, bool recurse,
              const std::atomic<bool>* keepGoing, std::vector<std::string>& paths, int32_t& fileCount,
              int32_t& folderCount) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return keepGoing && !*keepGoing ? 0 : 1;
    int result = 1;
    do {
        if (keepGoing && !*keepGoing) {
            result = 0;
            break;
        }
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ++folderCount;
            if (recurse && ListFiles(folder + name + "\\", pattern, true, keepGoing, paths, fileCount,
                                     folderCount) == 0) {
                result = 0;
                break;
            }
        } else if (!isDesktopIni(name) && MatchesPattern(name, pattern)) {
            paths.push_back(folder + name);
            ++fileCount;
        }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return result;
}
