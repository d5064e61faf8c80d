// The result page: filling the list, the details line, the ticked count and the ticks read back.
#include "app/screens/ResultList.h"

#include <commctrl.h>

#include "app/screens/RepairDepthSetting.h"
#include "skin/SkinList.h"
#include "skin/SkinStore.h"

namespace {
constexpr int LEVEL_COLUMN = 4;
// Green, amber and red, each dark enough to read on the list's white.
constexpr COLORREF LEVEL_COLOURS[SAFETY_LEVEL_COUNT] = {RGB(46, 139, 62), RGB(214, 140, 0), RGB(200, 40, 40)};
}  // namespace

std::string TickedCountText(int ticked, int total, int riskyUnticked) {
    std::string text = std::to_string(ticked) + " of " + std::to_string(total) + " selected";
    if (riskyUnticked > 0) text += ", " + std::to_string(riskyUnticked) + " risky left unticked";
    return text;
}

std::string FindingLine(const Finding& f) { return f.problem + "\t" + f.missingFile + "\t" + f.location; }

ResultPage::ResultPage(HWND page, CSkinList& list, CSkinStore& store) : page_(page), list_(list), store_(store) {
    list_.EnableSorting();
    list_.EnableCellTips();
    list_.hooks.checksChanged = [this] { ShowCount(); };
    list_.hooks.selectionChanged = [this](int row) { ShowDetails(row); };
    list_.hooks.rowMenu = [this](HMENU popup, int row) { AddRowItems(popup, row); };
    list_.hooks.rowCommand = [this](UINT id, int row) { RowCommand(id, row); };
    if (CSkinLabel* details = store_.FindLabel(TEXT_RESULT_DETAILS)) details->wrap = true;
    ShowDetails(-1);
    ShowCount();
}

ResultPage::~ResultPage() { list_.hooks = CSkinList::Hooks(); }

void ResultPage::Fill(std::vector<Finding> findings) {
    findings_ = std::move(findings);
    // The depth chosen on the scan areas page sets the ticks; the user may change any of them.
    const RepairDepth depth = LoadRepairDepth();
    // The list keeps the rows itself and the control draws only those in view: tens of thousands
    // fill in one step.
    list_.BeginFill(static_cast<int>(findings_.size()));
    for (const Finding& f : findings_) {
        const int row = list_.AddItem("", TakenAtDepth(f.level, depth));
        if (row < 0) continue;
        list_.SetItemText(row, 1, f.problem);
        list_.SetItemText(row, 2, f.missingFile);
        list_.SetItemText(row, 3, f.location);
        list_.SetItemText(row, LEVEL_COLUMN, LevelWord(f.level));
        list_.SetCellMark(row, LEVEL_COLUMN, LEVEL_COLOURS[f.level], std::to_string(static_cast<int>(f.level)));
    }
    list_.EndFill();
    ShowDetails(-1);
    ShowCount();
}

const Finding* ResultPage::FindingAtRow(int row) const {
    if (row < 0 || row >= list_.ItemCount()) return nullptr;
    const size_t tag = list_.ItemTag(row);
    return tag < findings_.size() ? &findings_[tag] : nullptr;
}

RowTicks ResultPage::Ticks(size_t errorCount, size_t shortcutCount) const {
    RowTicks ticks;
    ticks.registry.assign(errorCount, true);
    ticks.shortcuts.assign(shortcutCount, true);
    for (int row = 0, rows = list_.ItemCount(); row < rows; ++row) {
        const Finding* f = FindingAtRow(row);
        if (!f) continue;
        std::vector<bool>& side = f->shortcut ? ticks.shortcuts : ticks.registry;
        if (f->index < side.size()) side[f->index] = list_.IsChecked(row);
    }
    return ticks;
}

void ResultPage::SetLabel(const char* name, const std::string& text) {
    store_.SetLabelText(name, text);
    // The window text too, so that what the line says can be read from outside.
    if (CSkinLabel* label = store_.FindLabel(name)) SetWindowTextA(label->hwnd(), text.c_str());
}

void ResultPage::ShowDetails(int row) {
    const Finding* f = FindingAtRow(row);
    SetLabel(TEXT_RESULT_DETAILS, f ? FindingDetails(*f) : std::string("Select an entry to see it in full here."));
}

void ResultPage::ShowCount() {
    int riskyUnticked = 0;
    for (int row = 0, rows = list_.ItemCount(); row < rows; ++row) {
        const Finding* f = FindingAtRow(row);
        if (f && f->level == LEVEL_RISKY && !list_.IsChecked(row)) ++riskyUnticked;
    }
    SetLabel(TEXT_RESULT_COUNT, TickedCountText(list_.CheckedCount(), list_.ItemCount(), riskyUnticked));
}
