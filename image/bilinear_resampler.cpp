// The 24- and 32-bit bilinear resamplers. The 32-bit one is the per-frame path of the floating
// window (a 2:1 shrink of every presented picture): its column steps are computed once per call
// into a table (on the stack for targets up to 1,024 columns, so that the per-frame shrink
// allocates nothing), its row steps as it goes, and the four bytes of a pixel are handled
// together (four target pixels per step in 16-bit vector lanes where SSE2 is there). No sum
// exceeds 255 x 256 = 65,280, so 16-bit lanes hold every intermediate value exactly and the
// vector path equals the scalar one.
#include "image/bilinear_resampler.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

#include "base/simd.h"

namespace {

// Room for a table: on the stack up to kLocalEntries entries, so that the window's per-frame
// shrink (at most 600 columns, 32 bits or in region mode 24) allocates nothing, and heap
// memory for wider targets.
template <typename T>
class Scratch {
public:
    static constexpr size_t kLocalEntries = 1024;

    // Null when the heap memory can't be had.
    T* get(size_t count)
    {
        if (count <= kLocalEntries)
            return local_;
        heap_.reset(new (std::nothrow) T[count]);
        return heap_.get();
    }

private:
    T local_[kLocalEntries];
    std::unique_ptr<T[]> heap_;
};

// ---- 24 bits -------------------------------------------------------------------------------

struct Tap24 {
    uint32_t offset;      // byte offset of the source pixel in its row: 3x
    uint32_t nextOffset;  // byte offset of the pixel to its right (itself in a 1-wide source)
    uint32_t weight;      // 0..15, toward the pixel to the right
};

// One entry per target column: the accumulator grows by W - 1 per column and hands whole
// multiples of W' on to the source column.
void buildTaps24(int32_t sourceWidth, int32_t targetWidth, Tap24* taps)
{
    int64_t accumulator = 0;
    int64_t x = 0;
    for (int32_t j = 0; j < targetWidth; ++j) {
        const int64_t next = std::min<int64_t>(x + 1, sourceWidth - 1);
        taps[j] = Tap24{static_cast<uint32_t>(3 * x), static_cast<uint32_t>(3 * next),
                        static_cast<uint32_t>(16 * accumulator / targetWidth)};
        accumulator += sourceWidth - 1;
        if (accumulator >= targetWidth) {
            x += accumulator / targetWidth;
            accumulator %= targetWidth;
        }
    }
}

void resampleRow24(const uint8_t* below, const uint8_t* above, uint32_t g, const Tap24* taps,
                   int32_t targetWidth, uint8_t* out)
{
    for (int32_t j = 0; j < targetWidth; ++j) {
        const Tap24& tap = taps[j];
        const uint32_t l = tap.weight;
        const uint32_t w00 = (16 - l) * (16 - g);
        const uint32_t w10 = l * (16 - g);
        const uint32_t w01 = (16 - l) * g;
        const uint32_t w11 = l * g;
        const uint8_t* p = below + tap.offset;
        const uint8_t* px = below + tap.nextOffset;
        const uint8_t* py = above + tap.offset;
        const uint8_t* pxy = above + tap.nextOffset;
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<uint8_t>((p[c] * w00 + px[c] * w10 + py[c] * w01 + pxy[c] * w11) >> 8);
        out += 3;
    }
}

// ---- 32 bits -------------------------------------------------------------------------------

// The step of the 32-bit variant along one axis, one target position at a time: the source
// position x and the weight floor(256 a / (N' - 1)) toward the next one. a stays within
// 0 .. N' - 1, so the last target position has weight 256 on source N - 1. A single target
// position has no step: it reads source 0.
class Step32 {
public:
    Step32(int32_t sourceCount, int32_t targetCount) : advance_(sourceCount - 1), span_(targetCount - 1) {}

    int64_t position() const { return x_; }
    uint32_t weight() const { return span_ > 0 ? static_cast<uint32_t>(256 * a_ / span_) : 0; }

