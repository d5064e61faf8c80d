// CSkinDialog: the shaped, draggable main window built from the skin description.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "skin/Summary.h"
#include "skin/ShockwaveFlash.h"
#include "skin/SubMainSkin.h"

// Where the main window keeps the text of EDIT_SCAN_PERIOD when a button is clicked (the setting
// `scanminutes`). The settings store installs it; until then the text is not kept anywhere.
using ScanMinutesSaver = void (*)(const std::string& text);
void SetScanMinutesSaver(ScanMinutesSaver saver);

// The timer that fires once the window first waits for input: the hidden sub-screens, OnFirstIdle.
constexpr UINT_PTR TIMER_FIRSTIDLE = 0x5C1;

class CSkinDialog : public Summary {
public:
    CSkinDialog();
    ~CSkinDialog() override;

    // The most recently constructed main window; sub-screens reach the main window through it.
    static CSkinDialog* MainDialog();

    // A click by name; nothing here, the application's main window dispatches.
    void ButtonPressed(const std::string& name) override;
    // Keeps the current sub-screen's EDIT_SCAN_PERIOD text first, then ButtonPressed by name.
    void ButtonClicked(int index) override;
    // The window's outline from the mask picture; messages on failure, the window stays rectangular.
    virtual void ApplyMaskRegion(HBITMAP mask);
    // Loads (or reloads) the main screen from the skin description.
    virtual void LoadSkin();
    // The display's scale changed (the window moved to another monitor): the skin is drawn at
    // `dpi` from now on, the window takes its new size at the top-left corner of `suggested`, and
    // the pictures, the outline, every element, the sub-screens and the animation follow, keeping
    // what they show.
    virtual void OnDpiChanged(int dpi, const RECT& suggested);
    // Keeps the whole window on its monitor: a smaller scale when it is larger than the work area
    // at this one, then moved inside the work area.
    void FitWorkArea();

    // Shows the sub-screen called name and hides the others; an unknown name hides them all and
    // keeps currentScreen.
    void ShowSubScreen(const std::string& name);
    void LoadMainButtons(const std::string& skinPath);
    void LoadMainLabels(const std::string& skinPath);
    void LoadSubScreens(const std::string& skinPath);
    // Builds the sub-screens left for after the first paint (nothing when none are left), and
    // returns every sub-screen in the description's order. Code that looks for a sub-screen goes
    // through here, so it never misses one that was not built yet.
    const std::vector<std::unique_ptr<CSubMainSkin>>& AllScreens();

    CSubMainSkin* currentScreen = nullptr;
    CShockwaveFlash animation;
    std::vector<std::unique_ptr<CSubMainSkin>> screens;

protected:
    // The sub-screen object for a screen line: the application's main window makes its own kinds.
    virtual std::unique_ptr<CSubMainSkin> CreateSubScreen(const SkinScreenLine& line);
    // Registers the skin description under the full skin path; false when there is none.
    virtual bool ObtainSkinDescription(const std::string& skinPath);
    // The sub-screen shown first. When a window names one, only that sub-screen is built with the
    // skin and the hidden ones once the window has painted and first waits for input: a window
    // that shows itself at once (the application's) is on the screen sooner. None here: all are
    // built at once.
    virtual const char* ScreenShownFirst() const { return nullptr; }
    // Called once the skin's window has painted and first waits for input, after the hidden
    // sub-screens are built: work the first picture need not wait for. Nothing here.
    virtual void OnFirstIdle();
    // Called at the end of LoadSkin, before the window first shows: the application may start
    // work here (a scan asked for at start). Nothing here.
    virtual void OnSkinLoaded();

    BOOL OnInitDialog() override;
    void OnPaint() override;
    LRESULT OnEraseBkgnd(HDC dc) override;
    void OnLButtonDown(UINT keys, int x, int y) override;
    void OnTimer(UINT_PTR id) override;
    void OnMouseMove(UINT keys, int x, int y) override;
    void OnDestroy() override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void DestroySubScreens();
    bool CreateScreen(const SkinScreenLine& line, size_t order);
    void StartAnimation();
    // The hover and pressed pictures of the main screen, when LoadSkin left them for later: loaded
    // and cut for every button.
    // With `startAnimation`, also the animation, when LoadSkin left it for later too.
    void TakeLatePictures(bool startAnimation);
    // A sub-screen larger than the others (the result page) lies over controls of the main window
    // (the animation, the scan button): those hide while it shows, and come back with another one.
    void CoverControlsUnder(const CSubMainSkin& shown);
    std::vector<HWND> covered_;

    // Sub-screens of the description not built yet, with their place in it.
    struct PendingScreen {
        size_t order;
        SkinScreenLine line;
    };
    std::vector<PendingScreen> pendingScreens_;
    std::vector<size_t> screenOrder_;  // each built sub-screen's place in the description
    std::string screensPath_, screensFolder_;
    bool firstIdleTimer_ = false;
    bool latePictures_ = false;
    bool animationWanted_ = true;  // as the last WM_FLASHPLAY or WM_FLASHSTOP asked
};
