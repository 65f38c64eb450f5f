// ImageBuffer: layout, making and copying pictures, colour tables, depth conversion, the alpha
// merge and the pixel-storage seam.
#include "image/image_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image_test_support.h"

namespace {

// A storage that records what the buffer asks of it and can be told to refuse.
class RecordingStorage final : public PixelStorage {
public:
    PixelBlock allocate(const BitmapHeader& header, size_t byteCount) override
    {
        ++allocations;
        lastHeader = header;
        if (refuse)
            return {};
        return heapPixelStorage().allocate(header, byteCount);
    }
    void deallocate(const PixelBlock& block) override
    {
        ++deallocations;
        heapPixelStorage().deallocate(block);
    }
    void setColorTable(const PixelBlock&, const RgbQuad* entries, uint32_t count) override
    {
        colors.assign(entries, entries + count);
    }

    bool refuse = false;
    int allocations = 0;
    int deallocations = 0;
    BitmapHeader lastHeader{};
    std::vector<RgbQuad> colors;
};

// Installs a storage for the lifetime of a test.
class StorageScope {
public:
    explicit StorageScope(PixelStorage& storage) { installPixelStorage(&storage); }
    ~StorageScope() { installPixelStorage(nullptr); }
};

// A picture of one row from raw pixel values (see packRow).
void makeRow(ImageBuffer& image, uint16_t bitsPerPixel, const std::vector<uint32_t>& values)
{
    ASSERT_TRUE(image.create(static_cast<int32_t>(values.size()), 1, bitsPerPixel));
    const auto bytes = packRow(bitsPerPixel, values);
    std::memcpy(image.pixels(), bytes.data(), bytes.size());
}

TEST(ImageBuffer, StrideFollowsTheWordPaddingRule)
{
    struct Case {
        int32_t width;
        uint16_t bits;
        int32_t stride;
    };
    const Case cases[] = {{5, 24, 16}, {7, 1, 4},  {33, 1, 8}, {3, 32, 12}, {1, 4, 4},
                          {9, 4, 8},   {3, 16, 8}, {4, 8, 4},  {5, 8, 8}};
    for (const Case& c : cases) {
        ImageBuffer image;
        ASSERT_TRUE(image.create(c.width, 3, c.bits)) << c.width << "x" << c.bits;
        EXPECT_EQ(image.stride(), c.stride) << c.width << " pixels of " << c.bits << " bits";
        EXPECT_EQ(image.sizeImage(), 3u * c.stride);
        EXPECT_EQ(image.header().info.biSizeImage, 3u * c.stride);
    }
}

TEST(ImageBuffer, CreateDescribesAZeroFilledPicture)
{
    ImageBuffer image;
    ASSERT_TRUE(image.create(7, 5, 8));
    const BitmapInfoHeader& info = image.header().info;
    EXPECT_EQ(info.biSize, 40u);
    EXPECT_EQ(info.biWidth, 7);
    EXPECT_EQ(info.biHeight, 5);
    EXPECT_EQ(info.biPlanes, 1);
    EXPECT_EQ(info.biBitCount, 8);
    EXPECT_EQ(info.biCompression, kBiRgb);
    EXPECT_EQ(info.biClrUsed, 256u);
    for (size_t i = 0; i < image.sizeImage(); ++i)
        ASSERT_EQ(image.pixels()[i], 0) << i;

    ASSERT_TRUE(image.create(2, 2, 24));
    EXPECT_EQ(image.header().info.biClrUsed, 0u);
}

TEST(ImageBuffer, CreateRefusesPicturesItCannotHold)
{
    struct Case {
        int32_t width;
        int32_t height;
        uint16_t bits;
    };
    const Case cases[] = {{0, 4, 24},    {4, 0, 24},    {-1, 4, 24},        {4, -4, 24},
                          {4, 4, 0},     {4, 4, 2},     {4, 4, 12},         {4, 4, 64},
                          {32769, 1, 8}, {1, 32769, 8}, {32768, 32768, 32}, {INT32_MAX, 1, 32}};
    for (const Case& c : cases) {
        ImageBuffer image;
        image.create(2, 2, 32);
        EXPECT_EQ(image.create(c.width, c.height, c.bits), nullptr) << c.width << "x" << c.height;
        EXPECT_TRUE(image.empty());
        EXPECT_EQ(image.pixels(), nullptr);
        EXPECT_EQ(image.width(), 0);
        EXPECT_EQ(image.bitsPerPixel(), 0);
    }
}

TEST(ImageBuffer, RefusedMemoryLeavesTheBufferEmpty)
{
    RecordingStorage storage;
    storage.refuse = true;
    StorageScope scope(storage);
    ImageBuffer image;
    EXPECT_EQ(image.create(4, 4, 32), nullptr);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.header().info.biWidth, 0);
    EXPECT_EQ(image.stride(), 0);
}

