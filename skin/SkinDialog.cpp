// CSkinDialog: skin loading, the mask outline, dragging, painting, sub-screens and destruction.
#include "skin/SkinDialog.h"

#include <algorithm>
#include <atomic>

#include "skin/SkinMessages.h"
#include "framework/GdiOwners.h"
#include "skin/DestroyTree.h"
#include "skin/DisplayDpi.h"
#include "skin/MaskRegion.h"
#include "skin/SkinImage.h"
#include "skin/SkinNames.h"
#include "skin/SkinReader.h"
#include "skin/SkinScale.h"

namespace {
std::atomic<CSkinDialog*> mainDialog{nullptr};
std::atomic<ScanMinutesSaver> scanMinutesSaver{nullptr};

// The main window's own sections and keys.
const char MAIN_INFO[] = "MAINSCREENINFO";
const char MAIN_BUTTONS[] = "MAINSCREENBUTTONINFO";
const char MAIN_LABELS[] = "TEXTINFO";
const char SUBSCREENS[] = "SUBMAINSCREENINFO";
const char MAIN_ANIMATION[] = "MAINSCREENANIMATION";
}  // namespace

void SetScanMinutesSaver(ScanMinutesSaver saver) { scanMinutesSaver.store(saver); }

CSkinDialog::CSkinDialog() { mainDialog.store(this); }

CSkinDialog::~CSkinDialog() {
    CSkinDialog* self = this;
    mainDialog.compare_exchange_strong(self, nullptr);
}

CSkinDialog* CSkinDialog::MainDialog() { return mainDialog.load(); }

bool CSkinDialog::ObtainSkinDescription(const std::string& skinPath) { return LoadSkinDescription(skinPath); }

BOOL CSkinDialog::OnInitDialog() {
    Summary::OnInitDialog();
    // The description is read from the program's own resource (kept in memory, not in a file
    // that a read-only folder could not hold).
    skinFile = GetSkinFolder(skinFile) + skinFile;
    // Drawn at the scale of the display the window starts on.
    SetSkinDpi(WindowDpi(hwnd()));
    if (!ObtainSkinDescription(skinFile)) {
        ShowSkinNotFound(hwnd());
        EndDialog(2);
        return TRUE;
    }
    LoadSkin();
    FitWorkArea();
    return TRUE;
}

namespace {
RECT WorkAreaOf(HWND w) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &info))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return info.rcWork;
}

bool FitsIn(const RECT& r, const RECT& area) {
    return r.right - r.left <= area.right - area.left && r.bottom - r.top <= area.bottom - area.top;
}
}  // namespace

void CSkinDialog::FitWorkArea() {
    const RECT area = WorkAreaOf(hwnd());
    RECT r{};
    GetWindowRect(hwnd(), &r);
    // A window larger than its monitor's work area (twice the scale on a small screen) takes the
    // largest of the common scales below its own at which all of it shows.
    for (int dpi : {168, 144, 120, SKIN_BASE_DPI}) {
        if (FitsIn(r, area) || dpi >= SkinDpi()) continue;
        OnDpiChanged(dpi, r);
        GetWindowRect(hwnd(), &r);
    }
    // Then inside the work area, its right and bottom edges first, then its left and top ones.
    const int x = (std::max)(area.left, (std::min)(r.left, area.right - (r.right - r.left)));
    const int y = (std::max)(area.top, (std::min)(r.top, area.bottom - (r.bottom - r.top)));
    if (x != r.left || y != r.top)
        SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
}

void CSkinDialog::DestroySubScreens() {
    currentScreen = nullptr;
    pendingScreens_.clear();
    screenOrder_.clear();
    firstIdleTimer_ = false;
    for (auto& screen : screens) screen->Destroy();
    screens.clear();
}

