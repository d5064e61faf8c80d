// RegKey: move-only owner of an open registry key handle.
#pragma once
#include <windows.h>

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    RegKey(RegKey&& other) noexcept : key_(other.release()) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { reset(); }

    HKEY get() const { return key_; }
    HKEY* put() { reset(); return &key_; }
    explicit operator bool() const { return key_ != nullptr; }
    HKEY release() { HKEY k = key_; key_ = nullptr; return k; }
    void reset(HKEY key = nullptr) {
        // Predefined roots are not ours to close.
        if (key_ && !isPredefined(key_)) RegCloseKey(key_);
        key_ = key;
    }

private:
    static bool isPredefined(HKEY k) {
        auto v = reinterpret_cast<ULONG_PTR>(k);
        return v >= 0x80000000u && v <= 0x80000006u;
    }
    HKEY key_ = nullptr;
};
