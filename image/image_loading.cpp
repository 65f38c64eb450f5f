// Loading pictures from files: load (decoder plug-ins first, then the BMP and TGA readers, then
// the system decoder), the BMP reader itself, and the intake of pictures that decoder plug-ins
// return.
//
// Everything read here comes from outside and is checked before it is used. A BMP is taken when
// it has an info header of at least 40 bytes lying before its pixel data, non-zero sides within
// ImageBuffer's limits (a negative height stores the rows top-down), 1, 4, 8, 16, 24 or 32 bits
// per pixel, uncompressed rows (or bit fields that spell the plain 5-5-5 or 8-8-8 layout), and
// for indexed pictures a colour table of at most 2^depth entries that lies between the header
// and the pixel data. Anything else - OS/2 headers, compressed rows, a table that does not fit -
// is no picture. Pixel rows missing at the end of a short file stay zero.
#include <cstdio>
#include <cstring>

#include "base/cp932.h"
#include "base/files.h"
#include "image/image_buffer.h"
#include "image/picture_decoder.h"
#include "image/tga_reader.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;
// Pixel data further into a file than this is not looked for: headers and colour tables take
// at most 14 + 124 + 1,024 bytes.
constexpr uint32_t kMaxPixelDataOffset = 65536;
// Picture files read whole (TGA, and those for the system decoder) are not read past this size:
// the largest picture a buffer holds, stored raw.
constexpr size_t kMaxPictureFileBytes = ImageBuffer::kMaxPixelBytes;
// Bytes of a file's start that tell the system decoder's formats by their signature.
constexpr size_t kSignatureBytes = 8;

uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The 40-byte info header from its little-endian bytes.
BitmapInfoHeader decodeInfoHeader(const uint8_t* p)
{
    BitmapInfoHeader info;
    info.biSize = le32(p);
    info.biWidth = static_cast<int32_t>(le32(p + 4));
    info.biHeight = static_cast<int32_t>(le32(p + 8));
    info.biPlanes = le16(p + 12);
    info.biBitCount = le16(p + 14);
    info.biCompression = le32(p + 16);
    info.biSizeImage = le32(p + 20);
    info.biXPelsPerMeter = static_cast<int32_t>(le32(p + 24));
    info.biYPelsPerMeter = static_cast<int32_t>(le32(p + 28));
    info.biClrUsed = le32(p + 32);
    info.biClrImportant = le32(p + 36);
    return info;
}

bool readExactly(std::FILE* file, void* into, size_t bytes)
{
    return std::fread(into, 1, bytes, file) == bytes;
}

bool seekTo(std::FILE* file, uint32_t offset)
{
    return offset <= kMaxPixelDataOffset && std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
}

// Bit fields are taken only when they describe the layout the plain depth has anyway. They sit
// at file offset 54: after a 40-byte header, or inside a longer one.
bool hasPlainBitFields(std::FILE* file, const BitmapInfoHeader& info, uint32_t pixelOffset)
{
    const bool placed = info.biSize == kInfoHeaderBytes || info.biSize >= kInfoHeaderBytes + 12;
    uint8_t masks[12];
    if (!placed || pixelOffset < kFileHeaderBytes + kInfoHeaderBytes + 12 || !readExactly(file, masks, 12))
        return false;
    const uint32_t red = le32(masks), green = le32(masks + 4), blue = le32(masks + 8);
    if (info.biBitCount == 16)
        return red == 0x7C00 && green == 0x03E0 && blue == 0x001F;
    if (info.biBitCount == 32)
        return red == 0x00FF0000 && green == 0x0000FF00 && blue == 0x000000FF;
    return false;
}

// Reads the colour table of an indexed BMP: biClrUsed entries (2^depth when 0) right after the
// info header, which must end by the pixel data.
bool readBmpColorTable(std::FILE* file, const BitmapInfoHeader& info, uint32_t pixelOffset, RgbQuad* table)
{
    const uint32_t capacity = 1u << info.biBitCount;
    const uint32_t count = info.biClrUsed != 0 ? info.biClrUsed : capacity;
    if (count > capacity)
        return false;
    const uint64_t tableStart = kFileHeaderBytes + static_cast<uint64_t>(info.biSize);
    if (tableStart + 4ull * count > pixelOffset || !seekTo(file, static_cast<uint32_t>(tableStart)))
        return false;
    uint8_t bytes[4 * kColorTableEntries];
    if (!readExactly(file, bytes, 4 * count))
        return false;
    for (uint32_t i = 0; i < count; ++i)
        table[i] = RgbQuad{bytes[4 * i], bytes[4 * i + 1], bytes[4 * i + 2], bytes[4 * i + 3]};
    return true;
}

std::span<const uint8_t> asBytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

bool loadTga(ImageBuffer& image, const std::string& path)
{
    const FileHandle file = openFile(path, "rb");
    std::string bytes;
    return file && readWholeFile(file.get(), kMaxPictureFileBytes, bytes) && readTga(asBytes(bytes), image);
}

