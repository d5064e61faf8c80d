// CSkinList: creation, check boxes and the context menu.
#include "skin/SkinList.h"

#include <commctrl.h>

#include "framework/Handles.h"
#include "skin/SkinResourceIds.h"
#include "skin/SkinScale.h"

namespace {
// The menu of the program's resources, or the same two items built here when a program was
// linked without the menu resource.
OwnedMenu loadListMenu(HMENU& popup) {
    OwnedMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_SKINLIST_MENU)));
    if (menu) {
        popup = GetSubMenu(menu.get(), 0);
        if (popup) return menu;
    }
    menu.reset(CreateMenu());
    HMENU items = CreatePopupMenu();
    if (!menu || !items) {
        if (items) DestroyMenu(items);
        popup = nullptr;
        return OwnedMenu();
    }
    AppendMenuA(items, MF_STRING, ID_SKINLIST_SELECT_ALL, "Select All");
    AppendMenuA(items, MF_STRING, ID_SKINLIST_DESELECT_ALL, "Deselect All");
    AppendMenuA(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(items), "List");
    popup = items;
    return menu;
}
}  // namespace

bool CSkinList::Create(HWND parent, const RECT& rect, const std::vector<SkinListColumn>& columns, bool virtualRows) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | (virtualRows ? LVS_OWNERDATA : 0);
    if (!CreateControl(WC_LISTVIEWA, 0, style, "", rect, parent, 0)) return false;
    virtualRows_ = virtualRows;
    columns_ = columns.size();
    columnWidths_.clear();
    for (const auto& c : columns) columnWidths_.push_back(c.width);
    for (size_t i = 0; i < columns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(columns[i].title.c_str());
        column.cx = ScaleToDpi(columns[i].width, SkinDpi());
        column.iSubItem = static_cast<int>(i);
        SendMessageA(hwnd(), LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    const DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    SendMessageA(hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    // The ticks of a virtual list are ours: the control asks for them with each row it draws.
    if (virtualRows_) SendMessageA(hwnd(), LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    return true;
}

void CSkinList::Rescale() {
    const SkinRect r = ScaleSkinRect(layout, SkinDpi());
    MoveWindow(hwnd(), r.left, r.top, r.width(), r.height(), TRUE);
    for (size_t i = 0; i < columnWidths_.size(); ++i)
        SendMessageA(hwnd(), LVM_SETCOLUMNWIDTH, i, MAKELPARAM(ScaleToDpi(columnWidths_[i], SkinDpi()), 0));
}

int CSkinList::ItemCount() const {
    return static_cast<int>(SendMessageA(hwnd(), LVM_GETITEMCOUNT, 0, 0));
}

void CSkinList::BeginFill(int rows) {
    SendMessageA(hwnd(), WM_SETREDRAW, FALSE, 0);
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
    if (virtualRows_) {
        rows_.clear();
        rows_.reserve(rows > 0 ? static_cast<size_t>(rows) : 0);
        filling_ = true;  // the control learns the count once, at the end
        return;
    }
    if (rows > 0) SendMessageA(hwnd(), LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), LVSICF_NOINVALIDATEALL);
}

void CSkinList::EndFill() {
    if (filling_) {
        filling_ = false;
        SendMessageA(hwnd(), LVM_SETITEMCOUNT, rows_.size(), 0);
    }
    SendMessageA(hwnd(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

int CSkinList::AddItem(const std::string& text, bool checked) {
    if (virtualRows_) {
        Row row;
        row.cells.resize(columns_ ? columns_ : 1);
        row.cells[0] = text;
        row.checked = checked;
        row.tag = rows_.size();
        rows_.push_back(std::move(row));
        if (!filling_) SendMessageA(hwnd(), LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        return static_cast<int>(rows_.size() - 1);
    }
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = ItemCount();
    item.pszText = const_cast<char*>(text.c_str());
    const int at = static_cast<int>(SendMessageA(hwnd(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (at >= 0) SetChecked(at, checked);
    return at;
}

void CSkinList::SetCellMark(int item, int column, COLORREF colour, const std::string& sortKey) {
    if (!virtualRows_ || item < 0 || static_cast<size_t>(item) >= rows_.size()) return;
    Row& row = rows_[static_cast<size_t>(item)];
    row.markColumn = column;
    row.mark = colour;
    row.markKey = sortKey;
}

// Room before a marked cell's text: the mark and a gap, in spaces of the list's font.
static const char MARK_ROOM[] = "     ";

bool CSkinList::CustomDraw(NMHDR& header, LRESULT& result) {
    auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
    const DWORD stage = draw.nmcd.dwDrawStage;
    result = CDRF_DODEFAULT;
    if (stage == CDDS_PREPAINT) result = CDRF_NOTIFYITEMDRAW;
    else if (stage == CDDS_ITEMPREPAINT) result = CDRF_NOTIFYSUBITEMDRAW;
    else if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) result = CDRF_NOTIFYPOSTPAINT;
    if (stage != (CDDS_ITEMPOSTPAINT | CDDS_SUBITEM)) return true;
    const size_t item = draw.nmcd.dwItemSpec;
    if (item >= rows_.size() || rows_[item].markColumn != draw.iSubItem) return true;
    RECT cell{};
    cell.top = draw.iSubItem;
    cell.left = LVIR_BOUNDS;
    if (!SendMessageA(hwnd(), LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell))) return true;
    const int side = (cell.bottom - cell.top) / 2;
    const RECT square{cell.left + 6, cell.top + (cell.bottom - cell.top - side) / 2, cell.left + 6 + side,
                      cell.top + (cell.bottom - cell.top - side) / 2 + side};
    HBRUSH brush = CreateSolidBrush(rows_[item].mark);
    FillRect(draw.nmcd.hdc, &square, brush);
    DeleteObject(brush);
    return true;
}

void CSkinList::SetItemText(int item, int column, const std::string& text) {
    if (virtualRows_) {
        if (item < 0 || static_cast<size_t>(item) >= rows_.size() || column < 0 ||
            static_cast<size_t>(column) >= rows_[static_cast<size_t>(item)].cells.size())
            return;
        rows_[static_cast<size_t>(item)].cells[static_cast<size_t>(column)] = text;
        if (!filling_) RedrawRows(item, item);
        return;
    }
    std::string copy = text;
    LVITEMA cell{};
    cell.iSubItem = column;
    cell.pszText = &copy[0];
    SendMessageA(hwnd(), LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
}

std::string CSkinList::ItemText(int item, int column) const {
    if (virtualRows_) {
        if (item < 0 || static_cast<size_t>(item) >= rows_.size() || column < 0 ||
            static_cast<size_t>(column) >= rows_[static_cast<size_t>(item)].cells.size())
            return std::string();
        return rows_[static_cast<size_t>(item)].cells[static_cast<size_t>(column)];
    }
    // Grows until the text fits: the message says how many characters it copied.
    std::string buffer(512, '\0');
    for (;;) {
        LVITEMA cell{};
        cell.iSubItem = column;
        cell.pszText = &buffer[0];
        cell.cchTextMax = static_cast<int>(buffer.size());
        const LRESULT length =
            SendMessageA(hwnd(), LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
        if (length < static_cast<LRESULT>(buffer.size()) - 1) return buffer.substr(0, length < 0 ? 0 : static_cast<size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

bool CSkinList::IsChecked(int item) const {
    if (virtualRows_) return item >= 0 && static_cast<size_t>(item) < rows_.size() && rows_[static_cast<size_t>(item)].checked;
    const LRESULT state = SendMessageA(hwnd(), LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void CSkinList::SetChecked(int item, bool checked) {
    if (virtualRows_) {
        if (item == -1) {
            for (Row& row : rows_) row.checked = checked;
            InvalidateRect(hwnd(), nullptr, FALSE);  // the rows in view are asked for again
        } else if (item >= 0 && static_cast<size_t>(item) < rows_.size()) {
            rows_[static_cast<size_t>(item)].checked = checked;
            RedrawRows(item, item);
        }
        ChecksChanged();
        return;
    }
    LVITEMA state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageA(hwnd(), LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
    ChecksChanged();
}

void CSkinList::SetAllChecks(bool checked) {
    SendMessageA(hwnd(), WM_SETREDRAW, FALSE, 0);
    SetChecked(-1, checked);  // item -1: every item, in order
    SendMessageA(hwnd(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void CSkinList::ShowContextMenu(int screenX, int screenY) {
    POINT at{screenX, screenY};
    if (at.x < 0 || at.y < 0) {
        GetCaretPos(&at);
        ClientToScreen(hwnd(), &at);
        at.x += 2;
        at.y += 14;
    }
    HMENU popup = nullptr;
    OwnedMenu menu = loadListMenu(popup);
    if (!popup) return;
    // The row's own items, for the row under the pointer (or, from the keyboard, the selected one).
    menuItem_ = screenX < 0 || screenY < 0 ? SelectedItem() : ItemAt(at.x, at.y);
    if (menuItem_ >= 0 && hooks.rowMenu) {
        SelectItem(menuItem_);
        hooks.rowMenu(popup, menuItem_);
    }
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
}

void CSkinList::RedrawRows(int first, int last) {
    SendMessageA(hwnd(), LVM_REDRAWITEMS, static_cast<WPARAM>(first), static_cast<LPARAM>(last));
}

void CSkinList::Toggle(int item) {
    if (item >= 0 && static_cast<size_t>(item) < rows_.size()) SetChecked(item, !rows_[static_cast<size_t>(item)].checked);
}

void CSkinList::ToggleAt(int x, int y) {
    LVHITTESTINFO hit{};
    hit.pt = POINT{x, y};
    const int item = static_cast<int>(SendMessageA(hwnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (item < 0 || !(hit.flags & LVHT_ONITEMSTATEICON)) return;
    // With full-row selection a hit anywhere on the row counts as on every part of it, so the box
    // is told by place: it lies left of the item's icon.
    RECT icon{};
    icon.left = LVIR_ICON;
    if (!SendMessageA(hwnd(), LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&icon))) return;
    if (x < icon.left) Toggle(item);
}

void CSkinList::OnLButtonDown(UINT, int x, int y) {
    // As the control toggles the boxes of the rows it holds: on the press, not on a double click.
    if (virtualRows_) ToggleAt(x, y);
    Default();
}

LRESULT CSkinList::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (virtualRows_ && msg == WM_KEYDOWN && wp == VK_SPACE)
        Toggle(static_cast<int>(SendMessageA(hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
    // Ctrl+A ticks every row, as the menu's Select All does.
    if (msg == WM_KEYDOWN && wp == 'A' && GetKeyState(VK_CONTROL) < 0) {
        SetAllChecks(true);
        return 0;
    }
    return Window::OnMessage(msg, wp, lp);
}

bool CSkinList::OnReflectedNotify(NMHDR& header, LRESULT& result) {
    if (header.code == LVN_ITEMCHANGED || header.code == LVN_ODSTATECHANGED) {
        if (hooks.selectionChanged) hooks.selectionChanged(SelectedItem());
        return false;
    }
    if (header.code == LVN_COLUMNCLICK && sortable_ && virtualRows_) {
        const int column = reinterpret_cast<NMLISTVIEW&>(header).iSubItem;
        SortBy(column, column == sortColumn_ ? !sortAscending_ : true);
        result = 0;
        return true;
    }
    if (header.code == NM_CUSTOMDRAW && virtualRows_) return CustomDraw(header, result);
    if (!virtualRows_ || (header.code != LVN_GETDISPINFOA && header.code != LVN_GETDISPINFOW)) return false;
    // Both forms carry the item first; only the text differs in width.
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA&>(header).item;
    result = 0;
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= rows_.size()) return true;
    const Row& row = rows_[static_cast<size_t>(item.iItem)];
    if (item.mask & LVIF_STATE) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.checked ? 2 : 1);
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        const std::string empty;
        const std::string& cell =
            item.iSubItem >= 0 && static_cast<size_t>(item.iSubItem) < row.cells.size() ? row.cells[static_cast<size_t>(item.iSubItem)] : empty;
        const std::string text = row.markColumn == item.iSubItem ? MARK_ROOM + cell : cell;
        const size_t room = static_cast<size_t>(item.cchTextMax) - 1;
        const size_t n = text.size() < room ? text.size() : room;
        if (header.code == LVN_GETDISPINFOA) {
            text.copy(item.pszText, n);
            item.pszText[n] = '\0';
        } else {
            auto* wide = reinterpret_cast<wchar_t*>(item.pszText);
            const int got = n ? MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(n), wide, static_cast<int>(room)) : 0;
            wide[got > 0 ? got : 0] = L'\0';
        }
    }
    return true;
}

void CSkinList::OnRButtonDown(UINT, int, int) {
    POINT cursor{};
    GetCursorPos(&cursor);
    ShowContextMenu(cursor.x, cursor.y);
}

bool CSkinList::OnContextMenu(HWND, int x, int y) {
    // The mouse's own request was served on the press; only the keyboard's is shown here.
    if (x == -1 && y == -1) ShowContextMenu(x, y);
    return true;
}

bool CSkinList::OnCommand(UINT id, UINT, HWND) {
    if (id == ID_SKINLIST_SELECT_ALL) SetAllChecks(true);
    else if (id == ID_SKINLIST_DESELECT_ALL) SetAllChecks(false);
    else if (hooks.rowCommand && menuItem_ >= 0) hooks.rowCommand(id, menuItem_);
    else return false;
    return true;
}
