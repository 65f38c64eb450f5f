// The floating window's per-frame picture work at the default and the largest render size:
// copying the scene's frame, the 2:1 shrink (vector and scalar paths, and resizeFrom, which does
// both without the full-size copy), and the colour-key rectangles of region mode. Each size
// also times a plain memcpy of the frame's bytes as the reference.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/bilinear_resampler.h"
#include "image/color_key_rects.h"
#include "image/image_buffer.h"

namespace {

// A frame like the renderer's: the glasses in the middle, pure green around them.
void makeFrame(ImageBuffer& frame, int32_t side, uint16_t depth)
{
    frame.create(side, side, depth);
    const int bytes = depth / 8;
    for (int32_t y = 0; y < side; ++y) {
        uint8_t* row = frame.row(y);
        for (int32_t x = 0; x < side; ++x) {
            const int32_t dx = x - side / 2, dy = y - side / 2;
            const bool glasses = dx * dx + dy * dy < side * side / 8;
            row[bytes * x] = glasses ? static_cast<uint8_t>(x) : 0;
            row[bytes * x + 1] = glasses ? static_cast<uint8_t>(y) : 255;
            row[bytes * x + 2] = glasses ? static_cast<uint8_t>(x ^ y) : 0;
        }
    }
}

void memcpyReference(benchmark::State& state)
{
    ImageBuffer frame;
    makeFrame(frame, static_cast<int32_t>(state.range(0)), 32);
    std::vector<uint8_t> copy(frame.sizeImage());
    for (auto _ : state) {
        std::memcpy(copy.data(), frame.pixels(), frame.sizeImage());
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.sizeImage()));
}

void copyFrom(benchmark::State& state)
{
    ImageBuffer frame;
    makeFrame(frame, static_cast<int32_t>(state.range(0)), 32);
    ImageBuffer window;
    for (auto _ : state)
        benchmark::DoNotOptimize(window.copyFrom(frame));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.sizeImage()));
}

void shrink(benchmark::State& state, bool useSimd)
{
    const int32_t side = static_cast<int32_t>(state.range(0));
    ImageBuffer frame;
    makeFrame(frame, side, 32);
    ImageBuffer half;
    half.create(side / 2, side / 2, 32);
    const SourceRows in{frame.pixels(), side, side, frame.stride()};
    const TargetRows out{half.pixels(), side / 2, side / 2, half.stride()};
    for (auto _ : state)
        benchmark::DoNotOptimize(resample32(in, out, useSimd));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.sizeImage()));
}

void shrinkVector(benchmark::State& state) { shrink(state, true); }
void shrinkScalar(benchmark::State& state) { shrink(state, false); }

// The floating window's per-frame sequence: copy the frame, then resize (a new picture each time).
void copyThenResize(benchmark::State& state)
{
    const int32_t side = static_cast<int32_t>(state.range(0));
    ImageBuffer frame;
    makeFrame(frame, side, 32);
    ImageBuffer window;
    for (auto _ : state) {
        window.copyFrom(frame);
        benchmark::DoNotOptimize(window.resize(side / 2, side / 2));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.sizeImage()));
}

void resizeFrom(benchmark::State& state)
{
    const int32_t side = static_cast<int32_t>(state.range(0));
    ImageBuffer frame;
    makeFrame(frame, side, 32);
    ImageBuffer window;
    for (auto _ : state)
        benchmark::DoNotOptimize(window.resizeFrom(frame, side / 2, side / 2));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.sizeImage()));
}

void colorKeyRects(benchmark::State& state)
{
    const int32_t side = static_cast<int32_t>(state.range(0)) / 2;  // the window's size
    ImageBuffer window;
    makeFrame(window, side, 24);
    ColorKeyRects rects;
    for (auto _ : state)
        benchmark::DoNotOptimize(rects.build(window, 0x00FF00));
    state.counters["rects"] = static_cast<double>(rects.count());
}

}  // namespace

BENCHMARK(memcpyReference)->Arg(400)->Arg(1200);
BENCHMARK(copyFrom)->Arg(400)->Arg(1200);
BENCHMARK(shrinkVector)->Arg(400)->Arg(1200);
BENCHMARK(shrinkScalar)->Arg(400)->Arg(1200);
BENCHMARK(copyThenResize)->Arg(400)->Arg(1200);
BENCHMARK(resizeFrom)->Arg(400)->Arg(1200);
BENCHMARK(colorKeyRects)->Arg(400)->Arg(1200);

BENCHMARK_MAIN();
