// The add-schedule dialog (template 139): start date, start time and frequency of a scheduled
// scan, added to this user's task in the Task Scheduler on OK.
#pragma once
#include <windows.h>

#include "framework/Dialog.h"
#include "settings/ScheduledTaskAdd.h"
#include "settings/UiLanguage.h"

class AddScheduleDialog : public Dialog {
public:
    // Read back from the controls on OK.
    SYSTEMTIME startDate{};
    SYSTEMTIME startTime{};
    int frequencyIndex = 0;  // 0 once, 1 daily, 2 weekly, 3 monthly
    // What OK did; `added` is false until OK ran.
    bool added = false;
    ScheduleOutcome outcome = ScheduleOutcome::Failed;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void ReadControls();
};

// Runs the dialog modally over `parent`, from the program's template in `language` (by default the
// user's interface language: German or English); returns IDOK, IDCANCEL, or -1 when the dialog
// cannot be made.
INT_PTR RunAddScheduleDialog(HWND parent, UiLanguage language = CurrentUiLanguage());

// Caption and icon of the message box that reports an outcome.
constexpr const char* ADD_SCHEDULE_MESSAGE_CAPTION = "Zenthar";
UINT AddScheduleMessageFlags(ScheduleOutcome outcome);
