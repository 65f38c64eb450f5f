// ColorKeyRects: the shape of a picture without its key colour, as rectangles, for a window cut
// to the shape of the glasses where layered windows are missing. For each picture row from the
// top, every maximal run of neighbouring pixels whose colour differs from the key is one
// rectangle one row high; runs are not merged across rows. The rectangles are stored row by
// row from the top, left to right, behind two free 16-byte slots, so that the Windows layer
// (image/win32/window_region.h) writes the 32-byte region header into those and hands the whole
// block to ExtCreateRegion as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class ImageBuffer;

// A rectangle in picture coordinates (x to the right, y down from the top row), right and
// bottom exclusive; the layout of the platform's RECT.
struct RegionRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

class ColorKeyRects {
public:
    // Slots of the block that precede the rectangles: room for the platform's region header.
    static constexpr size_t kHeaderSlots = 2;

    // Builds the rectangles of a 24- or 32-bit picture for key, a colour 0x00RRGGBB compared with
    // (R << 16) | (G << 8) | B of each pixel. Pictures of other depths, and empty ones, give no
    // rectangles. False only when the block can't be allocated (the rectangles are then none).
    // The block is sized for the worst case, one rectangle per two pixels of a row, and kept
    // for the next call. useSimd picks the vector path where the processor has one; both paths
    // give the same rectangles.
    bool build(const ImageBuffer& image, uint32_t key, bool useSimd = true);

    size_t count() const { return count_; }
    const RegionRect* rects() const { return block_ ? block_.get() + kHeaderSlots : nullptr; }
    // (0, 0, width, height) of the picture last built from.
    const RegionRect& bounds() const { return bounds_; }

    // The header slots followed by the rectangles: (count + 2) x 16 bytes. Null before the first
    // successful build.
    RegionRect* block() { return block_.get(); }
    size_t blockBytes() const { return (count_ + kHeaderSlots) * sizeof(RegionRect); }

private:
    std::unique_ptr<RegionRect[]> block_;
    size_t capacity_ = 0;  // rectangles the block holds after its header slots
    size_t count_ = 0;     // rectangles built
    RegionRect bounds_;
};
