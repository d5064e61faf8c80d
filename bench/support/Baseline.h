// The lower bound for the scan: the fewest Win32 calls that find the same broken entries.
#pragma once
#include <cstdint>

#include "engine/Records.h"

// Each returns the number of broken entries it found; no records are kept.
int64_t BaselineRegistryScan();
int64_t BaselineShortcutScan();
int64_t BaselineCategory(ScanCategory category);
