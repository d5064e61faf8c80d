// The window's restore with its Yes/No before a whole-registry backup goes back.
#include "app/RestoreConsent.h"

namespace {
RestoreStatus runWaiting(const RestoreRun& run, RestoreDialogue& dialogue, std::vector<std::string>& messages) {
    HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    messages.clear();
    const RestoreStatus status = run(dialogue, [&messages](const std::string& text) { messages.push_back(text); });
    SetCursor(old);
    return status;
}
}  // namespace

RestoreStatus RestoreAskingForWhole(HWND owner, const char* caption, const RestoreRun& run, RestoreDialogue& dialogue,
                                    std::vector<std::string>& messages) {
    dialogue.confirmWhole = nullptr;
    RestoreStatus status = runWaiting(run, dialogue, messages);
    if (status != RestoreStatus::NotConfirmed) return status;
    // Asked after the first run let the lock go, so that an unanswered box never holds it.
    const std::string question = WholeRegistryWarning(dialogue.file) + "\n\nWrite it back all the same?";
    if (MessageBoxA(owner, question.c_str(), caption, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return status;
    dialogue.confirmWhole = [](const std::string&) { return true; };
    return runWaiting(run, dialogue, messages);
}
