// Buffered binary output and bounds-checked input for backup files (32-bit little-endian fields).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Move-only owner of a file handle.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    FileHandle(FileHandle&& other) noexcept : h_(other.h_) { other.h_ = nullptr; }
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = other.h_;
            other.h_ = nullptr;
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { reset(); }
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    void reset() {
        if (h_) CloseHandle(h_);
        h_ = nullptr;
    }

private:
    HANDLE h_ = nullptr;
};

// Writes fields through a buffer; a count written before its entries is patched afterwards.
// Any failed write makes finish() return false.
class BackupOutput {
public:
    explicit BackupOutput(HANDLE file) : file_(file) {}
    BackupOutput(const BackupOutput&) = delete;
    BackupOutput& operator=(const BackupOutput&) = delete;

    void u32(uint32_t v);
    void bytes(const void* data, size_t n);
    uint64_t position() const { return flushed_ + buffer_.size(); }
    void patchU32(uint64_t at, uint32_t v);
    bool finish();


private:
    void flush();
    HANDLE file_;
    std::string buffer_;
    uint64_t flushed_ = 0;
    bool failed_ = false;
};

// Reads fields and refuses any read longer than what is left of the file, so a length field
// can never make it allocate or read beyond the end.
class BackupInput {
public:
    explicit BackupInput(HANDLE file);
    BackupInput(const BackupInput&) = delete;
    BackupInput& operator=(const BackupInput&) = delete;

    bool sizeKnown() const { return sizeKnown_; }
    uint64_t size() const { return size_; }
    uint64_t offset() const { return pos_; }
    uint64_t remaining() const { return size_ - pos_; }
    bool readFailed() const { return readFailed_; }
    bool u32(uint32_t& v);
    bool bytes(uint32_t n, std::string& out);  // false, consuming nothing, when fewer are left
    bool rewind();

private:
    bool take(void* out, size_t n);
    HANDLE file_;
    uint64_t size_ = 0, pos_ = 0;
    bool sizeKnown_ = false, readFailed_ = false;
    std::vector<char> buf_;
    size_t bufPos_ = 0, bufLen_ = 0;
};
