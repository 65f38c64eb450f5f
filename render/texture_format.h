// Texture formats: the format code a texture asks for and its bit masks, the rule that picks a
// matching format among those the device offers, the device's size limits, and writing the
// alpha bits of a filled texture from its picture. All portable, so that the rules are tested
// on made-up devices; the Windows layer feeds them what Direct3D offers.
#pragma once

#include <cstdint>

#include "render/dd_pixel_format.h"

class ImageBuffer;

// A format code: four hexadecimal digits giving the bits of red, green, blue and alpha, from
// the highest digit down. In a texel blue takes the lowest bits, then green, red and alpha.
inline constexpr uint16_t kFormatA1R5G5B5 = 0x5551;  // 16 bits, opaque alpha bit
inline constexpr uint16_t kFormatA4R4G4B4 = 0x4444;  // 16 bits, four alpha bits
inline constexpr uint16_t kFormatA8R8G8B8 = 0x8888;  // 32 bits

// dwFlags bits of formats a texture never takes.
inline constexpr uint32_t kDdpfLuminance = 0x00020000;      // DDPF_LUMINANCE
inline constexpr uint32_t kDdpfBumpLuminance = 0x00040000;  // DDPF_BUMPLUMINANCE
inline constexpr uint32_t kDdpfBumpDuDv = 0x00080000;       // DDPF_BUMPDUDV

// The device takes square textures only (a bit of its triangle texture caps).
inline constexpr uint32_t kTextureCapsSquareOnly = 0x20;  // D3DPTEXTURECAPS_SQUAREONLY

struct TextureFormat {
    uint16_t code = 0;     // the format code; 0 when none was asked for
    uint32_t redMask = 0;  // all masks 0 until a surface is requested
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    uint32_t alphaMask = 0;

    // The masks a code spells: blue = 2^b - 1, green = (2^g - 1) << b, and so on.
    static TextureFormat fromCode(uint16_t code);
};

// The code for a picture of imageBits bits per pixel on a device made at deviceColourDepth:
// A8R8G8B8 on a 32-bit device; otherwise A4R4G4B4 for a 32-bit picture (it may carry alpha)
// and A1R5G5B5 for the rest.
uint16_t chooseTextureFormatCode(int32_t imageBits, int32_t deviceColourDepth);

// What a texture asks of the device: a surface of the given size (before device limits) in a
// format with exactly these masks, alpha pixels as wanted, and desktopDepth bits per texel.
struct TextureSurfaceRequest {
    int32_t width = 0;  // texels, a power of two
    int32_t height = 0;
    TextureFormat format;
    bool wantAlpha = true;     // the format must carry DDPF_ALPHAPIXELS
    int32_t desktopDepth = 0;  // bits per pixel of the screen; the texel size wanted
};

// The texture-format enumeration callback: an offered format that is a plain RGB format of at
// least 16 bits (no luminance, bump or FourCC format) with exactly the requested masks, alpha
// pixels as wanted and desktopDepth bits is copied into chosen and the enumeration stops
// (kEnumCancel); any other is skipped (kEnumOk). A null offer stops it.
int32_t selectTextureFormat(const DdPixelFormat* offered, const TextureSurfaceRequest& request,
                            DdPixelFormat& chosen);

struct TextureSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The size a texture surface gets on a device: each side at most the device's maximum (256
// where the device reports 0), and both the larger side when the device takes square
// textures only (textureCaps has kTextureCapsSquareOnly).
TextureSize limitTextureSize(int32_t width, int32_t height, uint32_t maxWidth, uint32_t maxHeight,
                             uint32_t textureCaps);

// A locked texture surface: rows top-down, pitch bytes apart.
struct TexelRows {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;  // bytes from one row to the next
    int32_t width = 0;  // texels
    int32_t height = 0;
    uint32_t bitsPerTexel = 0;  // 16 or 32; nothing is written for other sizes
};

// Sets the alpha bits (alphaMask) of every texel, which the colour copy left 0. A 32-bit picture
// gives its alpha byte to 32-bit texels, and its top four alpha bits to A4R4G4B4 texels; every
// other texel becomes opaque. A texture of another size than its picture takes the alpha of
// the nearest picture pixel, never reading outside the picture.
void writeTextureAlpha(const TexelRows& texels, uint32_t alphaMask, const ImageBuffer& image);
