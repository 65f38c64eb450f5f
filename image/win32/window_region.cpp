// Colour-key regions: the rectangle block gets its RGNDATAHEADER in the two slots reserved for
// it and goes to ExtCreateRegion as it is.
#include "image/win32/window_region.h"

#include <cstring>

#include "image/image_buffer.h"

static_assert(sizeof(RegionRect) == sizeof(RECT));
static_assert(sizeof(RGNDATAHEADER) == ColorKeyRects::kHeaderSlots * sizeof(RegionRect));

bool buildColorKeyRegion(const ImageBuffer& image, WindowRegion& region, uint32_t key)
{
    ColorKeyRects scratch;
    return buildColorKeyRegion(image, region, key, scratch);
}

bool buildColorKeyRegion(const ImageBuffer& image, WindowRegion& region, uint32_t key, ColorKeyRects& scratch)
{
    if (!scratch.build(image, key))
        return false;
    const size_t count = scratch.count();
    const size_t bytes = scratch.blockBytes();  // (count + 2) x 16
    if (count > MAXDWORD / sizeof(RECT) - ColorKeyRects::kHeaderSlots)
        return false;
    RGNDATAHEADER header{};
    header.dwSize = sizeof(RGNDATAHEADER);
    header.iType = RDH_RECTANGLES;
    header.nCount = static_cast<DWORD>(count);
    header.nRgnSize = static_cast<DWORD>(bytes);
    const RegionRect& bounds = scratch.bounds();
    header.rcBound = RECT{bounds.left, bounds.top, bounds.right, bounds.bottom};
    std::memcpy(static_cast<void*>(scratch.block()), &header, sizeof header);
    const auto* data = reinterpret_cast<const RGNDATA*>(scratch.block());
    HRGN made = ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), data);
    if (!made)
        return false;
    region.attach(made);
    return true;
}
