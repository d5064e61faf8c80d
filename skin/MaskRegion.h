// The window outline cut from a mask picture: every pixel outside the transparent colour range.
#pragma once
#include <windows.h>

// Builds the region of all pixels of `mask` whose colour lies outside [colour, colour + tolerance]
// (per component, capped at 255), as one-pixel-high runs in the mask's coordinates. Null when there
// is no mask or a GDI object cannot be made; an all-transparent mask gives an empty region. The
// caller owns the region.
HRGN CreateRegionFromMask(HBITMAP mask, COLORREF colour, COLORREF tolerance);

// Rectangles handed to the system per partial region; the partial regions are joined by union.
constexpr int MASK_REGION_BATCH = 2000;
