// The two-background alpha rule (see difference_matte.h).
#include "render/difference_matte.h"

#include "base/simd.h"
#include "image/image_buffer.h"

namespace {

constexpr size_t kPixelBytes = 4;  // B, G, R, A
constexpr size_t kGreen = 1;
constexpr size_t kAlpha = 3;

#if defined(VELLARN_HAVE_SSE2)

// Four pixels a step. The bytewise difference of the two pictures holds each pixel's green
// difference in its byte 1; a 16-bit shift of each pixel word carries it to byte 3, where one
// is taken off and it replaces the alpha byte. Returns the pixels done.
size_t applySse2(uint8_t* overBlack, const uint8_t* overGreen, size_t pixelCount)
{
    const __m128i alphaBytes = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
    const __m128i oneInAlpha = _mm_set1_epi32(0x01000000);
    size_t i = 0;
    for (; i + 4 <= pixelCount; i += 4) {
        auto* black = reinterpret_cast<__m128i*>(overBlack + i * kPixelBytes);
        const auto* green = reinterpret_cast<const __m128i*>(overGreen + i * kPixelBytes);
        const __m128i b = _mm_loadu_si128(black);
        const __m128i difference = _mm_sub_epi8(b, _mm_loadu_si128(green));
        const __m128i alpha = _mm_sub_epi32(_mm_slli_epi32(difference, 16), oneInAlpha);
        _mm_storeu_si128(black,
                         _mm_or_si128(_mm_andnot_si128(alphaBytes, b), _mm_and_si128(alpha, alphaBytes)));
    }
    return i;
}

#endif

}  // namespace

void DifferenceMatte::applyToPixels(uint8_t* overBlack, const uint8_t* overGreen, size_t pixelCount,
                                    bool useSimd)
{
    size_t done = 0;
#if defined(VELLARN_HAVE_SSE2)
    if (useSimd)
        done = applySse2(overBlack, overGreen, pixelCount);
#else
    (void)useSimd;
#endif
    for (size_t i = done; i < pixelCount; ++i) {
        uint8_t* pixel = overBlack + i * kPixelBytes;
        pixel[kAlpha] = alpha(pixel[kGreen], overGreen[i * kPixelBytes + kGreen]);
    }
}

bool DifferenceMatte::apply(ImageBuffer& overBlack, const ImageBuffer& overGreen)
{
    if (overBlack.empty() || overGreen.empty() || overBlack.bitsPerPixel() != 32 ||
        overGreen.bitsPerPixel() != 32 || overBlack.width() != overGreen.width() ||
        overBlack.height() != overGreen.height())
        return false;
    // 32-bit rows carry no padding, so the two pictures are one run of pixels each.
    const size_t pixelCount =
        static_cast<size_t>(overBlack.width()) * static_cast<size_t>(overBlack.height());
    applyToPixels(overBlack.pixels(), overGreen.pixels(), pixelCount);
    return true;
}
