// Region from a mask picture: the mask is copied into a 32-bit section and scanned row by row.
#include "skin/MaskRegion.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "framework/GdiOwners.h"

namespace {

// Rectangles of one partial region behind their region-data header, as ExtCreateRegion wants them.
class RunBuffer {
public:
    RunBuffer() { reset(); }

    void add(LONG left, LONG top, LONG right, LONG bottom) {
        if (rects_.size() == rects_.capacity()) rects_.reserve(rects_.size() + 100);
        rects_.push_back(RECT{left, top, right, bottom});
        bound_.left = std::min(bound_.left, left);
        bound_.top = std::min(bound_.top, top);
        bound_.right = std::max(bound_.right, right);
        bound_.bottom = std::max(bound_.bottom, bottom);
    }
    size_t count() const { return rects_.size(); }

    // Makes a region of the buffered runs and joins it into `result`; empties the buffer.
    bool flushInto(GdiRegion& result) {
        std::vector<BYTE> data(sizeof(RGNDATAHEADER) + rects_.size() * sizeof(RECT));
        RGNDATAHEADER header{};
        header.dwSize = sizeof(RGNDATAHEADER);
        header.iType = RDH_RECTANGLES;
        header.nCount = static_cast<DWORD>(rects_.size());
        header.nRgnSize = static_cast<DWORD>(rects_.size() * sizeof(RECT));
        header.rcBound = rects_.empty() ? RECT{0, 0, 0, 0} : bound_;
        std::memcpy(data.data(), &header, sizeof header);
        if (!rects_.empty())
            std::memcpy(data.data() + sizeof header, rects_.data(), rects_.size() * sizeof(RECT));
        reset();
        GdiRegion part(ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                       reinterpret_cast<const RGNDATA*>(data.data())));
        if (!part) return false;
        if (!result) {
            result = std::move(part);
            return true;
        }
        return CombineRgn(result.get(), result.get(), part.get(), RGN_OR) != ERROR;
    }

private:
    void reset() {
        rects_.clear();
        rects_.reserve(100);
        bound_ = RECT{LONG_MAX, LONG_MAX, 0, 0};
    }
    std::vector<RECT> rects_;
    RECT bound_{};
};

}  // namespace

HRGN CreateRegionFromMask(HBITMAP mask, COLORREF colour, COLORREF tolerance) {
    // Every object below is held by an owner, so each way out releases the section, both device
    // contexts and any partial region (declaration order puts the selections back first).
    if (!mask) return nullptr;
    MemoryDC sectionDc;
    if (!sectionDc) return nullptr;

    BITMAP bm{};
    if (!GetObjectA(mask, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return nullptr;
    const int width = bm.bmWidth, height = bm.bmHeight;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiBitmap section(CreateDIBSection(sectionDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || !bits) return nullptr;
    SelectGuard sectionSelected(sectionDc.get(), section.get());
    MemoryDC maskDc(sectionDc.get());
    if (!sectionSelected.ok() || !maskDc) return nullptr;
    {
        SelectGuard maskSelected(maskDc.get(), mask);
        if (!maskSelected.ok()) return nullptr;  // the mask is selected into another device context
        if (!BitBlt(sectionDc.get(), 0, 0, width, height, maskDc.get(), 0, 0, SRCCOPY)) return nullptr;
    }
    GdiFlush();

    const int lr = GetRValue(colour), lg = GetGValue(colour), lb = GetBValue(colour);
    const int hr = std::min(lr + GetRValue(tolerance), 255);
    const int hg = std::min(lg + GetGValue(tolerance), 255);
    const int hb = std::min(lb + GetBValue(tolerance), 255);
    const size_t stride = (static_cast<size_t>(width) * 4 + 3) & ~static_cast<size_t>(3);

    GdiRegion result;
    RunBuffer runs;
    for (int y = 0; y < height; ++y) {
        const BYTE* row = static_cast<const BYTE*>(bits) + static_cast<size_t>(height - 1 - y) * stride;
        auto transparent = [&](int x) {
            const BYTE* p = row + x * 4;  // blue, green, red, unused
            return p[2] >= lr && p[2] <= hr && p[1] >= lg && p[1] <= hg && p[0] >= lb && p[0] <= hb;
        };
        for (int x = 0; x < width; ++x) {
            const int x0 = x;
            while (x < width && !transparent(x)) ++x;
            if (x > x0) {
                runs.add(x0, y, x, y + 1);
                if (runs.count() == MASK_REGION_BATCH && !runs.flushInto(result)) return nullptr;
            }
        }
    }
    if (!runs.flushInto(result)) return nullptr;
    return result.release();
}
