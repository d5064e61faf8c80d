// AppSubScreen: the History page (the logged repairs, the picked one's entries, its restore).
#include <windows.h>
#include <commctrl.h>

#include "app/RestoreConsent.h"
#include "app/screens/SubScreen.h"
#include "engine/Findings.h"
#include "engine/SafetyLevels.h"
#include "platform/RepairLock.h"
#include "routines/RepairLog.h"
#include "skin/SkinStore.h"

namespace {
constexpr const char HISTORY_RESTORE[] = "BUTTON_HISTORY_RESTORE";
constexpr const char HISTORY_NOTE[] = "TEXT_HISTORY_NOTE";
constexpr const char HISTORY_CAPTION[] = "Repair history";
constexpr size_t NOTE_LINE = 34;  // characters of a line of the note beside the button

// The note label breaks no lines itself: words are put on lines of at most `width` characters.
std::string wrapWords(const std::string& text, size_t width) {
    std::string out, line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            out += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return out + line;
}

void plainRows(CSkinList& list) {
    // Rows are picked here, not ticked.
    ListView_SetExtendedListViewStyleEx(list.hwnd(), LVS_EX_CHECKBOXES, 0);
}

std::string location(const RepairLogEntry& e) {
    if (e.keyPath.empty()) return std::string();
    const std::string where = e.valueName.empty() ? e.keyPath : e.keyPath + "\\" + e.valueName;
    return e.view64 ? where + " (64-bit)" : where;
}

// The backup column: whether the restore can still use it (the file's name is in the console's history).
const char* backupText(const RepairRecord& r) {
    switch (RepairBackupState(r)) {
    case RepairBackup::Present: return "kept";
    case RepairBackup::None: return "none made";
    case RepairBackup::RotatedAway: return "rotated away";
    case RepairBackup::Missing: break;
    }
    return "missing";
}
}  // namespace

void AppSubScreen::SetHistoryNote(const std::string& text) {
    store.SetLabelText(HISTORY_NOTE, wrapWords(text, NOTE_LINE));
}

namespace {
// The level as the result page shows it; older logs kept none.
std::string levelWordOf(const std::string& key) {
    for (SafetyLevel l : {LEVEL_SAFE, LEVEL_REVIEW, LEVEL_RISKY})
        if (key == LevelKey(l)) return LevelWord(l);
    return std::string();
}
}  // namespace

void AppSubScreen::FillHistory() {
    if (name != SUBMAIN_HISTORY || !list) return;
    if (!entryList) {
        entryList = CreateSkinList(hwnd(), skinPath, name + "_LISTINFO", false, "2");
        plainRows(*list);
        if (entryList) plainRows(*entryList);
    }
    // A damaged log is mended only while no repair can be appending to it.
    RepairLock lock;
    RepairLogLoad load = LoadRepairLog(lock.TryAcquire(), false);
    lock.Release();
    historyRows.assign(load.records.rbegin(), load.records.rend());
    pickedHistoryRow = -1;
    list->BeginFill(static_cast<int>(historyRows.size()));
    for (const auto& r : historyRows) {
        const int row = list->AddItem(std::to_string(r.id), false);
        if (row < 0) continue;
        list->SetItemText(row, 1, r.time);
        list->SetItemText(row, 2, std::to_string(r.Removed()));
        list->SetItemText(row, 3, backupText(r));
    }
    list->EndFill();
    if (entryList) ListView_DeleteAllItems(entryList->hwnd());
    store.EnableButton(HISTORY_RESTORE, false);
    SetHistoryNote(historyRows.empty() ? "No repair has been made yet." : "Pick a repair to see what it removed.");
    if (!load.note.empty()) MessageBoxA(hwnd(), load.note.c_str(), HISTORY_CAPTION, MB_OK | MB_ICONWARNING);
}

