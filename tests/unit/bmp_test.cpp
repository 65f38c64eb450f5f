// The BMP reader and load's choice of reader: every accepted depth with its colours, short
// files, the ".bmp" substring test, and hostile headers that must give no picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "image/image_buffer.h"
#include "image_test_support.h"

namespace {

std::vector<uint32_t> greyRamp(size_t count)
{
    std::vector<uint32_t> table;
    for (uint32_t i = 0; i < count; ++i)
        table.push_back((i * 0x010101u) ^ 0x400000u);
    return table;
}

// One small picture per depth; expected colours are what a viewer shows.
struct DepthCase {
    BmpLayout layout;
    std::vector<std::vector<uint32_t>> colorsFromTop;
};

std::vector<DepthCase> depthCases()
{
    const auto indexed = [](uint16_t bits, size_t colors, std::vector<std::vector<uint32_t>> rows) {
        DepthCase c;
        c.layout.bitsPerPixel = bits;
        c.layout.table = greyRamp(colors);
        c.layout.rowsFromTop = rows;
        for (const auto& row : rows) {
            std::vector<uint32_t> out;
            for (uint32_t index : row)
                out.push_back(c.layout.table[index]);
            c.colorsFromTop.push_back(out);
        }
        return c;
    };
    std::vector<DepthCase> cases = {
        indexed(1, 2, {{1, 0, 1, 1, 0, 0, 0, 0, 1}, {0, 1, 0, 0, 0, 0, 0, 1, 0}}),
        indexed(4, 16, {{15, 0, 3}, {7, 8, 1}}),
        indexed(8, 256, {{255, 0, 17, 200, 1}, {9, 99, 199, 254, 128}}),
    };
    DepthCase c16;
    c16.layout.bitsPerPixel = 16;
    c16.layout.rowsFromTop = {{0x7C00, 0x03E0, 0x001F}, {0x7FFF, 0x0000, 0x4210}};
    c16.colorsFromTop = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0x848484}};
    DepthCase c24;
    c24.layout.bitsPerPixel = 24;
    c24.layout.rowsFromTop = {{0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0x000000}, {1, 2, 3, 4, 5}};
    c24.colorsFromTop = c24.layout.rowsFromTop;
    DepthCase c32;
    c32.layout.bitsPerPixel = 32;
    c32.layout.rowsFromTop = {{0xFFFF0000, 0x0000FF00}, {0x800000FF, 0x7F654321}};
    c32.colorsFromTop = {{0xFF0000, 0x00FF00}, {0x0000FF, 0x654321}};
    cases.push_back(c16);
    cases.push_back(c24);
    cases.push_back(c32);
    return cases;
}

void expectColors(const ImageBuffer& image, const std::vector<std::vector<uint32_t>>& colorsFromTop,
                  const std::string& what)
{
    ASSERT_FALSE(image.empty()) << what;
    ASSERT_EQ(image.bitsPerPixel(), 24) << what;
    ASSERT_EQ(image.height(), static_cast<int32_t>(colorsFromTop.size())) << what;
    ASSERT_EQ(image.width(), static_cast<int32_t>(colorsFromTop[0].size())) << what;
    for (size_t r = 0; r < colorsFromTop.size(); ++r)
        for (size_t x = 0; x < colorsFromTop[r].size(); ++x)
            EXPECT_EQ(colorAt(image, static_cast<int32_t>(x), static_cast<int32_t>(r)), colorsFromTop[r][x])
                << what << " at " << x << "," << r;
}

TEST(BmpReader, EveryDepthLoadsAsTwentyFourBitsWithItsColoursEitherWayUp)
{
    ScratchDir dir;
    for (DepthCase c : depthCases()) {
        for (const bool topDown : {false, true}) {
            c.layout.topDown = topDown;
            const std::string what =
                std::to_string(c.layout.bitsPerPixel) + "-bit BMP" + (topDown ? ", top-down" : "");
            const std::string path = dir.write("picture.bmp", makeBmp(c.layout));
            ImageBuffer image;
            ASSERT_NE(image.loadBmp(path), nullptr) << what;
            expectColors(image, c.colorsFromTop, what);
        }
    }
}

