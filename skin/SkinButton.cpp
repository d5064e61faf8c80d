// CSkinButton: picture table, hover with capture, click on release inside.
#include "skin/SkinButton.h"

#include "skin/SkinButtonOwner.h"
#include "skin/SkinImage.h"
#include "skin/SkinScale.h"

#include <algorithm>

COLORREF SkinFocusColour() {
    // In a high-contrast theme the system's own highlight stays readable on any picture.
    HIGHCONTRASTA contrast{};
    contrast.cbSize = sizeof contrast;
    if (SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON))
        return GetSysColor(COLOR_HIGHLIGHT);
    return RGB(23, 150, 136);  // the skin's accent
}

bool CSkinButton::Create(HWND parent, const RECT& rect, int buttonIndex, const std::string& buttonName,
                         bool isToggle) {
    // In the Tab order like any push button: the keyboard reaches it and presses it.
    if (!CreateControl("BUTTON", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, "", rect, parent, 0))
        return false;
    index = buttonIndex;
    name = buttonName;
    toggle = isToggle;
    return true;
}

void CSkinButton::CutPictures(const GdiBitmap& normal, const GdiBitmap& over, const GdiBitmap& down,
                              const GdiBitmap& disabled, const RECT& rect) {
    // Cut for the screen: asking the window for its context would cost a server request per
    // control under Wine, and the cut-outs are sections that draw on any context.
    CutImage(nullptr, normalImage, normal, rect);
    CutImage(nullptr, overImage, over, rect);
    CutImage(nullptr, downImage, down, rect);
    CutImage(nullptr, disabledImage, disabled, rect);
    // The picture is the button's edge: no border of the platform's.
    LONG style = GetWindowLongA(hwnd(), GWL_STYLE);
    SetWindowLongA(hwnd(), GWL_STYLE, style & ~WS_BORDER);
}

void CSkinButton::SetCheck(int state) {
    if (state == checked) return;
    checked = state;
    Invalidate(true);
}

const GdiBitmap& CSkinButton::CurrentPicture(bool pressed, bool disabled) const {
    if (toggle) return checked ? downImage : normalImage;
    if (checked && !hot) return downImage;
    if (pressed) return downImage;
    if (hot) return overImage;
    if (disabled) return disabledImage;
    return normalImage;
}

bool CSkinButton::OnReflectedDrawItem(DRAWITEMSTRUCT& item) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    RECT client = ClientRect();
    DrawSkinImage(item.hDC, CurrentPicture(pressed, disabled), client, false);
    // The mark is hidden while the user works with the mouse, as the platform's buttons do.
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusMark(item.hDC, client);
    return true;
}

RECT CSkinButton::OuterMarkRect() const {
    // A check box is too small to hold a ring inside it: its ring lies on the parent, around it.
    RECT r{};
    GetWindowRect(hwnd(), &r);
    MapWindowPoints(nullptr, GetParent(hwnd()), reinterpret_cast<POINT*>(&r), 2);
    const int gap = (std::max)(2, ScaleToDpi(3, SkinDpi()));
    InflateRect(&r, gap, gap);
    return r;
}

// The platform's click notification reaches the owner only by index. A mouse release delivers its
// click itself (OnLButtonUp); the notification that follows a Space release is the keyboard's press.
bool CSkinButton::OnReflectedCommand(UINT code) {
    if (code == BN_CLICKED && !mouseRelease_) DeliverClick();
    return code == BN_CLICKED || code == BN_DOUBLECLICKED;
}

