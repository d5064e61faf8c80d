// The question another process (the benchmark, a test) asks the main window for the live counts of
// our owners: Wine answers 0 for a process's GDI objects and handles, so only our own counts tell
// whether repeated scans leave objects behind.
#pragma once
#include <windows.h>

// Sent to the main window with one of the kinds below as wParam; the answer is that owner type's
// live count, or -1 for an unknown kind.
constexpr UINT WM_MAIN_LIVECOUNT = WM_APP + 0x1A;

enum class LiveKind : WPARAM {
    Bitmaps = 0,
    Fonts,
    Regions,
    Brushes,
    MemoryDcs,
    WindowDcs,
    PaintDcs,
    Selections,
    Handles,  // kernel handles (OwnedHandle)
    Menus,
    ComPointers,
    Count
};

// The live count of one kind in this process.
long LiveCountOf(LiveKind kind);
