// CShockwaveFlash: movie loading, the frame timer and painting of the current frame.
#include "skin/ShockwaveFlash.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>

#include "framework/ComPtr.h"
#include "framework/Handles.h"
#include "framework/Resource.h"
#include "skin/SkinImage.h"
#include "skin/SkinReader.h"
#include "skin/SkinScale.h"

namespace {
constexpr UINT_PTR FRAME_TIMER = 1;
const char ANIMATION_CLASS[] = "ZentharAnimation";

bool readWholeFile(const std::string& path, std::string& bytes) {
    OwnedHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size > 64u * 1024 * 1024) return false;
    bytes.assign(size, '\0');
    DWORD got = 0;
    return size == 0 || (ReadFile(file.get(), &bytes[0], size, &got, nullptr) && got == size);
}
}  // namespace

std::string AnimationTempFile() {
    char folder[MAX_PATH + 1] = "";
    const DWORD n = GetTempPathA(sizeof folder, folder);
    char file[MAX_PATH + 16] = "";
    if (n == 0 || n > MAX_PATH - 14 || !GetTempFileNameA(folder, ANIMATION_TEMP_PREFIX, 0, file)) return std::string();
    return file;
}

bool CShockwaveFlash::Create(const char* windowName, DWORD style, const RECT& rect, HWND owner, UINT id) {
    if (!RegisterWindowClass(ANIMATION_CLASS, 0)) return false;
    if (!Window::Create(ANIMATION_CLASS, 0, style, windowName, rect, owner, id)) return false;
    timerRunning_ = false;  // timers of an earlier window died with it
    UpdateShape();
    UpdateTimer();
    return true;
}

void CShockwaveFlash::SetMovie(const std::string& path, int movieDpi) {
    std::string bytes;
    if (!readWholeFile(path, bytes) || !SetMovieData(bytes, movieDpi)) ClearMovie();
}

bool CShockwaveFlash::SetMovieData(const std::string& bytes, int movieDpi) {
    MovieHeader header;
    if (!ParseMovieHeader(bytes, header)) {
        ClearMovie();
        return false;
    }
    GdiBitmap strip(DecodePictureBytes(bytes.data() + header.pictureOffset, header.pictureSize));
    const SIZE size = BitmapSize(strip.get());
    const int fit = size.cy >= header.frameHeight ? size.cx / header.frameWidth : 0;
    if (!strip || fit < 1) {
        ClearMovie();
        return false;
    }
    const int count = fit < header.frameCount ? fit : header.frameCount;
    const int dpi = SkinDpi();
    const int width = RescaledSize(header.frameWidth, movieDpi, dpi);
    const int height = RescaledSize(header.frameHeight, movieDpi, dpi);
    if (width != header.frameWidth || height != header.frameHeight) {
        // Only the frames the strip holds, so that frame i lands exactly at i * width.
        GdiBitmap frames;
        CutImage(nullptr, frames, strip, RECT{0, 0, header.frameWidth * count, header.frameHeight});
        GdiBitmap resized(ResizeBitmap(frames.get(), width * count, height, true));
        if (!resized) {
            ClearMovie();
            return false;
        }
        strip = std::move(resized);
        header.frameWidth = width;
        header.frameHeight = height;
    }
    movie_ = header;
    strip_ = std::move(strip);
    frameCount_ = count;
    frame_ = 0;
    started_ = GetTickCount();
    UpdateShape();
    UpdateTimer();
    Invalidate(false);
    return true;
}

void CShockwaveFlash::ClearMovie() {
    movie_ = MovieHeader{};
    strip_.reset();
    frameCount_ = 0;
    frame_ = 0;
    UpdateShape();
    UpdateTimer();
}

void CShockwaveFlash::Play() {
    if (!playing_) started_ = GetTickCount() - static_cast<DWORD>(frame_) * static_cast<DWORD>(movie_.framePeriod);
    playing_ = true;
    UpdateTimer();
}

void CShockwaveFlash::Stop() {
    playing_ = false;
    UpdateTimer();
}