    void advance()
    {
        if (span_ == 0)
            return;
        a_ += advance_;
        while (a_ > span_) {
            a_ -= span_;
            ++x_;
        }
    }

private:
    int64_t advance_;  // N - 1
    int64_t span_;     // N' - 1
    int64_t a_ = 0;
    int64_t x_ = 0;
};

// One entry per target column: the byte offset 4x of its source pixel, and its weight wx
// repeated in four 16-bit lanes (one per byte of a pixel), so that the vector path loads the
// weights of two columns as one vector. The pixel to the right lies rightStep bytes further:
// 4, or 0 in a source one pixel wide, where the pixel stands in for its missing neighbour.
struct ColumnTaps {
    const uint32_t* offsets;
    const uint64_t* weightLanes;
    uint32_t rightStep;
};

struct RowTaps {
    const uint8_t* below;  // the source row
    const uint8_t* above;  // the row above it (itself in a source one row high)
    uint32_t weight;       // wy, 0..256
};

inline uint32_t blend8(uint32_t a, uint32_t b, uint32_t weight)
{
    return (a * (256 - weight) + b * weight) >> 8;
}

void resampleRowScalar32(const RowTaps& row, const ColumnTaps& taps, int32_t from, int32_t to, uint8_t* out)
{
    for (int32_t j = from; j < to; ++j) {
        const uint32_t wx = static_cast<uint32_t>(taps.weightLanes[j] & 0xFFFF);
        const uint8_t* p = row.below + taps.offsets[j];
        const uint8_t* px = p + taps.rightStep;
        const uint8_t* py = row.above + taps.offsets[j];
        const uint8_t* pxy = py + taps.rightStep;
        uint8_t* o = out + 4 * static_cast<size_t>(j);
        for (int c = 0; c < 4; ++c) {
            const uint32_t top = blend8(p[c], px[c], wx);
            const uint32_t bottom = blend8(py[c], pxy[c], wx);
            o[c] = static_cast<uint8_t>(blend8(top, bottom, row.weight));
        }
    }
}

#if defined(VELLARN_HAVE_SSE2)

// A target pixel reads a source pixel and the one to its right: 8 neighbouring bytes. Two such
// pairs, of target columns j and j + 1, as one vector. Where every column reads 8 bytes after
// the one before (the 2:1 shrink), the two pairs are one 16-byte load.
template <bool Contiguous>
inline __m128i loadPairs(const uint8_t* row, const uint32_t* offsets, int32_t j)
{
    if constexpr (Contiguous) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + offsets[j]));
    } else {
        const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + offsets[j]));
        const __m128i second = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + offsets[j + 1]));
        return _mm_unpacklo_epi64(first, second);
    }
}

// (a wa + b wb) >> 8 in each 16-bit lane; no sum exceeds 65,280.
inline __m128i mix(__m128i a, __m128i wa, __m128i b, __m128i wb)
{
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(a, wa), _mm_mullo_epi16(b, wb)), 8);
}

// The horizontal blend of four target columns j .. j + 3 in one source row: the left pixels
// of the four pairs and their right pixels are parted by two shuffles, then widened to 16-bit
// lanes, two pixels to a vector.
template <bool Contiguous>
inline void blendColumns(const uint8_t* row, const uint32_t* offsets, int32_t j, const __m128i weights[4],
                         __m128i& result01, __m128i& result23)
{
    const __m128 pairs01 = _mm_castsi128_ps(loadPairs<Contiguous>(row, offsets, j));
    const __m128 pairs23 = _mm_castsi128_ps(loadPairs<Contiguous>(row, offsets, j + 2));
    const __m128i left = _mm_castps_si128(_mm_shuffle_ps(pairs01, pairs23, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128i right = _mm_castps_si128(_mm_shuffle_ps(pairs01, pairs23, _MM_SHUFFLE(3, 1, 3, 1)));
    const __m128i zero = _mm_setzero_si128();
    result01 = mix(_mm_unpacklo_epi8(left, zero), weights[0], _mm_unpacklo_epi8(right, zero), weights[1]);
    result23 = mix(_mm_unpackhi_epi8(left, zero), weights[2], _mm_unpackhi_epi8(right, zero), weights[3]);
}

// Four target pixels a step; returns the columns done. Needs a source at least 2 wide.
template <bool Contiguous>
int32_t resampleRowSse2(const RowTaps& row, const ColumnTaps& taps, int32_t targetWidth, uint8_t* out)
{
    const __m128i full = _mm_set1_epi16(256);
    const __m128i wyAbove = _mm_set1_epi16(static_cast<short>(row.weight));
    const __m128i wyBelow = _mm_sub_epi16(full, wyAbove);
    int32_t j = 0;
    for (; j + 4 <= targetWidth; j += 4) {
        const __m128i right01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps.weightLanes + j));
        const __m128i right23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps.weightLanes + j + 2));
        const __m128i weights[4] = {_mm_sub_epi16(full, right01), right01, _mm_sub_epi16(full, right23),
                                    right23};
        __m128i top01, top23, bottom01, bottom23;
        blendColumns<Contiguous>(row.below, taps.offsets, j, weights, top01, top23);
        blendColumns<Contiguous>(row.above, taps.offsets, j, weights, bottom01, bottom23);
        const __m128i out01 = mix(top01, wyBelow, bottom01, wyAbove);
        const __m128i out23 = mix(top23, wyBelow, bottom23, wyAbove);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * static_cast<size_t>(j)),
                         _mm_packus_epi16(out01, out23));
    }
    return j;
}

