// DifferenceMatte: the alpha channel of a rendered picture, made from two renders of the same
// frame, one over black and one over pure green. The render target has no alpha of its own; a
// pixel the model covers reads the same green over both backgrounds, a background pixel reads 0
// and 255, and a translucent pixel lets through part of the green. The colours of the picture
// over black are left as they are: they are already multiplied by the alpha, which is what a
// per-pixel-alpha layered window takes.
#pragma once

#include <cstddef>
#include <cstdint>

class ImageBuffer;

class DifferenceMatte {
public:
    // (greenOverBlack - greenOverGreen - 1) in 8-bit wrap-around arithmetic, not clamped: equal
    // greens give 255, 0 and 255 give 0, and a green one below the other wraps to 0.
    static uint8_t alpha(uint8_t greenOverBlack, uint8_t greenOverGreen)
    {
        return static_cast<uint8_t>(greenOverBlack - greenOverGreen - 1);
    }

    // Writes the alpha byte of pixelCount 4-byte pixels (B, G, R, A) of overBlack from the green
    // bytes of both rows of pixels. useSimd picks the vector path where the processor has one
    // (four pixels a step); both paths give the same bytes.
    static void applyToPixels(uint8_t* overBlack, const uint8_t* overGreen, size_t pixelCount,
                              bool useSimd = true);

    // The whole picture: overBlack's alpha bytes from both pictures. False, changing nothing,
    // unless both are 32-bit pictures of the same width and height.
    static bool apply(ImageBuffer& overBlack, const ImageBuffer& overGreen);
};
