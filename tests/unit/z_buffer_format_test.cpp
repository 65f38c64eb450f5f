// The depth-buffer format choice, run over made-up device lists the way the device enumerates
// them: in list order, until the callback says stop.
#include "render/z_buffer_format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// A depth format as a device lists it; tag (in the stencil mask) tells equal depths apart.
DdPixelFormat depthFormat(uint32_t depth, uint32_t tag = 0)
{
    DdPixelFormat f;
    f.size = 32;
    f.flags = kDdpfZBuffer;
    f.bitCount = depth;
    f.mask2 = depth >= 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
    f.mask3 = tag;
    return f;
}

// The render target's colour format on a desktop of the given depth.
DdPixelFormat colourFormat(uint32_t depth)
{
    DdPixelFormat f;
    f.size = 32;
    f.flags = kDdpfRgb;
    f.bitCount = depth;
    f.mask1 = 0xFF0000;
    f.mask2 = 0x00FF00;
    f.mask3 = 0x0000FF;
    return f;
}

// A device's enumeration: offers each format in turn until the callback cancels, counting the
// passes.
struct FakeDevice {
    std::vector<DdPixelFormat> formats;
    int passes = 0;

    ZBufferEnumeration enumeration()
    {
        return [this](DdPixelFormat* context) {
            ++passes;
            for (const DdPixelFormat& f : formats) {
                if (selectZBufferFormat(&f, context) == kEnumCancel)
                    return;
            }
        };
    }
};

bool sameFormat(const DdPixelFormat& a, const DdPixelFormat& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST(ZBufferFormat, ChoiceOverDeviceLists)
{
    struct Case {
        const char* what;
        uint32_t targetDepth;
        uint32_t desktopDepth;
        std::vector<DdPixelFormat> formats;
        bool found;
        int chosen;  // index into formats when found
        int passes;
    };
    const Case cases[] = {
        {"24 and 16 on a 32-bit desktop: the 16-bit one",
         32,
         32,
         {depthFormat(24), depthFormat(16)},
         true,
         1,
         1},
        {"only 32 on a 32-bit desktop: that one", 32, 32, {depthFormat(32)}, true, 0, 1},
        {"only 24 on a 32-bit desktop: none", 32, 32, {depthFormat(24)}, false, 0, 2},
        {"the first 16-bit one ends the search",
         32,
         32,
         {depthFormat(16, 1), depthFormat(32), depthFormat(16, 2)},
         true,
         0,
         1},
        {"a later 16-bit one replaces a 32-bit one",
         32,
         32,
         {depthFormat(32), depthFormat(24), depthFormat(16)},
         true,
         2,
         1},
        {"the last of several as deep as the target",
         32,
         32,
         {depthFormat(32, 1), depthFormat(24), depthFormat(32, 2)},
         true,
         2,
         1},
        {"a 24-bit target takes a 24-bit one",
         24,
         24,
         {depthFormat(32), depthFormat(24), depthFormat(15)},
         true,
         1,
         1},
        {"second pass: the desktop's depth when the target's finds nothing",
         24,
         32,
         {depthFormat(32)},
         true,
         0,
         2},
        {"second pass finds nothing either", 24, 32, {depthFormat(8)}, false, 0, 2},
        {"a device that lists nothing", 32, 32, {}, false, 0, 2},
    };
    for (const Case& c : cases) {
        FakeDevice device{c.formats};
        DdPixelFormat format = colourFormat(c.targetDepth);
        EXPECT_EQ(chooseZBufferFormat(device.enumeration(), format, c.desktopDepth), c.found) << c.what;
        EXPECT_EQ(device.passes, c.passes) << c.what;
        if (c.found) {
            EXPECT_TRUE(sameFormat(format, c.formats[static_cast<size_t>(c.chosen)])) << c.what;
        } else {
            EXPECT_EQ(format.bitCount, c.desktopDepth) << c.what;
        }
    }
}

TEST(ZBufferFormat, CallbackWithoutFormatOrContextStops)
{
    DdPixelFormat context = colourFormat(32);
    const DdPixelFormat d32 = depthFormat(32);
    EXPECT_EQ(selectZBufferFormat(nullptr, &context), kEnumCancel);
    EXPECT_EQ(selectZBufferFormat(&d32, nullptr), kEnumCancel);
    EXPECT_TRUE(sameFormat(context, colourFormat(32)));
}
