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
std::vector<std::string> foldersMade;  // by this process, for a folder it may refuse

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

std::wstring environmentAppData() {
    DWORD n = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (n == 0) return std::wstring();
    std::vector<wchar_t> buf(n + 1);
    n = GetEnvironmentVariableW(L"APPDATA", buf.data(), static_cast<DWORD>(buf.size()));
    return n > 0 && n < buf.size() ? std::wstring(buf.data(), n) : std::wstring();
}

std::wstring shellAppData() {
    // The shell's library is loaded only when the environment does not say.
    using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
    static const auto get = LibraryFunction<GetFolderPath>("shell32.dll", "SHGetFolderPathW");
    wchar_t path[MAX_PATH] = L"";
    if (!get || FAILED(get(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path))) return std::wstring();
    return path;
}

// The text in the code page; `exact` false when some letter has no place there (the code page
// would give a look-alike, which names another folder, or a '?').
std::string narrow(const std::wstring& text, bool& exact) {
    BOOL replaced = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, nullptr, 0, nullptr, &replaced);
    std::vector<char> buf(n > 0 ? n : 1);
    if (n > 0) WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, buf.data(), n, nullptr, &replaced);
    exact = n > 0 && !replaced;
    return buf.data();
}

std::wstring wideCall(DWORD (WINAPI* call)(LPCWSTR, LPWSTR, DWORD), const std::wstring& path) {
    std::vector<wchar_t> buf(MAX_PATH);
    for (int tries = 0; tries < 4; ++tries) {
        const DWORD n = call(path.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size()) return std::wstring(buf.data(), n);
        buf.resize(n + 1);
    }
    return std::wstring();
}

DWORD WINAPI fullPathW(LPCWSTR path, LPWSTR buf, DWORD size) { return GetFullPathNameW(path, size, buf, nullptr); }

// The user's application data folder as the program's narrow text can name it: made absolute (a
// relative APPDATA would follow the current folder), and, when its name has letters outside the
// code page, its short name, which names the same folder in letters the code page has. Empty with
// the reason in `problem` when neither can; empty without one when the system names none.
std::string appDataBase(std::string& problem) {
    std::wstring wide = environmentAppData();
    if (wide.empty()) wide = shellAppData();
    if (wide.empty()) return std::string();
    const std::wstring full = wideCall(fullPathW, wide);
    if (!full.empty()) wide = full;
    bool exact = false;
    const std::string text = narrow(wide, exact);
    if (exact) return text;
    CreateDirectoryW(wide.c_str(), nullptr);  // a short name is given to a folder that exists
    const std::string shortName = narrow(wideCall(GetShortPathNameW, wide), exact);
    if (exact && !shortName.empty()) return shortName;
    problem = "the data folder's path " + text + "\\" + DATA_FOLDER_NAME +
              " has letters outside this system's code page and no short name to use instead; start the "
              "console program with --data and a folder of plain letters, or set APPDATA to one";
    return std::string();
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

// Creates the folder and every missing folder above it, noting those it made.
void createFolderPath(const std::string& path) {
    if (isFolder(path)) return;
    auto make = [](const std::string& folder) {
        if (CreateDirectoryA(folder.c_str(), nullptr)) {
            std::lock_guard<std::mutex> hold(overrideLock);
            foldersMade.push_back(folder);
        }
    };
    for (size_t i = path.find('\\', 3); i != std::string::npos; i = path.find('\\', i + 1)) make(path.substr(0, i));
    make(path);
}

// A refused data folder leaves nothing behind: the folders made for it go again (empty ones only,
// the deepest first).
void removeFoldersMade() {
    std::lock_guard<std::mutex> hold(overrideLock);
    for (auto it = foldersMade.rbegin(); it != foldersMade.rend(); ++it) RemoveDirectoryA(it->c_str());
    foldersMade.clear();
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

namespace {
// The folder, and why it cannot be used (empty when it can).
std::string chooseFolder(std::string& problem) {
    {
        std::lock_guard<std::mutex> hold(overrideLock);
        if (!overrideFolder.empty()) return overrideFolder;
    }
    std::string base = appDataBase(problem);
    if (!problem.empty()) return std::string();
    if (base.empty()) base = tempFolder();  // never the current folder, which may be the system's
    return joinPath(withoutTrailingSlash(base), DATA_FOLDER_NAME);
}
}  // namespace

std::string DataFolder() {
    std::string problem;
    const std::string folder = chooseFolder(problem);
    // A folder that cannot be named is not made: a look-alike would be another folder.
    if (!problem.empty()) return tempFolder() + DATA_FOLDER_NAME + "-unusable";
    createFolderPath(folder);
    return folder;
}

std::string DataFolderRefusal() {
    std::string problem;
    chooseFolder(problem);
    return problem;
}

void SetDataFolder(const std::string& folder) {
    std::lock_guard<std::mutex> hold(overrideLock);
    overrideFolder = folder.empty() ? std::string() : withoutTrailingSlash(fullPath(folder));
}

std::string DataFilePath(const std::string& name) { return joinPath(DataFolder(), name); }

bool DataFolderUsable(std::string& error) {
    error = DataFolderRefusal();
    if (!error.empty()) return false;
    const std::string folder = DataFolder();
    if (!isFolder(folder)) {
        error = "the data folder " + folder + " cannot be created";
        removeFoldersMade();
        return false;
    }
    const std::string probe = joinPath(folder, "write-test.tmp");
    HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "the data folder " + folder + " cannot be written";
        removeFoldersMade();
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
