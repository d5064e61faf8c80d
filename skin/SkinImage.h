// Skin pictures: loading (a file beside the skin, else the built-in picture), cutting and drawing.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "framework/GdiOwners.h"

// The built-in picture's resource name for an image path: the text after the last backslash,
// cut before its last ".", upper-cased (a-z only).
std::string SkinResourceName(const std::string& path);

// Decodes picture bytes (GIF, BMP, ...) with the platform's picture loader into a bitmap of our own
// (a 32-bit top-down section; the picture object is released at once). Null when they do not decode.
HBITMAP DecodePictureBytes(const void* data, size_t size);

// A new 32-bit top-down section of width x height holding `source` resized (skin/Resample.h:
// smoothed, or nearest pixel for masks); null when either is empty or GDI fails.
HBITMAP ResizeBitmap(HBITMAP source, int width, int height, bool smooth);

// The path of the picture set folder `setFolder` for picture `path`: "<folder>\<setFolder>\<name>"
// ("" leaves the path as it is).
std::string PictureSetPath(const std::string& path, const char* setFolder);

// Loads picture `path` (the skin folder followed by the image name) into `bitmap` at the skin's
// scale (SkinDpi), replacing what it held, and stores its size. A file of that path wins over the
// built-in pictures: a skin from files takes its sets from the folders beside it, the built-in
// skin from the resource types of its sets (skin/SkinScale.h), the nearest set at or above the
// scale first. A set of another scale is resized once, here, to the skin's scale: smoothed, or to
// the nearest pixel when not `smooth` (a mask). A picture that cannot be read or decoded leaves
// `bitmap` empty and `size` unchanged (no message). Returns whether a picture was loaded.
bool LoadSkinImage(const std::string& path, GdiBitmap& bitmap, SIZE& size, bool smooth = true);
// Starts decoding `paths` (as LoadSkinImage names them) in order on a helper thread, so that the
// thread that builds the windows finds them ready; LoadSkinImage of such a path takes the decoded
// picture, waiting for it when needed. False when no thread could be started (nothing is held).
// Those of `paths` that are also in `masks` are resized as masks (to the nearest pixel), and only a
// LoadSkinImage that asks for a mask takes them.
bool PrefetchSkinImages(const std::vector<std::string>& paths, const std::vector<std::string>& masks = {});
// Waits for the helper and deletes the prefetched pictures nobody took.
void EndSkinImagePrefetch();
// Makes `target` a bitmap for dc (null: the screen; a 32-bit section) holding the pixels of `source`
// inside `rect`. An empty source, or an empty or negative rectangle, leaves target as it was; the
// parts of the rectangle outside the source come out black.
void CutImage(HDC dc, GdiBitmap& target, const GdiBitmap& source, const RECT& rect);
// Copies the top-left part of `bitmap`, of the size of rect, to rect of dc (stretching transfer
// when `stretch`; sizes are equal, so the pixels are the same). Nothing for an empty bitmap or rect.
void DrawSkinImage(HDC dc, const GdiBitmap& bitmap, const RECT& rect, bool stretch);
