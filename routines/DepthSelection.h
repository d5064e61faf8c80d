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
