// The ticks a repair depth makes, and the findings it leaves where they are: neither removed nor
// put on the ignore list, so that a deeper repair later still finds them.
#pragma once
#include "engine/SafetyLevels.h"
#include "routines/RepairRoutines.h"

class CRegistryLib;
class CShortcut;

// One tick per finding (the ErrorList's, then the broken shortcuts'): ticked when the depth takes
// its level.
RowTicks TicksAtDepth(const CRegistryLib& engine, const CShortcut& shortcuts, RepairDepth depth);

// Blanks the unticked findings for this repair only, as a kept row is blanked, and protects their
// keys from a ticked row above them; the ignore list is left alone. Returns them per level.
LevelCounts LeaveInPlace(CRegistryLib& engine, CShortcut& shortcuts, const RowTicks& ticks);

// The window's repair: a row the user left unticked goes to the ignore list as before, but a row
// unticked only because the depth does not take its level stays where it is, neither removed nor
// ignored, so that a deeper repair later still finds it. Those rows are left in place (as
// LeaveInPlace does) and counted ticked in `ticks`, which keeps them off the ignore list.
LevelCounts LeaveUntickedByDepth(CRegistryLib& engine, CShortcut& shortcuts, RowTicks& ticks, RepairDepth depth);
