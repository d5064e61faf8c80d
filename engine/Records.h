// Scan results: error records, summary rows, the category table and the selection flags.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "registry/RegistryError.h"
#include "registry/ValueRecord.h"

// The categories, in the member order of the selection flags.
enum ScanCategory : int {
    COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS, FONTS, STARTUP, SHORTCUTS, UNINSTALL, FILETYPES,
    SCAN_CATEGORY_COUNT
};

// The registry categories in run order (every category but SHORTCUTS).
constexpr ScanCategory REGISTRY_CATEGORIES[] = {COM, COM_SUBS, DRV, HELP, APPPATH, SHARED_TOOLS,
                                                FONTS, STARTUP, UNINSTALL, FILETYPES};


// One summary row per scanned category.
struct CategoryResult {
    std::string title;
    int32_t scannedCount = 0;
    int32_t errorCount = 0;
    int32_t fixedCount = 0;  // negative shows as "Access Denied"
    ScanCategory category = COM;  // rows of different categories may share a title
};

using CategoryResults = std::vector<std::unique_ptr<CategoryResult>>;

// Per-category flags: 0 not selected, other values selected; 2 while running, -1 when done.
// The display reads them from another thread while the scan writes them.
struct ScanSelection {
    std::array<std::atomic<int32_t>, SCAN_CATEGORY_COUNT> flags{};
    std::atomic<int32_t>& operator[](ScanCategory c) { return flags[c]; }
    int32_t get(ScanCategory c) const { return flags[c].load(); }
    void selectAll(int32_t value = 1) { for (auto& f : flags) f = value; }
};

struct CategoryInfo {
    ScanCategory category;
    const char* flagName;      // the word the console accepts
    const char* button;        // toggle button of the MAIN sub-screen
    const char* type;          // RegistryError::type
    const char* action;
    const char* progressText;
    const char* title;
};

// Registry categories in run order, then SHORTCUTS.
extern const CategoryInfo CATEGORY_TABLE[SCAN_CATEGORY_COUNT];
const CategoryInfo& CategoryInfoOf(ScanCategory c);

// Progress notification: the entry just examined, the category's progress text and its counts.
using ScanProgressCallback = void (*)(const char* currentItem, const char* progressText,
                                      int32_t scannedCount, int32_t errorCount);
