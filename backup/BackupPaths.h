// Paths of the backup files: joining folder and name.
#pragma once
#include <string>

// Folder and name with one backslash between them (a root such as C:\ already ends with one).
std::string JoinPath(const std::string& folder, const std::string& name);
