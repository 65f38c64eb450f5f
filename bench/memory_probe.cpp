// Memory figures, natively, printed as result rows (name, value, unit, reference row):
//   - allocations per steady-state frame: the glasses scene drawn over a device that draws
//     nothing (the World's frame drawing, the difference matte) and the window's per-frame
//     pixel work (the 2:1 shrink; the colour-key rectangles in region mode), counted by a
//     replaced operator new (and calloc, which the pixel memory comes from natively) once a
//     few frames have run; for the default glasses at 400 and 1200 and a 100 k-triangle model;
//   - the process's peak memory (getrusage) after loading the 1 M-triangle grid model in each
//     format, each in a child process of its own, beside the file's size.
#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "app/application.h"
#include "app/glasses_scene.h"
#include "child_process.h"
#include "image/color_key_rects.h"
#include "image/image_buffer.h"
#include "model/frame.h"
#include "model/model_cache.h"
#include "model_files.h"
#include "null_draw_device.h"
#include "render/world.h"

// ---- counting allocations ------------------------------------------------------------------

namespace {
std::atomic<long long> allocations{0};
}  // namespace

extern "C" void* __libc_calloc(size_t count, size_t size);

// The heap pixel storage takes its memory from calloc.
extern "C" void* calloc(size_t count, size_t size)
{
    ++allocations;
    return __libc_calloc(count, size);
}

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocations;
    return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

// ---- frames --------------------------------------------------------------------------------

// The scene's view of a device that is always ready and a window that is never minimised; the
// read-back of the render target is the platform's (a blit into the scene's picture).
class ProbeHost : public SceneHost {
public:
    ProbeHost(int32_t side, bool layered) : side_(side), layered_(layered) {}
    bool deviceReady() const override { return true; }
    int32_t targetWidth() const override { return side_; }
    int32_t targetHeight() const override { return side_; }
    void copyTarget(ImageBuffer&) override {}
    bool windowMinimised() const override { return false; }
    bool layeredWindows() const override { return layered_; }
    void reloadPlugins() override {}
    void showOpenFailure(const std::string&) override {}
    bool chooseModelFile(std::string&) override { return false; }

private:
    int32_t side_;
    bool layered_;
};

// Allocations per frame over `frames` frames after three to settle, the glasses turning a
// little each frame as under a drag; -1 when the model does not load.
double allocationsPerFrame(std::string modelName, int32_t side, bool layered, int frames)
{
    World world;
    NullDrawDevice device(side, side);
    world.setDevice(&device);
    ProbeHost host(side, layered);
    GlassesScene scene(world, host);
    if (!scene.load(modelName))
        return -1.0;
    ImageBuffer window;
    ColorKeyRects region;
    const auto frame = [&](int n) {
        scene.params.turnY = 0.01f * static_cast<float>(n % 100);
        scene.params.lightPadX = -0.5f + 0.001f * static_cast<float>(n % 100);
        scene.render();
        window.resizeFrom(scene.blackImage, side / 2, side / 2);
        if (!layered)
            region.build(window, 0x00FF00);
    };
    for (int n = 0; n < 3; ++n)
        frame(n);
    const long long before = allocations.load();
    for (int n = 0; n < frames; ++n)
        frame(3 + n);
    const long long counted = allocations.load() - before;
    world.setDevice(nullptr);
    return static_cast<double>(counted) / frames;
}

// ---- peak memory ---------------------------------------------------------------------------

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes
}

// The peak memory of a child process that loads the model as the scene does (into a frame,
// through the model cache); -1 when it does not load.
double peakAfterLoading(const std::string& path)
{
    return valueInChildProcess([&] {
        auto* cache = new ModelCache;
        auto* target = new Frame;
        return cache->load(*target, path, Vector3(0.7f, 0.7f, 0.7f)) != nullptr ? peakMegabytes() : -1.0;
    });
}

void row(const std::string& name, double value, const char* unit, const std::string& reference = "")
{
    std::printf("%s\t%.3f\t%s\t%s\n", name.c_str(), value, unit, reference.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    // The program finds its models under data\model\ of the working directory.
    std::filesystem::current_path(VELLARN_SOURCE_DIR);
    const int frames = argc > 1 ? std::atoi(argv[1]) : 100;
    BenchScratchDir dir;
    const auto grid = [&](BenchFormat format, int64_t triangles) {
        const std::filesystem::path path =
            dir.path() / ("grid-" + std::to_string(triangles) + extensionOf(format));
        return writeGridModel(path, format, gridSideFor(triangles)) ? path.string() : std::string();
    };

    for (const int32_t side : {400, 1200}) {
        const std::string size = std::to_string(side);
        row("memory/allocsPerFrame/default/" + size,
            allocationsPerFrame(kDefaultModelName, side, true, frames), "allocations");
        row("memory/allocsPerFrame/default/" + size + "/region",
            allocationsPerFrame(kDefaultModelName, side, false, frames), "allocations");
    }
    row("memory/allocsPerFrame/grid100k/400",
        allocationsPerFrame(grid(BenchFormat::mqo, 100'000), 400, true, frames), "allocations");

    row("memory/peakBeforeLoading", peakMegabytes(), "MB");
    for (const BenchFormat format : {BenchFormat::mqo, BenchFormat::rok, BenchFormat::x}) {
        const std::string path = grid(format, 1'000'000);
        const std::string label = std::string(extensionOf(format) + 1);
        const std::string fileRow = "memory/fileSize/" + label + "/1M";
        row(fileRow, static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0), "MB");
        row("memory/peakAfterLoading/" + label + "/1M", peakAfterLoading(path), "MB", fileRow);
        std::filesystem::remove(path);
    }
    return 0;
}
