// The result list of the main window: filled from the engine's lists, and the
// ticks read back for a repair.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "engine/Records.h"
#include "routines/RepairRoutines.h"

class CSkinList;

// Sets the text of one cell (column 0 is the row's own text).
void SetListCell(HWND list, int row, int column, const std::string& text);
std::string ListCell(HWND list, int row, int column);
void DeleteAllRows(HWND list);

// Empties the list, then one ticked row per record (Delete empty, Type, FileName) and one per
// broken shortcut (Type "SHORTCUT"). Returns the number of registry rows.
size_t FillResultList(CSkinList& list, const ErrorArray& errors, const std::vector<std::string>& shortcuts);

// The ticks of the rows for the engine's lists: the first `registryRows` rows are the records,
// the rest the shortcuts. A list shorter than the engine's lists leaves the rest ticked.
RowTicks TicksOf(const CSkinList& list, size_t registryRows, size_t errorCount, size_t shortcutCount);
