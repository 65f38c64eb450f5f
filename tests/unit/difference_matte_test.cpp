// DifferenceMatte: the alpha rule's cases, its wrap-around, and the picture-level checks.
#include "render/difference_matte.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "image/image_buffer.h"

namespace {

struct MatteCase {
    uint8_t overBlack;
    uint8_t overGreen;
    uint8_t alpha;
    const char* what;
};

constexpr MatteCase kMatteCases[] = {
    {0, 255, 0, "background: black over black, full green over green"},
    {77, 77, 255, "opaque: the same green over both"},
    {0, 0, 255, "opaque black"},
    {255, 255, 255, "opaque green"},
    {100, 200, 155, "translucent: 255 minus the green difference"},
    {0, 128, 127, "half the green let through"},
    {0, 1, 254, "almost opaque"},
    {11, 10, 0, "over green one below over black wraps to 0, not clamped"},
    {200, 100, 99, "over green far below over black wraps, not clamped"},
    {255, 0, 254, "largest wrap"},
};

// Writes a 32-bit pixel (B, G, R, A) at picture column x of memory row y.
void setPixel(ImageBuffer& image, int32_t x, int32_t y, uint8_t b, uint8_t g, uint8_t r, uint8_t a)
{
    uint8_t* p = image.row(y) + static_cast<size_t>(x) * 4;
    p[0] = b;
    p[1] = g;
    p[2] = r;
    p[3] = a;
}

}  // namespace

TEST(DifferenceMatte, AlphaRuleTable)
{
    for (const MatteCase& c : kMatteCases)
        EXPECT_EQ(DifferenceMatte::alpha(c.overBlack, c.overGreen), c.alpha) << c.what;
}

TEST(DifferenceMatte, WholePictureEveryPixelAndRow)
{
    ImageBuffer overBlack;
    ImageBuffer overGreen;
    ASSERT_TRUE(overBlack.create(5, 3, 32));
    ASSERT_TRUE(overGreen.create(5, 3, 32));
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) {
            // Blue, red and the old alpha differ between the two: only green may count.
            setPixel(overBlack, x, y, 1, static_cast<uint8_t>(x * 50), 2, 9);
            setPixel(overGreen, x, y, 3, static_cast<uint8_t>(x * 50 + y * 60), 4, 7);
        }
    }
    ASSERT_TRUE(DifferenceMatte::apply(overBlack, overGreen));
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) {
            const uint8_t* p = overBlack.row(y) + x * 4;
            EXPECT_EQ(p[3], static_cast<uint8_t>(255 - y * 60)) << x << "," << y;
            EXPECT_EQ(p[0], 1);
            EXPECT_EQ(p[1], x * 50) << "colours stay those over black";
            EXPECT_EQ(p[2], 2);
        }
    }
}

TEST(DifferenceMatte, RefusesPicturesThatDoNotMatch)
{
    struct Shape {
        int32_t width;
        int32_t height;
        uint16_t bits;
        const char* what;
    };
    const Shape others[] = {
        {4, 3, 24, "24-bit over green"},
        {5, 3, 32, "wider"},
        {4, 2, 32, "lower"},
        {0, 0, 0, "empty"},
    };
    for (const Shape& s : others) {
        ImageBuffer overBlack;
        ASSERT_TRUE(overBlack.create(4, 3, 32));
        setPixel(overBlack, 0, 0, 0, 0, 0, 0x42);
        ImageBuffer overGreen;
        if (s.bits != 0) {
            ASSERT_TRUE(overGreen.create(s.width, s.height, s.bits));
        }
        EXPECT_FALSE(DifferenceMatte::apply(overBlack, overGreen)) << s.what;
        EXPECT_EQ(overBlack.row(0)[3], 0x42) << s.what << ": nothing changed";
    }
    // A 24-bit picture over black has no alpha byte to write.
    ImageBuffer noAlpha;
    ImageBuffer overGreen;
    ASSERT_TRUE(noAlpha.create(4, 3, 24));
    ASSERT_TRUE(overGreen.create(4, 3, 24));
    EXPECT_FALSE(DifferenceMatte::apply(noAlpha, overGreen));
}

TEST(DifferenceMatte, VectorPathEqualsPlainPath)
{
    std::mt19937 random(7);
    std::vector<uint8_t> overGreen(4 * 40);
    std::vector<uint8_t> original(4 * 40 + 1);
    for (uint8_t& byte : overGreen)
        byte = static_cast<uint8_t>(random());
    for (uint8_t& byte : original)
        byte = static_cast<uint8_t>(random());
    // Every count up to ten steps of four, from an aligned and from an unaligned start.
    for (size_t start : {size_t{0}, size_t{1}}) {
        for (size_t count = 0; count <= 40; ++count) {
            std::vector<uint8_t> vector = original;
            std::vector<uint8_t> plain = original;
            DifferenceMatte::applyToPixels(vector.data() + start, overGreen.data(), count, true);
            DifferenceMatte::applyToPixels(plain.data() + start, overGreen.data(), count, false);
            ASSERT_EQ(vector, plain) << count << " pixels from byte " << start;
        }
    }
}
