// frame_bench: the whole interactive frame of the real program, timed on the real device:
// GlassesScene::render and the floating window's present (the 2:1 shrink and
// UpdateLayeredWindow), as a drag makes them, for each render size and model asked for. Beside
// it, in the same run:
//   - the device floor: two clears and two read-backs of the render target, nothing drawn;
//   - our own code inside the frame, timed apart: the frame-tree traversal (the time inside
//     World::renderFrame that is not spent in device calls, found by a pass-through device
//     that times its calls) and the pixel passes (difference matte, shrink);
//   - the process's memory (working set and pagefile usage) at start and after the frames,
//     and optionally over a long run of frames (--soak N);
//   - optionally (--recreate N) the process's handles, GDI objects and memory before and after N
//     re-creations of the device as a wheel resize makes them (400 and 1200 in turn, the
//     glasses kept and restored on each new device), each new device drawing one frame.
// Prints result rows for bench/report.py: name, value, unit, reference row.
//
//   frame_bench [--frames N] [--warmup N] [--sizes 400,1200] [--soak N] [--recreate N] [--dump DIR]
// --dump writes which pixels of the region-mode window picture of the default glasses (rendered
// over green with see-through lenses, shrunk to the window) are the key colour, at each size,
// as the 1-bit DIR\glasses_region_S.bmp that the colour-key benchmark reads.
// Run from the source directory, where data\model\ holds the default glasses.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/glasses_scene.h"
#include "app/win32/layered_window_api.h"
#include "app/win32/win32_services.h"
#include "image/image_buffer.h"
#include "image/pixel_storage.h"
#include "image/win32/dib_section_storage.h"
#include "image/win32/plugin_host.h"
#include "math/cpu.h"
#include "model_files.h"
#include "process_counts.h"
#include "render/difference_matte.h"
#include "render/win32/render_device.h"
#include "render/world.h"
#include "timed_draw_device.h"

namespace {

constexpr uint32_t kRegionKey = 0x00FF00;  // the colour the region leaves out

struct Options {
    int frames = 20;
    int warmup = 3;
    std::vector<int32_t> sizes = {400, 1200};
    int soak = 0;
    int recreate = 0;
    std::string dumpDir;
};

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--frames")
            options.frames = std::max(1, std::atoi(value));
        else if (name == "--warmup")
            options.warmup = std::max(0, std::atoi(value));
        else if (name == "--soak")
            options.soak = std::max(0, std::atoi(value));
        else if (name == "--recreate")
            options.recreate = std::max(0, std::atoi(value));
        else if (name == "--dump")
            options.dumpDir = value;
        else if (name == "--sizes") {
            options.sizes.clear();
            for (const char* p = value; *p != '\0';) {
                char* end = nullptr;
                options.sizes.push_back(static_cast<int32_t>(std::strtol(p, &end, 10)));
                p = *end == ',' ? end + 1 : end;
            }
        }
    }
    return options;
}

const char* architecture()
{
    return sizeof(void*) == 4 ? "win32" : "win64";
}

void row(const std::string& name, double value, const char* unit, const std::string& reference = "")
{
    std::printf("frame/%s/%s\t%.4f\t%s\t%s\n", architecture(), name.c_str(), value, unit,
                reference.empty() ? "" : ("frame/" + std::string(architecture()) + "/" + reference).c_str());
    std::fflush(stdout);
}

// The scene's host: the program's own, with the read-back timed and, for the region-mode
// picture, layered windows reported missing.
class TimedHost : public SceneHost {
public:
    explicit TimedHost(SceneHost& inner) : inner_(inner) {}
    bool deviceReady() const override { return inner_.deviceReady(); }
    int32_t targetWidth() const override { return inner_.targetWidth(); }
    int32_t targetHeight() const override { return inner_.targetHeight(); }
    void copyTarget(ImageBuffer& image) override { inner_.copyTarget(image); }
    bool windowMinimised() const override { return inner_.windowMinimised(); }
    bool layeredWindows() const override { return regionMode ? false : inner_.layeredWindows(); }
    void reloadPlugins() override { inner_.reloadPlugins(); }
    void showOpenFailure(const std::string& name) override { inner_.showOpenFailure(name); }
    bool chooseModelFile(std::string&) override { return false; }

