// Keeping removed shortcut files beside their repair's backup, and moving them back.
#include "backup/ShortcutKeep.h"

#include <windows.h>

#include <cctype>
#include <vector>

namespace {
bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Creates every missing folder above `file`.
void createParents(const std::string& file) {
    for (size_t at = file.find('\\', 3); at != std::string::npos; at = file.find('\\', at + 1))
        CreateDirectoryA(file.substr(0, at).c_str(), nullptr);
}

// Gives `path` the times and attributes `info` holds: a move to another disk copies the file and
// would leave it with the time of the copy.
void applyTimes(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& info) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        SetFileTime(h, &info.ftCreationTime, &info.ftLastAccessTime, &info.ftLastWriteTime);
        CloseHandle(h);
    }
    SetFileAttributesA(path.c_str(), info.dwFileAttributes);
}

// Moves a file with its times and attributes; false, leaving it as it was, when that fails.
bool moveWhole(const std::string& from, const std::string& to) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(from.c_str(), GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || exists(to))
        return false;
    createParents(to);
    SetFileAttributesA(from.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only file would not leave another disk
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
        SetFileAttributesA(from.c_str(), info.dwFileAttributes);
        return false;
    }
    applyTimes(to, info);
    return true;
}

// The original path of a kept file from its path below the keep folder ("C\dir\x.lnk").
std::string originalOf(const std::string& relative) {
    const size_t slash = relative.find('\\');
    if (slash == 1 && std::isalpha(static_cast<unsigned char>(relative[0])))
        return relative.substr(0, 1) + ":" + relative.substr(1);
    if (slash == 3 && relative.compare(0, 4, "UNC\\") == 0) return "\\\\" + relative.substr(4);
    return std::string();
}

// Every file below `folder`, and the folders (itself too) deepest first.
void walk(const std::string& folder, std::vector<std::string>& files, std::vector<std::string>& folders) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) walk(folder + "\\" + name, files, folders);
        else files.push_back(folder + "\\" + name);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    folders.push_back(folder);
}
}  // namespace

std::string ShortcutKeepFolder(const std::string& backupFile) {
    const size_t dot = backupFile.rfind('.');
    const size_t slash = backupFile.rfind('\\');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? backupFile.substr(0, dot)
                                                                                  : backupFile + ".shortcuts";
}

std::string KeptShortcutPath(const std::string& backupFile, const std::string& original) {
    std::string below;
    if (original.size() > 3 && std::isalpha(static_cast<unsigned char>(original[0])) && original[1] == ':' &&
        original[2] == '\\')
        below = original.substr(0, 1) + original.substr(2);
    else if (original.compare(0, 2, "\\\\") == 0 && original.size() > 2 && original[2] != '?' && original[2] != '.')
        below = "\\UNC\\" + original.substr(2);
    else
        return std::string();
    if (below.find("\\..\\") != std::string::npos || below.find("\\.\\") != std::string::npos) return std::string();
    return ShortcutKeepFolder(backupFile) + (below[0] == '\\' ? "" : "\\") + below;
}

bool KeepShortcutFile(const std::string& backupFile, const std::string& path) {
    const std::string kept = KeptShortcutPath(backupFile, path);
    return !kept.empty() && moveWhole(path, kept);
}

ShortcutsBack RestoreKeptShortcuts(const std::string& backupFile, const BackupMessageCallback& message) {
    ShortcutsBack back;
    const std::string root = ShortcutKeepFolder(backupFile);
    std::vector<std::string> files, folders;
    walk(root, files, folders);
    for (const auto& kept : files) {
        const std::string original = originalOf(kept.substr(root.size() + 1));
        if (!original.empty() && exists(original)) {
            ++back.present;
            if (message)
                message("The shortcut " + original + " exists again, so its kept copy was left in " + kept + ".");
        } else if (!original.empty() && moveWhole(kept, original)) {
            ++back.restored;
        } else {
            ++back.failed;
            if (message) message("Can't put the shortcut " + kept + " back" + (original.empty() ? "." : " to " + original + "."));
        }
    }
    for (const auto& folder : folders) RemoveDirectoryA(folder.c_str());  // deepest first; kept ones stay
    if (back.restored > 0 && message)
        message(std::to_string(back.restored) + (back.restored == 1 ? " shortcut file was" : " shortcut files were") +
                " put back where the repair found them.");
    return back;
}

void RemoveKeptShortcuts(const std::string& backupFile) {
    std::vector<std::string> files, folders;
    walk(ShortcutKeepFolder(backupFile), files, folders);
    for (const auto& file : files) {
        SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file.c_str());
    }
    for (const auto& folder : folders) RemoveDirectoryA(folder.c_str());
}
