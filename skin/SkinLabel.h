// CSkinLabel and CSkinEdit: a transparent text over its cut background, and a standard edit box.
#pragma once
#include <mutex>
#include <string>

#include "framework/GdiOwners.h"
#include "framework/Window.h"
#include "skin/SkinText.h"

// Builds the element font of a text line: the face's default description with the line's height
// (negative: character height in pixels) at the skin's scale (ScaleFontHeight), weight 700 or 400
// and italic flag.
GdiFont CreateSkinFont(const std::string& face, bool bold, bool italic, int height);

class CSkinLabel : public Window {
public:
    // A visible child at rect with `initialText`, control identifier 0; font starts as a copy of
    // the default GUI font.
    bool Create(HWND parent, const RECT& rect, const std::string& initialText);
    // Stores the text without repainting; safe from any thread. The window answers for its text
    // with it, so a screen reader reads what is drawn, and is told when it changes.
    void SetText(const std::string& newText);
    std::string Text() const;
    // Replaces the font by a new one with the same description as `source`.
    void SetFont(HFONT source);
    // Cuts the background from the screen's normal picture at rect (parent client coordinates).
    void CutBackground(const GdiBitmap& screen, const RECT& rect);

    GdiBitmap background;
    GdiFont font;
    std::string name;
    SkinTextLine layout;  // the description's line: rectangle and font in its 96-dpi units
    int index = 0;
    COLORREF colour = 0;
    // Long lines break at word ends (or, for a long path, anywhere) instead of being cut off.
    bool wrap = false;

protected:
    void OnPaint() override;
    LRESULT OnEraseBkgnd(HDC dc) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    mutable std::mutex textLock_;  // workers set progress texts while the UI thread paints
    std::string text_;
};

class CSkinEdit : public Window {
public:
    // A visible child with the tab-stop style at rect, control identifier 0, with `initialText`.
    bool Create(HWND parent, const RECT& rect, const std::string& initialText);
    // Sets the window text and remembers it.
    void SetText(const std::string& newText);

    std::string text;
    GdiBitmap background;
    GdiFont font;
    std::string name;
    SkinTextLine layout;  // the description's line: rectangle and font in its 96-dpi units
    int index = 0;
    COLORREF colour = 0;
    // The label a screen reader names the box by (its window text is what it holds): a static
    // without size just before it, since the picture draws the words beside it. Goes with the box.
    Window nameLabel;
};
