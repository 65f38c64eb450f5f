// snapshot: renders a glasses model the way the program shows it and writes the picture.
//
//   snapshot MODEL OUT.bmp
//
// The model is loaded as the program loads it (scale 0.7, the same file-name rules), into the
// program's scene at its initial settings: camera, light, lens colour and transparency. It is
// rendered at 400 x 400 over black and over green on the real Direct3D device, each pixel's
// alpha is derived from the two, and the picture is written as a 32-bit bottom-up BMP whose
// fourth byte is the alpha, the colour multiplied by it, as the floating window receives it.
// Model authors use it to check a model; tests use it to see what the device produced.
//
// Exit codes: 0 written, 1 the device could not be brought up, 2 the model could not be
// loaded, 3 the picture could not be written, 64 wrong arguments.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "app/glasses_scene.h"
#include "base/cp932.h"
#include "image/image_buffer.h"
#include "image/pixel_storage.h"
#include "image/win32/dib_section_storage.h"
#include "image/win32/plugin_host.h"
#include "image/win32/wic_picture_decoder.h"
#include "render/win32/d3d7_draw_device.h"
#include "render/win32/render_device.h"
#include "render/world.h"

namespace {

constexpr int32_t kPictureSide = 400;

// The scene's needs met by a hidden window's device; a model that cannot be opened is told on
// the console instead of in a message box, and no file is offered in its place.
class SnapshotHost : public SceneHost {
public:
    SnapshotHost(RenderDevice& device, PluginHost& plugins) : device_(device), plugins_(plugins) {}
    bool deviceReady() const override { return device_.ready(); }
    int32_t targetWidth() const override { return device_.width(); }
    int32_t targetHeight() const override { return device_.height(); }
    void copyTarget(ImageBuffer& image) override { device_.copyToBitmap(image); }
    bool windowMinimised() const override { return false; }
    bool layeredWindows() const override { return true; }
    void reloadPlugins() override { plugins_.reloadPlugins(".\\"); }
    void showOpenFailure(const std::string& modelName) override
    {
        std::fprintf(stderr, "snapshot: could not load %s\n", cp932ToUtf8(modelName).c_str());
    }
    bool chooseModelFile(std::string&) override { return false; }

private:
    RenderDevice& device_;
    PluginHost& plugins_;
};

// The device draws into an off-screen target, but DirectDraw still wants a window for its
// cooperative level and clipper; a plain static control that is never shown serves.
HWND createHiddenWindow()
{
    return CreateWindowExW(0, L"STATIC", L"snapshot", WS_POPUP, 0, 0, kPictureSide, kPictureSide, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

bool bringUp(RenderDevice& device, HWND window)
{
    device.setTargetSize(kPictureSide, kPictureSide, 16);
    device.setAcceleration(true);
    return device.createSurfaces(window, kPictureSide, kPictureSide) && device.createDevice();
}

// Writes a 32-bit picture as a BMP file: file header, info header, the rows as they lie in
// memory (bottom-up, 32-bit rows need no padding).
bool writeBmp(const ImageBuffer& image, const std::wstring& path)
{
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = image.width();
    info.biHeight = image.height();
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(image.sizeImage());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out)
        return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&info, sizeof info, 1, out) == 1 &&
                         std::fwrite(image.pixels(), 1, image.sizeImage(), out) == image.sizeImage();
    return std::fclose(out) == 0 && written;
}

int snapshot(const std::wstring& modelPath, const std::wstring& outPath)
{
    HWND window = createHiddenWindow();
    RenderDevice device;
    if (!window || !bringUp(device, window)) {
        std::fprintf(stderr, "snapshot: the Direct3D device could not be brought up\n");
        return 1;
    }
    int status = 0;
    {
        D3D7DrawDevice drawDevice(device.directDraw(), device.device(), device.width(), device.height(),
                                  device.colourDepth(), device.hardware());
        World world;
        world.setDevice(&drawDevice);
        PluginHost plugins;
        WicPictureDecoder systemPictures;
        SnapshotHost host(device, plugins);
        GlassesScene scene(world, host);
        std::string model = utf16ToCp932(std::u16string(modelPath.begin(), modelPath.end()));
        if (!scene.load(model)) {
            status = 2;
        } else {
            scene.render();
            if (!writeBmp(scene.blackImage, outPath)) {
                std::fprintf(stderr, "snapshot: could not write the picture\n");
                status = 3;
            }
        }
        // The model's textures and frames go before the device that holds their surfaces.
        scene.clear();
        world.clearWorld();
        world.setDevice(nullptr);
    }
    device.shutdown();
    DestroyWindow(window);
    return status;
}

}  // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 3) {
        std::fprintf(stderr, "usage: snapshot MODEL OUT.bmp\n");
        return 64;
    }
    installPixelStorage(&dibSectionStorage());  // pictures as the program makes them
    const int status = snapshot(argv[1], argv[2]);
    LocalFree(argv);
    return status;
}
