// Resizing: the exact integer arithmetic of both variants, pictures too small to have
// neighbours, the vector path against the scalar one, and resizeFrom.
#include "image/bilinear_resampler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/image_buffer.h"
#include "image_test_support.h"

namespace {

// The byte that target pixel (j, memory row i) should get in channel c, worked out from the
// closed forms of the two variants rather than from their accumulators.
uint8_t expected24(const ImageBuffer& src, int32_t tw, int32_t th, int32_t j, int32_t i, int c)
{
    const int64_t W = src.width(), H = src.height();
    const int64_t x = j * (W - 1) / tw, l = 16 * ((j * (W - 1)) % tw) / tw;
    const int64_t y = i * (H - 1) / th, g = 16 * ((i * (H - 1)) % th) / th;
    const int64_t nx = x + 1 < W ? x + 1 : x, ny = y + 1 < H ? y + 1 : y;
    const auto at = [&](int64_t px, int64_t py) { return src.row(static_cast<int32_t>(py))[3 * px + c]; };
    return static_cast<uint8_t>((at(x, y) * (16 - l) * (16 - g) + at(nx, y) * l * (16 - g) +
                                 at(x, ny) * (16 - l) * g + at(nx, ny) * l * g) >>
                                8);
}

// 32 bits: position j of n' over n source positions reads x = ceil(j (n - 1) / (n' - 1)) - 1
// with a = j (n - 1) - x (n' - 1), and position 0 reads 0 with a = 0.
void step32(int64_t j, int64_t n, int64_t targetN, int64_t& x, int64_t& weight)
{
    if (targetN == 1 || j == 0) {
        x = 0;
        weight = 0;
        return;
    }
    const int64_t total = j * (n - 1), span = targetN - 1;
    x = total == 0 ? 0 : (total + span - 1) / span - 1;
    weight = 256 * (total - x * span) / span;
}

uint8_t expected32(const ImageBuffer& src, int32_t tw, int32_t th, int32_t j, int32_t i, int c)
{
    int64_t x, wx, y, wy;
    step32(j, src.width(), tw, x, wx);
    step32(i, src.height(), th, y, wy);
    const int64_t nx = x + 1 < src.width() ? x + 1 : x, ny = y + 1 < src.height() ? y + 1 : y;
    const auto at = [&](int64_t px, int64_t py) { return src.row(static_cast<int32_t>(py))[4 * px + c]; };
    const int64_t top = (at(x, y) * (256 - wx) + at(nx, y) * wx) >> 8;
    const int64_t bottom = (at(x, ny) * (256 - wx) + at(nx, ny) * wx) >> 8;
    return static_cast<uint8_t>((top * (256 - wy) + bottom * wy) >> 8);
}

struct Size {
    int32_t width;
    int32_t height;
};

// Sources and targets from 1 x 1 up, shrinking, growing and the window's 2:1.
const Size kSizes[] = {{1, 1}, {1, 5}, {5, 1}, {2, 2}, {3, 2}, {4, 4}, {7, 3}, {16, 9}, {33, 17}, {40, 40}};

TEST(ImageResize, MatchesTheClosedFormsForEverySize)
{
    for (uint16_t depth : {uint16_t{24}, uint16_t{32}}) {
        for (const Size& from : kSizes) {
            for (const Size& to : kSizes) {
                if (from.width == to.width && from.height == to.height)
                    continue;  // nothing to resample at the same size
                ImageBuffer source;
                ASSERT_TRUE(source.create(from.width, from.height, depth));
                fillRandom(source, static_cast<uint32_t>(from.width * 100 + to.width));
                ImageBuffer image;
                ASSERT_TRUE(image.copyFrom(source));
                ASSERT_TRUE(image.resize(to.width, to.height));
                ASSERT_EQ(image.width(), to.width);
                ASSERT_EQ(image.height(), to.height);
                const int bytes = depth / 8;
                for (int32_t i = 0; i < to.height; ++i)
                    for (int32_t j = 0; j < to.width; ++j)
                        for (int c = 0; c < bytes; ++c) {
                            const uint8_t want = depth == 24
                                                     ? expected24(source, to.width, to.height, j, i, c)
                                                     : expected32(source, to.width, to.height, j, i, c);
                            ASSERT_EQ(image.row(i)[bytes * j + c], want)
                                << depth << " bits " << from.width << "x" << from.height << " -> " << to.width
                                << "x" << to.height << " at " << j << "," << i << " byte " << c;
                        }
            }
        }
    }
}

// Targets wider than the column tables kept on the stack (1,024 columns) take heap tables and
// give the same bytes.
TEST(ImageResize, WideTargetsMatchTheClosedForms)
{
    for (uint16_t depth : {uint16_t{24}, uint16_t{32}}) {
        for (const Size& to : {Size{1024, 2}, Size{1025, 3}, Size{1500, 2}}) {
            ImageBuffer source;
            ASSERT_TRUE(source.create(1300, 3, depth));
            fillRandom(source, static_cast<uint32_t>(to.width));
            ImageBuffer image;
            ASSERT_TRUE(image.copyFrom(source));
            ASSERT_TRUE(image.resize(to.width, to.height));
            const int bytes = depth / 8;
            for (int32_t i = 0; i < to.height; ++i)
                for (int32_t j = 0; j < to.width; ++j)
                    for (int c = 0; c < bytes; ++c)
                        ASSERT_EQ(image.row(i)[bytes * j + c],
                                  depth == 24 ? expected24(source, to.width, to.height, j, i, c)
                                              : expected32(source, to.width, to.height, j, i, c))
                            << depth << " bits to " << to.width << " at " << j << "," << i;
        }
    }
}

TEST(ImageResize, ThirtyTwoBitsReachTheLastColumn)
{
    // Two equal rows with blue 10, 20, 30: target column 1 reads columns 1 and 2 with weight 256.
    ImageBuffer image;
    ASSERT_TRUE(image.create(3, 2, 32));
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            image.row(y)[4 * x] = static_cast<uint8_t>(10 * (x + 1));
    ASSERT_TRUE(image.resize(2, 2));
    for (int32_t y = 0; y < 2; ++y) {
        EXPECT_EQ(image.row(y)[0], 10);
        EXPECT_EQ(image.row(y)[4], 30);
    }
}

TEST(ImageResize, TwentyFourBitsStepShortOfTheLastColumn)
{
    ImageBuffer image;
    ASSERT_TRUE(image.create(4, 2, 24));
    const uint8_t bottom[12] = {10, 20, 30, 40, 50, 61, 71, 80, 90, 200, 200, 200};
    std::memcpy(image.row(0), bottom, sizeof bottom);
    std::memset(image.row(1), 255, 12);
    ASSERT_TRUE(image.resize(2, 1));
    const uint8_t* out = image.row(0);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[1], 20);
    EXPECT_EQ(out[2], 30);
    EXPECT_EQ(out[3], (40 + 71) / 2);
    EXPECT_EQ(out[4], (50 + 80) / 2);
    EXPECT_EQ(out[5], (61 + 90) / 2);
    EXPECT_EQ(out[6], 0) << "row padding stays zero";
    EXPECT_EQ(out[7], 0);
}