TEST(BmpReader, EightBitsWithAFullTableStartAt1078)
{
    ScratchDir dir;
    BmpLayout layout;
    layout.bitsPerPixel = 8;
    layout.table = greyRamp(256);
    layout.rowsFromTop = {{0, 255, 128}};
    const auto bytes = makeBmp(layout);
    ASSERT_EQ(bytes[10] | bytes[11] << 8, 1078);
    ImageBuffer image;
    ASSERT_NE(image.load(dir.write("eight.bmp", bytes)), nullptr);
    expectColors(image, {{layout.table[0], layout.table[255], layout.table[128]}}, "8-bit");
}

TEST(BmpReader, ShortTablesAndLongerHeaders)
{
    ScratchDir dir;
    BmpLayout shortTable;  // biClrUsed 3: only three colours are stored
    shortTable.bitsPerPixel = 8;
    shortTable.clrUsed = 3;
    shortTable.table = {0x112233, 0x445566, 0x778899};
    shortTable.rowsFromTop = {{2, 1, 0}};
    BmpLayout v5;  // a 124-byte header with the table behind it: bfOffBits 1,162
    v5.bitsPerPixel = 8;
    v5.infoSize = 124;
    v5.table = greyRamp(256);
    v5.rowsFromTop = {{5, 250}};
    BmpLayout v5rgb = v5;
    v5rgb.bitsPerPixel = 24;
    v5rgb.table.clear();
    v5rgb.rowsFromTop = {{0x0A0B0C, 0x0D0E0F}};
    BmpLayout fields32;  // bit fields that say 8-8-8
    fields32.bitsPerPixel = 32;
    fields32.compression = 3;
    fields32.masks = {0xFF0000, 0xFF00, 0xFF};
    fields32.rowsFromTop = {{0x00ABCDEF}};
    BmpLayout fields16 = fields32;  // 5-5-5 as bit fields, inside a 108-byte header
    fields16.bitsPerPixel = 16;
    fields16.infoSize = 108;
    fields16.masks = {0x7C00, 0x03E0, 0x001F};
    fields16.rowsFromTop = {{0x7C00, 0x001F}};
    struct Case {
        const BmpLayout* layout;
        std::vector<std::vector<uint32_t>> colors;
    };
    const Case cases[] = {{&shortTable, {{0x778899, 0x445566, 0x112233}}},
                          {&v5, {{v5.table[5], v5.table[250]}}},
                          {&v5rgb, {{0x0A0B0C, 0x0D0E0F}}},
                          {&fields32, {{0xABCDEF}}},
                          {&fields16, {{0xFF0000, 0x0000FF}}}};
    for (const Case& c : cases) {
        ImageBuffer image;
        ASSERT_NE(image.loadBmp(dir.write("x.bmp", makeBmp(*c.layout))), nullptr) << c.layout->infoSize;
        expectColors(image, c.colors, "header of " + std::to_string(c.layout->infoSize));
    }
}

TEST(BmpReader, MissingRowsAtTheEndOfTheFileStayZero)
{
    ScratchDir dir;
    BmpLayout rgb;
    rgb.rowsFromTop = {
        {0x111111, 0x222222}, {0x333333, 0x444444}, {0x555555, 0x666666}, {0x777777, 0x888888}};
    auto bytes = makeBmp(rgb);
    bytes.resize(bytes.size() - 2 * 8 - 3);  // the top two rows and a bit of the third are gone
    ImageBuffer image;
    ASSERT_NE(image.loadBmp(dir.write("short.bmp", bytes)), nullptr);
    expectColors(image, {{0, 0}, {0, 0}, {0x555555, 0x006666}, {0x777777, 0x888888}}, "short 24-bit");

    BmpLayout indexed;
    indexed.bitsPerPixel = 8;
    indexed.table = {0x0000C0, 0xFFFFFF};
    indexed.clrUsed = 2;
    indexed.rowsFromTop = {{1, 1}, {1, 1}};
    bytes = makeBmp(indexed);
    bytes.resize(bytes.size() - 4);
    ASSERT_NE(image.loadBmp(dir.write("short8.bmp", bytes)), nullptr);
    expectColors(image, {{0x0000C0, 0x0000C0}, {0xFFFFFF, 0xFFFFFF}}, "short 8-bit: colour entry 0");

    rgb.topDown = true;  // stored from the top, so the bottom rows are the missing ones
    bytes = makeBmp(rgb);
    bytes.resize(bytes.size() - 2 * 8 - 3);
    ASSERT_NE(image.loadBmp(dir.write("short-top-down.bmp", bytes)), nullptr);
    expectColors(image, {{0x111111, 0x222222}, {0x333333, 0x004444}, {0, 0}, {0, 0}},
                 "short top-down 24-bit");

    bytes = makeBmp(rgb);
    bytes.resize(54);  // header only
    ASSERT_NE(image.loadBmp(dir.write("none.bmp", bytes)), nullptr);
    EXPECT_EQ(colorAt(image, 1, 3), 0u);
}

