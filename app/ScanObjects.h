// What a window scans and repairs with: the engine (with its ErrorList and ignore list), the
// shortcut scanner, the category selection and the summary rows. The main window and the progress
// dialog each own one.
#pragma once
#include <memory>

#include "engine/Records.h"
#include "engine/RegistryLib.h"
#include "engine/scanners/Shortcut.h"

struct ScanObjects {
    ScanObjects();
    ScanObjects(const ScanObjects&) = delete;
    ScanObjects& operator=(const ScanObjects&) = delete;

    std::unique_ptr<CRegistryLib> engine;  // loads the ignore list when built
    CShortcut shortcut;
    ScanSelection selection;
    CategoryResults results;
};