TEST(ImageResize, SameSizeAndOtherDepthsChangeNothing)
{
    for (uint16_t depth : {uint16_t{8}, uint16_t{16}, uint16_t{24}, uint16_t{32}}) {
        ImageBuffer image;
        ASSERT_TRUE(image.create(6, 4, depth));
        fillRandom(image, depth);
        ImageBuffer before;
        ASSERT_TRUE(before.copyFrom(image));
        const ImageHandle handle = image.handle();
        EXPECT_EQ(image.resize(6, 4), handle);
        if (depth != 24 && depth != 32) {
            EXPECT_EQ(image.resize(3, 2), handle);
        }
        EXPECT_EQ(image.width(), 6);
        EXPECT_EQ(std::memcmp(image.pixels(), before.pixels(), image.sizeImage()), 0) << depth;
    }
    ImageBuffer empty;
    EXPECT_EQ(empty.resize(4, 4), nullptr);
    EXPECT_TRUE(empty.empty());
    ImageBuffer image;
    ASSERT_TRUE(image.create(4, 4, 32));
    EXPECT_EQ(image.resize(0, 4), image.handle());
    EXPECT_EQ(image.resize(4, -1), image.handle());
    EXPECT_EQ(image.width(), 4);
}

TEST(ImageResize, AUniformPictureStaysUniform)
{
    for (uint16_t depth : {uint16_t{24}, uint16_t{32}}) {
        for (const Size& from : kSizes) {
            ImageBuffer image;
            ASSERT_TRUE(image.create(from.width, from.height, depth));
            for (int32_t y = 0; y < from.height; ++y)
                for (int32_t x = 0; x < from.width * depth / 8; ++x)
                    image.row(y)[x] = static_cast<uint8_t>(0xC8 + x % (depth / 8));
            ASSERT_TRUE(image.resize(from.width * 2 + 1, from.height + 3));
            for (int32_t y = 0; y < image.height(); ++y)
                for (int32_t x = 0; x < image.width() * depth / 8; ++x)
                    ASSERT_EQ(image.row(y)[x], 0xC8 + x % (depth / 8))
                        << depth << " bits at " << x << "," << y;
        }
    }
}

