// The rules by which the mouse, the wheel, the control dialog's sliders and the colour chooser
// change the scene's parameters and the render size. Kept apart from the windows so that the
// exact factors can be tested without them.
#pragma once

#include <cstdint>

#include "app/scene_parameters.h"

// What a left-button drag changes, chosen by the keys held at the press.
enum class DragMode : int32_t {
    None = 0,
    Move = 1,      // the window's position
    Turn = 2,      // Shift: turnX and turnY
    Tilt = 3,      // Ctrl: tilt
    Temples = 4,   // Alt: the temple lengths
    LightPad = 5,  // Ctrl and Shift: the light
};

DragMode chooseDragMode(bool ctrl, bool shift, bool alt);

// The scene values a drag starts from, taken at the press.
struct DragStart {
    float turnX = 0.0f;
    float turnY = 0.0f;
    float tilt = 0.0f;
    float templeDiff = 0.0f;  // clamped to [-1, 1] at the press
    float templeMean = 0.0f;  // clamped to [0, 1] at the press
    float lightPadX = 0.0f;
    float lightPadY = 0.0f;
};

DragStart dragStartFrom(const SceneParameters& p);

// Sets the fields the mode changes from the start values and the motion (dx, dy) in pixels
// since the press. Move changes nothing here (the window moves instead).
void applyDrag(DragMode mode, const DragStart& start, int32_t dx, int32_t dy, SceneParameters& p);

// Shift + wheel: the lens transparency offset moves by 0.02 per notch, down for delta < 0.
void applyTransparencyWheel(int32_t delta, SceneParameters& p);

// Wheel: the render size moves by 4 pixels (32 with Ctrl), down for delta < 0, kept in
// 100..1200.
int32_t nextRenderSize(int32_t size, int32_t delta, bool ctrl);

inline constexpr int32_t kMinRenderSize = 100;
inline constexpr int32_t kMaxRenderSize = 1200;

// Control dialog sliders, each with the range -32768..32767.
struct SliderPositions {
    int32_t turnX = 0;         // trackbar 1000
    int32_t turnY = 0;         // trackbar 1006
    int32_t tilt = 0;          // trackbar 1001
    int32_t leftTemple = 0;    // trackbar 1002
    int32_t rightTemple = 0;   // trackbar 1003
    int32_t transparency = 0;  // trackbar 1005

    bool operator==(const SliderPositions&) const = default;
};

inline constexpr int32_t kSliderMin = -32768;
inline constexpr int32_t kSliderMax = 32767;

SliderPositions slidersFromScene(const SceneParameters& p);
void sceneFromSliders(const SliderPositions& s, SceneParameters& p);

// The colour chooser works in 0x00BBGGRR.
uint32_t chooserColourFromLens(const LensColourRecord& lens);
void lensFromChooserColour(uint32_t colour, LensColourRecord& lens);
