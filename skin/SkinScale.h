// The skin's display scale: the dots per inch the skin is drawn for, the picture sets built into
// the program, and the sizes of the description's 96-dpi rectangles at that scale (no window headers).
#pragma once
#include <vector>

#include "skin/SkinText.h"

// The description's units: one unit is one pixel at this many dots per inch.
constexpr int SKIN_BASE_DPI = 96;
// Scales outside this range are taken as its nearest end (no display runs at them).
constexpr int SKIN_MIN_DPI = 48;
constexpr int SKIN_MAX_DPI = 960;

// The scale every skinned window of the program is drawn at; SKIN_BASE_DPI until the main window
// sets the one of its display. Safe from any thread.
int SkinDpi();
void SetSkinDpi(int dpi);

// `value` description units at `dpi`, rounded half away from zero (as the platform's MulDiv).
int ScaleToDpi(int value, int dpi);
// A font height of the description at `dpi`, its fraction dropped: a text never grows more than the
// rectangle it was fitted into at 96 dpi.
int ScaleFontHeight(int height, int dpi);
// A description rectangle at `dpi`: its corner and its size are scaled each on its own, so that a
// rectangle, the picture drawn for it and the window made at it always agree in size.
SkinRect ScaleSkinRect(const SkinRect& r, int dpi);

// A picture set built into the program: the scale it was drawn at, the resource types of its
// pictures and of its animation, and the folder beside a skin description that holds the same set.
struct SkinPictureSet {
    int dpi;
    const char* pictureType;
    const char* movieType;
    const char* folder;  // "" for the 1x set, which lies beside the description itself
};
// The sets in the order a picture for `dpi` is looked for: the nearest at or above it first (the
// largest when none is), then the larger ones, then the smaller ones down to 1x, so that a skin
// that brings fewer sets is still found and stretched.
std::vector<SkinPictureSet> PictureSetsFor(int dpi);
// The size of a picture of `size` pixels drawn at `fromDpi` when shown at `toDpi`: its size in
// description units first (exact for the sets the generator draws), then at the new scale.
int RescaledSize(int size, int fromDpi, int toDpi);
