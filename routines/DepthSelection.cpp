// The ticks of a repair depth and the findings it leaves in place.
#include "routines/DepthSelection.h"

#include "engine/FindingLevels.h"
#include "engine/PathCleanup.h"
#include "engine/RegistryLib.h"
#include "engine/scanners/Shortcut.h"

RowTicks TicksAtDepth(const CRegistryLib& engine, const CShortcut& shortcuts, RepairDepth depth) {
    RowTicks ticks;
    for (const auto& err : engine.ErrorList) ticks.registry.push_back(!err || TakenAtDepth(JudgementOf(*err).level, depth));
    for (size_t i = 0; i < shortcuts.invalidShortcuts.size(); ++i)
        ticks.shortcuts.push_back(TakenAtDepth(ShortcutJudgement(shortcuts, i).level, depth));
    return ticks;
}

LevelCounts LeaveInPlace(CRegistryLib& engine, CShortcut& shortcuts, const RowTicks& ticks) {
    LevelCounts left;
    for (size_t row = 0; row < engine.ErrorList.size() && row < ticks.registry.size(); ++row) {
        auto& rec = engine.ErrorList[row];
        if (!rec || ticks.registry[row] || rec->keyPath.empty()) continue;
        left.add(JudgementOf(*rec).level);
        // A ticked row that names the same key or one above it must not take this one with it.
        engine.keptKeyPaths.push_back(AsciiLower(rec->keyPath));
        rec->keyPath.clear();  // names no root: the backup and the repair pass it by
    }
    for (size_t row = 0; row < shortcuts.invalidShortcuts.size() && row < ticks.shortcuts.size(); ++row) {
        if (ticks.shortcuts[row] || shortcuts.invalidShortcuts[row].empty()) continue;
        left.add(ShortcutJudgement(shortcuts, row).level);
        shortcuts.invalidShortcuts[row].clear();
    }
    return left;
}

LevelCounts LeaveUntickedByDepth(CRegistryLib& engine, CShortcut& shortcuts, RowTicks& ticks, RepairDepth depth) {
    RowTicks stays;  // false: unticked, and its level beyond the depth
    for (size_t row = 0; row < engine.ErrorList.size(); ++row) {
        const auto& err = engine.ErrorList[row];
        stays.registry.push_back(!err || ticks.Registry(row) || TakenAtDepth(JudgementOf(*err).level, depth));
    }
    for (size_t row = 0; row < shortcuts.invalidShortcuts.size(); ++row)
        stays.shortcuts.push_back(ticks.Shortcut(row) || TakenAtDepth(ShortcutJudgement(shortcuts, row).level, depth));
    const LevelCounts left = LeaveInPlace(engine, shortcuts, stays);
    // Blanked, they are passed by the backup and the repair; ticked, they stay off the ignore list.
    auto tick = [](std::vector<bool>& marks, size_t row) {
        if (row < marks.size()) marks[row] = true;
    };
    for (size_t row = 0; row < stays.registry.size(); ++row)
        if (!stays.registry[row]) tick(ticks.registry, row);
    for (size_t row = 0; row < stays.shortcuts.size(); ++row)
        if (!stays.shortcuts[row]) tick(ticks.shortcuts, row);
    return left;
}
