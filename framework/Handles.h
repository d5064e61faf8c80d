// Move-only owners of kernel handles and menus.
#pragma once
#include <windows.h>

#include "framework/LiveCount.h"

// Owns a kernel handle (thread, event, file); INVALID_HANDLE_VALUE and null both mean none.
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE h) { reset(h); }
    ~OwnedHandle() { reset(); }
    OwnedHandle(OwnedHandle&& o) noexcept : handle_(o.handle_) { o.handle_ = nullptr; }
    OwnedHandle& operator=(OwnedHandle&& o) noexcept {
        if (this != &o) {
            reset();
            handle_ = o.handle_;
            o.handle_ = nullptr;
        }
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset(HANDLE h = nullptr) {
        if (h == INVALID_HANDLE_VALUE) h = nullptr;
        if (h == handle_) return;
        if (handle_) {
            CloseHandle(handle_);
            LiveCount<OwnedHandle>::released();
        }
        handle_ = h;
        if (handle_) LiveCount<OwnedHandle>::acquired();
    }
    static long live() { return LiveCount<OwnedHandle>::live(); }

private:
    HANDLE handle_ = nullptr;
};

// Owns a menu loaded or created by the program (DestroyMenu destroys its submenus too).
class OwnedMenu {
public:
    OwnedMenu() = default;
    explicit OwnedMenu(HMENU m) { reset(m); }
    ~OwnedMenu() { reset(); }
    OwnedMenu(OwnedMenu&& o) noexcept : menu_(o.menu_) { o.menu_ = nullptr; }
    OwnedMenu& operator=(OwnedMenu&& o) noexcept {
        if (this != &o) {
            reset();
            menu_ = o.menu_;
            o.menu_ = nullptr;
        }
        return *this;
    }
    OwnedMenu(const OwnedMenu&) = delete;
    OwnedMenu& operator=(const OwnedMenu&) = delete;

    HMENU get() const { return menu_; }
    explicit operator bool() const { return menu_ != nullptr; }
    void reset(HMENU m = nullptr) {
        if (m == menu_) return;
        if (menu_) {
            DestroyMenu(menu_);
            LiveCount<OwnedMenu>::released();
        }
        menu_ = m;
        if (menu_) LiveCount<OwnedMenu>::acquired();
    }
    static long live() { return LiveCount<OwnedMenu>::live(); }

private:
    HMENU menu_ = nullptr;
};
