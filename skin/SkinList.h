// CSkinList: a report list with check boxes and a Select All / Deselect All context menu.
#pragma once
#include <vector>

#include "framework/Window.h"
#include "skin/SkinText.h"

class CSkinList : public Window {
public:
    // Report view, single selection, border, the given columns; check boxes, grid lines and
    // full-row selection switched on.
    bool Create(HWND parent, const RECT& rect, const std::vector<SkinListColumn>& columns);
    int ItemCount() const;
    // Around a fill of many rows: the old rows go, nothing is drawn until EndFill, and room for
    // `rows` rows is made at once.
    void BeginFill(int rows);
    void EndFill();
    // Appends a row (first column text), ticked or not; returns its index or -1.
    int AddItem(const std::string& text, bool checked);
    bool IsChecked(int item) const;
    void SetChecked(int item, bool checked);
    // Sets or clears the check box of every item, first to last, with one repaint.
    void SetAllChecks(bool checked);
    // Menu 171 at a screen point; a negative coordinate means the menu was asked for from the
    // keyboard, and the caret position (moved right 2 and down 14) is used instead.
    void ShowContextMenu(int screenX, int screenY);

protected:
    void OnRButtonDown(UINT keys, int x, int y) override;
    bool OnContextMenu(HWND where, int x, int y) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
};