void AppSubScreen::ShowHistoryRepair(int row) {
    if (row < 0 || static_cast<size_t>(row) >= historyRows.size() || !entryList) return;
    pickedHistoryRow = row;
    RepairRecord& r = historyRows[static_cast<size_t>(row)];
    // The list holds each repair without its entries; the picked one's are read now.
    if (r.entries.empty() && r.entryCount > 0) LoadRepairEntries(r);
    entryList->BeginFill(static_cast<int>(r.entries.size()));
    for (const auto& e : r.entries) {
        const int item = entryList->AddItem(AreaWords(e.category), false);
        if (item < 0) continue;
        // A shortcut file: whether the restore brings it back from the backup's folder.
        const bool shortcut = e.keyPath.empty() && !e.filePath.empty();
        entryList->SetItemText(item, 1, shortcut ? (ShortcutComesBack(r, e) ? "kept, comes back" : "not kept")
                                                 : location(e));
        entryList->SetItemText(item, 2, e.filePath);
        entryList->SetItemText(item, 3, levelWordOf(e.level));
    }
    entryList->EndFill();
    const std::string refusal = RepairRestoreRefusal(r);
    store.EnableButton(HISTORY_RESTORE, refusal.empty());
    // Three short lines beside the button: the restore's state, and whether the repair completed.
    SetHistoryNote(!refusal.empty() ? refusal
                                    : "Repair " + std::to_string(r.id) + (r.completed ? "" : " did not complete") +
                                          ": " + std::to_string(r.Removed()) +
                                          " entries removed; its backup can be restored.");
}

void AppSubScreen::PressHistoryRestore() {
    if (pickedHistoryRow < 0 || static_cast<size_t>(pickedHistoryRow) >= historyRows.size()) return;
    const RepairRecord r = historyRows[static_cast<size_t>(pickedHistoryRow)];
    int comingBack = 0;
    const int shortcuts = ShortcutEntries(r, &comingBack);
    std::string links;
    if (shortcuts > 0 && comingBack == shortcuts)
        links = " (its " + std::to_string(shortcuts) + " shortcut files among them)";
    else if (shortcuts > 0)
        links = " (" + std::to_string(comingBack) + " of its " + std::to_string(shortcuts) +
                " shortcut files among them: the others were not kept)";
    const std::string question = "Write back the backup of repair " + std::to_string(r.id) + " of " + r.time +
                                 "?\nThe " + std::to_string(r.Removed()) + " entries it removed come back" + links +
                                 " where they are absent now; any set again since stay as they are:\n" + r.backupFile;
    if (MessageBoxA(hwnd(), question.c_str(), HISTORY_CAPTION, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    // The boxes come after the restore, so that an unanswered one never keeps the repair lock.
    std::vector<std::string> messages;
    RestoreDialogue dialogue;
    const int id = r.id;
    const RestoreStatus status = RestoreAskingForWhole(
        hwnd(), HISTORY_CAPTION,
        [id](RestoreDialogue& d, const BackupMessageCallback& say) { return RestoreRepair(id, say, nullptr, &d); },
        dialogue, messages);
    if (status == RestoreStatus::NotConfirmed) return;
    std::string text;
    for (const auto& m : messages) text += (text.empty() ? "" : "\n") + m;
    if (text.empty()) text = status == RestoreStatus::Complete ? "Restore Complete" : "The restore did not complete.";
    // What it left is said beside the button too: the first line of the restore's own words.
    const std::string left = LeftAsIsText(dialogue.tally);
    SetHistoryNote((status == RestoreStatus::Complete ? "Repair " + std::to_string(r.id) + " was restored."
                                                      : "Repair " + std::to_string(r.id) + " was not restored.") +
                   (left.empty() ? std::string() : " " + left.substr(0, left.find('\n'))));
    MessageBoxA(hwnd(), text.c_str(), HISTORY_CAPTION,
                MB_OK | (status == RestoreStatus::Complete ? MB_ICONINFORMATION : MB_ICONERROR));
}

bool AppSubScreen::OnNotify(NMHDR& header, LRESULT& result) {
    if (name != SUBMAIN_HISTORY || !list || header.hwndFrom != list->hwnd() || header.code != LVN_ITEMCHANGED)
        return false;
    const auto& change = reinterpret_cast<NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED))
        ShowHistoryRepair(change.iItem);
    result = 0;
    return true;
}

void AppSubScreen::Rescale() {
    CSubMainSkin::Rescale();
    if (entryList) entryList->Rescale();
}
