// Test fixtures shared by the test programs.
#include "support/TestSupport.h"

#include <aclapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <sstream>

#include "platform/DataFolder.h"
#include "registry/KeyPath.h"
#include "registry/RegKey.h"
#include "engine/RegistryLib.h"

namespace {
HKEY rootOf(std::string& path) {
    std::string root = CRegistryLib::SeperateMainKey(path);
    return CRegistryLib::RootKeyFromName(root);
}

// Moves what `pipe` holds now into `out`; false once the pipe is closed at the other end.
bool drainPipe(HANDLE pipe, std::string& out) {
    char buf[4096];
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) return false;
        if (available == 0) return true;
        DWORD n = 0;
        if (!ReadFile(pipe, buf, available < sizeof buf ? available : sizeof buf, &n, nullptr) || n == 0) return false;
        out.append(buf, n);
    }
}

// Collects a child's output until the child has ended and its pipes are empty. End of file alone is
// not enough: a process the child starts may inherit the pipes and keep them open for good (Wine's
// desktop process, started by the first program that needs a window, is one).
void collectOutput(HANDLE process, HANDLE outPipe, HANDLE errPipe, std::string& out, std::string& err) {
    bool outOpen = true, errOpen = true;
    for (;;) {
        if (outOpen) outOpen = drainPipe(outPipe, out);
        if (errOpen) errOpen = drainPipe(errPipe, err);
        if (!outOpen && !errOpen) break;
        if (WaitForSingleObject(process, 20) == WAIT_OBJECT_0) {
            if (outOpen) drainPipe(outPipe, out);
            if (errOpen) drainPipe(errPipe, err);
            break;
        }
    }
}
}  // namespace

void DeleteKeyPath(const std::string& fullPath) {
    std::string sub = fullPath;
    HKEY root = rootOf(sub);
    if (root && !sub.empty()) CRegistryLib::DeleteKeyTree(root, sub);
}

SeededKey::SeededKey(const std::string& fullPath, bool freshStart) : path_(fullPath) {
    if (freshStart) DeleteKeyPath(fullPath);
    std::string sub = fullPath;
    HKEY root = rootOf(sub);
    if (!root || CreateKeyPath(root, sub, KEY_ALL_ACCESS, &key_) != ERROR_SUCCESS) key_ = nullptr;
}

SeededKey::~SeededKey() {
    if (key_) RegCloseKey(key_);
    DeleteKeyPath(path_);
}

