// The two-background alpha rule (see difference_matte.h).
#include "render/difference_matte.h"

#include "image/image_buffer.h"

namespace {

constexpr size_t kPixelBytes = 4;  // B, G, R, A
constexpr size_t kGreen = 1;
constexpr size_t kAlpha = 3;

}  // namespace

void DifferenceMatte::applyToPixels(uint8_t* overBlack, const uint8_t* overGreen, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i) {
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
    // Row by row, so that nothing is assumed about the two pictures' row padding.
    const size_t rowPixels = static_cast<size_t>(overBlack.width());
    for (int32_t y = 0; y < overBlack.height(); ++y)
        applyToPixels(overBlack.row(y), overGreen.row(y), rowPixels);
    return true;
}
