// zenthar-cli scan: the scan run on the console, findings and rows on standard output.
#include <cstdio>
#include <cstring>

#include "cli/CliCommon.h"
#include "engine/StopEvent.h"

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
    ConsoleScan scan;
    scan.run(selection);
    for (const auto& err : scan.engine.ErrorList) PrintFinding(*err);
    for (const auto& path : scan.shortcuts.invalidShortcuts) PrintShortcutFinding(path);
    for (const auto& row : scan.results) PrintRow(*row);
    if (scan.wantShortcuts) PrintShortcutRow(scan.shortcuts);
    std::fflush(stdout);
    if (StopRequested()) std::fprintf(stderr, "Scan stopped; the findings above are those made before the stop.\n");
    return scan.engine.ErrorList.empty() && scan.shortcuts.invalidShortcuts.empty() ? 0 : 1;
}