void SeededKey::setRaw(const std::string& name, DWORD type, const void* data, DWORD size) {
    RegSetValueExA(key_, name.empty() ? nullptr : name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

void SeededKey::setString(const std::string& name, const std::string& data, DWORD type) {
    setRaw(name, type, data.c_str(), static_cast<DWORD>(data.size() + 1));
}

void SeededKey::setDword(const std::string& name, DWORD value) { setRaw(name, REG_DWORD, &value, sizeof value); }

void SeededKey::setBinary(const std::string& name, const std::vector<unsigned char>& data, DWORD type) {
    setRaw(name, type, data.data(), static_cast<DWORD>(data.size()));
}

SeededValue::SeededValue(const std::string& keyPath, const std::string& name, const std::string& data, DWORD type)
    : keyPath_(keyPath), name_(name) {
    std::string sub = keyPath;
    HKEY root = rootOf(sub);
    RegKey key;
    if (root && CreateKeyPath(root, sub, KEY_ALL_ACCESS, key.put()) == ERROR_SUCCESS)
        RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
}

SeededValue::~SeededValue() {
    std::string sub = keyPath_;
    HKEY root = rootOf(sub);
    RegKey key;
    if (root && OpenKeyPath(root, sub, KEY_SET_VALUE, key.put()) == ERROR_SUCCESS)
        RegDeleteValueA(key.get(), name_.c_str());
}

EnsuredKey::EnsuredKey(const std::string& fullPath) : path_(fullPath) {
    std::string sub = fullPath;
    HKEY root = rootOf(sub);
    RegKey key;
    DWORD disposition = 0;
    if (root && RegCreateKeyExA(root, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                &disposition) == ERROR_SUCCESS)
        created_ = disposition == REG_CREATED_NEW_KEY;
}

EnsuredKey::~EnsuredKey() {
    if (created_) DeleteKeyPath(path_);
}

ScratchDir::ScratchDir(const std::string& name) : path_("C:\\zenthar-tests\\" + name) {
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    previous_ = cwd;
    CreateDirectoryA("C:\\zenthar-tests", nullptr);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
    SetCurrentDirectoryA(path_.c_str());
    SetDataFolder(path_);
}

ScratchDir::~ScratchDir() {
    // Under CTest the starting folder is a host path the prefix cannot enter again; leave the
    // scratch folder anyway so that it can be removed.
    if (!SetCurrentDirectoryA(previous_.c_str())) SetCurrentDirectoryA("C:\\");
    SetDataFolder(std::string());
    RemoveTree(path_);
}

bool KeyExists(const std::string& fullPath) {
    std::string sub = fullPath;
    HKEY root = rootOf(sub);
    RegKey key;
    return root && OpenKeyPath(root, sub, KEY_READ, key.put()) == ERROR_SUCCESS;
}

bool ValueExists(const std::string& keyPath, const std::string& name) {
    std::string sub = keyPath;
    HKEY root = rootOf(sub);
    RegKey key;
    if (!root || OpenKeyPath(root, sub, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    return RegQueryValueExA(key.get(), name.empty() ? nullptr : name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteTextFile(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

std::string ReadTextFile(const std::string& path) {
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

void RemoveTree(const std::string& path) {
    DWORD attrs = GetFileAttributesA(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return;
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..") continue;
            RemoveTree(path + "\\" + name);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

ProcessResult RunProcess(const std::string& commandLine, const std::string& directory) {
    ProcessResult result;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    CreatePipe(&outRead, &outWrite, &sa, 0);
    CreatePipe(&errRead, &errWrite, &sa, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    BOOL ok = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr,
                             directory.empty() ? nullptr : directory.c_str(), &si, &pi);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (ok) {
        collectOutput(pi.hProcess, outRead, errRead, result.out, result.err);
        WaitForSingleObject(pi.hProcess, INFINITE);
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return result;
}

void WaitForProcessesToEnd(const std::string& exeName, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return;
        std::vector<DWORD> ids;
        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
            if (lstrcmpiA(entry.szExeFile, exeName.c_str()) == 0) ids.push_back(entry.th32ProcessID);
        CloseHandle(snapshot);
        if (ids.empty()) return;
        for (DWORD id : ids) {
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
            if (!process) continue;
            const DWORD spent = GetTickCount() - start;
            WaitForSingleObject(process, spent < ms ? ms - spent : 0);
            CloseHandle(process);
        }
        if (GetTickCount() - start >= ms) return;
        Sleep(10);
    }
}

std::string CliPath() {
    const char* p = std::getenv("ZENTHAR_CLI");
    std::string unixPath = p ? p : "";
    // CTest hands over a host path; Wine maps it through the z: drive we removed, so convert it
    // to a path the prefix can reach through the unix file system root.
    if (!unixPath.empty() && unixPath[0] == '/') {
        std::string win = "\\\\?\\unix" + unixPath;
        for (char& c : win) if (c == '/') c = '\\';
        return win;
    }
    return unixPath;
}

ProcessResult RunCli(const std::string& args, const std::string& directory) {
    if (directory.empty()) return RunProcess("\"" + CliPath() + "\" " + args);
    return RunProcess("\"" + CliPath() + "\" --data \"" + directory + "\" " + args, directory);
}

ProcessResult RunCliDefaultData(const std::string& args, const std::string& directory) {
    return RunProcess("\"" + CliPath() + "\" " + args, directory);
}

AppDataFolder::AppDataFolder(const std::string& folder) : folder_(folder) {
    char previous[MAX_PATH * 2] = "";
    const DWORD n = GetEnvironmentVariableA("APPDATA", previous, sizeof previous);
    hadPrevious_ = n > 0 && n < sizeof previous;
    if (hadPrevious_) previous_ = previous;
    CreateDirectoryA(folder.c_str(), nullptr);
    SetEnvironmentVariableA("APPDATA", folder.c_str());
}

AppDataFolder::~AppDataFolder() {
    SetEnvironmentVariableA("APPDATA", hadPrevious_ ? previous_.c_str() : nullptr);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

namespace {
DWORD setAccessList(const std::string& fullPath, PACL acl, bool protect) {
    std::string sub = fullPath;
    HKEY root = rootOf(sub);
    RegKey key;
    if (!root || RegOpenKeyExA(root, sub.c_str(), 0, WRITE_DAC | READ_CONTROL, key.put()) != ERROR_SUCCESS)
        return ERROR_ACCESS_DENIED;
    const SECURITY_INFORMATION what =
        DACL_SECURITY_INFORMATION | (protect ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    return SetSecurityInfo(key.get(), SE_REGISTRY_KEY, what, nullptr, nullptr, acl, nullptr);
}
}  // namespace

KeyAccessLimit::KeyAccessLimit(const std::string& fullPath, DWORD rights) : path_(fullPath) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return;
    EXPLICIT_ACCESSA ea{};
    ea.grfAccessPermissions = rights | READ_CONTROL | WRITE_DAC;
    ea.grfAccessMode = GRANT_ACCESS;
    ea.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    ea.Trustee.ptstrName = static_cast<LPSTR>(everyone);
    PACL acl = nullptr;
    if (SetEntriesInAclA(1, &ea, nullptr, &acl) == ERROR_SUCCESS) {
        applied_ = setAccessList(path_, acl, true) == ERROR_SUCCESS;
        LocalFree(acl);
    }
    FreeSid(everyone);
}

KeyAccessLimit::~KeyAccessLimit() {
    if (applied_) setAccessList(path_, nullptr, false);  // no list at all: everyone may do anything
}