TEST(ImageResize, VectorPathEqualsScalarPath)
{
    const Size sizes[] = {{1, 1}, {2, 1}, {3, 3}, {5, 7}, {64, 3}, {200, 200}, {400, 400}, {401, 399}};
    for (const Size& from : sizes) {
        for (const Size& to : sizes) {
            ImageBuffer source;
            ASSERT_TRUE(source.create(from.width, from.height, 32));
            fillRandom(source, static_cast<uint32_t>(from.width + to.height));
            ImageBuffer vector;
            ImageBuffer scalar;
            ASSERT_TRUE(vector.create(to.width, to.height, 32));
            ASSERT_TRUE(scalar.create(to.width, to.height, 32));
            const SourceRows in{source.pixels(), source.width(), source.height(), source.stride()};
            const TargetRows vectorRows{vector.pixels(), to.width, to.height, vector.stride()};
            const TargetRows scalarRows{scalar.pixels(), to.width, to.height, scalar.stride()};
            ASSERT_TRUE(resample32(in, vectorRows, true));
            ASSERT_TRUE(resample32(in, scalarRows, false));
            ASSERT_EQ(std::memcmp(vector.pixels(), scalar.pixels(), scalar.sizeImage()), 0)
                << from.width << "x" << from.height << " -> " << to.width << "x" << to.height;
        }
    }
}

TEST(ImageResize, ResizeFromEqualsCopyThenResize)
{
    ImageBuffer frame;
    ASSERT_TRUE(frame.create(40, 30, 32));
    ImageBuffer window;
    ImageHandle previous = nullptr;
    for (uint32_t round = 0; round < 3; ++round) {
        fillRandom(frame, round);
        ASSERT_TRUE(window.resizeFrom(frame, 20, 15));
        if (round > 0) {
            EXPECT_EQ(window.handle(), previous) << "the window's memory is kept between frames";
        }
        previous = window.handle();
        ImageBuffer reference;
        ASSERT_TRUE(reference.copyFrom(frame));
        ASSERT_TRUE(reference.resize(20, 15));
        ASSERT_EQ(std::memcmp(window.pixels(), reference.pixels(), reference.sizeImage()), 0);
    }
    ASSERT_TRUE(window.resizeFrom(frame, 40, 30));
    EXPECT_EQ(std::memcmp(window.pixels(), frame.pixels(), frame.sizeImage()), 0);

    ImageBuffer indexed;
    ASSERT_TRUE(indexed.create(4, 4, 8));
    EXPECT_EQ(window.resizeFrom(indexed, 2, 2), nullptr);
    ImageBuffer empty;
    EXPECT_EQ(window.resizeFrom(empty, 2, 2), nullptr);
}

}  // namespace
