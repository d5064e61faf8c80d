// CSkinButton: an owner-drawn picture button, push button or check box (toggle).
#pragma once
#include <string>

#include "framework/GdiOwners.h"
#include "framework/Window.h"
#include "skin/SkinText.h"

// The colour of the keyboard focus mark: the skin's accent, or the system's in high contrast.
COLORREF SkinFocusColour();

class CSkinButton : public Window {
public:
    // A visible owner-drawn child at rect in the Tab order, empty caption (the owner names it),
    // control identifier 0, no border.
    bool Create(HWND parent, const RECT& rect, int index, const std::string& name, bool toggle);
    // Cuts the four pictures from the screen's state images at the button's rectangle (in the
    // parent's client coordinates); an empty state image leaves that picture empty.
    void CutPictures(const GdiBitmap& normal, const GdiBitmap& over, const GdiBitmap& down,
                     const GdiBitmap& disabled, const RECT& rect);

    // Stores the checked state; repaints only when it changed.
    void SetCheck(int state);
    int GetCheck() const { return checked; }
    // The picture the button would draw now (for tests and for owners that mirror it).
    const GdiBitmap& CurrentPicture(bool pressed, bool disabled) const;

    std::string name;
    SkinRect layout;  // the description's rectangle, in its 96-dpi units
    int index = 0;
    bool hot = false;
    int checked = 0;
    bool toggle = false;
    GdiBitmap normalImage, overImage, downImage, disabledImage;

protected:
    bool OnReflectedDrawItem(DRAWITEMSTRUCT& item) override;
    bool OnReflectedCommand(UINT code) override;
    void OnMouseMove(UINT keys, int x, int y) override;
    void OnLButtonUp(UINT keys, int x, int y) override;
    void OnKillFocus(HWND newFocus) override;
    void OnCaptureChanged(HWND newCapture) override;
    LRESULT OnEraseBkgnd(HDC dc) override;
    // An owner-drawn button keeps no check of its own: a toggle answers with its state, so that
    // a screen reader (and any other program that asks) reads it.
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void DeliverClick();
    void DrawFocusMark(HDC dc, const RECT& client) const;
    RECT OuterMarkRect() const;
    bool mouseRelease_ = false;  // inside OnLButtonUp's default processing
};
