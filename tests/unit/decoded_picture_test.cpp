// Pictures from decoder plug-ins: the checks on what a plug-in returns, and load asking the
// installed decoder before the BMP reader and the system decoder after it.
#include <gtest/gtest.h>

#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_buffer.h"
#include "image/picture_decoder.h"
#include "image_test_support.h"

namespace {

// What a plug-in hands back: a header block (info header + colour table) and a pixel block.
struct Returned {
    std::vector<uint8_t> header;
    std::vector<uint8_t> pixels;
};

Returned picture(int32_t width, int32_t height, uint16_t bits, uint32_t clrUsed, size_t colors)
{
    Returned r;
    r.header.resize(40 + 4 * colors);
    putLe32(r.header, 0, 40);
    putLe32(r.header, 4, static_cast<uint32_t>(width));
    putLe32(r.header, 8, static_cast<uint32_t>(height));
    putLe16(r.header, 12, 1);
    putLe16(r.header, 14, bits);
    putLe32(r.header, 32, clrUsed);
    for (size_t i = 0; i < colors; ++i)
        putLe32(r.header, 40 + 4 * i, static_cast<uint32_t>(i * 0x010203u) & 0xFFFFFF);
    if (width > 0 && height > 0 && width < 1000 && height < 1000)
        r.pixels.resize(static_cast<size_t>(height * rowStride(bits, width)));
    for (size_t i = 0; i < r.pixels.size(); ++i)
        r.pixels[i] = static_cast<uint8_t>(i * 37);
    return r;
}

bool take(ImageBuffer& image, const Returned& r)
{
    return image.takeDecodedPicture(r.header, r.pixels);
}

TEST(DecodedPicture, IndexedPicturesGetTheirColourTable)
{
    ImageBuffer image;
    Returned r = picture(3, 2, 8, 0, 256);  // biClrUsed 0: all 256 colours
    r.pixels = {0, 1, 255, 0, 7, 128, 200, 0};
    ASSERT_TRUE(take(image, r));
    EXPECT_EQ(image.bitsPerPixel(), 24);
    EXPECT_EQ(colorAt(image, 0, 1), 0u);
    EXPECT_EQ(colorAt(image, 1, 1), 0x010203u);
    EXPECT_EQ(colorAt(image, 2, 1), (255 * 0x010203u) & 0xFFFFFF);
    EXPECT_EQ(colorAt(image, 2, 0), (200 * 0x010203u) & 0xFFFFFF);

    r = picture(2, 1, 4, 3, 3);  // biClrUsed 3: three colours stored
    r.pixels = {0x21, 0, 0, 0};
    ASSERT_TRUE(take(image, r));
    EXPECT_EQ(colorAt(image, 0, 0), 0x020406u);
    EXPECT_EQ(colorAt(image, 1, 0), 0x010203u);
}

TEST(DecodedPicture, ThirtyTwoBitsStayThirtyTwoBits)
{
    ImageBuffer image;
    const Returned r = picture(5, 3, 32, 0, 0);
    ASSERT_TRUE(take(image, r));
    EXPECT_EQ(image.bitsPerPixel(), 32);
    EXPECT_EQ(std::memcmp(image.pixels(), r.pixels.data(), r.pixels.size()), 0);
    ASSERT_TRUE(take(image, picture(5, 3, 16, 0, 0)));
    EXPECT_EQ(image.bitsPerPixel(), 24);
}

TEST(DecodedPicture, UntrustedResultsAreRefused)
{
    struct Case {
        const char* what;
        Returned returned;
    };
    Returned shortPixels = picture(4, 4, 24, 0, 0);
    shortPixels.pixels.pop_back();
    Returned shortHeader = picture(4, 4, 24, 0, 0);
    shortHeader.header.resize(39);
    Returned tableCut = picture(2, 2, 8, 0, 256);
    tableCut.header.resize(40 + 4 * 255);
    const Case cases[] = {
        {"pixel block one byte short", shortPixels},
        {"header block shorter than 40 bytes", shortHeader},
        {"colour table cut off", tableCut},
        {"biClrUsed above 256", picture(2, 2, 8, 300, 300)},
        {"biClrUsed huge", picture(2, 2, 8, 0xFFFFFFF0u, 4)},
        {"zero width", picture(0, 2, 24, 0, 0)},
        {"zero height", picture(2, 0, 24, 0, 0)},
        {"negative height", picture(2, -2, 24, 0, 0)},
        {"negative width", picture(-2, 2, 24, 0, 0)},
        {"7 bits", picture(2, 2, 7, 0, 0)},
        {"huge sides", picture(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, 0)},
        {"no pixel block", Returned{picture(2, 2, 32, 0, 0).header, {}}},
    };
    for (const Case& c : cases) {
        ImageBuffer image;
        image.create(1, 1, 24);
        EXPECT_FALSE(take(image, c.returned)) << c.what;
        EXPECT_TRUE(image.empty()) << c.what;
    }
}

// A decoder that takes files whose name contains its word, and records what it was asked.
class FakeDecoder final : public PictureDecoder {
public:
    explicit FakeDecoder(std::string word) : word(std::move(word)) { previous = installPictureDecoder(this); }
    ~FakeDecoder() override { installPictureDecoder(previous); }

