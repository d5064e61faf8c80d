// CSkinButton: picture table, hover with capture, click on release inside.
#include "skin/SkinButton.h"

#include "skin/SkinButtonOwner.h"
#include "skin/SkinImage.h"

bool CSkinButton::Create(HWND parent, const RECT& rect, int buttonIndex, const std::string& buttonName,
                         bool isToggle) {
    if (!CreateControl("BUTTON", 0, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, "", rect, parent, 0)) return false;
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
    // Border and tab stop go again once the pictures are in place.
    LONG style = GetWindowLongA(hwnd(), GWL_STYLE);
    SetWindowLongA(hwnd(), GWL_STYLE, style & ~(WS_BORDER | WS_TABSTOP));
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
    return true;
}

// The platform's click notification is swallowed: clicks reach the owner only by index.
bool CSkinButton::OnReflectedCommand(UINT code) { return code == BN_CLICKED || code == BN_DOUBLECLICKED; }

LRESULT CSkinButton::OnEraseBkgnd(HDC) { return TRUE; }

LRESULT CSkinButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == BM_GETCHECK) return checked ? BST_CHECKED : BST_UNCHECKED;
    return Window::OnMessage(msg, wp, lp);
}

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
    Default();  // the platform button ends its pressed look and releases the capture
    if (!hwnd()) return;
    RECT client = ClientRect();
    POINT point{x, y};
    if (!PtInRect(&client, point)) return;
    hot = false;
    Invalidate(false);
    DeliverClick();  // last: the receiver may destroy this button
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