void CSkinDialog::LoadSkin() {
    // 1. Start from nothing: a reload must not leave old elements, sub-screens or animation behind.
    store.Reset();
    DestroySubScreens();
    animation.Destroy();

    // 2.-5. The five pictures; the window takes the size of the last picture that loaded.
    const std::string folder = GetSkinFolder(skinFile);
    const std::string mainName = GetSkinString(skinFile, MAIN_INFO, "Main", "");
    const std::string maskName = GetSkinString(skinFile, MAIN_INFO, "Mask", "");
    const std::string overName = GetSkinString(skinFile, MAIN_INFO, "Over", "");
    const std::string downName = GetSkinString(skinFile, MAIN_INFO, "Down", "");
    const std::string disabledName = GetSkinString(skinFile, MAIN_INFO, "Disabled", "");
    // The mask, the disabled picture (the first page's button shows it) and those of the sub-screen
    // built with the skin are decoded on a helper thread while this one decodes the background and
    // builds the window: on two cores the window shows sooner. A window that shows before all is
    // built loads the hover and pressed pictures once it first waits for input (TakeLatePictures):
    // they only show under the pointer, and at twice the scale each costs as much as the background.
    const char* first = ScreenShownFirst();
    std::vector<std::string> ahead = {folder + maskName, folder + disabledName};
    if (first) {
        for (const auto& entry : ReadNumberedSection(skinFile, SUBSCREENS)) {
            const SkinScreenLine line = ParseScreenLine(entry.value);
            if (line.name != first) continue;
            for (const auto& image : line.images) ahead.push_back(folder + image);
            break;
        }
    }
    if (!first) {
        ahead.push_back(folder + overName);
        ahead.push_back(folder + downName);
    }
    PrefetchSkinImages(ahead, {folder + maskName});
    SIZE size{0, 0};
    GdiBitmap mask;
    LoadSkinImage(folder + mainName, store.normalImage, size);
    LoadSkinImage(folder + maskName, mask, size, false);
    if (size.cx > 0 && size.cy > 0)
        SetWindowPos(hwnd(), HWND_TOP, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
    LoadSkinImage(folder + disabledName, store.disabledImage, size);
    store.KeepPicturePaths(folder, {mainName, overName, downName, disabledName});
    latePictures_ = first != nullptr;
    if (!latePictures_) {
        LoadSkinImage(folder + overName, store.overImage, size);
        LoadSkinImage(folder + downName, store.downImage, size);
    }

    // 6. The outline; the temporary mask goes with `mask`.
    ApplyMaskRegion(mask.get());
    mask.reset();

    // 7.-8. Elements, first page's button drawn disabled.
    LoadMainButtons(skinFile);
    LoadMainLabels(skinFile);
    LoadSubScreens(skinFile);
    EndSkinImagePrefetch();
    store.EnableButton("BUTTON_MAIN", false);
    InvalidateRect(hwnd(), nullptr, TRUE);

    // 9. The animation; a window that shows before all is built starts it once it first waits
    // for input (its frames are as many pixels as the background).
    if (!latePictures_) StartAnimation();

    // 10. What the application does once its skin is loaded, before the window first shows.
    OnSkinLoaded();
}

void CSkinDialog::OnSkinLoaded() {}

void CSkinDialog::TakeLatePictures(bool startAnimation) {
    if (!latePictures_) return;
    latePictures_ = false;
    store.LoadStatePictures(false, true, true, false);
    store.CutButtonPictures();
    if (startAnimation && hwnd() && !animation.hwnd()) {
        StartAnimation();
        if (!animationWanted_) animation.Stop();  // stopped before it was there
    }
}

void CSkinDialog::OnDpiChanged(int dpi, const RECT& suggested) {
    if (dpi == SkinDpi()) return;
    SetSkinDpi(dpi);
    latePictures_ = false;  // Rescale loads every picture at the new scale
    GdiBitmap mask;
    SIZE size{0, 0};
    LoadSkinImage(GetSkinFolder(skinFile) + GetSkinString(skinFile, MAIN_INFO, "Mask", ""), mask, size, false);
    store.Rescale();
    // The window takes the size of the mask, else of the background, as when the skin loaded.
    if (size.cx <= 0 || size.cy <= 0) size = BitmapSize(store.normalImage.get());
    if (size.cx > 0 && size.cy > 0)
        SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, size.cx, size.cy,
                     SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
    ApplyMaskRegion(mask.get());
    for (auto& screen : screens) screen->Rescale();
    // An animation left for later starts here, as it would have.
    const bool playing = animation.hwnd() ? animation.IsPlaying() : animationWanted_;
    animation.Destroy();
    StartAnimation();
    if (!playing) animation.Stop();
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void CSkinDialog::StartAnimation() {
    std::string dimension = GetSkinString(skinFile, MAIN_ANIMATION, "DIMENSION", "");
    const RECT animationRect = ToRect(ParseSkinRect(dimension));
    StartBuiltInAnimation(animation, hwnd(), MAIN_ANIMATION_NAME, MAIN_ANIMATION_ID, animationRect);
}

void CSkinDialog::LoadMainButtons(const std::string& skinPath) { store.LoadButtons(hwnd(), skinPath, MAIN_BUTTONS); }

void CSkinDialog::LoadMainLabels(const std::string& skinPath) { store.LoadLabels(hwnd(), skinPath, MAIN_LABELS); }

std::unique_ptr<CSubMainSkin> CSkinDialog::CreateSubScreen(const SkinScreenLine&) {
    return std::make_unique<CSubMainSkin>();
}

void CSkinDialog::LoadSubScreens(const std::string& skinPath) {
    SetSkinFilePath(skinPath);
    screensPath_ = skinPath;
    screensFolder_ = GetSkinFolder(skinPath);
    const char* first = ScreenShownFirst();
    size_t order = 0;
    for (const auto& entry : ReadNumberedSection(skinPath, SUBSCREENS)) {
        const SkinScreenLine line = ParseScreenLine(entry.value);
        if (first && line.name != first) pendingScreens_.push_back(PendingScreen{order, line});
        else CreateScreen(line, order);
        ++order;
    }
}

bool CSkinDialog::CreateScreen(const SkinScreenLine& line, size_t order) {
    std::unique_ptr<CSubMainSkin> screen = CreateSubScreen(line);
    if (!screen || !screen->Create(hwnd(), line, screensFolder_, screensPath_)) return false;
    // In the description's order, whenever it is built.
    size_t at = 0;
    while (at < screenOrder_.size() && screenOrder_[at] < order) ++at;
    screens.insert(screens.begin() + static_cast<std::ptrdiff_t>(at), std::move(screen));
    screenOrder_.insert(screenOrder_.begin() + static_cast<std::ptrdiff_t>(at), order);
    SortByReadingOrder(hwnd());
    return true;
}

const std::vector<std::unique_ptr<CSubMainSkin>>& CSkinDialog::AllScreens() {
    // Taken first: a sub-screen's building may pump messages and come back here.
    std::vector<PendingScreen> pending;
    pending.swap(pendingScreens_);
    for (const auto& p : pending) {
        if (!hwnd() || !CreateScreen(p.line, p.order)) continue;
        // Built visible like the others; once a sub-screen is shown, a later one stays out of sight.
        if (currentScreen)
            for (const auto& screen : screens)
                if (screen->name == p.line.name && screen.get() != currentScreen) ShowWindow(screen->hwnd(), SW_HIDE);
    }
    return screens;
}

void CSkinDialog::ShowSubScreen(const std::string& name) {
    // Sub-screens not built yet are hidden already; they are built only when one of them is asked for.
    bool built = false;
    for (const auto& screen : screens) built = built || screen->name == name;
    for (auto& screen : built ? screens : AllScreens()) {
        if (screen->name != name) {
            ShowWindow(screen->hwnd(), SW_HIDE);
            continue;
        }
        currentScreen = screen.get();
        CoverControlsUnder(*screen);
        ShowWindow(screen->hwnd(), SW_SHOW);
        screen->store.HideButton("BUTTON_SCAN", false);
        screen->Invalidate(true);
    }
}

namespace {
// The rectangle of a window in the client coordinates of `parent`.
RECT rectIn(HWND parent, HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}
}  // namespace

void CSkinDialog::CoverControlsUnder(const CSubMainSkin& shown) {
    for (HWND w : covered_)
        if (IsWindow(w)) ShowWindow(w, SW_SHOW);
    covered_.clear();
    // The page's own elements, in this window's coordinates.
    std::vector<RECT> parts;
    for (HWND part = GetWindow(shown.hwnd(), GW_CHILD); part; part = GetWindow(part, GW_HWNDNEXT))
        if (GetWindowLongA(part, GWL_STYLE) & WS_VISIBLE) parts.push_back(rectIn(hwnd(), part));  // the page itself may be hidden yet
    const RECT area = shown.rect;
    // Listed first: raising a control reorders the siblings a walk would follow.
    std::vector<HWND> children;
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) children.push_back(child);
    for (HWND child : children) {
        bool screen = false;
        for (const auto& s : screens) screen = screen || s->hwnd() == child;
        if (screen || !IsWindowVisible(child)) continue;
        RECT r = rectIn(hwnd(), child), overlap{};
        if (!IntersectRect(&overlap, &r, &area)) continue;
        bool underPart = false;
        for (const RECT& part : parts) underPart = underPart || IntersectRect(&overlap, &r, &part);
        if (underPart) {
            ShowWindow(child, SW_HIDE);
            covered_.push_back(child);
        } else {
            // Left free by the page (the actions beside the result list): kept above it.
            SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    // Raised controls the reading order names go back to their places, which lie above the pages.
    SortByReadingOrder(hwnd());
}

void CSkinDialog::ApplyMaskRegion(HBITMAP mask) {
    HRGN region = CreateRegionFromMask(mask, static_cast<COLORREF>(-1), 0x101010);
    if (!region) {
        MessageBoxA(hwnd(), "Region is Null", "Zenthar", MB_OK);
    } else if (!SetWindowRgn(hwnd(), region, TRUE)) {
        MessageBoxA(hwnd(), "Unable To Set Window Region", "Zenthar", MB_OK);
        DeleteObject(region);
    }
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void CSkinDialog::ButtonPressed(const std::string&) {}

void CSkinDialog::ButtonClicked(int index) {
    if (currentScreen) {
        const std::string minutes = currentScreen->store.GetEditText("EDIT_SCAN_PERIOD");
        ScanMinutesSaver saver = scanMinutesSaver.load();
        if (!minutes.empty() && saver) saver(minutes);
    }
    ButtonPressed(store.ButtonName(index));
}

LRESULT CSkinDialog::OnEraseBkgnd(HDC) { return 1; }  // the background picture covers it

void CSkinDialog::OnPaint() {
    {
        PaintDC dc(hwnd());
        if (dc.get()) DrawSkinImage(dc.get(), store.normalImage, ClientRect(), true);
    }
    // The hidden sub-screens are built when the window first waits for input: by then every
    // visible part has painted and the picture has reached the screen. Whatever needs one of
    // them earlier (a click, a scan) builds them through AllScreens.
    if (!firstIdleTimer_) firstIdleTimer_ = SetTimer(hwnd(), TIMER_FIRSTIDLE, 0, nullptr) != 0;
    for (auto& b : store.buttons) b->Invalidate(true);
    for (auto& l : store.labels) l->Invalidate(true);
    for (auto& e : store.edits) {
        e->SetText(e->GetText());
        e->Invalidate(true);
    }
    // The base's painting finds nothing left to draw; it repaints the result table.
    Summary::OnPaint();
}

void CSkinDialog::OnTimer(UINT_PTR id) {
    if (id != TIMER_FIRSTIDLE) {
        Summary::OnTimer(id);
        return;
    }
    KillTimer(hwnd(), TIMER_FIRSTIDLE);
    TakeLatePictures(true);
    AllScreens();
    OnFirstIdle();
}

void CSkinDialog::OnFirstIdle() {}

void CSkinDialog::OnLButtonDown(UINT, int x, int y) {
    BeginBackgroundDrag(hwnd(), x, y);
    Default();
}

void CSkinDialog::OnMouseMove(UINT, int, int) {
    Default();
    MouseOverName("");
}

void CSkinDialog::OnDestroy() {
    // Sub-screens and screens stop their work while every window of the tree still exists.
    SendDestroyTree(hwnd());
    animation.Stop();
    latePictures_ = false;  // nobody will hover a closing window
    Default();
}

LRESULT CSkinDialog::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_FLASHSTOP:
        animationWanted_ = false;
        animation.Stop();
        SetResult(0);
        return 0;
    case WM_DPICHANGED:
        if (lp) OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
        FitWorkArea();  // the new monitor's work area may be smaller
        SetResult(0);
        return 0;
    case WM_FLASHPLAY:
        animationWanted_ = true;
        animation.Play();
        SetResult(0);
        return 0;
    default:
        return Summary::OnMessage(msg, wp, lp);
    }
}
