// The TGA reader: every kind with its colours, raw and run-length, each origin; short files;
// hostile headers; files written by another program (ImageMagick, tests/data/pictures).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/image_buffer.h"
#include "image_test_support.h"

namespace {

// What a TGA file is made of. Pixels are raw stored values (an index, a grey level, a 16-bit
// word, 0xRRGGBB or 0xAARRGGBB), given top row first as a person reads the picture.
struct TgaLayout {
    uint8_t imageType = 2;
    uint8_t pixelBits = 24;
    uint8_t alphaBits = 0;
    bool topDown = false;
    bool rightToLeft = false;
    bool runLength = false;
    uint16_t mapFirst = 0;
    uint8_t mapBits = 0;        // 0: no colour map
    std::vector<uint32_t> map;  // raw entries like pixels
    std::vector<std::vector<uint32_t>> rowsFromTop;
};

void putValue(std::vector<uint8_t>& out, uint32_t value, uint32_t bits)
{
    for (uint32_t i = 0; i < (bits + 7) / 8; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Run-length packets over the whole pixel stream: runs of equal pixels (crossing rows) become
// run packets, the rest raw packets.
void putRunLength(std::vector<uint8_t>& out, const std::vector<uint32_t>& stream, uint32_t bits)
{
    for (size_t i = 0; i < stream.size();) {
        size_t run = 1;
        while (i + run < stream.size() && run < 128 && stream[i + run] == stream[i])
            ++run;
        if (run > 1) {
            out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
            putValue(out, stream[i], bits);
            i += run;
            continue;
        }
        size_t raw = 1;
        while (i + raw < stream.size() && raw < 128 &&
               (i + raw + 1 >= stream.size() || stream[i + raw] != stream[i + raw + 1]))
            ++raw;
        out.push_back(static_cast<uint8_t>(raw - 1));
        for (size_t k = 0; k < raw; ++k)
            putValue(out, stream[i + k], bits);
        i += raw;
    }
}

std::vector<uint8_t> makeTga(const TgaLayout& t)
{
    const size_t height = t.rowsFromTop.size(), width = height ? t.rowsFromTop[0].size() : 0;
    std::vector<uint8_t> out(18);
    out[0] = 3;  // an image id of three bytes, to be read past
    out[1] = t.mapBits ? 1 : 0;
    out[2] = static_cast<uint8_t>(t.imageType | (t.runLength ? 8 : 0));
    putLe16(out, 3, t.mapFirst);
    putLe16(out, 5, static_cast<uint32_t>(t.map.size()));
    out[7] = t.mapBits;
    putLe16(out, 12, static_cast<uint32_t>(width));
    putLe16(out, 14, static_cast<uint32_t>(height));
    out[16] = t.pixelBits;
    out[17] = static_cast<uint8_t>(t.alphaBits | (t.rightToLeft ? 0x10 : 0) | (t.topDown ? 0x20 : 0));
    out.insert(out.end(), {'i', 'd', '!'});
    for (uint32_t entry : t.map)
        putValue(out, entry, t.mapBits);
    std::vector<uint32_t> stream;
    for (size_t r = 0; r < height; ++r) {
        const auto& row = t.rowsFromTop[t.topDown ? r : height - 1 - r];
        for (size_t x = 0; x < width; ++x)
            stream.push_back(row[t.rightToLeft ? width - 1 - x : x]);
    }
    if (t.runLength) {
        putRunLength(out, stream, t.pixelBits);
    } else {
        for (uint32_t v : stream)
            putValue(out, v, t.pixelBits);
    }
    return out;
}

// The pixel (x, row from the top) as 0xAARRGGBB; alpha 0xFF for 24-bit pictures.
uint32_t argbAt(const ImageBuffer& image, int32_t x, int32_t rowFromTop)
{
    const uint32_t alpha =
        image.bitsPerPixel() == 32 ? image.row(image.height() - 1 - rowFromTop)[4 * x + 3] : 0xFFu;
    return alpha << 24 | colorAt(image, x, rowFromTop);
}

struct KindCase {
    const char* what;
    TgaLayout layout;
    uint16_t depth;                                  // of the picture that results
    std::vector<std::vector<uint32_t>> argbFromTop;  // what a viewer shows
};

std::vector<KindCase> kindCases()
{
    std::vector<KindCase> cases;
    TgaLayout grey;
    grey.imageType = 3;
    grey.pixelBits = 8;
    grey.rowsFromTop = {{0, 0x80, 0xFF}, {0x80, 0x80, 1}};
    cases.push_back({"8-bit grey",
                     grey,
                     24,
                     {{0xFF000000, 0xFF808080, 0xFFFFFFFF}, {0xFF808080, 0xFF808080, 0xFF010101}}});

    TgaLayout mapped;  // entries start at index 2: 0 and 1 lie below the map, 5 past it
    mapped.imageType = 1;
    mapped.pixelBits = 8;
    mapped.mapBits = 24;
    mapped.mapFirst = 2;
    mapped.map = {0x112233, 0x445566, 0xAABBCC};
    mapped.rowsFromTop = {{2, 3, 4}, {4, 0, 5}};
    cases.push_back({"8-bit indices, 24-bit map",
                     mapped,
                     24,
                     {{0xFF112233, 0xFF445566, 0xFFAABBCC}, {0xFFAABBCC, 0xFF000000, 0xFF000000}}});

    TgaLayout mapped16 = mapped;
    mapped16.mapBits = 16;
    mapped16.mapFirst = 0;
    mapped16.map = {0x7C00, 0x03E0, 0x801F};  // the attribute bit of the last is not alpha
    mapped16.rowsFromTop = {{0, 1, 2}, {2, 1, 0}};
    cases.push_back({"8-bit indices, 16-bit map",
                     mapped16,
                     24,
                     {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}, {0xFF0000FF, 0xFF00FF00, 0xFFFF0000}}});

    TgaLayout rgb16;
    rgb16.pixelBits = 16;
    rgb16.rowsFromTop = {{0x7C00, 0x03E0, 0x001F}, {0x7FFF, 0x0000, 0x4210}};
    cases.push_back(
        {"16 bits", rgb16, 24, {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}, {0xFFFFFFFF, 0xFF000000, 0xFF848484}}});

    TgaLayout rgb24;
    rgb24.rowsFromTop = {{0xFF0000, 0x00FF00, 0x0000FF}, {0x123456, 0x123456, 0x123456}};
    cases.push_back(
        {"24 bits", rgb24, 24, {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}, {0xFF123456, 0xFF123456, 0xFF123456}}});