// Offers a PNG, JPEG, GIF or TIFF file (by its signature) to the system decoder. The picture
// keeps its alpha only when some pixel is not opaque.
bool loadWithSystemDecoder(ImageBuffer& image, const std::string& path)
{
    SystemPictureDecoder* decoder = installedSystemDecoder();
    const FileHandle file = decoder ? openFile(path, "rb") : nullptr;
    if (!file || !hasSystemPictureSignature(asBytes(readFileStart(file.get(), kSignatureBytes))))
        return false;
    std::string bytes;
    if (!readWholeFile(file.get(), kMaxPictureFileBytes, bytes) ||
        !decoder->decodeFile(asBytes(bytes), image))
        return false;
    return image.bitsPerPixel() == 32 && image.dropOpaqueAlpha();
}

}  // namespace

ImageHandle ImageBuffer::load(const std::string& path)
{
    const std::string lowerPath = lowerCp932(path);
    release();
    if (loadWithPlugin(path))
        return handle();
    if (lowerPath.find(".bmp") != std::string::npos && loadBmp(lowerPath))
        return handle();
    if (endsWithIgnoringAsciiCase(lowerPath, ".tga") && loadTga(*this, lowerPath))
        return handle();
    if (!loadWithSystemDecoder(*this, lowerPath))
        release();
    return handle();
}

ImageHandle ImageBuffer::loadBmp(const std::string& path)
{
    if (!readBmpFile(path))
        release();
    return handle();
}

bool ImageBuffer::readBmpFile(const std::string& path)
{
    const FileHandle file = openFile(path, "rb");
    if (!file)
        return false;
    uint8_t head[kFileHeaderBytes + kInfoHeaderBytes];
    if (!readExactly(file.get(), head, sizeof head))
        return false;
    const uint32_t pixelOffset = le32(head + 10);
    const BitmapInfoHeader info = decodeInfoHeader(head + kFileHeaderBytes);
    if (info.biSize < kInfoHeaderBytes || pixelOffset > kMaxPixelDataOffset ||
        kFileHeaderBytes + static_cast<uint64_t>(info.biSize) > pixelOffset)
        return false;
    // Top-down rows (a negative height) are common from current tools; INT32_MIN has no
    // positive counterpart.
    const bool topDown = info.biHeight < 0;
    if (info.biHeight == 0 || info.biHeight == INT32_MIN || !isSupportedDepth(info.biBitCount))
        return false;
    if (info.biCompression != kBiRgb &&
        !(info.biCompression == kBiBitfields && hasPlainBitFields(file.get(), info, pixelOffset)))
        return false;

    RgbQuad table[kColorTableEntries] = {};
    if (info.biBitCount <= 8 && !readBmpColorTable(file.get(), info, pixelOffset, table))
        return false;
    if (!create(info.biWidth, topDown ? -info.biHeight : info.biHeight, info.biBitCount))
        return false;
    if (info.biBitCount <= 8)
        setColorTable(1u << info.biBitCount, table);

    // A file that ends early leaves the rest of the (zero-filled) rows as they are.
    if (seekTo(file.get(), pixelOffset)) {
        [[maybe_unused]] const size_t got = std::fread(pixels(), 1, sizeImage(), file.get());
    }
    if (topDown)
        flipRows();
    return convertDepth(24);
}

ImageHandle ImageBuffer::loadWithPlugin(const std::string& path)
{
    PictureDecoder* decoder = installedPictureDecoder();
    if (!decoder || !decoder->decodePicture(path, *this))
        release();
    return handle();
}

bool ImageBuffer::takeDecodedPicture(std::span<const uint8_t> headerBlock,
                                     std::span<const uint8_t> pixelBlock)
{
    release();
    if (headerBlock.size() < kInfoHeaderBytes)
        return false;
    const BitmapInfoHeader info = decodeInfoHeader(headerBlock.data());
    // Pixels the block cannot hold are refused before any memory is made for them.
    if (info.biWidth > 0 && info.biHeight > 0 &&
        static_cast<uint64_t>(rowStride(info.biBitCount, info.biWidth)) >
            pixelBlock.size() / static_cast<uint64_t>(info.biHeight))
        return false;
    if (!create(info.biWidth, info.biHeight, info.biBitCount))
        return false;
    const bool taken = [&] {
        if (pixelBlock.size() < sizeImage())
            return false;
        std::memcpy(pixels(), pixelBlock.data(), sizeImage());
        if (info.biBitCount <= 8) {
            const uint32_t capacity = 1u << info.biBitCount;
            const uint32_t count = info.biClrUsed != 0 ? info.biClrUsed : capacity;
            if (count > kColorTableEntries || count > (headerBlock.size() - kInfoHeaderBytes) / 4)
                return false;
            // Colours past what the depth can index are never looked up.
            RgbQuad table[kColorTableEntries] = {};
            std::memcpy(table, headerBlock.data() + kInfoHeaderBytes, 4 * static_cast<size_t>(count));
            setColorTable(count < capacity ? count : capacity, table);
        }
        return info.biBitCount == 32 || convertDepth(24);
    }();
    if (!taken)
        release();
    return taken;
}
