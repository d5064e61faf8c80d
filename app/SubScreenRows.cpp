// The sub-screens' row arithmetic: ignore entries named by ticked rows, the last-run wording.
#include "app/SubScreenRows.h"

#include <map>

std::vector<int> IgnoreSlotsToDelete(const std::vector<IgnoredRow>& rows, const std::vector<std::string>& entries) {
    std::vector<int> slots;
    std::map<std::string, int> seenInRows;
    for (const IgnoredRow& row : rows) {
        const int occurrence = seenInRows[row.path]++;
        if (!row.ticked) continue;
        int seen = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i] != row.path) continue;
            if (seen++ == occurrence) {
                slots.push_back(static_cast<int>(i));
                break;
            }
        }
    }
    return slots;
}

std::string LastRunText(time_t lastRun) {
    if (lastRun == 0) return "Never";
    std::tm local{};
    const std::tm* converted = localtime(&lastRun);
    if (!converted) return "";
    local = *converted;
    char text[64];
    if (strftime(text, sizeof text, "%H:%M:%S %d-%m-%y", &local) == 0) return "";
    return text;
}
