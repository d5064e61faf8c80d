// The scan run shared by the windows and the console.
#include "engine/ScanRun.h"

#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "engine/RegistryLib.h"

void ScanRun(CRegistryLib& engine, CShortcut& shortcuts, ScanSelection& selection,
             CategoryResults& results, const std::function<void()>& onComplete) {
    results.clear();
    shortcuts.ClearInvalidShortcuts();
    if (StopRequested()) return;
    engine.RunSelectedScans(results, selection);
    if (StopRequested()) return;
    if (selection.get(SHORTCUTS) != 0) {
        selection[SHORTCUTS] = 2;
        shortcuts.ScanAllDrives();
        selection[SHORTCUTS] = -1;
    }
    if (!StopRequested() && onComplete) onComplete();
}
