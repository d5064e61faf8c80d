// The result page: the findings in its list (problem, missing file, registry location), the
// selected entry in full, the ticked count, the row menu and the saved report.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "engine/Findings.h"
#include "routines/RepairRoutines.h"

class CSkinList;
class CSkinStore;

// Names of the result page's own elements.
constexpr const char SUBMAIN_RESULT[] = "SUBMAIN_RESULT";
constexpr const char TEXT_RESULT_DETAILS[] = "TEXT_RESULT_DETAILS";
constexpr const char TEXT_RESULT_COUNT[] = "TEXT_RESULT_COUNT";
constexpr const char BUTTON_SAVE_REPORT[] = "BUTTON_SAVE_REPORT";

// The row menu's own items, above Select All and Deselect All.
enum ResultMenuId : UINT {
    ID_RESULT_KEEP = 32790,
    ID_RESULT_REGEDIT,
    ID_RESULT_OPEN_FOLDER,
    ID_RESULT_COPY,
};

// "112 of 118 selected", and ", 6 risky left unticked" when some are.
std::string TickedCountText(int ticked, int total, int riskyUnticked = 0);
// The row as one line for the clipboard: problem, missing file and location, tab-separated.
std::string FindingLine(const Finding& finding);
// The folder nearest to `path` that exists (the path itself when it is one), or "" when no part does.
std::string NearestExistingFolder(const std::string& path);
// The path the registry editor remembers for `key`, given the one it remembers now: the key under
// the root name the editor itself wrote ("My Computer\HKEY_..."); with none yet, the system's own.
std::string RegistryEditorPath(const std::string& key, const std::string& lastKey);
// Sets the key the registry editor opens at next (value LastKey under
// HKCU\Software\Microsoft\Windows\CurrentVersion\Applets\Regedit) and starts it.
// False, with the reason, when either could not be done.
bool OpenInRegistryEditor(const std::string& key, std::string& error);

class ResultPage {
public:
    ResultPage(HWND page, CSkinList& list, CSkinStore& store);
    // The list may outlive the page object by a few messages: it calls nothing here any more.
    ~ResultPage();
    ResultPage(const ResultPage&) = delete;
    ResultPage& operator=(const ResultPage&) = delete;
    // Empties the list, then one ticked row per finding (in the engine's order).
    void Fill(std::vector<Finding> findings);
    // The ticks for the engine's lists, whatever order the rows are shown in. An entry without a
    // row stays ticked, as it was when the list was filled.
    RowTicks Ticks(size_t errorCount, size_t shortcutCount) const;
    const Finding* FindingAtRow(int row) const;
    // Asks where (CSV or HTML, in the save dialog) and writes every finding; says when it could not.
    void SaveReport();

private:
    void ShowDetails(int row);
    void ShowCount();
    void AddRowItems(HMENU popup, int row);
    void RowCommand(UINT id, int row);
    void SetLabel(const char* name, const std::string& text);

    HWND page_;
    CSkinList& list_;
    CSkinStore& store_;
    std::vector<Finding> findings_;  // by the rows' tags
};
