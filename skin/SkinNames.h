// The names a screen reader reads for the built-in skin's windows and controls.
#pragma once
#include <windows.h>

#include <string>

// A skinned control draws its picture and never its text, so the words a sighted user reads on the
// picture are kept here and become the control's window text. '&' marks the mnemonic (Alt+letter);
// letters are unique among the controls that can show at the same time (the main window's own
// buttons and one page). A control the table does not know keeps an empty name.
struct SkinControlName {
    const char* section;  // the description section that creates the control
    const char* control;  // the control's name there; for a list its key, for a page its screen name
    const char* name;
};

// The name for `control` of `section`, or "" when the table has none.
std::string SkinControlNameFor(const std::string& section, const std::string& control);
// The row of `control` of `section` in the table, or -1. The table lists each window's controls in
// reading order, which is their Tab order.
int SkinControlRow(const std::string& section, const std::string& control);

// Gives `control` the table's name for it and marks its place in the reading order.
void NameSkinControl(HWND control, const std::string& section, const std::string& name);
// Puts the children of `parent` that the table names in its order, ahead of the others (which
// keep theirs): the order Tab follows and the order controls lie one above the other.
void SortByReadingOrder(HWND parent);

// The section under which the pages' titles are kept (their screen lines' section).
constexpr const char* SKIN_PAGE_SECTION = "SUBMAINSCREENINFO";
