// zenthar-cli fix: a scan, then the results screen's repair of every finding not kept.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "cli/CliCommon.h"
#include "routines/DepthSelection.h"
#include "routines/RepairRoutines.h"
#include "platform/RepairLock.h"
#include "engine/FindingLevels.h"
#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "engine/RegistryLib.h"

namespace {
struct FixOptions {
    std::string only;
    std::set<std::string> keep;  // filePaths whose rows count as unticked
    RepairDepth depth = DEFAULT_DEPTH;  // findings above it count as unticked, and are not ignored
    bool confirmed = false;
};

bool parseOptions(int argc, char** argv, FixOptions& opt) {
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            opt.only = argv[++i];
        } else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) {
            opt.keep.insert(argv[++i]);
        } else if (std::strcmp(argv[i], "--level") == 0 && i + 1 < argc) {
            if (!ParseDepth(argv[++i], opt.depth)) {
                std::fprintf(stderr, "zenthar-cli fix: unknown level '%s': use safe, normal or deep (see --help)\n", argv[i]);
                return false;
            }
        } else if (std::strcmp(argv[i], "--yes") == 0) {
            opt.confirmed = true;
        } else {
            std::fprintf(stderr, "zenthar-cli fix: unexpected argument '%s' (see --help)\n", argv[i]);
            return false;
        }
    }
    return true;
}

// What the repair takes (`ticks`), what --keep keeps for good (unticked in `ignoreTicks`) and what
// the depth takes (`depthTicks`): a finding the depth leaves out is neither removed nor ignored.
struct FixSelection {
    RowTicks ticks, ignoreTicks, depthTicks;
    LevelCounts taken, beyond;
    size_t selected = 0;
};

FixSelection selectionOf(const CRegistryLib& engine, const CShortcut& shortcuts, const FixOptions& opt) {
    FixSelection s;
    s.depthTicks = TicksAtDepth(engine, shortcuts, opt.depth);
    auto add = [&](bool keep, bool deepEnough, SafetyLevel level, std::vector<bool>& ticks, std::vector<bool>& ignore) {
        ignore.push_back(!keep);
        ticks.push_back(!keep && deepEnough);
        if (keep) return;
        (deepEnough ? s.taken : s.beyond).add(level);
        s.selected += deepEnough;
    };
    for (size_t i = 0; i < engine.ErrorList.size(); ++i)
        add(opt.keep.count(engine.ErrorList[i]->filePath) != 0, s.depthTicks.registry[i],
            JudgementOf(*engine.ErrorList[i]).level, s.ticks.registry, s.ignoreTicks.registry);
    for (size_t i = 0; i < shortcuts.invalidShortcuts.size(); ++i)
        add(opt.keep.count(shortcuts.invalidShortcuts[i]) != 0, s.depthTicks.shortcuts[i],
            ShortcutJudgement(shortcuts, i).level, s.ticks.shortcuts, s.ignoreTicks.shortcuts);
    return s;
}

// Per level, what the repair would take and what the depth leaves, on standard error.
void explainLevels(const FixSelection& s, RepairDepth depth, bool confirmed) {
    for (int l = LEVEL_SAFE; l < SAFETY_LEVEL_COUNT; ++l) {
        const size_t taken = s.taken.n[static_cast<size_t>(l)], beyond = s.beyond.n[static_cast<size_t>(l)];
        if (taken) std::fprintf(stderr, "%s: %u %s\n", LevelWord(static_cast<SafetyLevel>(l)), static_cast<unsigned>(taken),
                                confirmed ? "to remove" : "would be removed");
        if (beyond) std::fprintf(stderr, "%s: %u left in place at level %s\n", LevelWord(static_cast<SafetyLevel>(l)),
                                 static_cast<unsigned>(beyond), DepthKey(depth));
    }
}

void printSelected(const CRegistryLib& engine, const CShortcut& shortcuts, const RowTicks& ticks) {
    for (size_t i = 0; i < engine.ErrorList.size(); ++i)
        if (ticks.registry[i]) PrintFinding(*engine.ErrorList[i]);
    for (size_t i = 0; i < shortcuts.invalidShortcuts.size(); ++i)
        if (ticks.shortcuts[i]) PrintShortcutFinding(shortcuts.invalidShortcuts[i]);
}

