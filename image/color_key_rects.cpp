// The colour-key rectangles of a picture: runs of non-key pixels, row by row from the top.
//
// Each row is classified sixteen pixels at a time into a mask with one bit per pixel (set for
// a pixel that differs from the key), and the runs are read off the mask's bit changes. With
// SSE2 the sixteen pixels are compared with the key as whole vectors; frames are mostly
// background, where that is all the work there is.
#include "image/color_key_rects.h"

#include <bit>
#include <new>

#include "base/simd.h"
#include "image/image_buffer.h"

namespace {

static_assert(sizeof(RegionRect) == 16);

constexpr int32_t kChunk = 16;  // pixels classified together

// Collects the runs of one row from the masks of its chunks, left to right.
class RunCollector {
public:
    RunCollector(int32_t top, RegionRect* rects, size_t count) : top_(top), rects_(rects), count_(count) {}

    // Takes the mask of n pixels from x on (bit i for pixel x + i; no bits at or above n).
    void take(uint32_t nonKey, int32_t x, int32_t n)
    {
        const uint32_t before = runStart_ >= 0 ? 1u : 0u;  // the pixel left of x, as a bit
        uint32_t changes = (nonKey ^ (nonKey << 1 | before)) & lowBits(n);
        while (changes != 0) {
            const int32_t at = x + std::countr_zero(changes);
            changes &= changes - 1;
            if (runStart_ < 0) {
                runStart_ = at;
            } else {
                rects_[count_++] = RegionRect{runStart_, top_, at, top_ + 1};
                runStart_ = -1;
            }
        }
    }

    bool open() const { return runStart_ >= 0; }

    // Closes a run that reaches the end of the row; returns the count.
    size_t finish(int32_t width)
    {
        if (runStart_ >= 0)
            rects_[count_++] = RegionRect{runStart_, top_, width, top_ + 1};
        return count_;
    }

private:
    static uint32_t lowBits(int32_t n) { return n >= 32 ? ~0u : (1u << n) - 1; }

    int32_t top_;
    RegionRect* rects_;
    size_t count_;
    int32_t runStart_ = -1;  // first pixel of the open run; -1 when none is open
};

// The per-pixel test, for rows narrower than a chunk and where there are no vectors.
class PlainClassifier {
public:
    PlainClassifier(uint32_t key, int step) : step_(step)
    {
        key_[0] = static_cast<uint8_t>(key);
        key_[1] = static_cast<uint8_t>(key >> 8);
        key_[2] = static_cast<uint8_t>(key >> 16);
    }

    // The mask of n pixels from pixel x of row.
    uint32_t classify(const uint8_t* row, int32_t x, int32_t n) const
    {
        uint32_t mask = 0;
        for (int32_t i = 0; i < n; ++i) {
            const uint8_t* p = row + static_cast<size_t>(x + i) * static_cast<size_t>(step_);
            if (p[0] != key_[0] || p[1] != key_[1] || p[2] != key_[2])
                mask |= 1u << i;
        }
        return mask;
    }

private:
    int step_;        // bytes per pixel: 3 or 4
    uint8_t key_[3];  // the key's B, G, R
};

#if defined(VELLARN_HAVE_SSE2)

// Sixteen pixels of 3 bytes are three vectors. A byte-by-byte comparison with the key repeated
// gives 48 bits, three per pixel; a pixel is the key when all three of its bits are set.
class Vector24Classifier {
public:
    explicit Vector24Classifier(uint32_t key)
    {
        uint8_t pattern[48];
        for (int i = 0; i < 48; ++i)
            pattern[i] = static_cast<uint8_t>(key >> (8 * (i % 3)));
        for (int v = 0; v < 3; ++v)
            key_[v] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern + 16 * v));
    }

    uint32_t classify(const uint8_t* row, int32_t x) const
    {
        const uint8_t* p = row + 3 * static_cast<size_t>(x);
        __m128i equal[3];
        for (int v = 0; v < 3; ++v)
            equal[v] = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * v)), key_[v]);
        if (_mm_movemask_epi8(_mm_and_si128(_mm_and_si128(equal[0], equal[1]), equal[2])) == 0xFFFF)
            return 0;  // background: every byte is the key's
        uint64_t same = 0;
        for (int v = 0; v < 3; ++v)
            same |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(equal[v]))) << (16 * v);
        const uint64_t keyPixels = same & same >> 1 & same >> 2 & kFirstBits;
        if (keyPixels == 0)
            return 0xFFFF;  // inside the glasses
        return ~gatherEveryThirdBit(keyPixels) & 0xFFFF;
    }

