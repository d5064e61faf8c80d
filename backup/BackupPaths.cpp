// Paths of the backup files: joining folder and name.
#include "backup/BackupPaths.h"

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}
