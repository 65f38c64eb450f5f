// The device-independent bitmap description that pictures carry: a 40-byte info header in the
// platform's BITMAPINFOHEADER layout followed by a 256-entry colour table. Portable mirrors of
// the platform structures, so that the pixel code and the loaders need no platform headers; the
// Windows layer checks at compile time that sizes and offsets agree with the SDK's.
#pragma once

#include <cstddef>
#include <cstdint>

// Compression codes of the info header that this program understands.
constexpr uint32_t kBiRgb = 0;        // uncompressed rows
constexpr uint32_t kBiBitfields = 3;  // uncompressed, with explicit channel masks

// One colour of an indexed picture, in the byte order B, G, R, reserved.
struct RgbQuad {
    uint8_t rgbBlue = 0;
    uint8_t rgbGreen = 0;
    uint8_t rgbRed = 0;
    uint8_t rgbReserved = 0;
};

// The 40-byte info header, field for field as the platform and the BMP file format define it.
struct BitmapInfoHeader {
    uint32_t biSize = 0;          // bytes of this header: 40
    int32_t biWidth = 0;          // pixels
    int32_t biHeight = 0;         // pixels; positive: rows stored bottom-up
    uint16_t biPlanes = 0;        // 1
    uint16_t biBitCount = 0;      // bits per pixel: 1, 4, 8, 16, 24 or 32
    uint32_t biCompression = 0;   // kBiRgb
    uint32_t biSizeImage = 0;     // bytes of pixel memory: height x stride
    int32_t biXPelsPerMeter = 0;  // unused
    int32_t biYPelsPerMeter = 0;  // unused
    uint32_t biClrUsed = 0;       // colours in the table; 0 means 2^biBitCount for indexed pictures
    uint32_t biClrImportant = 0;  // unused
};

constexpr int kColorTableEntries = 256;

// The info header with room for the largest colour table: 1,064 bytes, the layout of a
// BITMAPINFO with 256 colours.
struct BitmapHeader {
    BitmapInfoHeader info;
    RgbQuad colorTable[kColorTableEntries];
};

static_assert(sizeof(RgbQuad) == 4);
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(sizeof(BitmapHeader) == 1064);
static_assert(offsetof(BitmapInfoHeader, biClrUsed) == 32);

// Bytes of one pixel row: rows are padded to whole 32-bit words. 64-bit so that no width or
// depth from a file can overflow it.
constexpr int64_t rowStride(int64_t bitsPerPixel, int64_t width)
{
    return (bitsPerPixel * width + 31) / 32 * 4;
}

// True for the depths a picture may have: 1, 4, 8, 16, 24 and 32 bits per pixel.
constexpr bool isSupportedDepth(uint32_t bitsPerPixel)
{
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
           bitsPerPixel == 24 || bitsPerPixel == 32;
}
