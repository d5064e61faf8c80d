// Summary: the skinned dialog at the root of every top-level window (progress dialog, main window):
// its screen's elements and pictures, its animation, click routing by name. What a window scans
// with is the application's own.
#pragma once
#include <windows.h>

#include <atomic>
#include <string>

#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "skin/ShockwaveFlash.h"
#include "skin/SkinButtonOwner.h"
#include "skin/SkinStore.h"

// Dialog template of every Summary window: a pop-up dialog without frame or caption.
constexpr UINT IDD_SUMMARY = 134;

class Summary : public Dialog, public SkinButtonOwner {
public:
    Summary();
    ~Summary() override;

    // The window that code on other threads or in other windows reaches the summary through: set
    // by the constructor, cleared by the destructor of the same window.
    static Summary* Current();

    // Virtual operations, in the order the derived windows rely on.
    BOOL OnInitDialog() override;
    void OnOK() override;      // destroys the window
    void OnCancel() override;  // stops the worker, waits for it, destroys the window
    // Asks this window's worker to stop; nothing here: the application knows how its workers stop.
    virtual void SignalWorkerStop() {}
    // The click handler by skin name; the progress dialog's dispatcher is added by its window.
    virtual void ButtonPressed(const std::string& name);
    // A skinned button with this index was released under the mouse.
    void ButtonClicked(int index) override;
    virtual void MouseOverName(const std::string& name);

    CSkinStore store;                    // the current screen's elements and four pictures
    CShockwaveFlash flash;  // the progress screen's animation
    Window resultTable;     // the progress screen's report list, when it has one
    std::string skinFile;
    OwnedHandle workerThread;
    DWORD workerThreadId = 0;
    unsigned char busy = 0;  // a scan or repair of this window runs until its completion is handled

protected:
    void OnPaint() override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // The screen's controls and the result table repaint themselves over a new background.
    void InvalidateScreenControls();

private:
    static std::atomic<Summary*> current_;
};