TEST(BmpReader, TheLowerCasedPathDecidesOnTheBmpReader)
{
    ScratchDir dir;
    BmpLayout layout;
    layout.rowsFromTop = {{0x010203}};
    const auto bytes = makeBmp(layout);
    dir.write("upper.bmp", bytes);
    dir.write("notes.bmp.txt", bytes);
    dir.write("picture.dib", bytes);
    dir.write("noext", bytes);
    struct Case {
        std::string name;
        bool loads;
    };
    const Case cases[] = {{"upper.bmp", true},     {"UPPER.BMP", true},    {"Upper.Bmp", true},
                          {"notes.bmp.txt", true}, {"picture.dib", false}, {"noext", false},
                          {"missing.bmp", false}};
    for (const Case& c : cases) {
        ImageBuffer image;
        image.create(1, 1, 32);
        EXPECT_EQ(image.load(dir.file(c.name)) != nullptr, c.loads) << c.name;
        EXPECT_EQ(image.empty(), !c.loads) << "a failed load leaves the buffer empty: " << c.name;
    }
}

// Each of these, made from a valid 2 x 2 24-bit or 8-bit file, must give no picture.
TEST(BmpReader, HostileHeadersGiveNoPicture)
{
    BmpLayout rgb;
    rgb.rowsFromTop = {{1, 2}, {3, 4}};
    BmpLayout indexed;
    indexed.bitsPerPixel = 8;
    indexed.table = greyRamp(4);
    indexed.clrUsed = 4;
    indexed.rowsFromTop = {{1, 2}, {3, 0}};
    using Edit = void (*)(std::vector<uint8_t>&);
    struct Case {
        const char* what;
        const BmpLayout* base;
        Edit edit;
    };
    const Case cases[] = {
        {"empty file", &rgb, [](auto& b) { b.clear(); }},
        {"cut inside the info header", &rgb, [](auto& b) { b.resize(40); }},
        {"bfOffBits below 54", &rgb, [](auto& b) { putLe32(b, 10, 40); }},
        {"bfOffBits 0", &rgb, [](auto& b) { putLe32(b, 10, 0); }},
        {"bfOffBits far past the end", &rgb, [](auto& b) { putLe32(b, 10, 0xFFFFFFF0u); }},
        {"OS/2 12-byte header", &rgb, [](auto& b) { putLe32(b, 14, 12); }},
        {"header longer than bfOffBits", &rgb, [](auto& b) { putLe32(b, 14, 200); }},
        {"header size 0xFFFFFFFF", &rgb, [](auto& b) { putLe32(b, 14, 0xFFFFFFFFu); }},
        {"width 0", &rgb, [](auto& b) { putLe32(b, 18, 0); }},
        {"negative width", &rgb, [](auto& b) { putLe32(b, 18, 0xFFFFFFFEu); }},
        {"height 0", &rgb, [](auto& b) { putLe32(b, 22, 0); }},
        {"INT32_MIN height", &rgb, [](auto& b) { putLe32(b, 22, 0x80000000u); }},
        {"huge sides", &rgb,
         [](auto& b) {
             putLe32(b, 18, 0x7FFFFFFF);
             putLe32(b, 22, 0x7FFFFFFF);
         }},
        {"too many bytes", &rgb,
         [](auto& b) {
             putLe32(b, 18, 30000);
             putLe32(b, 22, 30000);
         }},
        {"0 bits", &rgb, [](auto& b) { putLe16(b, 28, 0); }},
        {"2 bits", &rgb, [](auto& b) { putLe16(b, 28, 2); }},
        {"64 bits", &rgb, [](auto& b) { putLe16(b, 28, 64); }},
        {"RLE8", &indexed, [](auto& b) { putLe32(b, 30, 1); }},
        {"JPEG inside", &rgb, [](auto& b) { putLe32(b, 30, 4); }},
        {"bit fields on 24 bits", &rgb, [](auto& b) { putLe32(b, 30, 3); }},
        {"more colours than 8 bits index", &indexed, [](auto& b) { putLe32(b, 46, 257); }},
        {"table running into the pixels", &indexed, [](auto& b) { putLe32(b, 46, 5); }},
        {"table past the end of the file", &indexed, [](auto& b) { putLe32(b, 46, 200); }},
        {"no room for the implied table", &indexed, [](auto& b) { putLe32(b, 46, 0); }},
        {"4 bits with 17 colours", &indexed,
         [](auto& b) {
             putLe16(b, 28, 4);
             putLe32(b, 46, 17);
         }},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        auto bytes = makeBmp(*c.base);
        c.edit(bytes);
        ImageBuffer image;
        EXPECT_EQ(image.load(dir.write("hostile.bmp", bytes)), nullptr) << c.what;
        EXPECT_TRUE(image.empty()) << c.what;
    }
}

