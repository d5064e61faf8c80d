// CMainApp: the command line, the setting `autoscan`, and the modal main window.
#include "app/MainApp.h"

#include <windows.h>
#include <commctrl.h>

#include "app/AppFlags.h"
#include "app/main/MainDialog.h"
#include "app/SingleInstance.h"
#include "platform/DataFolder.h"
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

bool CMainApp::StartsInTray(const std::string& arguments, int showCommand) {
    const size_t begin = arguments.find_first_not_of(" \t");
    const size_t end = arguments.find_last_not_of(" \t");
    const std::string word = begin == std::string::npos ? "" : arguments.substr(begin, end - begin + 1);
    if (word.size() == 5 && lstrcmpiA(word.c_str(), "/tray") == 0) return true;
    return showCommand == SW_SHOWMINIMIZED || showCommand == SW_MINIMIZE || showCommand == SW_SHOWMINNOACTIVE ||
           showCommand == SW_FORCEMINIMIZE;
}

int CMainApp::StartupShowCommand() {
    STARTUPINFOA info{};
    info.cb = sizeof info;
    GetStartupInfoA(&info);
    return (info.dwFlags & STARTF_USESHOWWINDOW) ? info.wShowWindow : -1;
}

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
    // Nothing is scanned or removed with working files that could land in a look-alike folder.
    const std::string refusal = DataFolderRefusal();
    if (!refusal.empty()) {
        MessageBoxA(nullptr, ("Zenthar cannot start: " + refusal + ".").c_str(), "Zenthar", MB_OK | MB_ICONSTOP);
        return false;
    }
    scanAtStart = IsScanCommand(ArgumentsOf(GetCommandLineA())) || ScanAtStartSetting() ? 1 : 0;
    CMainDialog dialog;
    dialog.startInTray = StartsInTray(ArgumentsOf(GetCommandLineA()), StartupShowCommand());
    dialog.DoModal(IDD_SUMMARY, nullptr);
    return false;
}