    bool regionMode = false;

private:
    SceneHost& inner_;
};

void pumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct Memory {
    double workingSet = 0.0;  // MB
    double pagefile = 0.0;    // MB
};

Memory processMemory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0),
            static_cast<double>(counters.PagefileUsage) / (1024.0 * 1024.0)};
}

// Writes which pixels of a 24-bit picture are the key colour as a 1-bit BMP file: colour 0 is
// the key, colour 1 (a brown of the glasses' frame) every other pixel. Rows bottom-up as in the
// picture, each padded to whole 32-bit words.
bool writeKeyMask(const ImageBuffer& image, uint32_t key, const std::string& path)
{
    const int32_t width = image.width();
    const int32_t height = image.height();
    const size_t stride = (static_cast<size_t>(width) + 31) / 32 * 4;
    std::vector<uint8_t> bits(stride * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = image.row(y);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + 3 * static_cast<size_t>(x);
            const uint32_t colour =
                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
            if (colour != key)
                bits[static_cast<size_t>(y) * stride + static_cast<size_t>(x / 8)] |=
                    static_cast<uint8_t>(0x80 >> (x % 8));
        }
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 1;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(bits.size());
    info.biClrUsed = 2;
    const RGBQUAD colours[2] = {
        {static_cast<BYTE>(key), static_cast<BYTE>(key >> 8), static_cast<BYTE>(key >> 16), 0},
        {0x30, 0x60, 0xA0, 0}};
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info + sizeof colours;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(bits.size());
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::fwrite(colours, sizeof colours, 1, out);
    std::fwrite(bits.data(), 1, bits.size(), out);
    return std::fclose(out) == 0;
}

class Harness {
public:
    Harness(HINSTANCE instance, const Options& options)
        : options_(options),
          services_(instance, world_, plugins_),
          app_(services_),
          host_(services_),
          scene_(world_, host_)
    {
        setApplication(&app_);
        services_.connect(app_, scene_);
        layeredWindowApi().lookUp();
        initCpuFlags();
        renderDevice();
    }

    ~Harness()
    {
        scene_.clear();
        world_.clearWorld();
        services_.shutdownDevice();
        services_.destroyMainWindow();
        setApplication(nullptr);
    }

    bool start() { return services_.createMainWindow(ViewState{}); }

    // Device at the size, with the timing pass-through between the World and it, and the
    // model loaded into the scene.
    bool setUp(int32_t size, const std::string& model)
    {
        scene_.clear();
        world_.clearWorld();
        services_.shutdownDevice();
        renderWidth = renderHeight = size;
        services_.resizeMainWindow(size / 2, size / 2);
        if (!services_.createDevice(size, size, renderDepth))
            return false;
        timed_.wrap(world_.device());
        world_.setDevice(&timed_);
        app_.modelFileName = model;
        return scene_.load(app_.modelFileName);
    }

    // One frame as a drag makes it: the glasses turned a little, rendered and presented.
    void frame(int n)
    {
        scene_.params.turnY = 0.3f * static_cast<float>((n % 20) - 10) / 10.0f;
        services_.renderAndPresent();
        pumpMessages();
    }

