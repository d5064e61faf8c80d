// AppSubScreen: restore from an undo file, the add-schedule dialog, the live update, the progress dialog.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include "app/screens/AddScheduleDialog.h"
#include "app/AppFlags.h"
#include "app/screens/SubScreen.h"
#include "app/SupportPage.h"
#include "app/progress/ThreadSummary.h"
#include "platform/DataFolder.h"
#include "platform/LibraryFunction.h"
#include "platform/RepairLock.h"
#include "engine/RegistryLib.h"
#include "skin/SkinDialog.h"
#include "xml/XmlReader.h"

namespace {
constexpr const char RESTORE_CAPTION[] = "Registry Restoration";
constexpr const char LIVE_UPDATE_PROGRAM[] = "ZentharLiveUpdate.exe";
constexpr const char LIVE_UPDATE_CAPTION[] = "Zenthar";
constexpr int LIVE_UPDATE_EXIT_CODE = 18;
constexpr size_t MAX_SHOWN_IMPORT_MESSAGES = 10;

// The platform's file-open dialog for an undo file, starting in the data folder where repairs
// leave them. False when the user cancels.
bool PickUndoFile(HWND owner, std::string& path) {
    char file[MAX_PATH] = "";
    const std::string folder = DataFolder();
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = "Undo files (*.xml)\0*.xml\0All files (*.*)\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrTitle = "Restore from an undo file";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    // The common dialogs' library is loaded here, at the first use, not with the program.
    static const auto open = LibraryFunction<decltype(&GetOpenFileNameA)>("comdlg32.dll", "GetOpenFileNameA");
    if (!open || !open(&ofn)) return false;
    path = file;
    return true;
}
}  // namespace

void AppSubScreen::PressRestore() {
    std::string path;
    if (!PickUndoFile(hwnd(), path)) return;
    RepairLock lock;
    bool busy = false;
    if (!lock.TryAcquire(&busy)) {
        MessageBoxA(hwnd(), RepairLockRefusal(busy).c_str(), RESTORE_CAPTION, MB_OK | MB_ICONSTOP);
        return;
    }
    CRegistryLib engine;
    // The import's own reasons (a refused file, a key that could not be written) are gathered and
    // shown in one box, however many there are.
    std::vector<std::string> messages;
    engine.xmlMessage = [&](const std::string& text) { messages.push_back(text); };
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    XmlReader reader;
    const int restored = engine.LoadXmlFile(reader, path);
    SetCursor(old);
    if (!messages.empty()) {
        std::string text;
        for (size_t i = 0; i < messages.size() && i < MAX_SHOWN_IMPORT_MESSAGES; ++i) text += messages[i] + "\n";
        if (messages.size() > MAX_SHOWN_IMPORT_MESSAGES)
            text += "... and " + std::to_string(messages.size() - MAX_SHOWN_IMPORT_MESSAGES) + " more\n";
        MessageBoxA(hwnd(), text.c_str(), RESTORE_CAPTION, MB_OK | MB_ICONWARNING);
    }
    MessageBoxA(hwnd(), restored ? "Registry Restored Successfully" : "Registry Restoration Failed", RESTORE_CAPTION,
                MB_OK | MB_ICONINFORMATION);
}

void AppSubScreen::PressAddSchedule() {
    RunAddScheduleDialog(hwnd());
    RefillScheduleLists();
}

void AppSubScreen::PressRunUpdate() {
    if (MessageBoxA(hwnd(),
                    "To Run the Live Update,Zenthar must be shut down\n Would you like to close Zenthar, and run live "
                    "update now?",
                    LIVE_UPDATE_CAPTION, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    if (OpenWithShell(hwnd(), LIVE_UPDATE_PROGRAM, nullptr, SW_SHOWNORMAL) <= 32) {
        // Quitting now would leave the user with neither the program nor an update.
        MessageBoxA(hwnd(),
                    "The live update program ZentharLiveUpdate.exe could not be started.\nZenthar stays open.",
                    LIVE_UPDATE_CAPTION, MB_OK | MB_ICONERROR);
        return;
    }
    PostQuitMessage(LIVE_UPDATE_EXIT_CODE);
}

// The progress dialog runs on a thread of its own; this screen keeps a handle of that thread so
// that its destruction can wait for the dialog to end.
void AppSubScreen::PressScan() {
    const CSkinDialog* main = WindowAs<CSkinDialog>(GetParent(hwnd()));
    HANDLE thread = StartSummaryDialog(hwnd(), main ? main->skinFile : std::string(), CategoryFlagsFromToggles(store));
    if (thread) summaryThread.reset(thread);
}

void AppSubScreen::CancelSummary() {
    CancelSummaryDialog();
    summaryThread.reset();
}
