// The 24- and 32-bit bilinear resamplers. The 32-bit one is the per-frame path of the floating
// window (a 2:1 shrink of every presented picture): its column and row steps are computed once
// per call into tables, and the four bytes of a pixel are handled together (two pixels per step
// in 16-bit vector lanes where SSE2 is there). No sum exceeds 255 x 256 = 65,280, so 16-bit
// lanes hold every intermediate value exactly and the vector path equals the scalar one.
#include "image/bilinear_resampler.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define VELLARN_HAVE_SSE2 1
#endif

namespace {

template <typename T>
std::unique_ptr<T[]> allocateTable(int32_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]);
}

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

// The step of the 32-bit variant along one axis: one entry per target position with the source
// position and the weight floor(256 a / (N' - 1)) toward the next one. a stays within
// 0 .. N' - 1, so the last target position has weight 256 on source N - 1.
template <typename Emit>
void walkSteps32(int32_t sourceCount, int32_t targetCount, Emit emit)
{
    const int64_t span = targetCount - 1;
    int64_t a = 0;
    int64_t x = 0;
    for (int32_t j = 0; j < targetCount; ++j) {
        const uint32_t weight = span > 0 ? static_cast<uint32_t>(256 * a / span) : 0;
        emit(j, x, std::min<int64_t>(x + 1, sourceCount - 1), weight);
        if (span == 0)
            break;
        a += sourceCount - 1;
        while (a > span) {
            a -= span;
            ++x;
        }
    }
}

struct Tap32 {
    uint32_t offset;      // byte offset of the source pixel: 4x
    uint32_t nextOffset;  // byte offset of the pixel to its right (itself in a 1-wide source)
    uint32_t weight;      // wx, 0..256
};

struct RowTap32 {
    const uint8_t* below;  // the source row
    const uint8_t* above;  // the row above it (itself in a 1-high source)
    uint32_t weight;       // wy, 0..256
};

inline uint32_t blend8(uint32_t a, uint32_t b, uint32_t weight)
{
    return (a * (256 - weight) + b * weight) >> 8;
}

void resampleRowScalar32(const RowTap32& row, const Tap32* taps, int32_t from, int32_t to, uint8_t* out)
{
    for (int32_t j = from; j < to; ++j) {
        const Tap32& tap = taps[j];
        const uint8_t* p = row.below + tap.offset;
        const uint8_t* px = row.below + tap.nextOffset;
        const uint8_t* py = row.above + tap.offset;
        const uint8_t* pxy = row.above + tap.nextOffset;
        uint8_t* o = out + 4 * static_cast<size_t>(j);
        for (int c = 0; c < 4; ++c) {
            const uint32_t top = blend8(p[c], px[c], tap.weight);
            const uint32_t bottom = blend8(py[c], pxy[c], tap.weight);
            o[c] = static_cast<uint8_t>(blend8(top, bottom, row.weight));
        }
    }
}

#if defined(VELLARN_HAVE_SSE2)

