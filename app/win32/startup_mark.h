// StartupMark: how long start-up takes, for make bench (bench/startup.sh). It stands between the
// application and the Windows layer and passes every call on unchanged. When the environment
// variable VELLARN_STARTUP_MARK names a file at start-up, then once the first picture has been
// handed to the window, that file gets the moment of it and the time each step of start-up
// took, and the program ends as though closed. Without the variable nothing is written and
// the program runs as ever; the steps are timed either way (a few clock readings).
//
// The file, one "name<TAB>value" line each, values in milliseconds:
//   unixMs      the moment of the first picture by the system clock, since 1970-01-01 UTC
//   settings    reading the settings file and the view file
//   window      making the floating window and its control dialog
//   device      bringing up the Direct3D device
//   modelLoad   loading the glasses into the scene
//   firstRender rendering the first picture and handing it to the window
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "app/application.h"

// Named durations in milliseconds, in the order they were taken.
using StartupFigures = std::vector<std::pair<const char*, double>>;

// The file that VELLARN_STARTUP_MARK names; empty when it is not set.
std::wstring startupMarkPath();
// Milliseconds on the performance counter, for the differences between two readings.
double startupClockMs();
// Writes the unixMs line for the moment now, then one line per figure. False when the file
// cannot be written.
bool writeStartupMark(const std::wstring& path, const StartupFigures& figures);

class StartupMark : public AppServices {
public:
    // Passes every call on to inner; reads VELLARN_STARTUP_MARK.
    explicit StartupMark(AppServices& inner);

    // The application's run starts now: what comes before the window is reading the settings.
    void begin() { begun_ = startupClockMs(); }

    bool createMainWindow(const ViewState& view) override;
    void destroyMainWindow() override { inner_.destroyMainWindow(); }
    void resizeMainWindow(int32_t width, int32_t height) override { inner_.resizeMainWindow(width, height); }
    void showDeviceError() override { inner_.showDeviceError(); }
    void shutdownDevice() override { inner_.shutdownDevice(); }
    bool createDevice(int32_t width, int32_t height, int32_t depth) override;
    bool loadScene() override;
    void restoreScene(const ViewState& view) override { inner_.restoreScene(view); }
    void renderAndPresent() override;
    void clearScene() override { inner_.clearScene(); }
    void clearWorld() override { inner_.clearWorld(); }
    int32_t runMessageLoop() override { return inner_.runMessageLoop(); }

private:
    // Calls step and, until the first picture, records how long it took under name.
    template <typename Step>
    auto timed(const char* name, Step step);

    AppServices& inner_;
    std::wstring path_;       // the file to write; empty when not asked for
    double begun_ = 0.0;      // startupClockMs() when the run began
    StartupFigures figures_;  // the steps so far
    bool marked_ = false;     // the first picture has been shown
};
