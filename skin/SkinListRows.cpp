// CSkinList: sorting the rows, the selected row, the tick count and the cell tooltips.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "skin/SkinList.h"

void CSkinList::SortBy(int column, bool ascending) {
    if (!virtualRows_ || column < 0 || static_cast<size_t>(column) >= columns_) return;
    const int selected = SelectedItem();
    const size_t selectedTag = selected >= 0 ? rows_[static_cast<size_t>(selected)].tag : 0;
    // Case does not order paths and key names; equal cells keep the order they had. The cells are
    // folded once into keys, so that the sort compares plain bytes (a folding comparison of every
    // pair costs more than the sort itself).
    const size_t c = static_cast<size_t>(column);
    std::vector<std::string> keys(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) {
        std::string& key = keys[i];
        if (column == 0) {
            key = rows_[i].checked ? "0" : "1";  // ticked rows first
            continue;
        }
        key = rows_[i].markColumn == column ? rows_[i].markKey : rows_[i].cells[c];
        for (char& ch : key)
            if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    std::vector<size_t> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&keys, ascending](size_t a, size_t b) {
        const int r = keys[a].compare(keys[b]);
        return ascending ? r < 0 : r > 0;
    });
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (size_t i : order) sorted.push_back(std::move(rows_[i]));
    rows_.swap(sorted);
    sortColumn_ = column;
    sortAscending_ = ascending;
    if (selected >= 0) {
        for (size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].tag == selectedTag) {
                SelectItem(static_cast<int>(i));
                break;
            }
    }
    // The control keeps nothing of a virtual row: repainting the rows in view asks for them anew
    // (a redraw of every item costs the control a rectangle per row).
    InvalidateRect(hwnd(), nullptr, FALSE);
}

size_t CSkinList::ItemTag(int item) const {
    if (!virtualRows_) return item < 0 ? 0 : static_cast<size_t>(item);
    return item >= 0 && static_cast<size_t>(item) < rows_.size() ? rows_[static_cast<size_t>(item)].tag : 0;
}

int CSkinList::SelectedItem() const {
    return static_cast<int>(SendMessageA(hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CSkinList::SelectItem(int item) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
    SendMessageA(hwnd(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
}

int CSkinList::CheckedCount() const {
    if (virtualRows_) return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.checked; }));
    int count = 0;
    for (int i = 0, n = ItemCount(); i < n; ++i) count += IsChecked(i) ? 1 : 0;
    return count;
}

void CSkinList::ChecksChanged() {
    if (hooks.checksChanged) hooks.checksChanged();
}

int CSkinList::ItemAt(int screenX, int screenY) const {
    LVHITTESTINFO hit{};
    hit.pt = POINT{screenX, screenY};
    ScreenToClient(hwnd(), &hit.pt);
    return static_cast<int>(SendMessageA(hwnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void CSkinList::EnableCellTips() {
    if (tip_) return;
    tip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!tip_) return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = 1;
    tool.rect = RECT{0, 0, 32767, 32767};  // the whole list; the text follows the cell
    tool.lpszText = const_cast<char*>("");
    SendMessageA(tip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    // Long paths break into lines rather than running off the screen.
    SendMessageA(tip_, TTM_SETMAXTIPWIDTH, 0, 600);
}

void CSkinList::ShowCellTip(int x, int y) {
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    const int item = static_cast<int>(SendMessageA(hwnd(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    const int column = item >= 0 ? hit.iSubItem : -1;
    if (item == tipItem_ && column == tipColumn_) return;
    tipItem_ = item;
    tipColumn_ = column;
    // The box column says nothing in words; a cell's text shows whole, however narrow its column.
    std::string text = item >= 0 && column > 0 ? ItemText(item, column) : std::string();
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = hwnd();
    tool.uId = 1;
    tool.lpszText = &text[0];
    SendMessageA(tip_, TTM_POP, 0, 0);
    SendMessageA(tip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tip_, TTM_ACTIVATE, text.empty() ? FALSE : TRUE, 0);
}

void CSkinList::OnMouseMove(UINT, int x, int y) {
    if (tip_) ShowCellTip(x, y);
    Default();
}
