// The system decoder on the real imaging component: every format it serves, and TGA beside it,
// from one picture written by ImageMagick (see tests/unit/tga_test.cpp), through
// ImageBuffer::load as a texture is loaded.
#include "image/win32/wic_picture_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/image_buffer.h"
#include "image/picture_decoder.h"

namespace {

const std::string kPictures = std::string(VELLARN_SOURCE_DIR) + "/tests/data/pictures/";

// The pixel (x, row from the top) as 0xAARRGGBB; alpha 0xFF for 24-bit pictures.
uint32_t argbAt(const ImageBuffer& image, int32_t x, int32_t rowFromTop)
{
    const uint8_t* p = image.row(image.height() - 1 - rowFromTop) + x * (image.bitsPerPixel() / 8);
    const uint32_t alpha = image.bitsPerPixel() == 32 ? p[3] : 0xFFu;
    return alpha << 24 | static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
}

bool closeTo(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
            tolerance)
            return false;
    }
    return true;
}

constexpr uint32_t kSkip = 1;  // a block that the format cannot hold as drawn

TEST(WicPictureDecoder, EveryFormatGivesItsColoursAndAlpha)
{
    WicPictureDecoder decoder;
    ASSERT_EQ(installedSystemDecoder(), &decoder);
    struct Case {
        const char* name;
        uint16_t depth;
        int tolerance;
        std::vector<uint32_t> blocks;  // red, green, blue, white; black, grey at 128, transparent, yellow
    };
    const std::vector<uint32_t> withAlpha = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                             0xFF000000, 0x80808080, 0x00000000, 0xFFFFFF00};
    const Case cases[] = {
        {"blocks.png", 32, 0, withAlpha},
        {"blocks.tif", 32, 0, withAlpha},
        {"blocks-rle.tga", 32, 0, withAlpha},
        // GIF has one transparent colour and no partial alpha.
        {"blocks.gif",
         32,
         0,
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, kSkip, 0x00000000, 0xFFFFFF00}},
        // JPEG: no alpha (the picture was laid on black), and lossy.
        {"blocks.jpg",
         24,
         12,
         {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF404040, 0xFF000000, 0xFFFFFF00}},
    };
    for (const Case& c : cases) {
        ImageBuffer image;
        ASSERT_NE(image.load(kPictures + c.name), nullptr) << c.name;
        ASSERT_EQ(image.bitsPerPixel(), c.depth) << c.name;
        ASSERT_EQ(image.width(), 32) << c.name;
        ASSERT_EQ(image.height(), 16) << c.name;
        for (int32_t block = 0; block < 8; ++block) {
            const uint32_t seen = argbAt(image, 8 * (block % 4) + 3, 8 * (block / 4) + 4);
            if (c.blocks[block] != kSkip) {
                EXPECT_TRUE(closeTo(seen, c.blocks[block], c.tolerance))
                    << c.name << " block " << block << ": " << std::hex << seen;
            }
        }
    }
}

TEST(WicPictureDecoder, DamagedFilesGiveNoPictureAndTheDecoderGoesWithItsOwner)
{
    const std::string name = "vellarn-damaged.png";
    {
        WicPictureDecoder decoder;
        // The PNG signature and a header cut short, then a PNG whose data is noise.
        const unsigned char cut[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H'};
        std::FILE* file = std::fopen(name.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(cut, 1, sizeof cut, file);
        std::fclose(file);
        ImageBuffer image;
        image.create(1, 1, 24);
        EXPECT_EQ(image.load(name), nullptr);
        EXPECT_TRUE(image.empty());
        ImageBuffer good;
        EXPECT_NE(good.load(kPictures + "blocks.png"), nullptr) << "a failure leaves the decoder usable";
    }
    EXPECT_EQ(installedSystemDecoder(), nullptr);
    ImageBuffer image;
    EXPECT_EQ(image.load(kPictures + "blocks.png"), nullptr) << "no system decoder, no PNG";
    std::remove(name.c_str());
}

}  // namespace
