// DdPixelFormat: a surface pixel format in exactly the byte layout of DirectDraw's DDPIXELFORMAT
// (32 bytes), so that the portable rules that pick z-buffer and texture formats can read and
// copy the records the device hands out. Portable: the Windows build checks this layout and the
// flag values against the SDK's own definitions.
#pragma once

#include <cstdint>
#include <type_traits>

struct DdPixelFormat {
    uint32_t size = 0;      // dwSize: 32
    uint32_t flags = 0;     // dwFlags: kDdpf... bits
    uint32_t fourCC = 0;    // dwFourCC
    uint32_t bitCount = 0;  // dwRGBBitCount for colour formats, dwZBufferBitDepth for depth formats
    uint32_t mask1 = 0;     // dwRBitMask, or dwStencilBitDepth for depth formats
    uint32_t mask2 = 0;     // dwGBitMask, or dwZBitMask
    uint32_t mask3 = 0;     // dwBBitMask, or dwStencilBitMask
    uint32_t mask4 = 0;     // dwRGBAlphaBitMask
};

// dwFlags bits used by the program.
inline constexpr uint32_t kDdpfAlphaPixels = 0x00000001;  // DDPF_ALPHAPIXELS
inline constexpr uint32_t kDdpfRgb = 0x00000040;          // DDPF_RGB
inline constexpr uint32_t kDdpfZBuffer = 0x00000400;      // DDPF_ZBUFFER

// What a format-enumeration callback answers: stop, or go on with the next format.
inline constexpr int32_t kEnumCancel = 0;  // D3DENUMRET_CANCEL
inline constexpr int32_t kEnumOk = 1;      // D3DENUMRET_OK

static_assert(sizeof(DdPixelFormat) == 32, "DDPIXELFORMAT is 32 bytes");
static_assert(std::is_standard_layout_v<DdPixelFormat>, "copied to and from the device byte for byte");
static_assert(std::is_trivially_copyable_v<DdPixelFormat>, "copied to and from the device byte for byte");
