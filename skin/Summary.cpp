// Summary: click routing by name, painting and the skin's window messages.
#include "skin/Summary.h"

#include "framework/GdiOwners.h"
#include "skin/SkinImage.h"
#include "skin/SkinMessages.h"

std::atomic<Summary*> Summary::current_{nullptr};

Summary::Summary() {
    current_.store(this);
}

Summary::~Summary() {
    // Only this window's own mark is taken away: a later summary may have replaced it.
    Summary* self = this;
    current_.compare_exchange_strong(self, nullptr);
}

Summary* Summary::Current() { return current_.load(); }

BOOL Summary::OnInitDialog() {
    const BOOL focus = Dialog::OnInitDialog();
    WindowDC dc(hwnd());
    if (dc) {
        SetBkMode(dc.get(), OPAQUE);
        SetBkColor(dc.get(), RGB(255, 255, 255));
    }
    return focus;
}

void Summary::OnOK() { EndDialog(IDOK); }

void Summary::OnCancel() {
    SignalWorkerStop();
    if (workerThread) WaitForSingleObject(workerThread.get(), INFINITE);
    EndDialog(IDCANCEL);
}

void Summary::ButtonPressed(const std::string&) {}

void Summary::ButtonClicked(int index) { ButtonPressed(store.ButtonName(index)); }

void Summary::MouseOverName(const std::string&) {}

void Summary::InvalidateScreenControls() {
    for (auto& b : store.buttons) b->Invalidate(true);
    for (auto& l : store.labels) l->Invalidate(true);
    resultTable.Invalidate(true);
}

void Summary::OnPaint() {
    {
        PaintDC dc(hwnd());
        if (dc.get()) DrawSkinImage(dc.get(), store.normalImage, ClientRect(), true);
    }
    InvalidateScreenControls();
}

LRESULT Summary::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        // The default brush, on a white text background.
        LRESULT brush = DefWindowProcA(hwnd(), msg, wp, lp);
        SetBkColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
        SetResult(brush);
        return brush;
    }
    case WM_DESTROYTREE:
        EndDialog(IDCANCEL);
        SetResult(0);
        return 0;
    case WM_FLASHPLAY:
        flash.Play();
        SetResult(0);
        return 0;
    case WM_FLASHSTOP:
        flash.Stop();
        SetResult(0);
        return 0;
    default:
        return Dialog::OnMessage(msg, wp, lp);
    }
}
