// The Windows side of start-up, shut-down and the scene's needs.
#include "app/win32/win32_services.h"

#include <string>

#include "app/win32/interface_resources.h"
#include "app/win32/layered_window_api.h"
#include "app/win32/model_opening.h"
#include "base/cp932.h"
#include "image/win32/plugin_host.h"
#include "render/win32/d3d7_draw_device.h"
#include "render/win32/render_device.h"
#include "render/world.h"
#include "resources/resource_ids.h"

namespace {

// The program's name for message-box captions: the executable's base name.
std::wstring programName()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    const std::size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

const wchar_t* wide(const std::u16string& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

void showDeviceErrorMessage(HWND owner)
{
    const std::wstring text = loadInterfaceText(GetModuleHandleW(nullptr), IDS_DEVICE_FAILED);
    MessageBoxW(owner, text.c_str(), programName().c_str(), MB_OK);
}

Win32AppServices::Win32AppServices(HINSTANCE instance, World& world, PluginHost& plugins)
    : instance_(instance), world_(world), plugins_(plugins)
{}

Win32AppServices::~Win32AppServices()
{
    world_.setDevice(nullptr);
}

void Win32AppServices::connect(Application& app, GlassesScene& scene)
{
    app_ = &app;
    scene_ = &scene;
}

bool Win32AppServices::createMainWindow(const ViewState& view)
{
    window_ = std::make_unique<FloatingWindow>(*app_, *scene_);
    return window_->create(instance_, view);
}

void Win32AppServices::destroyMainWindow()
{
    window_.reset();
}

void Win32AppServices::resizeMainWindow(int32_t width, int32_t height)
{
    if (window_)
        window_->resize(width, height);
}

void Win32AppServices::showDeviceError()
{
    showDeviceErrorMessage(window_ ? window_->handle() : nullptr);
}

void Win32AppServices::shutdownDevice()
{
    // The World lets go of the drawing layer before the device under it goes.
    world_.setDevice(nullptr);
    drawDevice_.reset();
    renderDevice().shutdown();
}

bool Win32AppServices::createDevice(int32_t width, int32_t height, int32_t depth)
{
    RenderDevice& device = renderDevice();
    device.setTargetSize(width, height, depth);
    device.setAcceleration(true);
    if (!window_ || !device.createSurfaces(window_->handle(), width, height))
        return false;
    if (!device.createDevice())
        return false;
    drawDevice_ = std::make_unique<D3D7DrawDevice>(device.directDraw(), device.device(), device.width(),
                                                   device.height(), device.colourDepth(), device.hardware());
    world_.setDevice(drawDevice_.get());
    return true;
}

bool Win32AppServices::loadScene()
{
    return scene_->load(app_->modelFileName);
}

void Win32AppServices::restoreScene(const ViewState& view)
{
    ::restoreScene(view, scene_->params);
}

void Win32AppServices::renderAndPresent()
{
    if (window_)
        window_->renderAndPresent();
}

void Win32AppServices::clearScene()
{
    scene_->clear();
}

void Win32AppServices::clearWorld()
{
    world_.clearWorld();
}

int32_t Win32AppServices::runMessageLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (window_ && window_->preTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int32_t>(msg.wParam);
}

bool Win32AppServices::deviceReady() const
{
    return renderDevice().ready();
}

int32_t Win32AppServices::targetWidth() const
{
    return renderDevice().width();
}

int32_t Win32AppServices::targetHeight() const
{
    return renderDevice().height();
}

void Win32AppServices::copyTarget(ImageBuffer& image)
{
    renderDevice().copyToBitmap(image);
}

bool Win32AppServices::windowMinimised() const
{
    return window_ && window_->minimised();
}

bool Win32AppServices::layeredWindows() const
{
    return layeredWindowApi().updateLayeredWindow != nullptr;
}

void Win32AppServices::reloadPlugins()
{
    plugins_.reloadPlugins(".\\");
}

void Win32AppServices::showOpenFailure(const std::string& modelName)
{
    const std::u16string name = cp932ToUtf16(modelName);
    const std::wstring text = formatInterfaceText(loadInterfaceText(instance_, IDS_OPEN_FAILED), wide(name));
    MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK);
}

bool Win32AppServices::chooseModelFile(std::string& path)
{
    return askForModelFile(window_ ? window_->handle() : nullptr, std::nullopt, path);
}
