// Paths of the backup files: the current directory and joining folder and name.
#pragma once
#include <string>

std::string CurrentDirectoryPath();
// Folder and name with one backslash between them (a root such as C:\ already ends with one).
std::string JoinPath(const std::string& folder, const std::string& name);
