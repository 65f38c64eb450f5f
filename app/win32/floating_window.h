// FloatingWindow: the borderless, always-on-top window that shows the glasses, made from
// dialog template 102. Escape (the Cancel command) ends the program; Enter does nothing.
#pragma once

#include <windows.h>

#include <cstdint>

class FloatingWindow {
public:
    FloatingWindow() = default;
    virtual ~FloatingWindow();
    FloatingWindow(const FloatingWindow&) = delete;
    FloatingWindow& operator=(const FloatingWindow&) = delete;

    // Creates the window from the template, with no owner; false when that fails.
    bool create(HINSTANCE instance);
    void destroy();
    // Resizes the window to width x height, keeping its top-left corner, and repaints it.
    void resize(int32_t width, int32_t height);

    HWND handle() const { return hwnd_; }

    int32_t windowWidth = 200;   // pixels, half of renderWidth
    int32_t windowHeight = 200;  // pixels, half of renderHeight

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR onInitDialog();
    INT_PTR onCommand(WPARAM wParam);

    HWND hwnd_ = nullptr;
};
