// CSkinList: a report list with check boxes and a Select All / Deselect All context menu.
#pragma once
#include <functional>
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
    // A small square of `colour` drawn before the cell's text (virtual rows only); the column
    // sorts by `sortKey` instead of the text, so that an ordered scale sorts in its own order.
    void SetCellMark(int item, int column, COLORREF colour, const std::string& sortKey);
    // The whole text of a cell, however long.
    std::string ItemText(int item, int column) const;
    bool IsChecked(int item) const;
    void SetChecked(int item, bool checked);
    // Sets or clears the check box of every item, first to last, with one repaint.
    void SetAllChecks(bool checked);
    // Menu 171 at a screen point; a negative coordinate means the menu was asked for from the
    // keyboard, and the caret position (moved right 2 and down 14) is used instead.
    void ShowContextMenu(int screenX, int screenY);

    // What the application adds to a list (all optional, called on the list's thread).
    struct Hooks {
        std::function<void()> checksChanged;               // one tick or all of them changed
        std::function<void(int item)> selectionChanged;    // the selected row now, -1 for none
        std::function<void(HMENU popup, int item)> rowMenu;  // puts a row's own items on top of the menu
        std::function<void(UINT id, int item)> rowCommand;   // one of those items was chosen
    };
    Hooks hooks;
    // Virtual rows only: a click on a column's header sorts the rows by it (a second click turns the
    // order round); the ticks stay with their rows and the selected row stays selected.
    void EnableSorting() { sortable_ = true; }
    // Sorts by `column` (0: ticked rows first); equal cells keep their order.
    void SortBy(int column, bool ascending);
    int SortColumn() const { return sortColumn_; }
    bool SortAscending() const { return sortAscending_; }
    // The place the row had when it was added (virtual rows; other lists: the row itself).
    size_t ItemTag(int item) const;
    // A tooltip with the whole text of the cell under the pointer.
    void EnableCellTips();
    int SelectedItem() const;
    void SelectItem(int item);
    int CheckedCount() const;

protected:
    void OnRButtonDown(UINT keys, int x, int y) override;
    void OnLButtonDown(UINT keys, int x, int y) override;
    void OnMouseMove(UINT keys, int x, int y) override;
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
        size_t tag = 0;  // its place when added
        int markColumn = -1;  // the cell with a coloured mark, if any
        COLORREF mark = 0;
        std::string markKey;  // that column's sort key
    };
    bool CustomDraw(NMHDR& header, LRESULT& result);
    std::vector<int> columnWidths_;  // in 96-dpi units
    bool virtualRows_ = false;
    bool sortable_ = false;
    int sortColumn_ = -1;
    bool sortAscending_ = true;
    int menuItem_ = -1;  // the row the open context menu belongs to
    HWND tip_ = nullptr;
    int tipItem_ = -1, tipColumn_ = -1;
    bool filling_ = false;
    size_t columns_ = 0;
    std::vector<Row> rows_;
    void ToggleAt(int x, int y);
    void Toggle(int item);
    void RedrawRows(int first, int last);
    void ChecksChanged();
    void ShowCellTip(int x, int y);
    int ItemAt(int screenX, int screenY) const;
};
