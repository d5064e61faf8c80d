// zenthar-cli scan: the scan run on the console, findings and rows on standard output.
#include <cstdio>
#include <cstring>

#include "cli/CliCommon.h"
#include "engine/ScanRun.h"
#include "engine/StopEvent.h"
#include "engine/scanners/Shortcut.h"
#include "registry/RegistryLib.h"

int ScanCommand(int argc, char** argv) {
    std::string only;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::fprintf(stderr, "zenthar-cli scan: unexpected argument '%s' (see --help)\n", argv[i]);
            return 2;
        }
    }
    ScanSelection selection;
    std::string error;
    if (!ParseCategoryList(only, selection, error)) {
        std::fprintf(stderr, "zenthar-cli scan: %s (see --help)\n", error.c_str());
        return 2;
    }
    InstallStopOnCtrlC();
    ResetStop();
    CRegistryLib engine;
    CShortcut shortcuts(&engine);
    engine.progressCallback = ConsoleProgress;
    shortcuts.progressCallback = ConsoleProgress;
    CategoryResults results;
    const bool wantShortcuts = selection.get(SHORTCUTS) != 0;
    ScanRun(engine, shortcuts, selection, results, nullptr);
    EndConsoleProgress();

    for (const auto& err : engine.ErrorList) PrintFinding(*err);
    for (const auto& path : shortcuts.invalidShortcuts) PrintShortcutFinding(path);
    for (const auto& row : results) PrintRow(*row);
    if (wantShortcuts) PrintShortcutRow(shortcuts);
    std::fflush(stdout);
    if (StopRequested()) std::fprintf(stderr, "Scan stopped; the findings above are those made before the stop.\n");
    return engine.ErrorList.empty() && shortcuts.invalidShortcuts.empty() ? 0 : 1;
}