#endif

// True when target column j reads source columns 2j and 2j + 1 for every j.
bool readsEveryPairInTurn(const uint32_t* offsets, int32_t targetWidth)
{
    for (int32_t j = 0; j < targetWidth; ++j)
        if (offsets[j] != 8 * static_cast<uint32_t>(j))
            return false;
    return true;
}

void resampleRow32(const RowTaps& row, const ColumnTaps& taps, int32_t targetWidth, bool vector,
                   bool contiguous, uint8_t* out)
{
    int32_t done = 0;
#if defined(VELLARN_HAVE_SSE2)
    if (vector)
        done = contiguous ? resampleRowSse2<true>(row, taps, targetWidth, out)
                          : resampleRowSse2<false>(row, taps, targetWidth, out);
#else
    (void)vector;
    (void)contiguous;
#endif
    resampleRowScalar32(row, taps, done, targetWidth, out);
}

}  // namespace

bool resample24(const SourceRows& source, const TargetRows& target)
{
    Scratch<Tap24> tapScratch;
    Tap24* taps = tapScratch.get(static_cast<size_t>(target.width));
    if (!taps)
        return false;
    buildTaps24(source.width, target.width, taps);

    int64_t accumulator = 0;
    int64_t y = 0;
    for (int32_t i = 0; i < target.height; ++i) {
        const uint32_t g = static_cast<uint32_t>(16 * accumulator / target.height);
        const int64_t above = std::min<int64_t>(y + 1, source.height - 1);
        resampleRow24(source.pixels + y * source.stride, source.pixels + above * source.stride, g, taps,
                      target.width, target.pixels + static_cast<int64_t>(i) * target.stride);
        accumulator += source.height - 1;
        if (accumulator >= target.height) {
            y += accumulator / target.height;
            accumulator %= target.height;
        }
    }
    return true;
}

bool resample32(const SourceRows& source, const TargetRows& target, bool useSimd)
{
    Scratch<uint32_t> offsetScratch;
    Scratch<uint64_t> weightScratch;
    uint32_t* offsets = offsetScratch.get(static_cast<size_t>(target.width));
    uint64_t* weightLanes = weightScratch.get(static_cast<size_t>(target.width));
    if (!offsets || !weightLanes)
        return false;
    Step32 column(source.width, target.width);
    for (int32_t j = 0; j < target.width; ++j, column.advance()) {
        const uint64_t lane = column.weight();
        offsets[j] = static_cast<uint32_t>(4 * column.position());
        weightLanes[j] = lane | lane << 16 | lane << 32 | lane << 48;
    }
    const ColumnTaps taps{offsets, weightLanes, source.width > 1 ? 4u : 0u};
    const bool vector = useSimd && source.width > 1;
    const bool contiguous = readsEveryPairInTurn(offsets, target.width);

    const int64_t aboveStep = source.height > 1 ? source.stride : 0;
    Step32 step(source.height, target.height);
    for (int32_t i = 0; i < target.height; ++i, step.advance()) {
        const uint8_t* below = source.pixels + step.position() * source.stride;
        const RowTaps row{below, below + aboveStep, step.weight()};
        resampleRow32(row, taps, target.width, vector, contiguous,
                      target.pixels + static_cast<int64_t>(i) * target.stride);
    }
    return true;
}
