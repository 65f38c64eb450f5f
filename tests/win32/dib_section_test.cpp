// Pictures as DIB sections: GDI sees the same bytes as the program, our depth conversion agrees
// with GDI's blit, and colour-key regions come out as the rectangles say.
#include "image/win32/dib_section_storage.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "base/win32/gdi_handles.h"
#include "image/color_key_rects.h"
#include "image/image_buffer.h"
#include "image/win32/image_dc.h"
#include "image/win32/window_region.h"

namespace {

void fillPattern(ImageBuffer& image, uint8_t seed)
{
    for (size_t i = 0; i < image.sizeImage(); ++i)
        image.pixels()[i] = static_cast<uint8_t>(i * 29 + seed);
}

TEST(DibSection, PicturesAreSectionsOverTheirOwnPixels)
{
    for (uint16_t depth : {uint16_t{1}, uint16_t{4}, uint16_t{8}, uint16_t{16}, uint16_t{24}, uint16_t{32}}) {
        ImageBuffer image;
        ASSERT_NE(image.create(7, 5, depth), nullptr) << depth;
        EXPECT_EQ(image.storage(), &dibSectionStorage());
        DIBSECTION section{};
        ASSERT_EQ(GetObjectW(bitmapHandle(image), sizeof section, &section),
                  static_cast<int>(sizeof section));
        EXPECT_EQ(section.dsBm.bmBits, image.pixels());
        EXPECT_EQ(section.dsBm.bmWidthBytes, image.stride()) << depth;
        EXPECT_EQ(section.dsBmih.biBitCount, depth);
        EXPECT_EQ(section.dsBmih.biHeight, 5) << "bottom-up";
    }
}

TEST(DibSection, GdiDrawsIntoTheBottomUpLayout)
{
    WindowDc screen(nullptr);
    ImageBuffer image;
    ASSERT_TRUE(image.create(4, 3, 32));
    {
        ImageDc dc(image, screen.get());
        ASSERT_NE(dc.get(), nullptr);
        SetPixelV(dc.get(), 1, 0, RGB(10, 20, 30));  // top row, second pixel
        GdiFlush();
    }
    const uint8_t* p = image.row(2) + 4;
    EXPECT_EQ(p[0], 30);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);
}

// 8-bit pictures blitted by GDI through their section's colour table, and 24/32-bit pictures,
// give the same bytes as our own conversion.
TEST(DibSection, OurConversionAgreesWithGdiBlits)
{
    WindowDc screen(nullptr);
    struct Case {
        uint16_t from;
        uint16_t to;
    };
    for (const Case c : {Case{8, 24}, Case{8, 32}, Case{24, 32}, Case{32, 24}, Case{4, 24}, Case{1, 32}}) {
        ImageBuffer source;
        ASSERT_TRUE(source.create(9, 4, c.from));
        fillPattern(source, static_cast<uint8_t>(c.from));
        if (c.from <= 8) {
            std::vector<RgbQuad> colors(256);
            for (int i = 0; i < 256; ++i)
                colors[i] = RgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0};
            ASSERT_TRUE(source.setColorTable(1u << c.from, colors.data()));
        }
        ImageBuffer blitted;
        ASSERT_TRUE(blitted.create(9, 4, c.to));
        {
            ImageDc from(source, screen.get());
            ImageDc to(blitted, screen.get());
            ASSERT_TRUE(BitBlt(to.get(), 0, 0, 9, 4, from.get(), 0, 0, SRCCOPY));
            GdiFlush();
        }

        ASSERT_TRUE(source.convertDepth(c.to));
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 9; ++x)
                for (int b = 0; b < 3; ++b)
                    ASSERT_EQ(source.row(y)[x * c.to / 8 + b], blitted.row(y)[x * c.to / 8 + b])
                        << c.from << " -> " << c.to << " at " << x << "," << y;
    }
}

