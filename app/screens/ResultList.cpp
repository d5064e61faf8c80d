// Filling the result list, and reading its ticks back.
#include "app/screens/ResultList.h"

#include <commctrl.h>

#include "skin/SkinList.h"

void SetListCell(HWND list, int row, int column, const std::string& text) {
    std::string copy = text;
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = &copy[0];
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string ListCell(HWND list, int row, int column) {
    // Grows until the text fits: the message says how many characters it copied.
    for (int size = 256;; size *= 2) {
        std::string buffer(size, '\0');
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = &buffer[0];
        item.cchTextMax = size;
        const int got = static_cast<int>(SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
        if (got < size - 1 || size >= (1 << 20)) return buffer.substr(0, got < 0 ? 0 : got);
    }
}

void DeleteAllRows(HWND list) { SendMessageA(list, LVM_DELETEALLITEMS, 0, 0); }

size_t FillResultList(CSkinList& list, const ErrorArray& errors, const std::vector<std::string>& shortcuts) {
    // One repaint for the whole list, not one per row: a scan can list tens of thousands.
    SendMessageA(list.hwnd(), WM_SETREDRAW, FALSE, 0);
    DeleteAllRows(list.hwnd());
    size_t registryRows = 0;
    for (const auto& err : errors) {
        if (!err) continue;
        const int row = list.AddItem("", true);
        SetListCell(list.hwnd(), row, 1, err->view64 ? err->type + " (64-bit)" : err->type);
        SetListCell(list.hwnd(), row, 2, err->filePath);
        ++registryRows;
    }
    for (const auto& path : shortcuts) {
        const int row = list.AddItem("", true);
        SetListCell(list.hwnd(), row, 1, "SHORTCUT");
        SetListCell(list.hwnd(), row, 2, path);
    }
    SendMessageA(list.hwnd(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list.hwnd(), nullptr, TRUE);
    return registryRows;
}

RowTicks TicksOf(const CSkinList& list, size_t registryRows, size_t errorCount, size_t shortcutCount) {
    RowTicks ticks;
    const int rows = list.ItemCount();
    for (size_t i = 0; i < errorCount; ++i)
        ticks.registry.push_back(i >= registryRows || static_cast<int>(i) >= rows || list.IsChecked(static_cast<int>(i)));
    for (size_t i = 0; i < shortcutCount; ++i) {
        const int row = static_cast<int>(registryRows + i);
        ticks.shortcuts.push_back(row >= rows || list.IsChecked(row));
    }
    return ticks;
}
