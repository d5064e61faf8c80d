// CSubMainSkin: a sub-screen of the main window with its own pictures and skinned controls.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "framework/Handles.h"
#include "framework/Window.h"
#include "skin/SkinButtonOwner.h"
#include "skin/SkinList.h"
#include "skin/SkinStore.h"
#include "skin/SkinText.h"

// The property of a sub-screen's window that holds its screen name, as a global atom.
constexpr const char* SUBSCREEN_NAME_PROPERTY = "ZentharScreenName";

// The one sub-screen that never gets edit boxes, even when its skin has an edit-box section.
constexpr const char* SUBSCREEN_WITHOUT_EDITS = "SUBMAIN_ADVANCED";

class CSubMainSkin : public Window, public SkinButtonOwner {
public:
    CSubMainSkin() = default;
    ~CSubMainSkin() override;

    // Creates the sub-screen as a visible child of `parent` at the line's rectangle, named by the
    // line, loads its four pictures from `skinFolder` and then its sections from the description
    // at `skinPath`: buttons, labels, edit boxes (not for SUBMAIN_ADVANCED), the list.
    bool Create(HWND parent, const SkinScreenLine& line, const std::string& skinFolder, const std::string& skinPath);

    // Virtual operations, in order: the click handler by name (the screens' behaviour is added by
    // the windows derived from this one), the click by index, and the hover hook.
    virtual void ButtonPressed(const std::string& name);
    void ButtonClicked(int index) override;
    virtual void MouseOverName(const std::string& name);

    // After the skin's scale changed: moved to its rectangle at the new scale, its pictures loaded
    // anew and every element rescaled (CSkinStore::Rescale), the list too.
    virtual void Rescale();

    std::string name;
    RECT rect{};          // in the main window's client coordinates, at the skin's scale
    SkinRect layout;      // the description's rectangle, in its 96-dpi units
    CSkinStore store;     // buttons, labels, edit boxes and the four pictures
    std::unique_ptr<CSkinList> list;
    std::string skinPath;  // the description it was built from (a screen may read more of it)
    OwnedHandle summaryThread;  // the thread of a progress dialog this sub-screen started

protected:
    // Steps of the building that derived sub-screens fill (settings loads); nothing here.
    virtual void OnButtonsAndLabelsLoaded() {}
    virtual void OnEditBoxesLoaded() {}
    virtual void OnListLoaded() {}
    // True when the list keeps its rows itself (CSkinList's virtual rows): for lists that can
    // grow to many thousands of rows.
    virtual bool WantsVirtualListRows() const { return false; }
    // WM_DESTROYTREE reached this sub-screen: its tree is about to be destroyed.
    virtual void OnDestroyTree() {}

    void OnPaint() override;
    LRESULT OnEraseBkgnd(HDC dc) override;
    void OnLButtonDown(UINT keys, int x, int y) override;
    void OnMouseMove(UINT keys, int x, int y) override;
    void OnTimer(UINT_PTR id) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    ATOM screenAtom_ = 0;
};

// The drag of a skinned window by its background: the system moves `hwnd` (a top-level window on
// the screen, a child window inside its parent) as if its caption had been grabbed at (x, y).
void BeginBackgroundDrag(HWND hwnd, int x, int y);
