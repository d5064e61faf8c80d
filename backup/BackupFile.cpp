// Buffered binary output and bounds-checked input for backup files.
#include "backup/BackupFile.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t BUFFER_BYTES = 64 * 1024;

bool seekTo(HANDLE file, uint64_t at) {
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(at);
    return SetFilePointerEx(file, li, nullptr, FILE_BEGIN) != 0;
}

bool writeAll(HANDLE file, const char* data, size_t n) {
    while (n > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(n, 1u << 20)), written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        n -= written;
    }
    return true;
}
}  // namespace

void BackupOutput::u32(uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    bytes(b, 4);
}

void BackupOutput::bytes(const void* data, size_t n) {
    buffer_.append(static_cast<const char*>(data), n);
    if (buffer_.size() >= BUFFER_BYTES) flush();
}

void BackupOutput::patchU32(uint64_t at, uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    if (at >= flushed_) {
        std::memcpy(&buffer_[static_cast<size_t>(at - flushed_)], b, 4);
        return;
    }
    // The count lies in what was already written: write it in place, then go back to the end.
    flush();
    if (failed_ || !seekTo(file_, at) || !writeAll(file_, reinterpret_cast<const char*>(b), 4) ||
        !seekTo(file_, flushed_))
        failed_ = true;
}

void BackupOutput::flush() {
    if (buffer_.empty()) return;
    // After a failed write the rest is dropped rather than kept growing in memory.
    if (!failed_ && !writeAll(file_, buffer_.data(), buffer_.size())) failed_ = true;
    flushed_ += buffer_.size();
    buffer_.clear();
}

bool BackupOutput::finish() {
    flush();
    return !failed_;
}

BackupInput::BackupInput(HANDLE file) : file_(file), buf_(BUFFER_BYTES) {
    LARGE_INTEGER li;
    if (GetFileSizeEx(file, &li)) {
        size_ = static_cast<uint64_t>(li.QuadPart);
        sizeKnown_ = true;
    }
}

bool BackupInput::take(void* out, size_t n) {
    char* dst = static_cast<char*>(out);
    while (n > 0) {
        if (bufPos_ == bufLen_) {
            DWORD got = 0;
            if (!ReadFile(file_, buf_.data(), static_cast<DWORD>(buf_.size()), &got, nullptr) || got == 0) {
                readFailed_ = true;
                return false;
            }
            bufPos_ = 0;
            bufLen_ = got;
        }
        size_t part = std::min(n, bufLen_ - bufPos_);
        std::memcpy(dst, &buf_[bufPos_], part);
        bufPos_ += part;
        dst += part;
        n -= part;
        pos_ += part;
    }
    return true;
}

bool BackupInput::u32(uint32_t& v) {
    unsigned char b[4];
    if (remaining() < 4 || !take(b, 4)) return false;
    v = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool BackupInput::bytes(uint32_t n, std::string& out) {
    if (n > remaining()) return false;
    out.resize(n);
    return n == 0 || take(&out[0], n);
}

bool BackupInput::rewind() {
    pos_ = 0;
    bufPos_ = bufLen_ = 0;
    readFailed_ = false;
    return seekTo(file_, 0);
}