TEST(ImageBuffer, ReleaseEmptiesEverything)
{
    ImageBuffer image;
    makeRow(image, 8, {1, 2, 3});
    RgbQuad red{0, 0, 255, 0};
    ASSERT_TRUE(image.setColorTable(1, &red));
    image.release();
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(image.handle(), nullptr);
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_EQ(image.sizeImage(), 0u);
    const BitmapHeader zero{};
    EXPECT_EQ(std::memcmp(&image.header(), &zero, sizeof zero), 0);
}

TEST(ImageBuffer, CopyFromKeepsTheMemoryWhileSizeAndDepthMatch)
{
    ImageBuffer source;
    ASSERT_TRUE(source.create(5, 3, 32));
    fillRandom(source, 1);
    ImageBuffer target;
    ASSERT_TRUE(target.copyFrom(source));
    const ImageHandle kept = target.handle();
    EXPECT_NE(kept, source.handle());
    EXPECT_EQ(std::memcmp(target.pixels(), source.pixels(), source.sizeImage()), 0);

    fillRandom(source, 2);
    ASSERT_TRUE(target.copyFrom(source));
    EXPECT_EQ(target.handle(), kept);
    EXPECT_EQ(std::memcmp(target.pixels(), source.pixels(), source.sizeImage()), 0);

    ImageBuffer other;
    ASSERT_TRUE(other.create(5, 3, 24));
    ASSERT_TRUE(target.copyFrom(other));
    EXPECT_EQ(target.bitsPerPixel(), 24);
    EXPECT_EQ(target.stride(), 16);

    ImageBuffer empty;
    EXPECT_FALSE(target.copyFrom(empty));
    EXPECT_TRUE(target.empty());
}

TEST(ImageBuffer, CopyFromTakesTheColourTableWithANewPicture)
{
    ImageBuffer source;
    makeRow(source, 4, {3});
    RgbQuad colors[16] = {};
    colors[3] = RgbQuad{1, 2, 3, 0};
    ASSERT_TRUE(source.setColorTable(16, colors));
    ImageBuffer target;
    ASSERT_TRUE(target.copyFrom(source));
    EXPECT_EQ(target.colorTable()[3].rgbRed, 3);
    ASSERT_TRUE(target.convertDepth(24));
    EXPECT_EQ(colorAt(target, 0, 0), 0x030201u);
}