// Every entry the repair left in place, and why; the undo file stays then.
void explainLeftInPlace(const CRegistryLib& engine, const std::string& undoFile) {
    const auto& o = engine.repairOutcome;
    if (!engine.undoFileUsable)
        std::fprintf(stderr, "The undo file %s could not be written; entries not recorded in it were left in place.\n",
                     undoFile.c_str());
    if (o.notRecorded)
        std::fprintf(stderr, "%d entries could not be recorded whole in the backup and the undo file; they were left "
                             "in place.\n", static_cast<int>(o.notRecorded));
    if (o.keptInside)
        std::fprintf(stderr, "%d keys were left in place because an entry you kept lies in them.\n",
                     static_cast<int>(o.keptInside));
    if (o.failed)
        std::fprintf(stderr, "%d entries could not be removed; what was removed of them was written back.\n",
                     static_cast<int>(o.failed));
    if (GetFileAttributesA(undoFile.c_str()) != INVALID_FILE_ATTRIBUTES)
        std::fprintf(stderr, "The undo file %s was kept.\n", undoFile.c_str());
}

int explainStop(const RepairReport& report) {
    if (report.undoFile.empty()) {
        std::fputs("Repair stopped before it began; nothing was removed.\n", stderr);
    } else {
        std::fputs("Repair stopped after the registry entries; the shortcut files were left in place.\n", stderr);
    }
    return 1;
}
}  // namespace

int FixCommand(int argc, char** argv) {
    FixOptions opt;
    if (!parseOptions(argc, argv, opt)) return 2;
    ScanSelection selection;
    std::string error;
    if (!ParseCategoryList(opt.only, selection, error)) {
        std::fprintf(stderr, "zenthar-cli fix: %s (see --help)\n", error.c_str());
        return 2;
    }
    // A repair holds the lock from before its scan, so that it never removes what another
    // repair's scan saw, nor the window's repair what this one is about to.
    RepairLock lock;
    bool busy = false;
    if (opt.confirmed && !lock.TryAcquire(&busy)) {
        std::fprintf(stderr, "zenthar-cli fix: %s\n", RepairLockRefusal(busy).c_str());
        return 2;
    }
    ConsoleScan scan;
    scan.run(selection);
    CRegistryLib& engine = scan.engine;
    CShortcut& shortcuts = scan.shortcuts;
    CategoryResults& results = scan.results;
    const bool wantShortcuts = scan.wantShortcuts;
    if (StopRequested()) {
        std::fputs("Scan stopped; nothing was removed.\n", stderr);
        return 1;
    }
    const FixSelection chosen = selectionOf(engine, shortcuts, opt);
    const RowTicks& ticks = chosen.ticks;
    const size_t selected = chosen.selected;
    printSelected(engine, shortcuts, ticks);
    std::fflush(stdout);
    explainLevels(chosen, opt.depth, opt.confirmed);
    if (!opt.confirmed) {
        std::fprintf(stderr, "%u entries would be removed. Nothing was changed; add --yes to remove them.\n",
                     static_cast<unsigned>(selected));
        return selected ? 1 : 0;
    }

    std::vector<std::string> messages;  // shown after the backup's name
    RepairJob job{engine, shortcuts, results, nullptr, {}};
    job.callbacks.message = [&messages](const std::string& text, const std::string&) { messages.push_back(text); };
    LeaveInPlace(engine, shortcuts, chosen.depthTicks);
    const RepairReport report = RepairSelectedEntries(job, chosen.ignoreTicks, true);
    EndConsoleProgress();
    for (const auto& row : results) PrintRow(*row);
    if (wantShortcuts) PrintShortcutRow(shortcuts);
    std::fflush(stdout);
    if (!report.backupFile.empty()) std::fprintf(stderr, "Backup: %s\n", report.backupFile.c_str());
    if (report.logId) std::fprintf(stderr, "Logged as repair %d (see history).\n", report.logId);
    for (const auto& text : messages) std::fprintf(stderr, "%s\n", text.c_str());
    if (!report.Completed() && RemovalRefusedForRights(engine)) SayRefusedForRights("Some removals were");
    if (report.backupFailed) return 2;
    if (report.Completed()) return report.keptNotSaved ? 2 : 0;
    if (!report.undoFile.empty() && !report.registryDone) {
        explainLeftInPlace(engine, report.undoFile);
        return 2;
    }
    return explainStop(report);
}
