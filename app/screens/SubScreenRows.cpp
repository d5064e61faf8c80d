// The sub-screens' row arithmetic: ignore entries named by ticked rows, the last-run wording.
#include "app/screens/SubScreenRows.h"

#include <algorithm>
#include <unordered_map>

std::vector<int> IgnoreSlotsToDelete(const std::vector<IgnoredRow>& rows, const std::vector<std::string>& entries) {
    // The list as it was filled: every ticked row names its own slot.
    if (rows.size() == entries.size() &&
        std::equal(rows.begin(), rows.end(), entries.begin(), [](const IgnoredRow& r, const std::string& e) { return r.path == e; })) {
        std::vector<int> slots;
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].ticked) slots.push_back(static_cast<int>(i));
        return slots;
    }
    // Each path's slots in order, and how many rows with that path came so far: one pass each, so
    // that a list of a hundred thousand lines costs no more than reading it.
    struct Path {
        std::vector<int> slots;
        size_t rowsSeen = 0;
    };
    std::unordered_map<std::string, Path> paths;
    for (const IgnoredRow& row : rows)
        if (row.ticked) paths.emplace(row.path, Path{});
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto found = paths.find(entries[i]);
        if (found != paths.end()) found->second.slots.push_back(static_cast<int>(i));
    }
    std::vector<int> slots;
    for (const IgnoredRow& row : rows) {
        const auto found = paths.find(row.path);
        if (found == paths.end()) continue;  // no ticked row has this path
        const size_t occurrence = found->second.rowsSeen++;
        if (row.ticked && occurrence < found->second.slots.size()) slots.push_back(found->second.slots[occurrence]);
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
