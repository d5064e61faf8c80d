// AppSubScreen: the ignored list (fill, delete ticked rows, select all) and the schedule list.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <ctime>
#include <map>

#include "app/screens/SubScreen.h"
#include "app/screens/SubScreenRows.h"
#include "engine/RegistryLib.h"
#include "settings/ScheduledTask.h"
#include "skin/SkinDialog.h"

namespace {
void SetCell(HWND listHwnd, int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    SendMessageA(listHwnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}
constexpr const char* IGNORED_NOT_SAVED_TEXT = "The ignore list could not be written, so nothing was removed from it: ";
}  // namespace

void AppSubScreen::FillIgnoredList() {
    if (!list) return;
    CRegistryLib engine;  // loads "ignore.lst"
    ShowIgnoredEntries(engine);
}

void AppSubScreen::ShowIgnoredEntries(const CRegistryLib& engine) {
    // One repaint for the whole list, not one per row: the list may hold a hundred thousand lines.
    list->BeginFill(static_cast<int>(engine.ignoreList.size()));
    for (const auto& entry : engine.ignoreList) {
        if (!entry) continue;
        const int row = list->AddItem("", false);
        if (row >= 0) list->SetItemText(row, 1, entry->filePath);
    }
    list->EndFill();
}

void AppSubScreen::PressIgnoredDelete() {
    if (!list) return;
    std::vector<IgnoredRow> rows;
    const int count = list->ItemCount();
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) rows.push_back({list->ItemText(i, 1), list->IsChecked(i)});
    CRegistryLib engine;  // the file as it is now, which a repair may have changed since the rows were filled
    std::vector<std::string> entries;
    for (const auto& entry : engine.ignoreList) entries.push_back(entry ? entry->filePath : std::string());
    for (int slot : IgnoreSlotsToDelete(rows, entries)) engine.ignoreList[static_cast<size_t>(slot)].reset();
    if (engine.SaveIgnoreList() != 0) {
        const std::string text = IGNORED_NOT_SAVED_TEXT + CRegistryLib::IgnoreFileName();
        MessageBoxA(hwnd(), text.c_str(), "Zenthar", MB_OK | MB_ICONERROR);
        FillIgnoredList();  // the file as it still is
        return;
    }
    ShowIgnoredEntries(engine);  // what the file holds now, without reading it again
}

void AppSubScreen::PressIgnoredSelectAll() {
    store.SetButtonCheck("BUTTON_IGNORED_SEL_ALL", store.GetButtonCheck("BUTTON_IGNORED_SEL_ALL") ? 0 : 1);
    if (list) list->SetAllChecks(store.GetButtonCheck("BUTTON_IGNORED_SEL_ALL") != 0);
}

void AppSubScreen::FillScheduleList() {
    if (!list) return;
    ListView_DeleteAllItems(list->hwnd());
    scheduleTriggers.clear();
    const std::string taskName = ScheduledTaskName(IsNtSystem());
    if (taskName.empty()) return;
    time_t lastRun = 0;
    std::vector<std::string> descriptions;
    std::vector<TASK_TRIGGER> triggers;
    ListScheduledTriggers(taskName, lastRun, descriptions, &triggers);
    const std::string lastRunText = LastRunText(lastRun);
    for (size_t i = 0; i < descriptions.size(); ++i) {
        const int row = list->AddItem(std::to_string(i + 1), false);
        if (row < 0) continue;
        SetCell(list->hwnd(), row, 1, descriptions[i]);
        SetCell(list->hwnd(), row, 2, lastRunText);
        scheduleTriggers.push_back(i < triggers.size() ? triggers[i] : TASK_TRIGGER{});
    }
}

void AppSubScreen::PressDeleteSchedule() {
    if (!list || list->ItemCount() == 0) return;
    const int row = ListView_GetNextItem(list->hwnd(), -1, LVNI_SELECTED);
    if (row < 0) return;
    if (MessageBoxA(hwnd(), "Are You Sure", "Delete Scheduled Task", MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK) return;
    const std::string taskName = ScheduledTaskName(IsNtSystem());
    if (!taskName.empty() && static_cast<size_t>(row) < scheduleTriggers.size())
        DeleteScheduledTrigger(taskName, row, scheduleTriggers[static_cast<size_t>(row)]);
    RefillScheduleLists();
    Invalidate(true);
}

void AppSubScreen::RefillScheduleLists() {
    // Both sub-screens of the schedule pair list the same task.
    CSkinDialog* main = WindowAs<CSkinDialog>(GetParent(hwnd()));
    if (!main) {
        if (IsScheduleScreen()) FillScheduleList();
        return;
    }
    for (const auto& screen : main->AllScreens()) {
        auto* s = dynamic_cast<AppSubScreen*>(screen.get());
        if (s && s->IsScheduleScreen()) s->FillScheduleList();
    }
}
