// FloatingWindow: the borderless, always-on-top window that shows the glasses, made from
// dialog template 102. Each picture goes to the window manager with its per-pixel alpha, or,
// without layered windows, the window is cut to the glasses' shape by a region. The left
// button drags (the keys held at the press choose what changes), the wheel resizes or
// changes the lens transparency, the right button opens the context menu, and a model file
// dropped on the glasses is shown. Escape (the Cancel command) ends the program; Enter does
// nothing. Each action that ends a change, and the end of the program, hands the view (where
// the windows stand and the scene's values) to the application to remember.
#pragma once

#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/view_file.h"
#include "app/win32/control_dialog.h"
#include "image/color_key_rects.h"
#include "image/image_buffer.h"

class Application;
class GlassesScene;

class FloatingWindow {
public:
    FloatingWindow(Application& app, GlassesScene& scene) : app_(app), scene_(scene) {}
    virtual ~FloatingWindow();
    FloatingWindow(const FloatingWindow&) = delete;
    FloatingWindow& operator=(const FloatingWindow&) = delete;

    // Creates the window from the template, with no owner, and the control dialog, placed and
    // shown as the view remembers them.
    bool create(HINSTANCE instance, const ViewState& view);
    void destroy();
    // Resizes the window to width x height, keeping its top-left corner, and repaints it.
    void resize(int32_t width, int32_t height);
    // Shows a picture (twice the window's size): shrunk to the window and handed to the window
    // manager with its alpha, or painted inside a region cut to it.
    void present(const ImageBuffer& image);
    // Renders the scene and presents the picture.
    void renderAndPresent();
    // For the message loop: the keyboard handling of this window and its control dialog.
    bool preTranslate(MSG& msg);
    bool minimised() const { return hwnd_ && IsIconic(hwnd_); }
    HWND handle() const { return hwnd_; }

    int32_t windowWidth = 0;              // pixels, half of renderWidth; set by the application
    int32_t windowHeight = 0;             // pixels, half of renderHeight
    std::vector<std::string> modelNames;  // the model menu's file names (code page 932), in item order

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog();
    void onPaint();
    void onLeftButtonDown(POINT at);
    void onMouseMove(POINT at);
    void onLeftButtonUp();
    void onMouseWheel(int32_t delta);
    INT_PTR onCommand(WPARAM wParam);
    void presentLayered();
    void presentWithRegion(const ImageBuffer& image);
    void chooseModel(size_t index);
    void openModelFile();
    void onDropFiles(HDROP drop);
    void chooseColour();
    void showModel(const std::string& name);
    // What the user sees now; where the windows stand is left unset while they are minimised.
    ViewState currentView() const;
    void rememberView();
    void quit();

    Application& app_;
    GlassesScene& scene_;
    HINSTANCE instance_ = nullptr;
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    ControlDialog controlDialog_;
    bool controlDialogPlaced_ = false;                  // placed after the window's first sizing
    bool controlDialogShown_ = true;                    // shown when made: as the user left it, else shown
    std::optional<ScreenPoint> controlDialogPosition_;  // where the user left it, if remembered
    ImageBuffer windowImage_;                           // the last picture shown, at window size
    ColorKeyRects regionScratch_;                       // reused from picture to picture in region mode
    DragMode dragMode_ = DragMode::None;
    POINT dragStart_ = {};  // client coordinates of the press
    DragStart dragValues_;  // the scene's values at the press
};
