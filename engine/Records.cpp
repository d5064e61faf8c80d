// The category table.
#include "engine/Records.h"

const CategoryInfo CATEGORY_TABLE[SCAN_CATEGORY_COUNT] = {
    {COM, "COM", "BUTTON_COM", "CLSID", "KEY", "Scanning CLSID", "Invalid CLSID"},
    {COM_SUBS, "COM_SUBS", "BUTTON_COM_SUBS", "SharedFile", "VAL", "Scanning Shared Files", "Corrupt Shared Files"},
    {DRV, "DRV", "BUTTON_DRV", "VxD", "VAL", "Scanning VXD", "Invalid Drivers"},
    {HELP, "HELP", "BUTTON_HELP", "Help", "VAL", "Scanning Help Files", "Corrupt Help Files"},
    {APPPATH, "APPPATH", "BUTTON_APPPATH", "APPPath", "KEY", "Scanning App Paths", "Invalid App Paths"},
    {SHARED_TOOLS, "SHARED_TOOLS", "BUTTON_SHARED_TOOLS", "SharedTools", "KEY", "Scanning Shared Tools", "Invalid Shared Tools"},
    {FONTS, "FONTS", "BUTTON_FONTS", "font", "VAL", "Scanning Fonts", "Corrupt Fonts"},
    {STARTUP, "STARTUP", "BUTTON_STARTUP", "Startup", "VAL", "Scanning Startup Items", "Invalid Startup Items"},
    {UNINSTALL, "UNINSTALL", "BUTTON_UNINSTALL", "Uninstall", "VAL", "Scanning Uninstall Items", "Invalid Uninstall Items"},
    {FILETYPES, "FILETYPES", "BUTTON_FILETYPES", "FileType", "KEY", "Scanning File Types", "Invalid File Types"},
    {SHORTCUTS, "SHORTCUTS", "BUTTON_SHORTCUTS", "", "", "Scanning ShortCuts", "Missing ShortCuts"},
};

const CategoryInfo& CategoryInfoOf(ScanCategory c) {
    for (const auto& row : CATEGORY_TABLE)
        if (row.category == c) return row;
    return CATEGORY_TABLE[0];
}
