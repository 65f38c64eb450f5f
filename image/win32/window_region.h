// WindowRegion and buildColorKeyRegion: a picture's colour-key rectangles (color_key_rects.h)
// made into a GDI region, for a window cut to the shape of the glasses where layered windows
// are missing.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/win32/gdi_handles.h"
#include "image/color_key_rects.h"

class ImageBuffer;

// Owns one region handle and deletes it, unless it was detached: SetWindowRgn takes over the
// region it accepts.
using WindowRegion = GdiObject<HRGN>;

// Makes the region of all pixels of a 24- or 32-bit picture whose colour differs from key
// (0x00RRGGBB) in one ExtCreateRegion call and attaches it to region. False, region unchanged,
// when the work block or the region can't be had. The overload with scratch reuses its block
// from call to call.
bool buildColorKeyRegion(const ImageBuffer& image, WindowRegion& region, uint32_t key);
bool buildColorKeyRegion(const ImageBuffer& image, WindowRegion& region, uint32_t key,
                         ColorKeyRects& scratch);
