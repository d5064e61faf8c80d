// Dialog: the dialog procedure, modal and modeless creation, and the modeless message routing.
#include "framework/Dialog.h"

#include <algorithm>
#include <vector>

#include "framework/ThreadState.h"

namespace {
// Modeless dialogs of the calling thread, for IsDialogMessage in the message loops. Freed when
// the thread's last one is gone (see ThreadState for why not a thread_local).
using ModelessDialogs = std::vector<HWND>;

bool ReturnsValueDirectly(UINT msg) {
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}
}  // namespace

INT_PTR Dialog::DoModal(UINT templateId, HWND parent, HINSTANCE instance) {
    if (hwnd()) return -1;
    modal_ = true;
    return DialogBoxParamA(instance ? instance : ModuleInstance(), MAKEINTRESOURCEA(templateId), parent,
                           &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::DoModalInLanguage(UINT templateId, HWND parent, LANGID language) {
    if (hwnd()) return -1;
    const HINSTANCE module = ModuleInstance();
    HRSRC found = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(templateId), language);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* tmpl = loaded ? LockResource(loaded) : nullptr;
    if (!tmpl) return DoModal(templateId, parent);
    modal_ = true;
    return DialogBoxIndirectParamA(module, static_cast<LPCDLGTEMPLATEA>(tmpl), parent, &Dialog::DialogProc,
                                   reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(UINT templateId, HWND parent, HINSTANCE instance) {
    if (hwnd()) return false;
    modal_ = false;
    HWND h = CreateDialogParamA(instance ? instance : ModuleInstance(), MAKEINTRESOURCEA(templateId), parent,
                                &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
    // A dialog that ended itself while it initialised is gone already (and off the list).
    return h != nullptr && hwnd() == h;
}

void Dialog::EndDialog(INT_PTR result) {
    if (!hwnd()) return;
    if (modal_) ::EndDialog(hwnd(), result);
    else Destroy();
}

bool Dialog::RouteModelessMessage(MSG& msg) {
    // A copy: the dialog that handles the message may end itself or open another one.
    const ModelessDialogs* listed = ThreadState<ModelessDialogs>::peek();
    if (!listed) return false;
    const ModelessDialogs dialogs = *listed;
    for (HWND dialog : dialogs) {
        if (IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) return true;
    }
    return false;
}

BOOL Dialog::OnInitDialog() { return TRUE; }
void Dialog::OnOK() { EndDialog(IDOK); }
void Dialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT Dialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
    {
        const BOOL focus = OnInitDialog();
        SetResult(focus);
        return focus;
    }
    case WM_COMMAND: {
        const UINT id = LOWORD(wp);
        if (OnCommand(id, HIWORD(wp), reinterpret_cast<HWND>(lp))) return 0;
        if (id == IDOK) OnOK();
        else if (id == IDCANCEL) OnCancel();
        else Default();
        return 0;
    }
    case WM_NCDESTROY: {
        if (ModelessDialogs* listed = ThreadState<ModelessDialogs>::peek()) {
            listed->erase(std::remove(listed->begin(), listed->end(), hwnd()), listed->end());
            if (listed->empty()) ThreadState<ModelessDialogs>::release();
        }
        return Window::WindowProc(msg, wp, lp);
    }
    default:
        return Window::WindowProc(msg, wp, lp);
    }
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = FromHandle(hwnd);
    if (!self && msg == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<Dialog*>(lp);
        if (dialog) {
            dialog->Bind(hwnd);
            // Listed from the start, so that WM_NCDESTROY takes it off even when the dialog
            // ends itself in OnInitDialog, before its creation has returned.
            if (!dialog->modal_) ThreadState<ModelessDialogs>::get().push_back(hwnd);
        }
        self = dialog;
    }
    if (!self) return FALSE;
    auto* dialog = static_cast<Dialog*>(self);
    bool defaulted = false;
    LRESULT result = dialog->Route(msg, wp, lp, &defaulted);
    if (defaulted) return FALSE;
    if (ReturnsValueDirectly(msg)) return result;
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}
