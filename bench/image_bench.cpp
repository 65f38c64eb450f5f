// The per-frame pixel passes at the default and the largest render size (the argument), each
// beside a memcpy of the bytes it reads, measured in the same run:
//   matteAlpha      the alpha of a frame from its renders over black and over green (reads two
//                   frames) - against memcpyTwoPictures;
//   copyFrom        the copy of a frame into a buffer of the same size - against memcpyPicture;
//   resizeHalf      the window's 2:1 shrink of a 32-bit frame - against memcpyPicture;
//   colorKeyRegion  the rectangles of the window-sized 24-bit picture of the default glasses
//                   as rendered in region mode (over green, see-through lenses), from
//                   bench/data - against memcpyWindowPicture.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "image/color_key_rects.h"
#include "image/image_buffer.h"
#include "render/difference_matte.h"

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

int32_t renderSide(const benchmark::State& state)
{
    return static_cast<int32_t>(state.range(0));
}

void memcpyBytes(benchmark::State& state, size_t bytes)
{
    std::vector<uint8_t> from(bytes, 1);
    std::vector<uint8_t> to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

size_t pictureBytes(int32_t side, int bytesPerPixel)
{
    return static_cast<size_t>(side) * static_cast<size_t>(side) * static_cast<size_t>(bytesPerPixel);
}

void memcpyPicture(benchmark::State& state)
{
    memcpyBytes(state, pictureBytes(renderSide(state), 4));
}

void memcpyTwoPictures(benchmark::State& state)
{
    memcpyBytes(state, 2 * pictureBytes(renderSide(state), 4));
}

// The region-mode window picture of the default glasses as the renderer made it at this
// render size: which pixels are the key colour, kept as a 1-bit picture (made by the frame
// harness, frame_bench --dump), here widened to the 24 bits the window works with.
bool loadRegionPicture(ImageBuffer& window, int32_t side)
{
    const std::string path =
        std::string(VELLARN_SOURCE_DIR) + "/bench/data/glasses_region_" + std::to_string(side) + ".bmp";
    return window.loadBmp(path) && window.bitsPerPixel() == 24 && window.width() == side / 2;
}

void memcpyWindowPicture(benchmark::State& state)
{
    ImageBuffer window;
    if (!loadRegionPicture(window, renderSide(state))) {
        state.SkipWithError("no region picture in bench/data");
        return;
    }
    memcpyBytes(state, window.sizeImage());
}

void matteAlpha(benchmark::State& state)
{
    ImageBuffer overBlack;
    ImageBuffer overGreen;
    makeFrame(overBlack, renderSide(state), 32);
    makeFrame(overGreen, renderSide(state), 32);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DifferenceMatte::apply(overBlack, overGreen));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * overBlack.sizeImage()));
}

void copyFrom(benchmark::State& state)
{
    ImageBuffer frame;
    makeFrame(frame, renderSide(state), 32);
    ImageBuffer window;
    for (auto _ : state) {
        benchmark::DoNotOptimize(window.copyFrom(frame));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.sizeImage()));
}

// As the floating window does it for every frame: into a buffer kept from the frame before.
void resizeHalf(benchmark::State& state)
{
    const int32_t side = renderSide(state);
    ImageBuffer frame;
    makeFrame(frame, side, 32);
    ImageBuffer window;
    for (auto _ : state) {
        benchmark::DoNotOptimize(window.resizeFrom(frame, side / 2, side / 2));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame.sizeImage()));
}

void colorKeyRegion(benchmark::State& state)
{
    ImageBuffer window;
    if (!loadRegionPicture(window, renderSide(state))) {
        state.SkipWithError("no region picture in bench/data");
        return;
    }
    ColorKeyRects rects;
    for (auto _ : state)
        benchmark::DoNotOptimize(rects.build(window, 0x00FF00));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * window.sizeImage()));
    state.counters["rects"] = static_cast<double>(rects.count());
}

}  // namespace

BENCHMARK(memcpyPicture)->Arg(400)->Arg(1200);
BENCHMARK(memcpyTwoPictures)->Arg(400)->Arg(1200);
BENCHMARK(memcpyWindowPicture)->Arg(400)->Arg(1200);
BENCHMARK(matteAlpha)->Arg(400)->Arg(1200);
BENCHMARK(copyFrom)->Arg(400)->Arg(1200);
BENCHMARK(resizeHalf)->Arg(400)->Arg(1200);
BENCHMARK(colorKeyRegion)->Arg(400)->Arg(1200);

BENCHMARK_MAIN();
