// CMainApp: the command line, the setting `autoscan`, and the modal main window.
#include "app/MainApp.h"

#include <windows.h>
#include <commctrl.h>

#include "app/AppFlags.h"
#include "app/MainDialog.h"
#include "app/SingleInstance.h"
#include "settings/SettingsStore.h"

std::string CMainApp::ArgumentsOf(const std::string& full) {
    size_t i = 0;
    if (!full.empty() && full[0] == '"') {
        // A quoted name ends at its closing quote, whatever follows it.
        const size_t close = full.find('"', 1);
        if (close == std::string::npos) return "";
        i = close + 1;
    } else {
        while (i < full.size() && full[i] != ' ' && full[i] != '\t') ++i;
    }
    if (i < full.size() && (full[i] == ' ' || full[i] == '\t')) ++i;  // the one separator
    return full.substr(i);
}

bool CMainApp::IsScanCommand(const std::string& arguments) { return arguments == "scan"; }

bool CMainApp::InitInstance() {
    // The controls the windows host (the list views of the sub-screens among them).
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    // One running copy: a later start hands its arguments to the running window and ends.
    InstanceClaim instance;
    if (!instance.first()) {
        if (!instance.HandOver(ArgumentsOf(GetCommandLineA())) && !instance.first())
            MessageBoxA(nullptr, "Zenthar is already running, but its window does not answer.", "Zenthar",
                        MB_OK | MB_ICONSTOP);
        if (!instance.first()) return false;
    }
    scanAtStart = IsScanCommand(ArgumentsOf(GetCommandLineA())) || ScanAtStartSetting() ? 1 : 0;
    CMainDialog dialog;
    dialog.DoModal(IDD_SUMMARY, nullptr);
    return false;
}
