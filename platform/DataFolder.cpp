// The per-user data folder and the take-over of an older version's ignore list.
#include "platform/DataFolder.h"

#include <windows.h>
#include <shlobj.h>

#include <mutex>
#include <set>
#include <vector>

#include "platform/LibraryFunction.h"

namespace {
std::mutex overrideLock;
std::string overrideFolder;  // set by SetDataFolder

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

std::string fullPath(const std::string& path) {
    DWORD n = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::vector<char> buf(n + 1);
    n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
    return n > 0 && n < buf.size() ? std::string(buf.data(), n) : path;
}

std::string environmentAppData() {
    DWORD n = GetEnvironmentVariableA("APPDATA", nullptr, 0);
    if (n == 0) return std::string();
    std::vector<char> buf(n + 1);
    n = GetEnvironmentVariableA("APPDATA", buf.data(), static_cast<DWORD>(buf.size()));
    return n > 0 && n < buf.size() ? std::string(buf.data(), n) : std::string();
}

std::string shellAppData() {
    // The shell's library is loaded only when the environment does not say.
    using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
    static const auto get = LibraryFunction<GetFolderPath>("shell32.dll", "SHGetFolderPathA");
    char path[MAX_PATH] = "";
    if (!get || FAILED(get(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path))) return std::string();
    return path;
}

std::string tempFolder() {
    char path[MAX_PATH + 1] = "";
    const DWORD n = GetTempPathA(sizeof path, path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string("C:\\");
}

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates the folder and every missing folder above it.
void createFolderPath(const std::string& path) {
    if (isFolder(path)) return;
    for (size_t i = path.find('\\', 3); i != std::string::npos; i = path.find('\\', i + 1))
        CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}

bool readLines(const std::string& path, std::vector<std::string>& lines) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::string text;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
    CloseHandle(h);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return true;
}

// Writes the lines beside the target and moves the file in, unless another process got there
// first (its list was merged from the same files).
void writeNewList(const std::string& target, const std::vector<std::string>& lines) {
    const std::string work = target + ".new";
    HANDLE h = CreateFileA(work.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    DWORD written = 0;
    const bool ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size() && FlushFileBuffers(h);
    CloseHandle(h);
    if (!ok || !MoveFileExA(work.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) DeleteFileA(work.c_str());
}
}  // namespace

std::string DataFolder() {
    std::string folder;
    {
        std::lock_guard<std::mutex> hold(overrideLock);
        folder = overrideFolder;
    }
    if (folder.empty()) {
        std::string base = environmentAppData();
        if (base.empty()) base = shellAppData();
        if (base.empty()) base = tempFolder();  // never the current folder, which may be the system's
        folder = joinPath(withoutTrailingSlash(base), DATA_FOLDER_NAME);
    }
    createFolderPath(folder);
    return folder;
}

void SetDataFolder(const std::string& folder) {
    std::lock_guard<std::mutex> hold(overrideLock);
    overrideFolder = folder.empty() ? std::string() : withoutTrailingSlash(fullPath(folder));
}

std::string DataFilePath(const std::string& name) { return joinPath(DataFolder(), name); }

bool DataFolderUsable(std::string& error) {
    const std::string folder = DataFolder();
    if (!isFolder(folder)) {
        error = "the data folder " + folder + " cannot be created";
        return false;
    }
    const std::string probe = joinPath(folder, "write-test.tmp");
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "the data folder " + folder + " cannot be written";
        return false;
    }
    CloseHandle(h);
    return true;
}

std::string ProgramFolder() {
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size()) {
            std::string path(buf.data(), n);
            const size_t slash = path.find_last_of('\\');
            return slash == std::string::npos ? std::string() : withoutTrailingSlash(path.substr(0, slash + 1));
        }
        buf.resize(buf.size() * 2);
    }
}

std::string CurrentFolder() { return withoutTrailingSlash(fullPath(".")); }

bool SameFolder(const std::string& a, const std::string& b) {
    return lstrcmpiA(withoutTrailingSlash(fullPath(a)).c_str(), withoutTrailingSlash(fullPath(b)).c_str()) == 0;
}

std::vector<std::string> OlderWorkingFolders() {
    const std::string data = DataFolder();
    std::vector<std::string> folders;
    for (const std::string& folder : {CurrentFolder(), ProgramFolder()}) {
        if (folder.empty() || SameFolder(folder, data)) continue;
        bool seen = false;
        for (const auto& other : folders) seen = seen || SameFolder(other, folder);
        if (!seen) folders.push_back(folder);
    }
    return folders;
}

std::string IgnoreListPath() {
    const std::string target = DataFilePath(IGNORE_LIST_NAME);
    if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) return target;
    std::vector<std::string> merged;
    std::set<std::string> have;
    bool found = false;
    for (const auto& folder : OlderWorkingFolders()) {
        std::vector<std::string> lines;
        if (!readLines(joinPath(folder, IGNORE_LIST_NAME), lines)) continue;
        for (const auto& line : lines) {
            // The first list comes whole, as it was; the others add what it lacks.
            if (found && (line.empty() || have.count(line))) continue;
            merged.push_back(line);
            have.insert(line);
        }
        found = true;
    }
    if (found) writeNewList(target, merged);
    return target;
}
