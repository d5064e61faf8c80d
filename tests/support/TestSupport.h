// Test fixtures: seeded registry keys removed again, scratch folders, files, child processes.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Creates (or opens) a key by full path and deletes the whole key again when destroyed, so that
// tests do not depend on each other's order. Removes any leftover of an earlier crashed run first.
class SeededKey {
public:
    explicit SeededKey(const std::string& fullPath, bool freshStart = true);
    ~SeededKey();
    SeededKey(const SeededKey&) = delete;
    SeededKey& operator=(const SeededKey&) = delete;

    const std::string& path() const { return path_; }
    HKEY handle() const { return key_; }
    void setString(const std::string& name, const std::string& data, DWORD type = REG_SZ);
    void setDword(const std::string& name, DWORD value);
    void setBinary(const std::string& name, const std::vector<unsigned char>& data, DWORD type = REG_BINARY);
    // An empty name sets the unnamed value.
    void setRaw(const std::string& name, DWORD type, const void* data, DWORD size);

private:
    std::string path_;
    HKEY key_ = nullptr;
};

// Keeps a value that a test adds under an existing key (for example a font or startup entry) and
// deletes it again when destroyed.
class SeededValue {
public:
    SeededValue(const std::string& keyPath, const std::string& name, const std::string& data, DWORD type = REG_SZ);
    ~SeededValue();
    SeededValue(const SeededValue&) = delete;
    SeededValue& operator=(const SeededValue&) = delete;

private:
    std::string keyPath_, name_;
};

// Makes sure a key exists for the test's life; deletes it afterwards only if it created it, so
// the system's own keys are never removed.
class EnsuredKey {
public:
    explicit EnsuredKey(const std::string& fullPath);
    ~EnsuredKey();
    EnsuredKey(const EnsuredKey&) = delete;
    EnsuredKey& operator=(const EnsuredKey&) = delete;

private:
    std::string path_;
    bool created_ = false;
};

// A scratch folder under C:\zenthar-tests that becomes the current directory and the data folder of
// this process (where the routines keep the ignore list, undo files and backups) while it lives.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
    std::string previous_;
};

bool KeyExists(const std::string& fullPath);
bool ValueExists(const std::string& keyPath, const std::string& name);
bool PathExists(const std::string& path);
void WriteTextFile(const std::string& path, const std::string& text);
std::string ReadTextFile(const std::string& path);
void RemoveTree(const std::string& path);
void DeleteKeyPath(const std::string& fullPath);

struct ProcessResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
    std::string err;
};
// Runs a command line with the given current directory and captures both output streams.
ProcessResult RunProcess(const std::string& commandLine, const std::string& directory = std::string());
// Waits until no process with this file name (for example "regedit.exe") runs any more, or `ms` have passed.
void WaitForProcessesToEnd(const std::string& exeName, DWORD ms);
// The console program's path (from the environment CTest sets).
std::string CliPath();
// Runs the console program with the given arguments in `directory`, which is its data folder too
// (--data), as ScratchDir makes it this process's.
ProcessResult RunCli(const std::string& args, const std::string& directory = std::string());
// Runs the console program in `directory` with the default data folder (%APPDATA%\Zenthar).
ProcessResult RunCliDefaultData(const std::string& args, const std::string& directory);

// Sets the environment's APPDATA for the test's life (the processes it starts inherit it), so that
// the default data folder is `folder`\Zenthar and not the prefix's own.
class AppDataFolder {
public:
    explicit AppDataFolder(const std::string& folder);
    ~AppDataFolder();
    AppDataFolder(const AppDataFolder&) = delete;
    AppDataFolder& operator=(const AppDataFolder&) = delete;
    std::string dataFolder() const { return folder_ + "\\Zenthar"; }

private:
    std::string folder_;
    std::string previous_;
    bool hadPrevious_ = false;
};
// The lines of a text, without their line ends (CR LF or LF).
std::vector<std::string> SplitLines(const std::string& text);

// Replaces a key's access list by one that grants everyone only `rights` (plus the right to change
// the list back), and lets everyone in again when destroyed, so that the fixtures can remove the key.
class KeyAccessLimit {
public:
    KeyAccessLimit(const std::string& fullPath, DWORD rights);
    ~KeyAccessLimit();
    KeyAccessLimit(const KeyAccessLimit&) = delete;
    KeyAccessLimit& operator=(const KeyAccessLimit&) = delete;
    bool applied() const { return applied_; }

private:
    std::string path_;
    bool applied_ = false;
};
