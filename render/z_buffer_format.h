// The choice of the depth-buffer format for the off-screen render target. The device lists the
// depth formats it can use; the rule prefers the first 16-bit one and otherwise takes the last
// one as deep as the colour format. If the render target's colour depth finds nothing, the
// desktop's depth is tried once more. Portable so that the rule can be tested on made-up device
// lists; the Windows layer feeds it the formats that EnumZBufferFormats offers.
#pragma once

#include <cstdint>
#include <functional>

#include "render/dd_pixel_format.h"

// The enumeration callback. context holds, on entry to the enumeration, the render target's
// colour format, whose bit count is the depth wanted. An offered format as deep as that, or 16
// bits deep, is copied whole over context. Returns kEnumCancel after taking a 16-bit format
// (or when offered or context is null), kEnumOk otherwise, so that a later acceptable format
// replaces one of another depth.
int32_t selectZBufferFormat(const DdPixelFormat* offered, DdPixelFormat* context);

// Runs one enumeration of the device's depth formats with selectZBufferFormat and the given
// context; supplied by the caller (the device layer, or a test's list).
using ZBufferEnumeration = std::function<void(DdPixelFormat* context)>;

// The two passes: first with format as it is (the render target's colour format); when nothing
// was accepted, again with its bit count set to desktopDepth. True when format now holds a
// depth format; false when both passes took nothing (format then holds the colour format with
// the desktop depth).
bool chooseZBufferFormat(const ZBufferEnumeration& enumerate, DdPixelFormat& format, uint32_t desktopDepth);
