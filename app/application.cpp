// The start-up and shut-down sequences of the program.
#include "app/application.h"

#include "app/settings_file.h"

int32_t renderWidth = kDefaultRenderSize;
int32_t renderHeight = kDefaultRenderSize;
int32_t renderDepth = 16;

namespace {
Application* theApplication = nullptr;
}

Application* application()
{
    return theApplication;
}

void setApplication(Application* app)
{
    theApplication = app;
}

int32_t Application::run()
{
    // A failed start goes straight to shut-down, which destroys the window only after the
    // device is released: a device left holding a destroyed window crashes on release.
    if (!startUp()) {
        shutDown();
        return 0;
    }
    exitCode_ = services_.runMessageLoop();
    return shutDown();
}

bool Application::startUp()
{
    modelFileName = kDefaultModelName;
    readSettings();
    readView();
    if (!services_.createMainWindow(view_.view))
        return false;
    if (!initDeviceAtStart()) {
        services_.showDeviceError();
        return false;
    }
    // The scene has shown its own message when the model could not be loaded. The remembered
    // view goes over what the model brought (its lens colour) before the first picture.
    if (!services_.loadScene())
        return false;
    services_.restoreScene(view_.view);
    services_.renderAndPresent();
    // Saved only now, so that the file names the model that was actually shown.
    writeSettings();
    return true;
}

int32_t Application::shutDown()
{
    services_.clearScene();
    services_.clearWorld();
    services_.shutdownDevice();
    services_.destroyMainWindow();
    return exitCode_;
}

bool Application::initDevice()
{
    services_.shutdownDevice();
    services_.resizeMainWindow(renderWidth / 2, renderHeight / 2);
    return services_.createDevice(renderWidth, renderHeight, renderDepth);
}

bool Application::initDeviceAtStart()
{
    if (initDevice())
        return true;
    if (renderWidth == kDefaultRenderSize && renderHeight == kDefaultRenderSize)
        return false;
    renderWidth = kDefaultRenderSize;
    renderHeight = kDefaultRenderSize;
    return initDevice();
}

bool Application::loadAndShow()
{
    if (!services_.loadScene())
        return false;
    services_.renderAndPresent();
    return true;
}

void Application::chooseModel(const std::string& name)
{
    const std::string shown = modelFileName;
    modelFileName = name;
    // The choice is remembered before it is tried.
    writeSettings();
    std::string remembered = name;
    services_.clearScene();
    bool showing = services_.loadScene();
    if (!showing) {
        // Nothing is shown now: the glasses shown before come back, and the settings file
        // names them again so that the next start does not meet the failure.
        modelFileName = shown;
        writeSettings();
        remembered = shown;
        showing = services_.loadScene();
    }
    // The open-file dialog that follows a failure may have given another file: the settings
    // file names what is shown.
    if (showing && modelFileName != remembered)
        writeSettings();
    services_.renderAndPresent();
}

void Application::readSettings()
{
    if (auto name = readSettingsFile(settingsPath))
        modelFileName = *name;
}

void Application::writeSettings()
{
    // A settings file that cannot be written (a full disk, a read-only folder) only means the
    // choice is not remembered: no message, and the earlier file still names a model.
    writeSettingsFile(settingsPath, modelFileName);
}

void Application::readView()
{
    view_ = readViewFile(viewPath);
    renderWidth = view_.view.renderWidth.value_or(renderWidth);
    renderHeight = view_.view.renderHeight.value_or(renderHeight);
}

void Application::rememberView(ViewState now)
{
    fillUnset(now, view_.view);
    if (now == view_.view)
        return;
    // A view file that cannot be written (a full disk, a read-only folder) only means the view
    // is not remembered; it is tried again at the next change.
    ViewFile file{now, view_.otherLines};
    if (writeViewFile(viewPath, file))
        view_ = std::move(file);
}
