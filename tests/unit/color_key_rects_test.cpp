// ColorKeyRects: runs of non-key pixels per row from the top, and the block layout that the
// region call takes.
#include "image/color_key_rects.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "image/image_buffer.h"
#include "image_test_support.h"

namespace {

constexpr uint32_t kGreen = 0x00FF00;

// A picture from rows of 0xRRGGBB colours, top row first.
void makePicture(ImageBuffer& image, uint16_t depth, const std::vector<std::vector<uint32_t>>& rowsFromTop)
{
    const int32_t height = static_cast<int32_t>(rowsFromTop.size());
    ASSERT_TRUE(image.create(static_cast<int32_t>(rowsFromTop[0].size()), height, depth));
    for (int32_t r = 0; r < height; ++r) {
        const auto bytes = packRow(depth, rowsFromTop[static_cast<size_t>(r)]);
        std::memcpy(image.row(height - 1 - r), bytes.data(), bytes.size());
    }
}

std::vector<std::vector<int32_t>> asLists(const ColorKeyRects& rects)
{
    std::vector<std::vector<int32_t>> out;
    for (size_t i = 0; i < rects.count(); ++i) {
        const RegionRect& r = rects.rects()[i];
        out.push_back({r.left, r.top, r.right, r.bottom});
    }
    return out;
}

TEST(ColorKeyRects, OneRectanglePerRunOfOtherColours)
{
    const uint32_t k = kGreen, o = 0x123456;
    struct Case {
        std::vector<std::vector<uint32_t>> rows;
        std::vector<std::vector<int32_t>> rects;
    };
    const Case cases[] = {
        {{{k, o, o, k, o, k}}, {{1, 0, 3, 1}, {4, 0, 5, 1}}},
        {{{k, k, k}, {k, k, k}}, {}},
        {{{o, o, o}}, {{0, 0, 3, 1}}},
        // Runs are not merged across rows; rows are listed from the top.
        {{{o, k}, {o, k}, {k, o}}, {{0, 0, 1, 1}, {0, 1, 1, 2}, {1, 2, 2, 3}}},
        // Only the exact key is cut away: a greenish blend stays.
        {{{0x00FE00, 0x01FF00, k, 0x00FF01}}, {{0, 0, 2, 1}, {3, 0, 4, 1}}},
    };
    for (uint16_t depth : {uint16_t{24}, uint16_t{32}}) {
        for (const Case& c : cases) {
            ImageBuffer image;
            makePicture(image, depth, c.rows);
            ColorKeyRects rects;
            ASSERT_TRUE(rects.build(image, kGreen));
            EXPECT_EQ(asLists(rects), c.rects) << depth << " bits";
            ASSERT_TRUE(rects.build(image, kGreen, false));
            EXPECT_EQ(asLists(rects), c.rects) << depth << " bits, plain path";
            EXPECT_EQ(rects.blockBytes(), (c.rects.size() + 2) * 16);
            EXPECT_EQ(rects.bounds().right, image.width());
            EXPECT_EQ(rects.bounds().bottom, image.height());
        }
    }
}

TEST(ColorKeyRects, OtherDepthsAndEmptyPicturesGiveNoRectangles)
{
    ImageBuffer indexed;
    ASSERT_TRUE(indexed.create(4, 4, 8));
    ImageBuffer empty;
    for (const ImageBuffer* image : {&indexed, &empty}) {
        ColorKeyRects rects;
        EXPECT_TRUE(rects.build(*image, kGreen));
        EXPECT_EQ(rects.count(), 0u);
        EXPECT_NE(rects.block(), nullptr);
    }
}

// On random two-colour pictures the rectangles cover exactly the non-key pixels, each once, in
// row order from the top and left to right, with gaps between runs of a row; on the vector path
// and on the plain one.
TEST(ColorKeyRects, CoverExactlyTheNonKeyPixels)
{
    std::mt19937 random(42);
    ColorKeyRects rects;  // reused, as the window does from frame to frame
    for (int round = 0; round < 400; ++round) {
        const bool useSimd = round % 4 < 2;
        const int32_t width = 1 + static_cast<int32_t>(random() % 90);
        const int32_t height = 1 + static_cast<int32_t>(random() % 20);
        // Percent of key pixels: mostly long key runs, as in frames; every third picture any mix.
        const uint32_t keyShare = round % 3 == 0 ? random() % 101 : 80 + random() % 21;
        std::vector<std::vector<uint32_t>> rows(static_cast<size_t>(height));
        for (auto& row : rows)
            for (int32_t x = 0; x < width; ++x)
                row.push_back(random() % 100 < keyShare ? kGreen | (random() % 2) << 24
                                                        : 0x00FF00u ^ (1u << (random() % 24)));
        ImageBuffer image;
        makePicture(image, round % 2 ? 24 : 32, rows);
        ASSERT_TRUE(rects.build(image, kGreen, useSimd));
        std::vector<std::vector<int>> covered(static_cast<size_t>(height),
                                              std::vector<int>(static_cast<size_t>(width)));
        const RegionRect* previous = nullptr;
        for (size_t i = 0; i < rects.count(); ++i) {
            const RegionRect& r = rects.rects()[i];
            ASSERT_EQ(r.bottom, r.top + 1);
            ASSERT_LT(r.left, r.right);
            if (previous) {
                ASSERT_TRUE(r.top > previous->top || (r.top == previous->top && r.left > previous->right));
            }
            for (int32_t x = r.left; x < r.right; ++x)
                ++covered[static_cast<size_t>(r.top)][static_cast<size_t>(x)];
            previous = &r;
        }
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                ASSERT_EQ(covered[y][x], (rows[y][x] & 0xFFFFFF) == kGreen ? 0 : 1)
                    << x << "," << y << (useSimd ? " vector" : " plain");
    }
}

}  // namespace
