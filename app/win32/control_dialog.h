// ControlDialog: the small modeless tool window with a slider for each setting. It follows
// every picture (syncSliders) and, whenever a slider moves (dragged, or by the keyboard, the
// wheel or a click on its channel), writes the sliders back into the scene and has a new
// picture made (readSliders). When the user ends a change (lets go of a slider, hides the dialog
// or has moved it), it says so (onSettled), so that the view is remembered.
#pragma once

#include <windows.h>

#include <functional>

#include "app/controls.h"
#include "app/scene_parameters.h"

class ControlDialog {
public:
    ControlDialog() = default;
    ~ControlDialog();
    ControlDialog(const ControlDialog&) = delete;
    ControlDialog& operator=(const ControlDialog&) = delete;

    // Creates the dialog from its template, owned by owner, and shows it when shown is true.
    // onChanged renders and presents after the sliders changed the scene; onSettled follows
    // the end of a change.
    bool create(HINSTANCE instance, HWND owner, SceneParameters& params, bool shown,
                std::function<void()> onChanged, std::function<void()> onSettled);
    void destroy();
    void show();
    // Moves the dialog just to the right of owner (to its left near the screen's edge).
    void placeBesideOwner(HWND owner);
    // Moves the dialog's top-left corner to the point, or onto the screen near it when the
    // dialog would lie on no monitor there.
    void placeAt(POINT topLeft);
    bool shown() const { return hwnd_ && IsWindowVisible(hwnd_); }
    // Scene -> slider positions, then one redraw of the whole dialog.
    void syncSliders();
    // Slider positions -> scene, then onChanged.
    void readSliders();
    // For the message loop: the dialog's keyboard handling, and readSliders when the mouse
    // moves while one of the trackbars holds the capture. True when the message was handled.
    bool preTranslate(MSG& msg);

    HWND handle() const { return hwnd_; }

private:
    static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void onInitDialog();
    void hide();
    void settled();
    // WM_HSCROLL from a trackbar: readSliders when a slider stands elsewhere than the scene
    // puts it, unless a thumb drag (read by preTranslate) moved it.
    void onScroll(HWND bar, int notification);
    bool ownsTrackbar(HWND window) const;
    int32_t position(int id) const;
    SliderPositions positions() const;
    void setPosition(int id, int32_t pos);

    HWND hwnd_ = nullptr;
    SceneParameters* params_ = nullptr;
    std::function<void()> onChanged_;
    std::function<void()> onSettled_;
};
