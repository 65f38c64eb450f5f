// Application: the program's lifetime. Reads the remembered model name, creates the floating
// window, brings up the 3D device, has the glasses scene load and show the model, writes the
// settings file back, runs the message loop and takes everything down in order.
//
// The window, the device, the scene and the message loop are reached through AppServices,
// which the Windows layer implements; tests drive the same sequence with a recording fake.
#pragma once

#include <cstdint>
#include <string>

// Process-wide render size: the off-screen target is renderWidth x renderHeight pixels and
// the floating window half of that in each direction.
extern int32_t renderWidth;   // pixels, 400 at start, kept in 100..1200 by the mouse wheel
extern int32_t renderHeight;  // pixels, 400 at start, kept in 100..1200
extern int32_t renderDepth;   // bits per pixel requested of the device (16); the device uses the screen's

// What the application drives; one call per step of start-up and shut-down.
class AppServices {
public:
    virtual ~AppServices() = default;
    // The floating window from its dialog template; false when it cannot be made.
    virtual bool createMainWindow() = 0;
    virtual void destroyMainWindow() = 0;
    // Sizes the floating window, keeping its top-left corner, and repaints it.
    virtual void resizeMainWindow(int32_t width, int32_t height) = 0;
    // The message box telling that DirectX could not be brought up.
    virtual void showDeviceError() = 0;
    virtual void shutdownDevice() = 0;
    // Target size, acceleration, surfaces and device at the given size; false on failure.
    virtual bool createDevice(int32_t width, int32_t height, int32_t depth) = 0;
    // Loads modelFileName into the scene (which may change it through the open-file dialog).
    virtual bool loadScene() = 0;
    // Renders the scene and presents its picture in the floating window.
    virtual void renderAndPresent() = 0;
    virtual void clearScene() = 0;
    virtual void clearWorld() = 0;
    // Runs the message loop until the quit message and returns its exit code.
    virtual int32_t runMessageLoop() = 0;
};

class Application {
public:
    explicit Application(AppServices& services) : services_(services) {}
    virtual ~Application() = default;

    // The whole run: start-up, message loop, shut-down. Returns the exit code.
    int32_t run();

    bool startUp();
    int32_t shutDown();
    bool initDevice();
    bool loadAndShow();
    // Shows the model picked from the context menu, the open-file dialog or a drop,
    // remembering it first. When it cannot be shown (the open-file dialog after the message
    // was cancelled or gave no better file), the model shown before is loaded again and
    // remembered instead; whatever is shown in the end is what the settings file names.
    void chooseModel(const std::string& name);
    void readSettings();
    void writeSettings();

    // Code-page-932 name of the model to load; empty until start-up sets the default.
    std::string modelFileName;

    // The settings file's name; the working directory's "vellarn.cfg" unless a test moves it.
    std::string settingsPath = "vellarn.cfg";

private:
    AppServices& services_;
    int32_t exitCode_ = 0;
};

// The one application object of the process (null before it is constructed).
Application* application();
void setApplication(Application* app);

// The glasses that the program shows when nothing else was chosen: "丸メガネ.mqo".
inline constexpr char kDefaultModelName[] = "\x8A\xDB\x83\x81\x83\x4B\x83\x6C.mqo";
