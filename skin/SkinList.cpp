// CSkinList: creation, check boxes and the context menu.
#include "skin/SkinList.h"

#include <commctrl.h>

#include "framework/Handles.h"
#include "skin/SkinResourceIds.h"

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

bool CSkinList::Create(HWND parent, const RECT& rect, const std::vector<SkinListColumn>& columns) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    if (!CreateControl(WC_LISTVIEWA, 0, WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL, "", rect,
                       parent, 0))
        return false;
    for (size_t i = 0; i < columns.size(); ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<char*>(columns[i].title.c_str());
        column.cx = columns[i].width;
        column.iSubItem = static_cast<int>(i);
        SendMessageA(hwnd(), LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    const DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    SendMessageA(hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
    return true;
}

int CSkinList::ItemCount() const {
    return static_cast<int>(SendMessageA(hwnd(), LVM_GETITEMCOUNT, 0, 0));
}

void CSkinList::BeginFill(int rows) {
    SendMessageA(hwnd(), WM_SETREDRAW, FALSE, 0);
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
    if (rows > 0) SendMessageA(hwnd(), LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), LVSICF_NOINVALIDATEALL);
}

void CSkinList::EndFill() {
    SendMessageA(hwnd(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

int CSkinList::AddItem(const std::string& text, bool checked) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = ItemCount();
    item.pszText = const_cast<char*>(text.c_str());
    const int at = static_cast<int>(SendMessageA(hwnd(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (at >= 0) SetChecked(at, checked);
    return at;
}

bool CSkinList::IsChecked(int item) const {
    const LRESULT state = SendMessageA(hwnd(), LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void CSkinList::SetChecked(int item, bool checked) {
    LVITEMA state{};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageA(hwnd(), LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
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
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
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
    else return false;
    return true;
}
