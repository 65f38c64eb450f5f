// Win32AppServices: the Windows side of the application's start-up and shut-down: the
// floating window, the message box, the message loop. The 3D device and the glasses scene are
// not built yet; until they are, creating the device and loading the scene succeed without
// doing anything, so that the program starts, shows its window and remembers its model.
#pragma once

#include "app/application.h"
#include "app/win32/floating_window.h"

class Win32AppServices : public AppServices {
public:
    explicit Win32AppServices(HINSTANCE instance) : instance_(instance) {}

    bool createMainWindow() override;
    void destroyMainWindow() override;
    void resizeMainWindow(int32_t width, int32_t height) override;
    void showDeviceError() override;
    void shutdownDevice() override {}
    bool createDevice(int32_t, int32_t, int32_t) override { return true; }
    bool loadScene() override { return true; }
    void renderAndPresent() override {}
    void clearScene() override {}
    void clearWorld() override {}
    int32_t runMessageLoop() override;

private:
    HINSTANCE instance_;
    FloatingWindow* window_ = nullptr;
};
