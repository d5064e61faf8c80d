// The add-schedule dialog: pickers and radios in, one scheduled-scan trigger and one message out.
#include "app/screens/AddScheduleDialog.h"

#include <commctrl.h>

#include "resources/resource.h"

namespace {
const int FREQUENCY_RADIOS[] = {IDC_FREQ_ONCE, IDC_FREQ_DAILY, IDC_FREQ_WEEKLY, IDC_FREQ_MONTHLY};

// The picker's value; an unset or unreadable picker leaves a zeroed time, which the task
// operations refuse (year 0).
SYSTEMTIME pickerTime(HWND picker) {
    SYSTEMTIME t{};
    if (DateTime_GetSystemtime(picker, &t) != GDT_VALID) t = SYSTEMTIME{};
    return t;
}
}  // namespace

UINT AddScheduleMessageFlags(ScheduleOutcome outcome) {
    return MB_OK | (outcome == ScheduleOutcome::Success ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
}

BOOL AddScheduleDialog::OnInitDialog() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    HWND date = GetDlgItem(hwnd(), IDC_START_DATE);
    HWND time = GetDlgItem(hwnd(), IDC_START_TIME);
    DateTime_SetSystemtime(date, GDT_VALID, &now);
    DateTime_SetSystemtime(time, GDT_VALID, &now);
    // The user's own time format, but to the minute: triggers start on a whole minute.
    const std::string format = ScheduleTimePickerFormat();
    if (!format.empty()) SendMessageA(time, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(format.c_str()));
    CheckRadioButton(hwnd(), IDC_FREQ_ONCE, IDC_FREQ_MONTHLY, IDC_FREQ_ONCE);
    return TRUE;
}

void AddScheduleDialog::ReadControls() {
    startDate = pickerTime(GetDlgItem(hwnd(), IDC_START_DATE));
    startTime = pickerTime(GetDlgItem(hwnd(), IDC_START_TIME));
    frequencyIndex = 0;
    for (int i = 0; i < 4; ++i) {
        if (IsDlgButtonChecked(hwnd(), FREQUENCY_RADIOS[i]) == BST_CHECKED) frequencyIndex = i;
    }
}

void AddScheduleDialog::OnOK() {
    ReadControls();
    ScheduledTaskSpec plan = ScheduledTaskSpecForThisProgram();
    SetScheduleFromPickers(plan, startDate, startTime, frequencyIndex);
    outcome = AddScheduledScan(plan, ScheduledTaskName(plan.isNT));
    added = true;
    MessageBoxA(hwnd(), ScheduleOutcomeMessage(outcome), ADD_SCHEDULE_MESSAGE_CAPTION, AddScheduleMessageFlags(outcome));
    EndDialog(IDOK);
}

INT_PTR RunAddScheduleDialog(HWND parent, UiLanguage language) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_DATE_CLASSES};
    InitCommonControlsEx(&classes);
    AddScheduleDialog dialog;
    return dialog.DoModalInLanguage(IDD_ADD_SCHEDULE, parent, ResourceLanguageOf(language));
}