TEST(ImageBuffer, SetColorTableChecksTheDepth)
{
    RecordingStorage storage;
    StorageScope scope(storage);
    const RgbQuad entries[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    struct Case {
        uint16_t bits;
        uint32_t count;
        bool accepted;
    };
    const Case cases[] = {{1, 2, true},   {1, 3, false},   {4, 16, true},  {4, 17, false},
                          {8, 256, true}, {8, 257, false}, {16, 1, false}, {24, 0, false}};
    for (const Case& c : cases) {
        ImageBuffer image;
        ASSERT_TRUE(image.create(2, 2, c.bits));
        EXPECT_EQ(image.setColorTable(c.count, c.count <= 2 ? entries : nullptr), c.accepted)
            << c.bits << " bits, " << c.count << " colours";
    }
    ImageBuffer image;
    ASSERT_TRUE(image.create(2, 2, 8));
    ASSERT_TRUE(image.setColorTable(2, entries));
    ASSERT_EQ(storage.colors.size(), 2u);
    EXPECT_EQ(storage.colors[1].rgbRed, 6);
    EXPECT_EQ(image.colorTable()[1].rgbBlue, 4);
    ImageBuffer empty;
    EXPECT_FALSE(empty.setColorTable(0));
}

// Every source depth, converted to 24 and 32 bits, gives the same colours.
TEST(ImageBuffer, ConvertDepthGivesTheSameColoursFromEveryDepth)
{
    std::vector<uint32_t> palette(256);
    for (uint32_t i = 0; i < 256; ++i)
        palette[i] = (i << 16) | ((255 - i) << 8) | ((i * 7) & 255);
    struct Case {
        uint16_t bits;
        std::vector<uint32_t> values;
        std::vector<uint32_t> expected;  // 0xRRGGBB
    };
    const auto fromTable = [&](std::vector<uint32_t> indices) {
        std::vector<uint32_t> colors;
        for (uint32_t i : indices)
            colors.push_back(palette[i]);
        return colors;
    };
    const std::vector<uint32_t> bits1 = {1, 0, 0, 1, 1, 1, 0, 1, 0};
    const std::vector<uint32_t> bits4 = {15, 0, 7, 8, 1};
    const std::vector<uint32_t> bits8 = {255, 0, 128, 3, 77};
    const Case cases[] = {
        {1, bits1, fromTable(bits1)},
        {4, bits4, fromTable(bits4)},
        {8, bits8, fromTable(bits8)},
        {16,
         {0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x4210, 0x8000, 0x0421},
         {0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x848484, 0x000000, 0x080808}},
        {24, {0x123456, 0xABCDEF, 0x000001}, {0x123456, 0xABCDEF, 0x000001}},
        {32, {0xFF123456, 0x00ABCDEF, 0x7F000001}, {0x123456, 0xABCDEF, 0x000001}},
    };
    std::vector<RgbQuad> table;
    for (uint32_t c : palette)
        table.push_back(RgbQuad{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0});
    for (const Case& c : cases) {
        for (uint16_t target : {uint16_t{24}, uint16_t{32}}) {
            ImageBuffer image;
            makeRow(image, c.bits, c.values);
            if (c.bits <= 8) {
                ASSERT_TRUE(image.setColorTable(1u << c.bits, table.data()));
            }
            ASSERT_TRUE(image.convertDepth(target));
            ASSERT_EQ(image.bitsPerPixel(), target);
            ASSERT_EQ(image.width(), static_cast<int32_t>(c.values.size()));
            for (size_t x = 0; x < c.values.size(); ++x) {
                EXPECT_EQ(colorAt(image, static_cast<int32_t>(x), 0), c.expected[x])
                    << c.bits << " -> " << target << " bits, pixel " << x;
                if (target == 32 && c.bits != 32) {
                    EXPECT_EQ(image.row(0)[4 * x + 3], 0) << "fourth byte of pixel " << x;
                }
            }
        }
    }
}

TEST(ImageBuffer, ConvertDepthKeepsRowsInPlace)
{
    ImageBuffer image;
    ASSERT_TRUE(image.create(3, 4, 32));
    fillRandom(image, 7);
    ImageBuffer original;
    ASSERT_TRUE(original.copyFrom(image));
    ASSERT_TRUE(image.convertDepth(24));
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(colorAt(image, x, r), colorAt(original, x, r));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t pad = 9; pad < 12; ++pad)
            EXPECT_EQ(image.row(y)[pad], 0) << "row padding stays zero";
}

TEST(ImageBuffer, AlphaFromA24BitMaskIsTheMeanOfItsChannels)
{
    ImageBuffer image;
    makeRow(image, 24, {0x102030, 0x405060});
    ImageBuffer mask;
    makeRow(mask, 24, {0xFEFFFF, 0x010203});  // B 255, G 255, R 254 gives 254
    ASSERT_TRUE(image.setAlphaFromMask(mask));
    EXPECT_EQ(image.bitsPerPixel(), 32);
    EXPECT_EQ(image.row(0)[3], 254);
    EXPECT_EQ(image.row(0)[7], 2);
    EXPECT_EQ(colorAt(image, 0, 0), 0x102030u);
    EXPECT_EQ(colorAt(image, 1, 0), 0x405060u);
}