TEST(BmpReader, BitFieldsOtherThanThePlainLayoutAreRefused)
{
    BmpLayout layout;
    layout.bitsPerPixel = 16;
    layout.compression = 3;
    layout.masks = {0xF800, 0x07E0, 0x001F};  // 5-6-5
    layout.rowsFromTop = {{0xFFFF}};
    ScratchDir dir;
    ImageBuffer image;
    EXPECT_EQ(image.loadBmp(dir.write("565.bmp", makeBmp(layout))), nullptr);
}

// Random damage to the headers of valid files: whatever happens, no read or write goes outside
// a buffer (the sanitizer build checks), and a picture that loads is consistent.
TEST(BmpReader, DamagedHeadersNeverOverrun)
{
    std::mt19937 random(1234);
    ScratchDir dir;
    const auto cases = depthCases();
    for (int round = 0; round < 400; ++round) {
        auto bytes = makeBmp(cases[static_cast<size_t>(round) % cases.size()].layout);
        const int damage = 1 + static_cast<int>(random() % 4);
        for (int d = 0; d < damage; ++d) {
            const size_t at = 10 + random() % 50;
            if (at < bytes.size())
                bytes[at] = static_cast<uint8_t>(random() % 3 == 0 ? 0xFF : random());
        }
        if (random() % 4 == 0)
            bytes.resize(random() % bytes.size());
        ImageBuffer image;
        if (image.loadBmp(dir.write("damaged.bmp", bytes))) {
            ASSERT_EQ(image.bitsPerPixel(), 24);
            ASSERT_EQ(image.sizeImage(), static_cast<size_t>(image.height()) * image.stride());
        }
    }
}

// Textures that came with real models: an 8-bit and a 24-bit file.
TEST(BmpReader, RealTexturesLoad)
{
    std::string source = VELLARN_SOURCE_DIR;
#if defined(_WIN32)
    if (!source.empty() && source[0] == '/')
        source = "Z:" + source;  // the build machine's root as Wine shows it
#endif
    const std::filesystem::path corpus = std::filesystem::path(source) / ".." / "shared" / "corpus" / "mqo";
    if (!std::filesystem::exists(corpus / "bridge.bmp"))
        GTEST_SKIP() << "no corpus at " << corpus.string();
    struct Case {
        const char* name;
        int32_t side;
    };
    for (const Case& c : {Case{"bridge.bmp", 32}, Case{"engine2.bmp", 64}, Case{"beamer_panel.bmp", 64}}) {
        ImageBuffer image;
        ASSERT_NE(image.load((corpus / c.name).string()), nullptr) << c.name;
        EXPECT_EQ(image.width(), c.side);
        EXPECT_EQ(image.height(), c.side);
        EXPECT_EQ(image.bitsPerPixel(), 24);
    }
}

}  // namespace
