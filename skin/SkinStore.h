// CSkinStore: the buttons, labels and edit boxes of one skinned window and its four state pictures.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "framework/GdiOwners.h"
#include "skin/SkinButton.h"
#include "skin/SkinLabel.h"
#include "skin/SkinList.h"

class CSkinStore {
public:
    CSkinStore() = default;
    CSkinStore(const CSkinStore&) = delete;
    CSkinStore& operator=(const CSkinStore&) = delete;
    ~CSkinStore() { Reset(); }

    // Lookups compare names exactly; the first match wins; an unknown name does nothing.
    void SetButtonCheck(const std::string& name, int state);
    int GetButtonCheck(const std::string& name) const;
    void EnableButton(const std::string& name, bool enable);
    void HideButton(const std::string& name, bool hide);
    void EnableAllButtons(bool enable);
    // Safe from any thread: the text is stored under a lock and the label repainted.
    void SetLabelText(const std::string& name, const std::string& text);
    // The same, but a label that already shows `text` is left alone (no repaint): the scan's
    // progress sets some twenty labels many times a second, and most of them do not change.
    // Returns whether a label was repainted.
    bool UpdateLabelText(const std::string& name, const std::string& text);
    void SetEditText(const std::string& name, const std::string& text);
    std::string GetEditText(const std::string& name) const;
    // Deletes the four pictures and destroys every element.
    void Reset();

    // Loads the four state pictures (normal, hover, pressed, disabled) at the skin's scale from
    // `folder` followed by each name, and keeps the names for Rescale. `size` is the size of the
    // last picture that loaded.
    void LoadPictures(const std::string& folder, const std::string (&names)[4], SIZE& size);
    // Keeps the names for Rescale of pictures a window loaded in an order of its own.
    void KeepPicturePaths(const std::string& folder, const std::string (&names)[4]);
    // Loads anew the state pictures asked for (normal, hover, pressed, disabled), by the kept names.
    void LoadStatePictures(bool normal, bool over, bool down, bool disabled);
    // Cuts every button's four pictures anew from the state pictures, at its rectangle.
    void CutButtonPictures();
    // After the skin's scale changed: the four pictures loaded anew, and every element moved to
    // its description rectangle at the new scale, with its pictures cut anew and its font made
    // anew. Texts, ticks, enabled and shown states stay as they are.
    void Rescale();

    CSkinButton* FindButton(const std::string& name) const;
    CSkinLabel* FindLabel(const std::string& name) const;
    CSkinEdit* FindEdit(const std::string& name) const;
    // The name of the button at `index` of the load order; "" outside the array.
    std::string ButtonName(int index) const;

    // The element loaders: the numbered-section rule over `section` of the description at
    // `path`, children of `parent` at the lines' rectangles, pictures cut from the four state
    // pictures. Each returns the number of elements created.
    int LoadButtons(HWND parent, const std::string& path, const std::string& section);
    int LoadLabels(HWND parent, const std::string& path, const std::string& section);
    int LoadEdits(HWND parent, const std::string& path, const std::string& section);

    std::vector<std::unique_ptr<CSkinButton>> buttons;
    std::vector<std::unique_ptr<CSkinLabel>> labels;
    std::vector<std::unique_ptr<CSkinEdit>> edits;
    GdiBitmap normalImage, overImage, downImage, disabledImage;

private:
    std::string picturePaths_[4];
};

// The list of a screen's list section (its line `key`, "1" for the screen's own list), or null when
// the section has no such line.
std::unique_ptr<CSkinList> CreateSkinList(HWND parent, const std::string& path, const std::string& section,
                                          bool virtualRows = false, const char* key = "1");

// A description rectangle (96-dpi units) at the skin's current scale (SkinDpi).
RECT ToRect(const SkinRect& r);
