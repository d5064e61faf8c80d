// The two views a 32-bit program has on 64-bit Windows: whether there are two at all, and the
// 64-bit file-system view for one thread while it tests the files a 64-bit entry names.
#pragma once

// True when this 32-bit program runs on 64-bit Windows (IsWow64Process); false on 32-bit Windows
// and on systems too old to have the call.
bool RunningOn64BitWindows();

// While it lives, the calling thread sees the 64-bit file system (its System32 is the real one),
// when `view64` is set and the system has such a view; otherwise it changes nothing.
class FileSystemView64 {
public:
    explicit FileSystemView64(bool view64);
    ~FileSystemView64();
    FileSystemView64(const FileSystemView64&) = delete;
    FileSystemView64& operator=(const FileSystemView64&) = delete;
    // Whether the thread sees the 64-bit file system now.
    bool active() const { return active_; }

private:
    bool active_ = false;
    void* old_ = nullptr;
};
