// CSkinLabel painting, fonts of the skin lines, CSkinEdit.
#include "skin/SkinLabel.h"

#include <algorithm>
#include <cstring>

#include "skin/SkinImage.h"
#include "skin/SkinScale.h"

GdiFont CreateSkinFont(const std::string& face, bool bold, bool italic, int height) {
    // What a point-size font of the face describes (default character set, everything else
    // zero), with the line's own height, weight and italic put in.
    LOGFONTA lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    lf.lfHeight = ScaleFontHeight(height, SkinDpi());
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = italic ? TRUE : FALSE;
    return GdiFont(CreateFontIndirectA(&lf));
}

namespace {
GdiFont copyFont(HFONT source) {
    LOGFONTA lf{};
    if (!source || !GetObjectA(source, sizeof lf, &lf)) return GdiFont();
    return GdiFont(CreateFontIndirectA(&lf));
}
}  // namespace

bool CSkinLabel::Create(HWND parent, const RECT& rect, const std::string& initialText) {
    if (!CreateControl("STATIC", 0, WS_CHILD | WS_VISIBLE, initialText.c_str(), rect, parent, 0)) return false;
    SetText(initialText);
    font = copyFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    return true;
}

void CSkinLabel::SetText(const std::string& newText) {
    {
        std::lock_guard<std::mutex> hold(textLock_);
        if (text_ == newText) return;
        text_ = newText;
    }
    // Setting the window's own text from a worker would wait for the window's thread; the event
    // does not, and a screen reader asks for the new text through WM_GETTEXT.
    if (hwnd()) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd(), OBJID_CLIENT, CHILDID_SELF);
}

LRESULT CSkinLabel::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(Text().size());
    if (msg == WM_GETTEXT) {
        if (wp == 0 || !lp) return 0;
        const std::string shown = Text();
        const size_t n = (std::min)(shown.size(), static_cast<size_t>(wp) - 1);
        memcpy(reinterpret_cast<char*>(lp), shown.data(), n);
        reinterpret_cast<char*>(lp)[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    return Window::OnMessage(msg, wp, lp);
}

std::string CSkinLabel::Text() const {
    std::lock_guard<std::mutex> hold(textLock_);
    return text_;
}

void CSkinLabel::SetFont(HFONT source) {
    GdiFont copy = copyFont(source);
    if (copy) font = std::move(copy);
}

void CSkinLabel::CutBackground(const GdiBitmap& screen, const RECT& rect) {
    CutImage(nullptr, background, screen, rect);  // for the screen, as the buttons' pictures
}

// The picture covers the label; without one, what the parent painted beneath shows through.
LRESULT CSkinLabel::OnEraseBkgnd(HDC) { return TRUE; }

void CSkinLabel::OnPaint() {
    PaintDC paint(hwnd());
    HDC dc = paint.get();
    if (!dc) return;
    const SIZE size = BitmapSize(background.get());
    DrawSkinImage(dc, background, RECT{0, 0, size.cx, size.cy}, false);
    SetBkMode(dc, TRANSPARENT);
    SelectGuard selectFont(dc, font.get());
    SetTextColor(dc, colour);
    // Unless the label wraps, the vertical-centring flag alone: it acts only on single lines, so the text starts at the
    // top left, a line break starts a new line and nothing wraps.
    RECT client = ClientRect();
    const std::string shown = Text();
    DrawTextA(dc, shown.c_str(), static_cast<int>(shown.size()), &client,
              wrap ? DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX : DT_VCENTER);
}

bool CSkinEdit::Create(HWND parent, const RECT& rect, const std::string& initialText) {
    if (!CreateControl("EDIT", 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, initialText.c_str(), rect,
                       parent, 0))
        return false;
    text = initialText;
    return true;
}

void CSkinEdit::SetText(const std::string& newText) {
    Window::SetText(newText);
    text = newText;
}
