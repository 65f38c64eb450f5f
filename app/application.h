// Application: the program's lifetime. Reads the remembered model name and view, creates the
// floating window, brings up the 3D device, has the glasses scene load and show the model, writes
// the settings file back, runs the message loop and takes everything down in order. It also
// keeps the view file: the Windows layer hands it the view whenever the user ends a change.
//
// The window, the device, the scene and the message loop are reached through AppServices,
// which the Windows layer implements; tests drive the same sequence with a recording fake.
#pragma once

#include <cstdint>
#include <string>

#include "app/view_file.h"

// Process-wide render size: the off-screen target is renderWidth x renderHeight pixels and
// the floating window half of that in each direction.
extern int32_t renderWidth;   // pixels, 400 or the view file's at start, kept in 100..1200 by the mouse wheel
extern int32_t renderHeight;  // pixels, 400 or the view file's at start, kept in 100..1200
extern int32_t renderDepth;   // bits per pixel requested of the device (16); the device uses the screen's

inline constexpr int32_t kDefaultRenderSize = 400;  // pixels, each way

// What the application drives; one call per step of start-up and shut-down.
class AppServices {
public:
    virtual ~AppServices() = default;
    // The floating window from its dialog template, with its control dialog, placed as the
    // view remembers them (moved onto a monitor when they would lie on none); false when it
    // cannot be made.
    virtual bool createMainWindow(const ViewState& view) = 0;
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
    // Gives the loaded scene the values the view remembers, over those its model brought.
    virtual void restoreScene(const ViewState& view) = 0;
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
    // Reads the view file; its render size becomes the current one.
    void readView();
    // Called when the user ended a change: writes the view file when now (with what it leaves
    // unset taken from the view remembered before) differs from what the file was last read
    // or written with. Keys of the file that the program does not know are written back.
    void rememberView(ViewState now);

    // Code-page-932 name of the model to load; empty until start-up sets the default.
    std::string modelFileName;

    // The settings file's name; the working directory's "vellarn.cfg" unless a test moves it.
    std::string settingsPath = "vellarn.cfg";
    // The view file's name, beside the settings file.
    std::string viewPath = kViewFileName;

private:
    // initDevice at start; a remembered render size that the device cannot be made at gives
    // way to the default size, so that one such size cannot stop every later start.
    bool initDeviceAtStart();

    AppServices& services_;
    ViewFile view_;  // as last read or written
    int32_t exitCode_ = 0;
};

// The one application object of the process (null before it is constructed).
Application* application();
void setApplication(Application* app);

// The glasses that the program shows when nothing else was chosen: "丸メガネ.mqo".
inline constexpr char kDefaultModelName[] = "\x8A\xDB\x83\x81\x83\x4B\x83\x6C.mqo";