// Two target pixels per step. Needs a source at least 2 wide: the pixel to the right of every
// tap is then the next 4 bytes, and p and px load together.
int32_t resampleRowSse2(const RowTap32& row, const Tap32* taps, const uint64_t* leftLanes,
                        const uint64_t* rightLanes, int32_t targetWidth, uint8_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i wyBelow = _mm_set1_epi16(static_cast<short>(256 - row.weight));
    const __m128i wyAbove = _mm_set1_epi16(static_cast<short>(row.weight));
    int32_t j = 0;
    for (; j + 2 <= targetWidth; j += 2) {
        const auto load = [](const uint8_t* at) {
            return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
        };
        const __m128i below0 = _mm_unpacklo_epi8(load(row.below + taps[j].offset), zero);
        const __m128i below1 = _mm_unpacklo_epi8(load(row.below + taps[j + 1].offset), zero);
        const __m128i above0 = _mm_unpacklo_epi8(load(row.above + taps[j].offset), zero);
        const __m128i above1 = _mm_unpacklo_epi8(load(row.above + taps[j + 1].offset), zero);
        const __m128i wLeft = _mm_loadu_si128(reinterpret_cast<const __m128i*>(leftLanes + j));
        const __m128i wRight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rightLanes + j));
        const auto mix = [](__m128i a, __m128i wa, __m128i b, __m128i wb) {
            return _mm_srli_epi16(_mm_adds_epu16(_mm_mullo_epi16(a, wa), _mm_mullo_epi16(b, wb)), 8);
        };
        const __m128i top = mix(_mm_unpacklo_epi64(below0, below1), wLeft,
                                _mm_unpackhi_epi64(below0, below1), wRight);
        const __m128i bottom = mix(_mm_unpacklo_epi64(above0, above1), wLeft,
                                   _mm_unpackhi_epi64(above0, above1), wRight);
        const __m128i result = mix(top, wyBelow, bottom, wyAbove);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 4 * static_cast<size_t>(j)),
                         _mm_packus_epi16(result, result));
    }
    return j;
}

// A weight in each of the four 16-bit lanes of one pixel; the tables hold one such word per
// target column, so that two neighbouring columns load as one vector.
uint64_t spreadLanes(uint32_t weight)
{
    const uint64_t lane = weight;
    return lane | lane << 16 | lane << 32 | lane << 48;
}

#endif

}  // namespace

bool resample24(const SourceRows& source, const TargetRows& target)
{
    auto taps = allocateTable<Tap24>(target.width);
    if (!taps)
        return false;
    buildTaps24(source.width, target.width, taps.get());

    int64_t accumulator = 0;
    int64_t y = 0;
    for (int32_t i = 0; i < target.height; ++i) {
        const uint32_t g = static_cast<uint32_t>(16 * accumulator / target.height);
        const int64_t above = std::min<int64_t>(y + 1, source.height - 1);
        resampleRow24(source.pixels + y * source.stride, source.pixels + above * source.stride, g,
                      taps.get(), target.width, target.pixels + static_cast<int64_t>(i) * target.stride);
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
    auto taps = allocateTable<Tap32>(target.width);
    auto rows = allocateTable<RowTap32>(target.height);
    if (!taps || !rows)
        return false;
    walkSteps32(source.width, target.width, [&](int32_t j, int64_t x, int64_t next, uint32_t weight) {
        taps[j] = Tap32{static_cast<uint32_t>(4 * x), static_cast<uint32_t>(4 * next), weight};
    });
    walkSteps32(source.height, target.height, [&](int32_t i, int64_t y, int64_t next, uint32_t weight) {
        rows[i] = RowTap32{source.pixels + y * source.stride, source.pixels + next * source.stride, weight};
    });

#if defined(VELLARN_HAVE_SSE2)
    std::unique_ptr<uint64_t[]> leftLanes;
    std::unique_ptr<uint64_t[]> rightLanes;
    if (useSimd && source.width >= 2 && target.width >= 2) {
        leftLanes = allocateTable<uint64_t>(target.width);
        rightLanes = allocateTable<uint64_t>(target.width);
        if (!leftLanes || !rightLanes)
            return false;
        for (int32_t j = 0; j < target.width; ++j) {
            leftLanes[j] = spreadLanes(256 - taps[j].weight);
            rightLanes[j] = spreadLanes(taps[j].weight);
        }
    }
#else
    (void)useSimd;
#endif

    for (int32_t i = 0; i < target.height; ++i) {
        uint8_t* out = target.pixels + static_cast<int64_t>(i) * target.stride;
        int32_t done = 0;
#if defined(VELLARN_HAVE_SSE2)
        if (leftLanes)
            done = resampleRowSse2(rows[i], taps.get(), leftLanes.get(), rightLanes.get(), target.width, out);
#endif
        resampleRowScalar32(rows[i], taps.get(), done, target.width, out);
    }
    return true;
}