    void measure(int32_t size, const std::string& label)
    {
        const std::string name = std::to_string(size) + "/" + label;
        for (int n = 0; n < options_.warmup; ++n)
            frame(n);
        const Memory before = processMemory();

        // The pass-through device times its calls during these frames: two clock readings a
        // call, a few hundred a frame, well below a part in a thousand of the frame.
        timed_.reset();
        timed_.timing = true;
        const double frameSeconds = timeEach(options_.frames, [&](int n) { frame(n); });
        timed_.timing = false;
        const double traversal = timed_.ownSeconds() / options_.frames;
        const double matte = timeEach(
            options_.frames, [&](int) { DifferenceMatte::apply(scene_.blackImage, scene_.greenImage); });
        ImageBuffer window;
        window.resizeFrom(scene_.blackImage, size / 2, size / 2);
        const double shrink =
            timeEach(options_.frames, [&](int) { window.resizeFrom(scene_.blackImage, size / 2, size / 2); });
        for (int n = 0; n < options_.warmup; ++n)
            deviceFloor();
        const double floor = timeEach(options_.frames, [&](int) { deviceFloor(); });
        const Memory after = processMemory();

        row(name + "/fps", 1.0 / frameSeconds, "fps", name + "/deviceFloor");
        row(name + "/deviceFloor", 1.0 / floor, "fps");
        row(name + "/frameTime", frameSeconds * 1e3, "ms");
        row(name + "/traversal", traversal * 1e6, "us");
        row(name + "/matteAlpha", matte * 1e6, "us");
        row(name + "/resizeHalf", shrink * 1e6, "us");
        row(name + "/ourShare", 100.0 * (traversal + matte + shrink) / frameSeconds, "%");
        row(name + "/workingSetAfterFrames", after.workingSet, "MB", name + "/workingSetBeforeFrames");
        row(name + "/workingSetBeforeFrames", before.workingSet, "MB");
    }

    // The memory over a long run of frames at the default size with the default glasses: after
    // the warm-up, after a tenth and half of the frames, and at the end, each against the
    // figure after a tenth (the system's own caches fill during the first few hundred frames).
    void soak(int frames)
    {
        if (!setUp(400, kDefaultModelName))
            return;
        for (int n = 0; n < options_.warmup; ++n)
            frame(n);
        const std::string name = "soak" + std::to_string(frames);
        const int tenth = std::max(1, frames / 10);
        const auto report = [&](int done, const Memory& memory) {
            const std::string at = name + "/after" + std::to_string(done);
            const std::string base = name + "/after" + std::to_string(tenth);
            row(at + "/workingSet", memory.workingSet, "MB", done > tenth ? base + "/workingSet" : "");
            row(at + "/pagefile", memory.pagefile, "MB", done > tenth ? base + "/pagefile" : "");
        };
        report(0, processMemory());
        for (int n = 1; n <= frames; ++n) {
            frame(n);
            if (n == tenth || n == frames / 2 || n == frames)
                report(n, processMemory());
        }
    }

    // Handles, GDI objects and memory over count device re-creations the way a wheel resize
    // makes them, after a few to let the drivers fill their caches.
    void recreate(int count)
    {
        if (!setUp(400, kDefaultModelName))
            return;
        const auto resize = [&](int n) {
            renderWidth = renderHeight = n % 2 == 0 ? 1200 : 400;
            return app_.initDevice() && app_.loadAndShow();
        };
        for (int n = 0; n < 4; ++n)
            if (!resize(n))
                return;
        const ProcessCounts before = processCounts();
        for (int n = 0; n < count; ++n) {
            if (!resize(n)) {
                std::fprintf(stderr, "frame_bench: re-creation %d failed\n", n + 1);
                return;
            }
            pumpMessages();
        }
        const ProcessCounts after = processCounts();
        const std::string name = "recreate" + std::to_string(count);
        row(name + "/handlesAfter", static_cast<double>(after.handles), "handles", name + "/handlesBefore");
        row(name + "/handlesBefore", static_cast<double>(before.handles), "handles");
        row(name + "/gdiObjectsAfter", static_cast<double>(after.gdiObjects), "objects",
            name + "/gdiObjectsBefore");
        row(name + "/gdiObjectsBefore", static_cast<double>(before.gdiObjects), "objects");
        row(name + "/privateAfter", static_cast<double>(after.anonymousBytes) / (1024.0 * 1024.0), "MB",
            name + "/privateBefore");
        row(name + "/privateBefore", static_cast<double>(before.anonymousBytes) / (1024.0 * 1024.0), "MB");
    }

