// Resizing 32-bit pixel rows: smoothing for pictures, nearest pixel for masks (no window headers).
#pragma once
#include <cstdint>

// Fills `target` (targetWidth x targetHeight, rows packed top first) from `source` (sourceWidth x
// sourceHeight). Smooth: each channel is the area average of the source pixels a target pixel
// covers when shrinking, and a bilinear blend of its four nearest when growing. Not smooth: every
// target pixel takes the source pixel under its centre, so a two-colour mask keeps two colours.
// Nothing happens when a size is not positive.
void ResamplePixels(const uint32_t* source, int sourceWidth, int sourceHeight, uint32_t* target, int targetWidth,
                    int targetHeight, bool smooth);
