// Move-only owners of GDI objects and device contexts; each keeps a live count for tests.
#pragma once
#include <windows.h>

#include "framework/LiveCount.h"

// Owns one GDI object (bitmap, font, region, brush) and deletes it when replaced or destroyed.
// The object must not be selected into a device context at that moment: the selection guards
// below are always scoped inside the owner's lifetime, so they restore the DC first.
template <class Handle, class Tag>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle h) { reset(h); }
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& o) noexcept : handle_(o.handle_) { o.handle_ = nullptr; }
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) {
            reset();
            handle_ = o.handle_;
            o.handle_ = nullptr;
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Takes ownership of h (may be null); the previous object is deleted.
    void reset(Handle h = nullptr) {
        if (h == handle_) return;
        if (handle_) {
            DeleteObject(handle_);
            LiveCount<GdiObject>::released();
        }
        handle_ = h;
        if (handle_) LiveCount<GdiObject>::acquired();
    }
    Handle release() {
        Handle h = handle_;
        if (h) LiveCount<GdiObject>::released();
        handle_ = nullptr;
        return h;
    }
    static long live() { return LiveCount<GdiObject>::live(); }

private:
    Handle handle_ = nullptr;
};

struct BitmapTag;
struct FontTag;
struct RegionTag;
struct BrushTag;
using GdiBitmap = GdiObject<HBITMAP, BitmapTag>;
using GdiFont = GdiObject<HFONT, FontTag>;
using GdiRegion = GdiObject<HRGN, RegionTag>;
using GdiBrush = GdiObject<HBRUSH, BrushTag>;

// A memory device context compatible with another DC (or the screen), deleted on destruction.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith = nullptr);
    ~MemoryDC();
    MemoryDC(MemoryDC&& o) noexcept : dc_(o.dc_) { o.dc_ = nullptr; }
    MemoryDC& operator=(MemoryDC&&) = delete;
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    static long live() { return LiveCount<MemoryDC>::live(); }

private:
    HDC dc_ = nullptr;
};

// The DC of a window (GetDC), released on destruction.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd);
    ~WindowDC();
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }
    static long live() { return LiveCount<WindowDC>::live(); }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint/EndPaint for one WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd);
    ~PaintDC();
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }
    const PAINTSTRUCT& paint() const { return ps_; }
    static long live() { return LiveCount<PaintDC>::live(); }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back on destruction. Declare it after
// the DC and the object it selects, so that it is destroyed before either of them.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object);
    ~SelectGuard();
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    bool ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }
    static long live() { return LiveCount<SelectGuard>::live(); }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

// Size of a bitmap in pixels; {0, 0} for none.
SIZE BitmapSize(HBITMAP bitmap);