TEST(DibSection, ImageDcMovesHeapPicturesIntoASection)
{
    ImageBuffer image;
    ASSERT_TRUE(image.create(3, 2, 24));
    fillPattern(image, 5);
    std::vector<uint8_t> bytes(image.pixels(), image.pixels() + image.sizeImage());
    ASSERT_TRUE(image.moveToStorage(heapPixelStorage()));
    ASSERT_EQ(image.storage(), &heapPixelStorage());
    WindowDc screen(nullptr);
    {
        ImageDc dc(image, screen.get());
        ASSERT_NE(dc.get(), nullptr);
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BITMAP), bitmapHandle(image));
    }
    EXPECT_EQ(image.storage(), &dibSectionStorage());
    EXPECT_EQ(std::memcmp(image.pixels(), bytes.data(), bytes.size()), 0);
    ImageBuffer empty;
    EXPECT_EQ(ImageDc(empty, screen.get()).get(), nullptr);
}

TEST(DibSection, CopyFromKeepsTheSection)
{
    ImageBuffer source;
    ASSERT_TRUE(source.create(8, 8, 32));
    ImageBuffer target;
    ASSERT_TRUE(target.copyFrom(source));
    const HBITMAP kept = bitmapHandle(target);
    fillPattern(source, 1);
    ASSERT_TRUE(target.copyFrom(source));
    EXPECT_EQ(bitmapHandle(target), kept);
    EXPECT_EQ(std::memcmp(target.pixels(), source.pixels(), source.sizeImage()), 0);
}

std::vector<RECT> regionRects(HRGN region)
{
    const DWORD bytes = GetRegionData(region, 0, nullptr);
    std::vector<uint8_t> data(bytes);
    GetRegionData(region, bytes, reinterpret_cast<RGNDATA*>(data.data()));
    const auto* header = reinterpret_cast<const RGNDATAHEADER*>(data.data());
    const auto* rects = reinterpret_cast<const RECT*>(data.data() + header->dwSize);
    return std::vector<RECT>(rects, rects + header->nCount);
}

TEST(WindowRegion, ColourKeyRegionCoversTheOtherColours)
{
    // One row: key, other, other, key, other, key; a second row all key.
    ImageBuffer image;
    ASSERT_TRUE(image.create(6, 2, 24));
    const uint32_t row[6] = {0x00FF00, 0x123456, 0x00FE00, 0x00FF00, 0xFFFFFF, 0x00FF00};
    for (int x = 0; x < 6; ++x) {
        uint8_t* p = image.row(1) + 3 * x;  // memory row 1 is the top row
        p[0] = uint8_t(row[x]);
        p[1] = uint8_t(row[x] >> 8);
        p[2] = uint8_t(row[x] >> 16);
        uint8_t* q = image.row(0) + 3 * x;
        q[1] = 0xFF;
    }
    WindowRegion region;
    ASSERT_TRUE(buildColorKeyRegion(image, region, 0x00FF00));
    ASSERT_NE(region.get(), nullptr);
    const std::vector<RECT> rects = regionRects(region.get());
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0].left, 1);
    EXPECT_EQ(rects[0].right, 3);
    EXPECT_EQ(rects[1].left, 4);
    EXPECT_EQ(rects[1].right, 5);
    EXPECT_EQ(rects[1].top, 0);
    EXPECT_EQ(rects[1].bottom, 1);
    EXPECT_FALSE(PtInRegion(region.get(), 0, 0));
    EXPECT_TRUE(PtInRegion(region.get(), 2, 0));
    EXPECT_FALSE(PtInRegion(region.get(), 2, 1));
}

TEST(WindowRegion, AllKeyGivesAnEmptyRegionAndReplacesTheOldOne)
{
    ImageBuffer image;
    ASSERT_TRUE(image.create(5, 5, 32));
    WindowRegion region;
    ASSERT_TRUE(buildColorKeyRegion(image, region, 0x000000));
    RECT box{};
    EXPECT_EQ(GetRgnBox(region.get(), &box), NULLREGION);
    const HRGN first = region.get();

    image.pixels()[0] = 1;
    ColorKeyRects scratch;
    ASSERT_TRUE(buildColorKeyRegion(image, region, 0x000000, scratch));
    EXPECT_NE(region.get(), first);
    EXPECT_EQ(GetObjectType(first), 0u) << "the old region was deleted";
    EXPECT_EQ(GetRgnBox(region.get(), &box), SIMPLEREGION);
    EXPECT_EQ(box.top, 4) << "memory row 0 is the bottom row";
    const WindowRegion handedOn(region.detach());
    EXPECT_EQ(region.get(), nullptr);
}

}  // namespace
