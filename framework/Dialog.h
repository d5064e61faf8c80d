// Dialog: modal and modeless dialogs from resource templates, bound to a Window object.
#pragma once
#include "framework/Window.h"

// The dialog object itself is the lParam of the dialog's creation, so a dialog's inputs and
// results are members of the derived class: set them before DoModal, read them afterwards.
class Dialog : public Window {
public:
    // Runs the dialog modally; returns the value given to EndDialog, or -1 if the template cannot
    // be loaded. `instance` null means the program's own module.
    INT_PTR DoModal(UINT templateId, HWND parent, HINSTANCE instance = nullptr);
    // Runs the dialog modally from the template of `language` among the module's resources; a
    // template missing in that language is taken as the system would choose it.
    INT_PTR DoModalInLanguage(UINT templateId, HWND parent, LANGID language);
    // Creates the dialog without a modal loop; the message loops of Application and UiThread
    // give it keyboard navigation.
    bool CreateModeless(UINT templateId, HWND parent, HINSTANCE instance = nullptr);
    // Ends a modal dialog with `result`; destroys a modeless one.
    void EndDialog(INT_PTR result);
    bool IsModal() const { return modal_; }

    // For message loops: true when msg belongs to a modeless dialog of this thread and was handled.
    static bool RouteModelessMessage(MSG& msg);

protected:
    // WM_INITDIALOG; return TRUE to let the system set the focus.
    virtual BOOL OnInitDialog();
    // IDOK / IDCANCEL commands not handled by OnCommand: end the dialog with that code.
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // The dialog manager does the default processing when the procedure answers FALSE.
    LRESULT DefaultProc(UINT, WPARAM, LPARAM) override { return 0; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool modal_ = false;
};
