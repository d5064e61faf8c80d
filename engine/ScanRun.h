// One scan run on the scan thread: the selected registry categories, then the shortcut scan.
#pragma once
#include <functional>

#include "engine/Records.h"

class CRegistryLib;
class CShortcut;

// Calls onComplete ("Scan Complete") only when the run ended without a stop.
void ScanRun(CRegistryLib& engine, CShortcut& shortcuts, ScanSelection& selection,
             CategoryResults& results, const std::function<void()>& onComplete);
