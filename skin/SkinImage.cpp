// Skin pictures: decoding through the platform's picture loader, cutting and drawing.
#include "skin/SkinImage.h"

#include <objbase.h>
#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "framework/ComPtr.h"
#include "framework/Handles.h"
#include "framework/Resource.h"
#include "skin/Resample.h"
#include "skin/SkinScale.h"

namespace {
// The description of a 32-bit picture stored top row first.
BITMAPINFO TopDownInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A 32-bit top-down section copy of a bitmap (not selected into a context); null on failure.
HBITMAP ToTopDownSection(HBITMAP source) {
    BITMAP bm{};
    if (!source || GetObjectA(source, sizeof bm, &bm) != sizeof bm || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return nullptr;
    BITMAPINFO info = TopDownInfo(bm.bmWidth, bm.bmHeight);
    void* bits = nullptr;
    GdiBitmap copy(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copy || !bits) return nullptr;
    MemoryDC dc(nullptr);
    if (!dc || GetDIBits(dc.get(), source, 0, static_cast<UINT>(bm.bmHeight), bits, &info, DIB_RGB_COLORS) !=
                   bm.bmHeight)
        return nullptr;
    return copy.release();
}

// Reads the whole file, or nothing when it cannot be opened (existing files only, no sharing).
bool readFile(const std::string& path, std::vector<unsigned char>& bytes) {
    OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    if (!file) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE || high != 0) return false;
    bytes.resize(size);
    DWORD got = 0;
    if (size && (!ReadFile(file.get(), bytes.data(), size, &got, nullptr) || got != size)) return false;
    return true;
}
}  // namespace

HBITMAP DecodePictureBytes(const void* data, size_t size) {
    if (!data || size == 0 || size > 0x7FFFFFFF) return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return nullptr;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return nullptr;
    }
    memcpy(target, data, size);
    GlobalUnlock(memory);
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.receive()))) {
        GlobalFree(memory);
        return nullptr;
    }
    ComPtr<IPicture> picture;
    HRESULT hr = OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture, picture.receive());
    if (FAILED(hr) || !picture) return nullptr;
    OLE_HANDLE handle = 0;
    short type = PICTYPE_UNINITIALIZED;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP) return nullptr;
    if (FAILED(picture->get_Handle(&handle)) || !handle) return nullptr;
    // A copy of our own: the picture object and its bitmap go away with the last reference.
    return ToTopDownSection(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)));
}