void CShockwaveFlash::UpdateTimer() {
    if (!hwnd()) return;
    const bool want = playing_ && frameCount_ > 1;
    if (want) {
        SetTimer(hwnd(), FRAME_TIMER, static_cast<UINT>(movie_.framePeriod), nullptr);  // replaces a running one
        timerRunning_ = true;
    } else if (timerRunning_) {
        KillTimer(hwnd(), FRAME_TIMER);
        timerRunning_ = false;
    }
}

void CShockwaveFlash::UpdateShape() {
    if (!hwnd()) return;
    if (HasMovie()) {
        SetWindowRgn(hwnd(), nullptr, TRUE);
        return;
    }
    HRGN nothing = CreateRectRgn(0, 0, 0, 0);
    if (nothing && !SetWindowRgn(hwnd(), nothing, TRUE)) DeleteObject(nothing);  // the window owns it once set
}

void CShockwaveFlash::OnTimer(UINT_PTR id) {
    if (id != FRAME_TIMER || frameCount_ < 1 || !playing_) return;
    // The frame follows the time played, so a late timer skips frames instead of slowing down.
    const int next = static_cast<int>(((GetTickCount() - started_) / static_cast<DWORD>(movie_.framePeriod)) %
                                      static_cast<DWORD>(frameCount_));
    if (next == frame_) return;
    frame_ = next;
    InvalidateRect(hwnd(), nullptr, FALSE);
}

LRESULT CShockwaveFlash::OnEraseBkgnd(HDC) { return 1; }  // every pixel comes from the frame

void CShockwaveFlash::OnPaint() {
    PaintDC dc(hwnd());
    if (!dc.get() || !strip_) return;
    const RECT client = ClientRect();
    MemoryDC source(dc.get());
    SelectGuard selected(source.get(), strip_.get());
    if (!selected.ok()) return;
    // Unscaled, centred in the control and clipped to it; what the frame leaves is white.
    const int x = (client.right - movie_.frameWidth) / 2, y = (client.bottom - movie_.frameHeight) / 2;
    FillRect(dc.get(), &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    BitBlt(dc.get(), x, y, movie_.frameWidth, movie_.frameHeight, source.get(), frame_ * movie_.frameWidth, 0,
           SRCCOPY);
}

void CShockwaveFlash::OnDestroy() {
    if (timerRunning_) KillTimer(hwnd(), FRAME_TIMER);
    timerRunning_ = false;
    playing_ = false;
    Default();
}

const char* BuiltInMovieType(int dpi, int& movieDpi) {
    for (const SkinPictureSet& set : PictureSetsFor(dpi)) {
        const void* data = nullptr;
        DWORD size = 0;
        if (!LoadDataResource(ANIMATION_RESOURCE, set.movieType, &data, &size)) continue;
        movieDpi = set.dpi;
        return set.movieType;
    }
    return nullptr;
}

void StartBuiltInAnimation(CShockwaveFlash& flash, HWND owner, const char* windowName, UINT id, const RECT& rect) {
    int movieDpi = SKIN_BASE_DPI;
    const char* type = BuiltInMovieType(SkinDpi(), movieDpi);
    if (!type) type = ANIMATION_RESOURCE_TYPE;
    // A file of its own in the temporary folder: the current folder may be the system's.
    const std::string path = AnimationTempFile();
    const bool written = !path.empty() && ExtractResourceToFile(path, ANIMATION_RESOURCE, type);
    flash.Destroy();
    flash.Create(windowName, WS_CHILD | WS_VISIBLE, rect, owner, id);
    if (written) flash.SetMovie(path, movieDpi);
    if (!flash.HasMovie()) {
        const void* data = nullptr;
        DWORD size = 0;
        if (LoadDataResource(ANIMATION_RESOURCE, type, &data, &size))
            flash.SetMovieData(std::string(static_cast<const char*>(data), size), movieDpi);
    }
    flash.Play();
    if (!path.empty()) DeleteFileA(path.c_str());
}
