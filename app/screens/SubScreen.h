// AppSubScreen: a sub-screen of the main window with the program's settings, clicks and lists.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "routines/RepairLogFormat.h"
#include "settings/ScanClock.h"
#include "settings/ScheduleMath.h"
#include "settings/ScheduledTask.h"
#include "skin/SubMainSkin.h"

class ResultPage;

// Names of the sub-screens the behaviour depends on.
constexpr const char SUBMAIN_MAIN[] = "SUBMAIN_MAIN";
constexpr const char SUBMAIN_SCHEDULE[] = "SUBMAIN_SCHEDULE";
constexpr const char SUBMAIN_SCHEDULE_DISABLED[] = "SUBMAIN_SCHEDULE_DISABLED";
constexpr const char SUBMAIN_IGNORED[] = "SUBMAIN_IGNORED";
constexpr const char SUBMAIN_ADVANCED[] = "SUBMAIN_ADVANCED";
constexpr const char SUBMAIN_ABOUT[] = "SUBMAIN_ABOUT";
constexpr const char SUBMAIN_HISTORY[] = "SUBMAIN_HISTORY";
// The About page's line that says where the working files are kept.
constexpr const char TEXT_ABOUT_DATAFOLDER[] = "TEXT_ABOUT_DATAFOLDER";
std::string AboutDataFolderText();

class CRegistryLib;

class AppSubScreen : public CSubMainSkin {
public:
    // Loads the automatic-scan clock (every sub-screen does, with the same result each time).
    AppSubScreen();
    ~AppSubScreen() override;

    // The click handler: ignored while a scan runs; otherwise keeps the backup count, then acts by name.
    void ButtonPressed(const std::string& name) override;

    // The ignored list again from "ignore.lst": one unticked row per entry.
    void FillIgnoredList();
    // The schedule list again from the scheduled task: number, description, most recent run.
    void FillScheduleList();
    // The schedule lists of both sub-screens of the schedule pair.
    void RefillScheduleLists();

    bool IsScheduleScreen() const;
    // The result page's findings and row actions; null on every other sub-screen.
    ResultPage* resultPage() const { return resultPage_.get(); }

    // The History page again from the repair log, newest first, nothing picked (the restore
    // disabled); a damaged log's note in a message box.
    void FillHistory();

    // Takes the minutes typed into EDIT_SCAN_PERIOD (when the box loses focus, the page changes,
    // the program ends): 1 to 44,640 are kept and, with "Scan every" chosen, applied; anything
    // else puts the last accepted value back and says so beside the box.
    void CommitScanMinutes();
    // The clock's lines of the schedule pair: when the next automatic scan runs (or that they are
    // off) and what the last one found.
    void ShowClockTexts();
    // The same on every schedule screen built so far.
    void ShowAllClockTexts();
    // Makes the clock follow the choice this (enabled) schedule screen shows, as when scanning is
    // switched on: the schedule starts anew from now.
    void ApplyScheduleFromButtons();

protected:
    // Building steps 3.1 to 3.5: the settings into the buttons, BUTTON_ALL, the scan at start.
    void OnButtonsAndLabelsLoaded() override;
    // Step 4: the backup count and the scan period into their edit boxes.
    void OnEditBoxesLoaded() override;
    // Step 5: the ignored list filled at once; the schedule list shows the existing triggers.
    void OnListLoaded() override;
    // The History page's second list follows the page to a new display scale too.
    void Rescale() override;
    // The ignored list: a list of a hundred thousand lines opens and trims in well under a second.
    bool WantsVirtualListRows() const override;
    void OnDestroy() override;
    // The minutes box's loss of focus.
    bool OnCommand(UINT id, UINT code, HWND control) override;
    // The History page's pick of a repair.
    bool OnNotify(NMHDR& header, LRESULT& result) override;

private:
    void LoadScheduleButtons();
    void LoadButtonFlag(const char* keyPath, const char* valueName, const char* buttonName);
    void LoadEditText(const char* valueName, const char* editName);
    void ToggleButton(const std::string& name);
    void PressAll();
    void PressStartup();
    void PressAutoscanEnable();
    void PressAboutExit();
    void PressIgnoredDelete();
    // The entries of `engine`'s ignore list as the ignored list's rows, unticked.
    void ShowIgnoredEntries(const CRegistryLib& engine);
    void PressIgnoredSelectAll();
    void PressRestore();
    // The History page: the entries and the restore button of the picked repair, and its restore.
    void ShowHistoryRepair(int row);
    void PressHistoryRestore();
    void SetHistoryNote(const std::string& text);
    void PressAddSchedule();
    void PressDeleteSchedule();
    void PressRunUpdate();
    void PressScan();
    // The progress dialog's thread this sub-screen started: closed and waited for before the controls go.
    void CancelSummary();
    // Validates the box (puts back the accepted value or the normal form of the typed one) and
    // returns true when the accepted minutes changed.
    bool TakeTypedMinutes();
    // The minutes the box starts with, made acceptable (a value refused today came from elsewhere).
    void AcceptLoadedMinutes();
    ScheduleChoice ShownChoice();
    // The five schedule radios as the screen shows them, and set to `radios`.
    ScheduleRadios ScheduleRadiosShown();
    void ShowScheduleRadios(const ScheduleRadios& radios);
    // Runs once before the window goes: the clock saved, the schedule list deleted.
    void SaveAndReleaseOnce();

    // The triggers the schedule list's rows show, row by row (a delete names the one the user saw).
    std::vector<TASK_TRIGGER> scheduleTriggers;
    // The History page's second list (the picked repair's entries) and the repairs its first list
    // shows, row by row (newest first).
    std::unique_ptr<CSkinList> entryList;
    std::vector<RepairRecord> historyRows;
    int pickedHistoryRow = -1;
    bool released = false;
    // The last minutes the box accepted, as text ("4" until loaded).
    std::string acceptedMinutes_ = "4";
    std::unique_ptr<ResultPage> resultPage_;
};

// The result page of a sub-screen, or null when it is another one (or none).
ResultPage* ResultPageOf(CSubMainSkin* screen);
