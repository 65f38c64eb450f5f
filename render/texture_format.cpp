// Texture format codes and masks, the choice among the device's formats, size limits and the
// alpha bits of a filled texture.
#include "render/texture_format.h"

#include <algorithm>
#include <cstring>

#include "image/image_buffer.h"

namespace {

// Texels per side allowed on a device that reports no maximum.
constexpr uint32_t kDefaultMaxTextureSide = 256;

uint32_t lowBits(uint32_t count)
{
    return count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1u;
}

// The picture pixel (B, G, R, A bytes of a 32-bit picture) that texel (x, y), counted from the
// top, takes its alpha from: the same place when the sizes agree, else the one under the
// texel's centre. (2x + 1) / 2 texels stays below the texture's side, so the pixel lies inside
// the picture.
uint32_t picturePixel(const ImageBuffer& image, const TexelRows& texels, int32_t x, int32_t y)
{
    const int64_t column = (2 * int64_t{x} + 1) * image.width() / (2 * int64_t{texels.width});
    const int64_t rowFromTop = (2 * int64_t{y} + 1) * image.height() / (2 * int64_t{texels.height});
    const int32_t memoryRow = image.height() - 1 - static_cast<int32_t>(rowFromTop);  // bottom-up
    const uint8_t* p = image.row(memoryRow) + column * 4;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

TextureFormat TextureFormat::fromCode(uint16_t code)
{
    const uint32_t r = (code >> 12) & 0xF;
    const uint32_t g = (code >> 8) & 0xF;
    const uint32_t b = (code >> 4) & 0xF;
    const uint32_t a = code & 0xF;
    TextureFormat format;
    format.code = code;
    format.blueMask = lowBits(b);
    format.greenMask = lowBits(g) << b;
    format.redMask = lowBits(r) << (b + g);
    format.alphaMask = lowBits(a) << (b + g + r);
    return format;
}

uint16_t chooseTextureFormatCode(int32_t imageBits, int32_t deviceColourDepth)
{
    if (deviceColourDepth == 32)
        return kFormatA8R8G8B8;
    return imageBits == 32 ? kFormatA4R4G4B4 : kFormatA1R5G5B5;
}

int32_t selectTextureFormat(const DdPixelFormat* offered, const TextureSurfaceRequest& request,
                            DdPixelFormat& chosen)
{
    if (offered == nullptr)
        return kEnumCancel;
    if ((offered->flags & (kDdpfLuminance | kDdpfBumpLuminance | kDdpfBumpDuDv)) != 0)
        return kEnumOk;
    const TextureFormat& want = request.format;
    const bool hasAlpha = (offered->flags & kDdpfAlphaPixels) != 0;
    if (offered->bitCount < 16 || offered->fourCC != 0 || offered->mask4 != want.alphaMask ||
        offered->mask1 != want.redMask || offered->mask2 != want.greenMask ||
        offered->mask3 != want.blueMask || hasAlpha != request.wantAlpha ||
        offered->bitCount != static_cast<uint32_t>(request.desktopDepth))
        return kEnumOk;
    std::memcpy(&chosen, offered, sizeof chosen);
    return kEnumCancel;
}

TextureSize limitTextureSize(int32_t width, int32_t height, uint32_t maxWidth, uint32_t maxHeight,
                             uint32_t textureCaps)
{
    const uint32_t limitW = maxWidth != 0 ? maxWidth : kDefaultMaxTextureSide;
    const uint32_t limitH = maxHeight != 0 ? maxHeight : kDefaultMaxTextureSide;
    TextureSize size;
    size.width = static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(std::max(width, 0)), limitW));
    size.height =
        static_cast<int32_t>(std::min<uint64_t>(static_cast<uint64_t>(std::max(height, 0)), limitH));
    if ((textureCaps & kTextureCapsSquareOnly) != 0)
        size.width = size.height = std::max(size.width, size.height);
    return size;
}

void writeTextureAlpha(const TexelRows& texels, uint32_t alphaMask, const ImageBuffer& image)
{
    if (texels.bits == nullptr || texels.width <= 0 || texels.height <= 0)
        return;
    const bool pictureAlpha =
        image.bitsPerPixel() > 24 && !image.empty() && image.width() > 0 && image.height() > 0;
    for (int32_t y = 0; y < texels.height; ++y) {
        uint8_t* row = texels.bits + static_cast<int64_t>(y) * texels.pitch;
        for (int32_t x = 0; x < texels.width; ++x) {
            if (texels.bitsPerTexel == 16) {
                uint16_t texel;
                std::memcpy(&texel, row + x * 2, 2);
                // A4R4G4B4 takes the pixel's upper half (alpha in its high byte); the
                // one-bit alpha of A1R5G5B5 is always set.
                if (pictureAlpha && alphaMask == 0xF000)
                    texel |= static_cast<uint16_t>(alphaMask & (picturePixel(image, texels, x, y) >> 16));
                else
                    texel |= static_cast<uint16_t>(alphaMask);
                std::memcpy(row + x * 2, &texel, 2);
            } else if (texels.bitsPerTexel == 32) {
                uint32_t texel;
                std::memcpy(&texel, row + x * 4, 4);
                texel |= pictureAlpha ? alphaMask & picturePixel(image, texels, x, y) : alphaMask;
                std::memcpy(row + x * 4, &texel, 4);
            }
        }
    }
}