    // The region-mode window picture of the default glasses at the size.
    bool dumpRegionPicture(int32_t size, const std::string& dir)
    {
        host_.regionMode = true;
        const bool loaded = setUp(size, kDefaultModelName);
        host_.regionMode = false;
        if (!loaded)
            return false;
        scene_.renderForRegion();
        ImageBuffer window;
        window.resizeFrom(scene_.blackImage, size / 2, size / 2);
        return writeKeyMask(window, kRegionKey, dir + "\\glasses_region_" + std::to_string(size) + ".bmp");
    }

private:
    // The median time of count runs of work, in seconds: the machine is shared, and the
    // median keeps a few disturbed runs from moving the figure.
    template <typename Work>
    static double timeEach(int count, Work work)
    {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        std::vector<double> seconds;
        for (int n = 0; n < count; ++n) {
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            work(n);
            QueryPerformanceCounter(&end);
            seconds.push_back(static_cast<double>(end.QuadPart - start.QuadPart) /
                              static_cast<double>(frequency.QuadPart));
        }
        std::sort(seconds.begin(), seconds.end());
        return seconds[seconds.size() / 2];
    }

    // What every frame costs the device without drawing anything: the picture over black and
    // over green each cleared, its scene begun and ended, and read back.
    void deviceFloor()
    {
        for (const uint32_t colour : {0x000000u, 0x00FF00u}) {
            timed_.clear(kClearTarget | kClearZBuffer, colour, 1.0f, 0);
            timed_.beginScene();
            timed_.endScene();
            host_.copyTarget(colour == 0 ? scene_.blackImage : scene_.greenImage);
        }
    }

    const Options& options_;
    World world_;
    PluginHost plugins_;
    Win32AppServices services_;
    Application app_;
    TimedHost host_;
    GlassesScene scene_;
    TimedDrawDevice timed_;
};

// A 100 k-triangle model (the benchmarks' wavy grid) in a scratch folder.
std::string gridModel(const BenchScratchDir& dir)
{
    const std::filesystem::path path = dir.path() / "grid-100k.mqo";
    return writeGridModel(path, BenchFormat::mqo, gridSideFor(100'000)) ? path.string() : std::string();
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = parseOptions(argc, argv);
    installPixelStorage(&dibSectionStorage());  // pictures as the program makes them
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    const Memory atStart = processMemory();

    Harness harness(GetModuleHandleW(nullptr), options);
    if (!harness.start()) {
        std::fprintf(stderr, "frame_bench: the window could not be made\n");
        return 1;
    }
    if (!options.dumpDir.empty()) {
        for (const int32_t size : options.sizes)
            if (!harness.dumpRegionPicture(size, options.dumpDir))
                std::fprintf(stderr, "frame_bench: no region picture at %d\n", size);
        return 0;
    }
    row("workingSetAtStart", atStart.workingSet, "MB");
    BenchScratchDir dir;
    const std::string grid = gridModel(dir);
    for (const int32_t size : options.sizes) {
        const std::pair<std::string, std::string> models[] = {{"default", kDefaultModelName},
                                                              {"grid100k", grid}};
        for (const auto& [label, model] : models) {
            if (model.empty() || !harness.setUp(size, model)) {
                std::fprintf(stderr, "frame_bench: %s at %d could not be set up\n", label.c_str(), size);
                continue;
            }
            harness.measure(size, label);
        }
    }
    if (options.soak > 0)
        harness.soak(options.soak);
    if (options.recreate > 0)
        harness.recreate(options.recreate);
    return 0;
}
