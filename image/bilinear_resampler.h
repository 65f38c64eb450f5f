// The two bilinear resamplers behind ImageBuffer::resize: integer arithmetic only, exact to the
// byte, so that every platform and every code path gives the same picture.
//
// 24 bits (4-bit weights): target row i reads source row floor(i (H - 1) / H') with the weight
// floor(16 a / H') of its accumulator a, and the same for columns; each channel is
//   (p (16 - l)(16 - g) + px l (16 - g) + py (16 - l) g + pxy l g) >> 8.
// 32 bits (8-bit weights): the step is (W - 1) / (W' - 1), so that the first target column reads
// source column 0 and the last reads all of column W - 1; each of the four bytes is
//   top = (p (256 - wx) + px wx) >> 8, bottom likewise one row up,
//   out = (top (256 - wy) + bottom wy) >> 8.
// Here p is the source pixel, px the one to its right, py the one in the memory row above and
// pxy the one above and to the right.
//
// Small pictures: a source one pixel wide (or high) has no neighbour to the right (or above);
// the weight toward it is always 0 there, and the pixel itself stands in for it, so nothing
// outside the picture is read. A 32-bit target one pixel wide (or high) has no step; its single
// column (row) reads source column (row) 0.
#pragma once

#include <cstdint>

// The rows of a picture as the resampler sees them: memory row 0 at pixels, rows stride bytes
// apart. Pixel is const uint8_t for a source, uint8_t for a target.
template <typename Pixel>
struct PictureRows {
    Pixel* pixels = nullptr;
    int32_t width = 0;   // pixels, at least 1
    int32_t height = 0;  // rows, at least 1
    int32_t stride = 0;  // bytes per row
};
using SourceRows = PictureRows<const uint8_t>;
using TargetRows = PictureRows<uint8_t>;

// Resample a 24-bit picture into a 24-bit target. Only the 3 x width pixel bytes of each target
// row are written. False when the column table can't be allocated (target untouched).
bool resample24(const SourceRows& source, const TargetRows& target);

// Resample a 32-bit picture into a 32-bit target. useSimd picks the vector path where the
// processor has one; both paths give the same bytes. False when the tables can't be allocated.
bool resample32(const SourceRows& source, const TargetRows& target, bool useSimd = true);
