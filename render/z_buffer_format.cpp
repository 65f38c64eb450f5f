// The depth-buffer format rule (see z_buffer_format.h).
#include "render/z_buffer_format.h"

namespace {

// The depth that ends the search at once: every device of interest offers it, and it is the
// cheapest to clear and test.
constexpr uint32_t kPreferredDepth = 16;

// Every format the device lists as a depth format carries kDdpfZBuffer; the render target's
// colour format never does. So the flag tells whether a pass has copied a depth format in.
bool holdsDepthFormat(const DdPixelFormat& format)
{
    return (format.flags & kDdpfZBuffer) != 0;
}

}  // namespace

int32_t selectZBufferFormat(const DdPixelFormat* offered, DdPixelFormat* context)
{
    if (!offered || !context)
        return kEnumCancel;
    const uint32_t depth = offered->bitCount;
    if (depth != context->bitCount && depth != kPreferredDepth)
        return kEnumOk;
    *context = *offered;
    return depth == kPreferredDepth ? kEnumCancel : kEnumOk;
}

bool chooseZBufferFormat(const ZBufferEnumeration& enumerate, DdPixelFormat& format, uint32_t desktopDepth)
{
    enumerate(&format);
    if (holdsDepthFormat(format))
        return true;
    format.bitCount = desktopDepth;
    enumerate(&format);
    return holdsDepthFormat(format);
}