LRESULT CSkinButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    // An owner-drawn button keeps no check of its own: a toggle answers with its state.
    if (msg == BM_GETCHECK) return checked ? BST_CHECKED : BST_UNCHECKED;
    if (msg == WM_GETDLGCODE) {
        // Enter presses the focused button rather than the window's default command, which
        // would close a dialog.
        LRESULT code = Default();
        const MSG* m = reinterpret_cast<const MSG*>(lp);
        if (m && m->wParam == VK_RETURN && (m->message == WM_KEYDOWN || m->message == WM_CHAR))
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    if (msg == WM_KEYDOWN && wp == VK_RETURN) {
        if ((lp & (1 << 30)) == 0) DeliverClick();  // not the key's auto-repeat
        return 0;
    }
    if (msg == WM_CHAR && wp == '\r') return 0;
    return Window::OnMessage(msg, wp, lp);
}

LRESULT CSkinButton::OnEraseBkgnd(HDC) { return TRUE; }

void CSkinButton::OnMouseMove(UINT keys, int x, int y) {
    const bool leftDown = (keys & MK_LBUTTON) != 0;
    // A press that began elsewhere does not light the button up.
    if (leftDown && !hot) return;
    if (GetCapture() != hwnd()) {
        if (GetActiveWindow() && (GetWindow(hwnd(), GW_OWNER) || GetParent(hwnd()))) {
            hot = true;
            SetCapture(hwnd());
            Invalidate(false);
        }
        return;
    }
    POINT point{x, y};
    ClientToScreen(hwnd(), &point);
    HWND under = WindowFromPoint(point);
    if (!under || under == hwnd()) return;
    if (hot) {
        hot = false;
        Invalidate(false);
    }
    if (!leftDown) ReleaseCapture();
}

void CSkinButton::OnLButtonUp(UINT keys, int x, int y) {
    (void)keys;
    mouseRelease_ = true;
    Default();  // the platform button ends its pressed look and releases the capture
    mouseRelease_ = false;
    if (!hwnd()) return;
    RECT client = ClientRect();
    POINT point{x, y};
    if (!PtInRect(&client, point)) return;
    hot = false;
    Invalidate(false);
    DeliverClick();  // last: the receiver may destroy this button
}

void CSkinButton::DrawFocusMark(HDC dc, const RECT& client) const {
    if (toggle) {
        HWND parent = GetParent(hwnd());
        HDC parentDc = GetDC(parent);
        if (!parentDc) return;
        RECT ring = OuterMarkRect();
        const int width = (std::max)(1, ScaleToDpi(2, SkinDpi()));
        GdiBrush brush(CreateSolidBrush(SkinFocusColour()));
        for (int i = 0; i < width; ++i) {
            FrameRect(parentDc, &ring, brush.get());
            InflateRect(&ring, -1, -1);
        }
        ReleaseDC(parent, parentDc);
        return;
    }
    // Two pixels at 96 dpi, growing with the scale, so that the ring stays as visible.
    const int width = (std::max)(1, ScaleToDpi(2, SkinDpi()));
    GdiBrush brush(CreateSolidBrush(SkinFocusColour()));
    RECT ring = client;
    for (int i = 0; i < width && ring.right - ring.left > 2 && ring.bottom - ring.top > 2; ++i) {
        FrameRect(dc, &ring, brush.get());
        InflateRect(&ring, -1, -1);
    }
}

void CSkinButton::DeliverClick() {
    HWND parent = GetParent(hwnd());
    SkinButtonOwner* owner = WindowAs<SkinButtonOwner>(parent);
    if (!owner) {
        HWND ownerWindow = GetWindow(hwnd(), GW_OWNER);
        owner = WindowAs<SkinButtonOwner>(ownerWindow ? ownerWindow : parent);
    }
    if (owner) owner->ButtonClicked(index);
}

void CSkinButton::OnKillFocus(HWND) {
    Default();
    if (toggle) {
        const RECT ring = OuterMarkRect();
        InvalidateRect(GetParent(hwnd()), &ring, TRUE);
    }
    hot = false;
    Invalidate(false);
}

void CSkinButton::OnCaptureChanged(HWND) {
    if (hot) {
        ReleaseCapture();
        Invalidate(false);
    }
    Default();
}
