// Listing of the files in a folder that match a wildcard pattern.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// True when `name` matches `pattern` ('*' any run, '?' one character), ignoring ASCII case.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// Appends the full paths of the files in `folder` (which ends with a backslash) whose names match
// `pattern`, and with `recurse` those of every subfolder too. "." and ".." and files named
// desktop.ini are never listed. Counts the files listed and the subfolders met. The listing is in
// the order the file system returns it. `keepGoing`, when given, is polled before each entry:
// once it is false the listing stops and 0 is returned; otherwise the result is 1.
int ListFiles(const std::string& folder, const std::string& pattern, bool recurse,
              const std::atomic<bool>* keepGoing, std::vector<std::string>& paths, int32_t& fileCount,
              int32_t& folderCount);
