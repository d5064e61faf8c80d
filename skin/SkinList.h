// CSkinList: a report list with check boxes and a Select All / Deselect All context menu.
#pragma once
#include <string>
#include <vector>

#include "framework/Window.h"
#include "skin/SkinText.h"

class CSkinList : public Window {
public:
    // Report view, single selection, border, the given columns; check boxes, grid lines and
    // full-row selection switched on. With `virtualRows` the rows' texts and ticks live in this
    // object and the control only draws the rows in view, so that a hundred thousand rows cost
    // no more than a few: the control holds nothing per row, and a fill is one count.
    // Column widths are the description's, in 96-dpi units: they are scaled to the skin's scale.
    bool Create(HWND parent, const RECT& rect, const std::vector<SkinListColumn>& columns, bool virtualRows = false);
    // Moves the list to `layout` and sizes its columns anew, both at the skin's current scale.
    void Rescale();

    SkinRect layout;  // the description's rectangle, in its 96-dpi units
    int ItemCount() const;
    // Around a fill of many rows: the old rows go, nothing is drawn until EndFill, and room for
    // `rows` rows is made at once.
    void BeginFill(int rows);
    void EndFill();
    // Appends a row (first column text), ticked or not; returns its index or -1.
    int AddItem(const std::string& text, bool checked);
    void SetItemText(int item, int column, const std::string& text);
    // The whole text of a cell, however long.
    std::string ItemText(int item, int column) const;
    bool IsChecked(int item) const;
    void SetChecked(int item, bool checked);
    // Sets or clears the check box of every item, first to last, with one repaint.
    void SetAllChecks(bool checked);
    // Menu 171 at a screen point; a negative coordinate means the menu was asked for from the
    // keyboard, and the caret position (moved right 2 and down 14) is used instead.
    void ShowContextMenu(int screenX, int screenY);

protected:
    void OnRButtonDown(UINT keys, int x, int y) override;
    void OnLButtonDown(UINT keys, int x, int y) override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnContextMenu(HWND where, int x, int y) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    bool OnReflectedNotify(NMHDR& header, LRESULT& result) override;

private:
    // The rows of a virtual list. The control asks for their texts and ticks as it draws, and
    // leaves the ticks to us: a click on a check box or the space bar toggles them here.
    struct Row {
        std::vector<std::string> cells;  // one per column
        bool checked = false;
    };
    std::vector<int> columnWidths_;  // in 96-dpi units
    bool virtualRows_ = false;
    bool filling_ = false;
    size_t columns_ = 0;
    std::vector<Row> rows_;
    void ToggleAt(int x, int y);
    void Toggle(int item);
    void RedrawRows(int first, int last);
};