std::string SkinResourceName(const std::string& path) {
    const size_t slash = path.rfind('\\');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    for (auto& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return name;
}

HBITMAP ResizeBitmap(HBITMAP source, int width, int height, bool smooth) {
    DIBSECTION from{};
    if (!source || width <= 0 || height <= 0 || GetObjectA(source, sizeof from, &from) != sizeof from ||
        from.dsBm.bmBitsPixel != 32 || !from.dsBm.bmBits || from.dsBm.bmWidth <= 0 || from.dsBm.bmHeight <= 0)
        return nullptr;
    BITMAPINFO info = TopDownInfo(width, height);
    void* bits = nullptr;
    GdiBitmap resized(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!resized || !bits) return nullptr;
    GdiFlush();
    // Our sections are top-down; a bottom-up one (negative height in its header) would be upside
    // down here, and only sections of our own reach this.
    ResamplePixels(static_cast<const uint32_t*>(from.dsBm.bmBits), from.dsBm.bmWidth, from.dsBm.bmHeight,
                   static_cast<uint32_t*>(bits), width, height, smooth);
    return resized.release();
}

std::string PictureSetPath(const std::string& path, const char* setFolder) {
    if (!setFolder || !*setFolder) return path;
    const size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return std::string(setFolder) + "\\" + path;
    return path.substr(0, slash + 1) + setFolder + "\\" + path.substr(slash + 1);
}

namespace {
// The picture of `path` for the skin's scale, decoded and resized to it; null when no set reads
// or decodes. A file of the 1x path makes it a skin from files: only files count then, so a
// built-in picture never mixes into it.
HBITMAP DecodeSkinImage(const std::string& path, bool smooth) {
    const int dpi = SkinDpi();
    std::vector<unsigned char> oneX, bytes;
    const bool fromFiles = readFile(path, oneX);
    const std::string name = SkinResourceName(path);
    for (const SkinPictureSet& set : PictureSetsFor(dpi)) {
        HBITMAP decoded = nullptr;
        if (fromFiles) {
            if (set.dpi == SKIN_BASE_DPI) decoded = DecodePictureBytes(oneX.data(), oneX.size());
            else if (readFile(PictureSetPath(path, set.folder), bytes))
                decoded = DecodePictureBytes(bytes.data(), bytes.size());
        } else {
            const void* data = nullptr;
            DWORD length = 0;
            if (!name.empty() && LoadDataResource(name.c_str(), set.pictureType, &data, &length))
                decoded = DecodePictureBytes(data, length);
        }
        if (!decoded) continue;
        const SIZE have = BitmapSize(decoded);
        const int width = RescaledSize(have.cx, set.dpi, dpi), height = RescaledSize(have.cy, set.dpi, dpi);
        if (width == have.cx && height == have.cy) return decoded;
        HBITMAP resized = ResizeBitmap(decoded, width, height, smooth);
        DeleteObject(decoded);
        return resized;
    }
    return nullptr;
}

// Pictures a helper thread decodes ahead of their use. An entry exists from the start of the
// prefetch until LoadSkinImage takes it or the prefetch ends; `done` once the helper has tried it.
struct Prefetched {
    bool done = false;
    bool smooth = true;  // false for a mask: resized to the nearest pixel
    HBITMAP bitmap = nullptr;
};
std::mutex prefetchLock;
std::condition_variable prefetchDone;
std::map<std::string, Prefetched> prefetched;
std::thread prefetcher;

// The prefetched picture of `path`, waiting for it if the helper is still at it; false when the
// path was not prefetched. `bitmap` is null when the helper could not decode it.
bool TakePrefetched(const std::string& path, bool smooth, HBITMAP& bitmap) {
    std::unique_lock<std::mutex> hold(prefetchLock);
    auto entry = prefetched.find(path);
    if (entry == prefetched.end() || entry->second.smooth != smooth) return false;
    prefetchDone.wait(hold, [&] { return entry->second.done; });
    bitmap = entry->second.bitmap;
    prefetched.erase(entry);
    return true;
}
}  // namespace

bool PrefetchSkinImages(const std::vector<std::string>& paths, const std::vector<std::string>& masks) {
    EndSkinImagePrefetch();
    std::vector<std::pair<std::string, bool>> work;  // path, smooth
    {
        std::lock_guard<std::mutex> hold(prefetchLock);
        for (const auto& path : paths) {
            const bool mask = std::find(masks.begin(), masks.end(), path) != masks.end();
            prefetched[path].smooth = !mask;
            work.emplace_back(path, !mask);
        }
    }
    try {
        prefetcher = std::thread([work] {
            // The picture loader needs COM on its thread; nothing else of COM is used there.
            const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            for (const auto& [path, smooth] : work) {
                HBITMAP decoded = nullptr;
                try {
                    decoded = DecodeSkinImage(path, smooth);
                } catch (const std::bad_alloc&) {
                    // Marked done all the same: the window's thread tries it itself.
                }
                std::lock_guard<std::mutex> hold(prefetchLock);
                auto entry = prefetched.find(path);
                if (entry == prefetched.end() || entry->second.done) {
                    if (decoded) DeleteObject(decoded);  // asked twice: the first decoding stands
                    continue;
                }
                entry->second.bitmap = decoded;
                entry->second.done = true;
                prefetchDone.notify_all();
            }
            if (SUCCEEDED(com)) CoUninitialize();
        });
    } catch (const std::system_error&) {
        // No thread to be had: each picture is decoded where it is asked for.
        std::lock_guard<std::mutex> hold(prefetchLock);
        prefetched.clear();
        return false;
    }
    return true;
}

void EndSkinImagePrefetch() {
    if (prefetcher.joinable()) prefetcher.join();
    std::lock_guard<std::mutex> hold(prefetchLock);
    for (auto& entry : prefetched)
        if (entry.second.bitmap) DeleteObject(entry.second.bitmap);
    prefetched.clear();
}

bool LoadSkinImage(const std::string& path, GdiBitmap& bitmap, SIZE& size, bool smooth) {
    HBITMAP decoded = nullptr;
    // A picture the helper could not decode is tried once more here.
    if (!TakePrefetched(path, smooth, decoded) || !decoded) decoded = DecodeSkinImage(path, smooth);
    if (!decoded) return false;
    bitmap.reset(decoded);
    size = BitmapSize(decoded);
    return true;
}

void CutImage(HDC dc, GdiBitmap& target, const GdiBitmap& source, const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (!source || width <= 0 || height <= 0) return;
    // A 32-bit section, not a bitmap of the display's own kind: under Wine creating and selecting
    // those costs many times more, and a skin cuts hundreds of pieces while its window starts.
    // Sections draw on any context; a new one is all zero, which is the black the outside gets.
    BITMAPINFO info = TopDownInfo(width, height);
    void* bits = nullptr;
    GdiBitmap cut(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!cut) return;
    {
        MemoryDC targetDc(dc), sourceDc(dc);
        if (!targetDc || !sourceDc) return;
        SelectGuard selectTarget(targetDc.get(), cut.get());
        SelectGuard selectSource(sourceDc.get(), source.get());
        if (!selectTarget.ok() || !selectSource.ok()) return;
        // Only the part of the rectangle inside the source is copied.
        const SIZE have = BitmapSize(source.get());
        RECT inside{};
        const RECT bounds{0, 0, have.cx, have.cy};
        if (IntersectRect(&inside, &rect, &bounds)) {
            const int w = inside.right - inside.left, h = inside.bottom - inside.top;
            StretchBlt(targetDc.get(), inside.left - rect.left, inside.top - rect.top, w, h, sourceDc.get(),
                       inside.left, inside.top, w, h, SRCCOPY);
        }
    }
    target = std::move(cut);
}

void DrawSkinImage(HDC dc, const GdiBitmap& bitmap, const RECT& rect, bool stretch) {
    // A picture smaller than the rectangle covers only its own size; the rest is left alone.
    const SIZE have = BitmapSize(bitmap.get());
    const int width = std::min<int>(rect.right - rect.left, have.cx);
    const int height = std::min<int>(rect.bottom - rect.top, have.cy);
    if (!bitmap || width <= 0 || height <= 0) return;
    MemoryDC memory(dc);
    if (!memory) return;
    SelectGuard select(memory.get(), bitmap.get());
    if (!select.ok()) return;
    if (stretch) StretchBlt(dc, rect.left, rect.top, width, height, memory.get(), 0, 0, width, height, SRCCOPY);
    else BitBlt(dc, rect.left, rect.top, width, height, memory.get(), 0, 0, SRCCOPY);
}
