// Pixel memory as GDI device-independent bitmap sections, so that GDI can blit into and out of
// a picture (the render target's read-back, the layered window's presentation) while the
// program's own code addresses the same bytes. A program that hands pictures to GDI installs
// it (installPixelStorage) before it makes any, and ImageDc (image_dc.h) moves a picture made
// elsewhere into a section before GDI sees it.
#pragma once

#include <windows.h>

#include "image/image_buffer.h"
#include "image/pixel_storage.h"

class DibSectionStorage final : public PixelStorage {
public:
    // CreateDIBSection on the screen's drawing context; the colour usage is DIB_PAL_COLORS for
    // pictures of 8 bits or fewer (their colours are set by setColorTable), DIB_RGB_COLORS
    // otherwise.
    PixelBlock allocate(const BitmapHeader& header, size_t byteCount) override;
    void deallocate(const PixelBlock& block) override;
    // SetDIBColorTable through a memory drawing context that holds the section.
    void setColorTable(const PixelBlock& block, const RgbQuad* entries, uint32_t count) override;
};

// The one instance; runProgram installs it as the current pixel storage first thing.
DibSectionStorage& dibSectionStorage();

// The DIB section of a picture (null when empty).
inline HBITMAP bitmapHandle(const ImageBuffer& image)
{
    return static_cast<HBITMAP>(image.handle());
}