private:
    static constexpr uint64_t kFirstBits = 0x249249249249ull;  // bits 0, 3, 6, ..., 45

    // Bits 0, 3, 6, ..., 45 (and no others) moved to bits 0 .. 15, by folding pairs, then
    // nibbles, bytes and halves together.
    static uint32_t gatherEveryThirdBit(uint64_t bits)
    {
        bits = (bits | bits >> 2) & 0x0C30C30C30C3ull;
        bits = (bits | bits >> 4) & 0x00F00F00F00Full;
        bits = (bits | bits >> 8) & 0x0000FF0000FFull;
        bits = (bits | bits >> 16) & 0xFFFFull;
        return static_cast<uint32_t>(bits);
    }

    __m128i key_[3];
};

// Sixteen pixels of 4 bytes are four vectors, compared as 32-bit words without their fourth
// byte (alpha plays no part).
class Vector32Classifier {
public:
    explicit Vector32Classifier(uint32_t key)
        : key_(_mm_set1_epi32(static_cast<int32_t>(key & 0xFFFFFF))), colour_(_mm_set1_epi32(0xFFFFFF))
    {}

    uint32_t classify(const uint8_t* row, int32_t x) const
    {
        const uint8_t* p = row + 4 * static_cast<size_t>(x);
        uint32_t same = 0;
        for (int v = 0; v < 4; ++v) {
            const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * v));
            const __m128i equal = _mm_cmpeq_epi32(_mm_and_si128(pixels, colour_), key_);
            same |= static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(equal))) << (4 * v);
        }
        return ~same & 0xFFFF;
    }

private:
    __m128i key_;
    __m128i colour_;
};

#endif

// The rectangles of every row from the top. classifyChunk(row, x) gives the mask of the kChunk
// pixels from x. The pixels left over at the end of a row are the top bits of the last kChunk
// pixels, classified again; only rows narrower than a chunk go to the plain classifier.
template <typename ClassifyChunk>
size_t addRuns(const ImageBuffer& image, const PlainClassifier& plain, ClassifyChunk classifyChunk,
               RegionRect* rects)
{
    const int32_t width = image.width();
    size_t count = 0;
    for (int32_t top = 0; top < image.height(); ++top) {
        const uint8_t* row = image.row(image.height() - 1 - top);
        RunCollector runs(top, rects, count);
        int32_t x = 0;
        for (; x + kChunk <= width; x += kChunk) {
            // A chunk that only goes on as the row went (all key outside a run, none inside
            // one) changes nothing.
            const uint32_t mask = classifyChunk(row, x);
            if (mask != (runs.open() ? 0xFFFFu : 0u))
                runs.take(mask, x, kChunk);
        }
        const int32_t left = width - x;
        if (left > 0 && width >= kChunk)
            runs.take(classifyChunk(row, width - kChunk) >> (kChunk - left), x, left);
        else if (left > 0)
            runs.take(plain.classify(row, x, left), x, left);
        count = runs.finish(width);
    }
    return count;
}

}  // namespace

bool ColorKeyRects::build(const ImageBuffer& image, uint32_t key, bool useSimd)
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

    const PlainClassifier plain(key, depth / 8);
    RegionRect* rects = block_.get() + kHeaderSlots;
#if defined(VELLARN_HAVE_SSE2)
    if (useSimd && depth == 24) {
        const Vector24Classifier vector(key);
        count_ = addRuns(
            image, plain, [&](const uint8_t* row, int32_t x) { return vector.classify(row, x); }, rects);
        return true;
    }
    if (useSimd) {
        const Vector32Classifier vector(key);
        count_ = addRuns(
            image, plain, [&](const uint8_t* row, int32_t x) { return vector.classify(row, x); }, rects);
        return true;
    }
#else
    (void)useSimd;
#endif
    count_ = addRuns(
        image, plain, [&](const uint8_t* row, int32_t x) { return plain.classify(row, x, kChunk); }, rects);
    return true;
}
