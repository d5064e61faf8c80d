// Device-context owners and the selection guard.
#include "framework/GdiOwners.h"

MemoryDC::MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {
    if (dc_) LiveCount<MemoryDC>::acquired();
}

MemoryDC::~MemoryDC() {
    if (dc_) {
        DeleteDC(dc_);
        LiveCount<MemoryDC>::released();
    }
}

WindowDC::WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {
    if (dc_) LiveCount<WindowDC>::acquired();
}

WindowDC::~WindowDC() {
    if (dc_) {
        ReleaseDC(hwnd_, dc_);
        LiveCount<WindowDC>::released();
    }
}

PaintDC::PaintDC(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {
    if (dc_) LiveCount<PaintDC>::acquired();
}

PaintDC::~PaintDC() {
    EndPaint(hwnd_, &ps_);
    if (dc_) LiveCount<PaintDC>::released();
}

SelectGuard::SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc) {
    if (dc && object) previous_ = SelectObject(dc, object);
    if (ok()) LiveCount<SelectGuard>::acquired();
}

SelectGuard::~SelectGuard() {
    if (ok()) {
        SelectObject(dc_, previous_);
        LiveCount<SelectGuard>::released();
    }
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}
