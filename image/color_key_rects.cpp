// The colour-key rectangles of a picture: runs of non-key pixels, row by row from the top.
#include "image/color_key_rects.h"

#include <cstring>
#include <new>

#include "image/image_buffer.h"

namespace {

static_assert(sizeof(RegionRect) == 16);

// Finds runs of non-key pixels in memory rows. Frames are mostly background, so runs of key
// pixels are skipped eight pixels at a time by comparing whole 64-bit words with the key
// repeated; the pixels at the ends of runs are compared one by one.
class RowScanner {
public:
    RowScanner(uint32_t key, int step) : step_(step)
    {
        key_[0] = static_cast<uint8_t>(key);
        key_[1] = static_cast<uint8_t>(key >> 8);
        key_[2] = static_cast<uint8_t>(key >> 16);
        uint8_t pattern[32] = {};
        for (int i = 0; i < 8; ++i)
            std::memcpy(pattern + step * i, key_, 3);
        std::memcpy(words_, pattern, sizeof words_);
        // The fourth byte of 32-bit pixels (alpha) plays no part.
        ignored_ = step == 4 ? 0xFF000000FF000000ull : 0;
        wordCount_ = step == 4 ? 4 : 3;
    }

    // Appends one rectangle per run of non-key pixels of row (width pixels) at picture row top;
    // returns the new count.
    size_t addRuns(const uint8_t* row, int32_t width, int32_t top, RegionRect* rects, size_t count) const
    {
        int32_t x = 0;
        while (x < width) {
            x = skipKey(row, width, x);
            if (x == width)
                break;
            const int32_t start = x;
            while (x < width && !isKey(row, x))
                ++x;
            rects[count++] = RegionRect{start, top, x, top + 1};
        }
        return count;
    }

private:
    bool isKey(const uint8_t* row, int32_t x) const
    {
        const uint8_t* p = row + static_cast<size_t>(x) * step_;
        return p[0] == key_[0] && p[1] == key_[1] && p[2] == key_[2];
    }

    // The first pixel from x on that is not the key colour (width if none).
    int32_t skipKey(const uint8_t* row, int32_t width, int32_t x) const
    {
        for (; x + 8 <= width; x += 8) {
            uint64_t words[4];
            std::memcpy(words, row + static_cast<size_t>(x) * step_, 8 * static_cast<size_t>(step_));
            bool same = true;
            for (int i = 0; i < wordCount_; ++i)
                same = same && ((words[i] ^ words_[i]) & ~ignored_) == 0;
            if (!same)
                break;
        }
        while (x < width && isKey(row, x))
            ++x;
        return x;
    }

    int step_;                // bytes per pixel: 3 or 4
    uint8_t key_[3];          // the key's B, G, R
    uint64_t words_[4] = {};  // eight key pixels as words
    uint64_t ignored_ = 0;    // bits of a word that are not compared
    int wordCount_ = 3;       // words that eight pixels take
};

}  // namespace

bool ColorKeyRects::build(const ImageBuffer& image, uint32_t key)
{
    count_ = 0;
    bounds_ = RegionRect{0, 0, image.width(), image.height()};
    const uint16_t depth = image.bitsPerPixel();
    const bool readable = !image.empty() && (depth == 24 || depth == 32);
    const size_t width = readable ? static_cast<size_t>(image.width()) : 0;
    const size_t height = readable ? static_cast<size_t>(image.height()) : 0;
    // A row of width pixels holds at most (width + 1) / 2 runs. Sides are at most 2^15.
    const size_t worstCase = height * ((width + 1) / 2);
    if (!block_ || capacity_ < worstCase) {
        block_.reset(new (std::nothrow) RegionRect[worstCase + kHeaderSlots]);
        capacity_ = block_ ? worstCase : 0;
        if (!block_)
            return false;
    }
    if (!readable)
        return true;

    const RowScanner scanner(key, depth / 8);
    RegionRect* rects = block_.get() + kHeaderSlots;
    for (int32_t top = 0; top < image.height(); ++top)
        count_ = scanner.addRuns(image.row(image.height() - 1 - top), image.width(), top, rects, count_);
    return true;
}