    TgaLayout argb = rgb24;
    argb.pixelBits = 32;
    argb.alphaBits = 8;
    argb.rowsFromTop = {{0xFFFF0000, 0x8000FF00, 0x000000FF}, {0xFF123456, 0xFF123456, 0x7F654321}};
    cases.push_back({"32 bits with alpha", argb, 32, argb.rowsFromTop});

    TgaLayout opaque = argb;
    opaque.rowsFromTop = {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}, {0xFF123456, 0xFF123456, 0xFF654321}};
    cases.push_back({"32 bits, all opaque", opaque, 24, opaque.rowsFromTop});

    TgaLayout noAlphaBits = argb;  // the fourth byte is not alpha when the descriptor says so
    noAlphaBits.alphaBits = 0;
    cases.push_back({"32 bits without alpha bits",
                     noAlphaBits,
                     24,
                     {{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}, {0xFF123456, 0xFF123456, 0xFF654321}}});
    return cases;
}

TEST(TgaReader, EveryKindRawAndRunLengthFromEachCorner)
{
    ScratchDir dir;
    for (const KindCase& c : kindCases()) {
        for (int variant = 0; variant < 8; ++variant) {
            TgaLayout layout = c.layout;
            layout.runLength = (variant & 1) != 0;
            layout.topDown = (variant & 2) != 0;
            layout.rightToLeft = (variant & 4) != 0;
            const std::string what = std::string(c.what) + " variant " + std::to_string(variant);
            ImageBuffer image;
            ASSERT_NE(image.load(dir.write("picture.tga", makeTga(layout))), nullptr) << what;
            ASSERT_EQ(image.bitsPerPixel(), c.depth) << what;
            ASSERT_EQ(image.width(), 3) << what;
            ASSERT_EQ(image.height(), 2) << what;
            for (int32_t r = 0; r < 2; ++r)
                for (int32_t x = 0; x < 3; ++x)
                    EXPECT_EQ(argbAt(image, x, r), c.argbFromTop[r][x]) << what << " at " << x << "," << r;
        }
    }
}

TEST(TgaReader, ShortFilesLeaveTheRestZeroAndRunsStopAtTheLastPixel)
{
    ScratchDir dir;
    TgaLayout layout;
    layout.rowsFromTop = {{0x111111, 0x222222}, {0x333333, 0x444444}};
    auto bytes = makeTga(layout);
    bytes.resize(bytes.size() - 6 - 1);  // rows from the bottom: the top row and a byte more go
    ImageBuffer image;
    ASSERT_NE(image.load(dir.write("short.tga", bytes)), nullptr);
    EXPECT_EQ(argbAt(image, 0, 0), 0xFF000000u);
    EXPECT_EQ(argbAt(image, 1, 0), 0xFF000000u);
    EXPECT_EQ(argbAt(image, 0, 1), 0xFF333333u);
    EXPECT_EQ(argbAt(image, 1, 1), 0xFF000000u) << "a pixel cut in its middle stays zero";

    // A run packet of 128 pixels for a 2 x 2 picture, then a raw packet past the end.
    bytes = makeTga(layout);
    bytes.resize(21);
    bytes[2] = 10;
    bytes.insert(bytes.end(), {0xFF, 0x01, 0x02, 0x03, 0x00, 0x09, 0x09, 0x09});
    ASSERT_NE(image.load(dir.write("long-run.tga", bytes)), nullptr);
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(argbAt(image, i % 2, i / 2), 0xFF030201u);

    bytes.resize(21);
    bytes.push_back(0x83);  // a run whose pixel is cut off
    ASSERT_NE(image.load(dir.write("cut-run.tga", bytes)), nullptr);
    EXPECT_EQ(argbAt(image, 1, 0), 0xFF000000u);
}