TEST(ImageBuffer, AlphaFromOtherMaskDepths)
{
    struct Case {
        uint16_t bits;
        uint32_t value;
        uint8_t alpha;
    };
    const Case cases[] = {{32, 0x80FFFFFF, 0x80}, {16, 0x7FFF, 255}, {8, 1, 10}};
    for (const Case& c : cases) {
        ImageBuffer image;
        makeRow(image, 32, {0});
        ImageBuffer mask;
        makeRow(mask, c.bits, {c.value});
        if (c.bits == 8) {
            const RgbQuad colors[2] = {{0, 0, 0, 0}, {10, 10, 10, 0}};
            mask.setColorTable(2, colors);
        }
        ASSERT_TRUE(image.setAlphaFromMask(mask)) << c.bits;
        EXPECT_EQ(image.row(0)[3], c.alpha) << c.bits << "-bit mask";
    }
}

TEST(ImageBuffer, AlphaMaskOfTheWrongShapeChangesNothing)
{
    ImageBuffer image;
    ASSERT_TRUE(image.create(3, 2, 24));
    ImageBuffer narrower;
    ASSERT_TRUE(narrower.create(2, 2, 24));
    ImageBuffer lower;
    ASSERT_TRUE(lower.create(3, 1, 24));
    ImageBuffer fourBit;
    ASSERT_TRUE(fourBit.create(3, 2, 4));
    ImageBuffer empty;
    for (const ImageBuffer* mask : {&narrower, &lower, &fourBit, &empty}) {
        const ImageHandle before = image.handle();
        EXPECT_FALSE(image.setAlphaFromMask(*mask));
        EXPECT_EQ(image.bitsPerPixel(), 24);
        EXPECT_EQ(image.handle(), before);
    }
}

TEST(ImageBuffer, APictureCanBeItsOwnMask)
{
    ImageBuffer image;
    makeRow(image, 24, {0x030303, 0x0000FF});
    ASSERT_TRUE(image.setAlphaFromMask(image));
    EXPECT_EQ(image.row(0)[3], 3);
    EXPECT_EQ(image.row(0)[7], 85);
}

TEST(ImageBuffer, MoveToStorageKeepsPixelsAndColours)
{
    ImageBuffer image;
    makeRow(image, 8, {0, 1, 2});
    const RgbQuad colors[3] = {{1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}};
    ASSERT_TRUE(image.setColorTable(3, colors));
    RecordingStorage storage;
    ASSERT_TRUE(image.moveToStorage(storage));
    EXPECT_EQ(image.storage(), &storage);
    EXPECT_EQ(storage.allocations, 1);
    EXPECT_EQ(storage.lastHeader.info.biWidth, 3);
    EXPECT_EQ(storage.colors.size(), 256u);
    EXPECT_EQ(storage.colors[2].rgbRed, 3);
    EXPECT_EQ(image.row(0)[2], 2);
    EXPECT_TRUE(image.moveToStorage(storage));
    EXPECT_EQ(storage.allocations, 1);
    image.release();
    EXPECT_EQ(storage.deallocations, 1);

    storage.refuse = true;
    makeRow(image, 24, {5});
    EXPECT_FALSE(image.moveToStorage(storage));
    EXPECT_EQ(image.storage(), &heapPixelStorage());
    EXPECT_EQ(colorAt(image, 0, 0), 5u);
}

TEST(ImageBuffer, PicturesGoBackToTheStorageThatMadeThem)
{
    RecordingStorage storage;
    ImageBuffer image;
    {
        StorageScope scope(storage);
        ASSERT_TRUE(image.create(2, 2, 24));
    }
    ImageBuffer other;
    ASSERT_TRUE(other.create(2, 2, 24));
    EXPECT_EQ(other.storage(), &heapPixelStorage());
    image.swapContents(other);
    image.release();
    EXPECT_EQ(storage.deallocations, 0);
    other.release();
    EXPECT_EQ(storage.deallocations, 1);
}

}  // namespace
