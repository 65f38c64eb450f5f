// Win32AppServices: the Windows side of the program: the floating window, the Direct3D device
// and its drawing layer, the glasses scene's access to them, the message boxes and the
// open-file dialog, the message loop.
#pragma once

#include <memory>

#include "app/application.h"
#include "app/glasses_scene.h"
#include "app/win32/floating_window.h"

class D3D7DrawDevice;
class PluginHost;
class World;

class Win32AppServices : public AppServices, public SceneHost {
public:
    Win32AppServices(HINSTANCE instance, World& world, PluginHost& plugins);
    ~Win32AppServices() override;

    // The application and the scene this layer serves; set once, before the run.
    void connect(Application& app, GlassesScene& scene);

    // AppServices
    bool createMainWindow(const ViewState& view) override;
    void destroyMainWindow() override;
    void resizeMainWindow(int32_t width, int32_t height) override;
    void showDeviceError() override;
    void shutdownDevice() override;
    bool createDevice(int32_t width, int32_t height, int32_t depth) override;
    bool loadScene() override;
    void restoreScene(const ViewState& view) override;
    void renderAndPresent() override;
    void clearScene() override;
    void clearWorld() override;
    int32_t runMessageLoop() override;

    // SceneHost
    bool deviceReady() const override;
    int32_t targetWidth() const override;
    int32_t targetHeight() const override;
    void copyTarget(ImageBuffer& image) override;
    bool windowMinimised() const override;
    bool layeredWindows() const override;
    void reloadPlugins() override;
    void showOpenFailure(const std::string& modelName) override;
    bool chooseModelFile(std::string& path) override;

private:
    HINSTANCE instance_;
    World& world_;
    PluginHost& plugins_;
    Application* app_ = nullptr;
    GlassesScene* scene_ = nullptr;
    std::unique_ptr<FloatingWindow> window_;
    std::unique_ptr<D3D7DrawDevice> drawDevice_;
};

// The message box telling that DirectX could not be brought up, owned by owner.
void showDeviceErrorMessage(HWND owner);
