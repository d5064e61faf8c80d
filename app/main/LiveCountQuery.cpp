// The live counts of our owners, by kind, for WM_MAIN_LIVECOUNT.
#include "app/main/LiveCountQuery.h"

#include "framework/ComPtr.h"
#include "framework/GdiOwners.h"
#include "framework/Handles.h"

long LiveCountOf(LiveKind kind) {
    switch (kind) {
    case LiveKind::Bitmaps: return GdiBitmap::live();
    case LiveKind::Fonts: return GdiFont::live();
    case LiveKind::Regions: return GdiRegion::live();
    case LiveKind::Brushes: return GdiBrush::live();
    case LiveKind::MemoryDcs: return MemoryDC::live();
    case LiveKind::WindowDcs: return WindowDC::live();
    case LiveKind::PaintDcs: return PaintDC::live();
    case LiveKind::Selections: return SelectGuard::live();
    case LiveKind::Handles: return OwnedHandle::live();
    case LiveKind::Menus: return OwnedMenu::live();
    case LiveKind::ComPointers: return ComPtr<IUnknown>::live();
    default: return -1;
    }
}
