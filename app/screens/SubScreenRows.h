// The sub-screens' row arithmetic without windows: which ignore entries the ticked rows name, and
// how the schedule list words a task's most recent run.
#pragma once
#include <ctime>
#include <string>
#include <vector>

struct IgnoredRow {
    std::string path;
    bool ticked = false;
};

// The slots of `entries` (the ignore list as it is now) that the ticked rows name. Row i is the
// n-th row with its path; it names the n-th entry with that path, so a list that is unchanged since
// the rows were filled loses exactly the ticked rows' slots, and one that changed since loses the
// entries the user saw, never a neighbour that took their place. A row whose entry is gone names nothing.
std::vector<int> IgnoreSlotsToDelete(const std::vector<IgnoredRow>& rows, const std::vector<std::string>& entries);

// "Never" for 0, else the local time as "%H:%M:%S %d-%m-%y"; empty when it cannot be converted.
std::string LastRunText(time_t lastRun);