// Each of these, made from a valid 2 x 2 file, must give no picture.
TEST(TgaReader, HostileHeadersGiveNoPicture)
{
    TgaLayout rgb;
    rgb.rowsFromTop = {{1, 2}, {3, 4}};
    TgaLayout mapped;
    mapped.imageType = 1;
    mapped.pixelBits = 8;
    mapped.mapBits = 24;
    mapped.map = {0x010203, 0x040506};
    mapped.rowsFromTop = {{0, 1}, {1, 0}};
    using Edit = void (*)(std::vector<uint8_t>&);
    struct Case {
        const char* what;
        const TgaLayout* base;
        Edit edit;
    };
    const Case cases[] = {
        {"empty file", &rgb, [](auto& b) { b.clear(); }},
        {"cut inside the header", &rgb, [](auto& b) { b.resize(17); }},
        {"no pixel data", &rgb, [](auto& b) { b[2] = 0; }},
        {"unknown type", &rgb, [](auto& b) { b[2] = 32; }},
        {"colour map type 2", &rgb, [](auto& b) { b[1] = 2; }},
        {"mapped without a map", &mapped, [](auto& b) { b[1] = 0; }},
        {"16-bit indices", &mapped, [](auto& b) { b[16] = 16; }},
        {"8-bit map entries", &mapped, [](auto& b) { b[7] = 8; }},
        {"empty map", &mapped, [](auto& b) { putLe16(b, 5, 0); }},
        {"map past the end of the file", &mapped, [](auto& b) { putLe16(b, 5, 0xFFFF); }},
        {"image id past the end", &rgb, [](auto& b) { b[0] = 0xFF; }},
        {"width 0", &rgb, [](auto& b) { putLe16(b, 12, 0); }},
        {"height 0", &rgb, [](auto& b) { putLe16(b, 14, 0); }},
        {"8-bit true colour", &rgb, [](auto& b) { b[16] = 8; }},
        {"16-bit grey", &rgb,
         [](auto& b) {
             b[2] = 3;
             b[16] = 16;
         }},
        {"largest sides in a tiny file", &rgb,
         [](auto& b) {
             putLe16(b, 12, 0xFFFF);
             putLe16(b, 14, 0xFFFF);
         }},
        {"wider than a picture may be", &rgb,
         [](auto& b) {
             putLe16(b, 12, 40000);
             putLe16(b, 14, 1);
             b.resize(b.size() + 40000 * 3);
         }},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        auto bytes = makeTga(*c.base);
        c.edit(bytes);
        ImageBuffer image;
        image.create(1, 1, 24);
        EXPECT_EQ(image.load(dir.write("hostile.tga", bytes)), nullptr) << c.what;
        EXPECT_TRUE(image.empty()) << c.what;
    }
}

// Files written by ImageMagick 6 from one 32 x 16 picture (blocks.png) of 4 x 2 blocks of 8 x 8
// pixels: red, green, blue, white above black, grey 128 at alpha 128, transparent, yellow. It
// writes its rows top first whatever origin it declares, so bottom-up files are made flipped:
//   convert blocks.png -flip -orient BottomLeft -compress RLE blocks-rle.tga   (32 bits)
//   convert blocks.png -alpha off -flip -orient BottomLeft -compress none blocks-24.tga
//   convert blocks.png -alpha off -orient TopLeft -compress none blocks-topleft.tga
//   convert blocks.png -alpha off -type Palette -flip -orient BottomLeft -compress RLE blocks-palette.tga
TEST(TgaReader, FilesOfAnotherWriterLoad)
{
    const std::filesystem::path pictures =
        std::filesystem::path(VELLARN_SOURCE_DIR) / "tests" / "data" / "pictures";
    const uint32_t opaqueBlocks[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                     0xFF000000, 0xFF808080, 0xFF000000, 0xFFFFFF00};
    const uint32_t alphaBlocks[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF,
                                    0xFF000000, 0x80808080, 0x00000000, 0xFFFFFF00};
    struct Case {
        const char* name;
        const uint32_t* blocks;
    };
    for (const Case& c :
         {Case{"blocks-rle.tga", alphaBlocks}, Case{"blocks-24.tga", opaqueBlocks},
          Case{"blocks-topleft.tga", opaqueBlocks}, Case{"blocks-palette.tga", opaqueBlocks}}) {
        ImageBuffer image;
        ASSERT_NE(image.load((pictures / c.name).string()), nullptr) << c.name;
        ASSERT_EQ(image.width(), 32);
        ASSERT_EQ(image.height(), 16);
        for (int32_t block = 0; block < 8; ++block)
            EXPECT_EQ(argbAt(image, 8 * (block % 4) + 3, 8 * (block / 4) + 4), c.blocks[block])
                << c.name << " block " << block;
    }
}

}  // namespace
