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

// Loads picture `path` (the skin folder followed by the image name) into `bitmap`, replacing what
// it held, and stores its size. A file of that path wins over the built-in picture of type "GIF".
// A picture that cannot be read or decoded leaves `bitmap` empty and `size` unchanged (no
// message). Returns whether a picture was loaded.
bool LoadSkinImage(const std::string& path, GdiBitmap& bitmap, SIZE& size);
// Starts decoding `paths` (as LoadSkinImage names them) in order on a helper thread, so that the
// thread that builds the windows finds them ready; LoadSkinImage of such a path takes the decoded
// picture, waiting for it when needed. False when no thread could be started (nothing is held).
bool PrefetchSkinImages(const std::vector<std::string>& paths);
// Waits for the helper and deletes the prefetched pictures nobody took.
void EndSkinImagePrefetch();
// Makes `target` a bitmap for dc (null: the screen; a 32-bit section) holding the pixels of `source`
// inside `rect`. An empty source, or an empty or negative rectangle, leaves target as it was; the
// parts of the rectangle outside the source come out black.
void CutImage(HDC dc, GdiBitmap& target, const GdiBitmap& source, const RECT& rect);
// Copies the top-left part of `bitmap`, of the size of rect, to rect of dc (stretching transfer
// when `stretch`; sizes are equal, so the pixels are the same). Nothing for an empty bitmap or rect.
void DrawSkinImage(HDC dc, const GdiBitmap& bitmap, const RECT& rect, bool stretch);