    bool decodePicture(const std::string& path, ImageBuffer& image) override
    {
        asked.push_back(path);
        if (path.find(word) == std::string::npos)
            return false;
        return take(image, picture(7, 1, 32, 0, 0));
    }

    std::string word;
    std::vector<std::string> asked;
    PictureDecoder* previous = nullptr;
};

TEST(DecodedPicture, LoadAsksTheDecoderFirst)
{
    ScratchDir dir;
    BmpLayout layout;
    layout.rowsFromTop = {{0x010203, 0x040506}};
    const std::string bmp = dir.write("tex.bmp", makeBmp(layout));
    dir.write("plain.bmp", makeBmp(layout));
    FakeDecoder decoder("TEX");

    ImageBuffer image;
    ASSERT_NE(image.load(dir.file("TEX.BMP")), nullptr);
    EXPECT_EQ(image.width(), 7) << "the decoder's picture, not the BMP reader's";
    EXPECT_EQ(image.bitsPerPixel(), 32);
    ASSERT_EQ(decoder.asked.size(), 1u);
    EXPECT_EQ(decoder.asked[0], dir.file("TEX.BMP")) << "the decoder gets the path as given";

    ASSERT_NE(image.load(dir.file("plain.bmp")), nullptr);
    EXPECT_EQ(image.width(), 2) << "refused by the decoder, read as BMP";
    EXPECT_EQ(image.bitsPerPixel(), 24);

    EXPECT_EQ(image.load(dir.file("plain.png")), nullptr);
    EXPECT_TRUE(image.empty());
    EXPECT_EQ(decoder.asked.size(), 3u);
}

TEST(DecodedPicture, WithoutADecoderLoadWithPluginGivesNothing)
{
    ASSERT_EQ(installedPictureDecoder(), nullptr);
    ImageBuffer image;
    image.create(2, 2, 24);
    EXPECT_EQ(image.loadWithPlugin("anything.png"), nullptr);
    EXPECT_TRUE(image.empty());
}

// A system decoder that hands back a 2 x 1 32-bit picture whose second pixel has the alpha of
// the file's last byte, and records the files it was given.
class FakeSystemDecoder final : public SystemPictureDecoder {
public:
    FakeSystemDecoder() : previous(installSystemDecoder(this)) {}
    ~FakeSystemDecoder() override { installSystemDecoder(previous); }

    bool decodeFile(std::span<const uint8_t> bytes, ImageBuffer& image) override
    {
        asked.emplace_back(bytes.begin(), bytes.end());
        if (!image.create(2, 1, 32))
            return false;
        std::memset(image.pixels(), 0xFF, image.sizeImage());
        image.pixels()[7] = bytes.back();
        return true;
    }

    std::vector<std::vector<uint8_t>> asked;
    SystemPictureDecoder* previous = nullptr;
};

std::vector<uint8_t> bytesOf(std::string_view text)
{
    return {text.begin(), text.end()};
}

using namespace std::string_view_literals;

TEST(DecodedPicture, TheSystemDecoderIsAskedLastAndOnlyForItsSignatures)
{
    ScratchDir dir;
    BmpLayout layout;
    layout.rowsFromTop = {{0x010203}};
    FakeSystemDecoder decoder;
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        bool offered;    // handed to the system decoder
        uint16_t depth;  // of the picture; 0: none
    } cases[] = {
        {"a.png", bytesOf("\x89PNG\r\n\x1A\n\x80"sv), true, 32},  // a translucent pixel keeps the alpha
        {"a.jpg", bytesOf("\xFF\xD8\xFF\xE0\xFF"sv), true, 24},   // all opaque: 24 bits
        {"a.gif", bytesOf("GIF87a\x00"sv), true, 32},
        {"b.gif", bytesOf("GIF89a\x00"sv), true, 32},
        {"a.tif", bytesOf("II*\0\x10"sv), true, 32},
        {"b.tif", bytesOf("MM\0*\x10"sv), true, 32},
        {"png-named.bmp", bytesOf("\x89PNG\r\n\x1A\n\x01"sv), true, 32},  // refused as BMP, then decoded
        {"cut.png", bytesOf("\x89PNG\r\n"sv), false, 0},
        {"notes.png", bytesOf("just text"sv), false, 0},
        {"real.bmp", makeBmp(layout), false, 24},  // the BMP reader's
    };
    size_t offered = 0;
    for (const auto& c : cases) {
        ImageBuffer image;
        image.load(dir.write(c.name, c.bytes));
        EXPECT_EQ(image.bitsPerPixel(), c.depth) << c.name;
        offered += c.offered ? 1 : 0;
        ASSERT_EQ(decoder.asked.size(), offered) << c.name;
        if (c.offered) {
            EXPECT_EQ(decoder.asked.back(), c.bytes) << "the whole file goes to the decoder: " << c.name;
        }
    }
}

}  // namespace
