// The drag, wheel, slider and colour rules with their exact factors.
#include "app/controls.h"

namespace {

constexpr float kDragFactor = 0.0099999998f;        // 0.01 as a float: radians or pad units per pixel
constexpr float kTransparencyStep = 0.0199999996f;  // 0.02 as a float
constexpr float kTurnPerStep = 4.7936901e-5f;       // pi / 65536
constexpr float kStepsPerTurn = 20860.756f;         // 65536 / pi
constexpr float kTiltPerStep = 9.5873802e-5f;       // pi / 32768
constexpr float kStepsPerTilt = 10430.378f;         // 32768 / pi
constexpr float kByteToUnit = 0.003921569f;         // the float nearest 1 / 255

// value * factor as a slider position: the product is taken in double precision (in float,
// pi/2 * 65536/pi would round up to 32768), truncated toward zero, then clamped to the
// trackbar's range as the trackbar itself does.
int32_t toSlider(float value, float factor)
{
    const double v = static_cast<double>(value) * static_cast<double>(factor);
    if (v != v)
        return 0;
    if (v <= kSliderMin)
        return kSliderMin;
    if (v >= kSliderMax)
        return kSliderMax;
    return static_cast<int32_t>(v);
}

}  // namespace

DragMode chooseDragMode(bool ctrl, bool shift, bool alt)
{
    if (ctrl && shift)
        return DragMode::LightPad;
    if (shift)
        return DragMode::Turn;
    if (ctrl)
        return DragMode::Tilt;
    if (alt)
        return DragMode::Temples;
    return DragMode::Move;
}

DragStart dragStartFrom(const SceneParameters& p)
{
    DragStart s;
    s.turnX = p.turnX;
    s.turnY = p.turnY;
    s.tilt = p.tilt;
    s.templeDiff = clampTo(p.templeDiff, -1.0f, 1.0f);
    s.templeMean = clamp01(p.templeMean);
    s.lightPadX = p.lightPadX;
    s.lightPadY = p.lightPadY;
    return s;
}

void applyDrag(DragMode mode, const DragStart& start, int32_t dx, int32_t dy, SceneParameters& p)
{
    const float fx = static_cast<float>(dx) * kDragFactor;
    const float fy = static_cast<float>(dy) * kDragFactor;
    switch (mode) {
    case DragMode::Turn:
        p.turnX = start.turnX + fy;
        p.turnY = start.turnY - fx;
        break;
    case DragMode::Tilt:
        p.tilt = start.tilt + fx;
        break;
    case DragMode::Temples:
        p.templeDiff = start.templeDiff + fx;
        p.templeMean = start.templeMean + fy;
        break;
    case DragMode::LightPad:
        p.lightPadX = start.lightPadX + fx;
        p.lightPadY = start.lightPadY + fy;
        break;
    case DragMode::None:
    case DragMode::Move:
        break;
    }
}

void applyTransparencyWheel(int32_t delta, SceneParameters& p)
{
    if (delta < 0)
        p.lens.alphaOffset -= kTransparencyStep;
    else
        p.lens.alphaOffset += kTransparencyStep;
}

int32_t nextRenderSize(int32_t size, int32_t delta, bool ctrl)
{
    const int32_t step = ctrl ? 32 : 4;
    const int32_t next = delta < 0 ? size - step : size + step;
    if (next <= kMinRenderSize)
        return kMinRenderSize;
    if (next >= kMaxRenderSize)
        return kMaxRenderSize;
    return next;
}

SliderPositions slidersFromScene(const SceneParameters& p)
{
    SliderPositions s;
    s.turnX = toSlider(p.turnX, kStepsPerTurn);
    s.turnY = toSlider(p.turnY, kStepsPerTurn);
    s.tilt = toSlider(p.tilt, kStepsPerTilt);
    s.leftTemple = toSlider(leftTemple(p) - 0.5f, 65536.0f);
    s.rightTemple = toSlider(rightTemple(p) - 0.5f, 65536.0f);
    s.transparency = toSlider(p.lens.alphaOffset, 32768.0f);
    return s;
}

void sceneFromSliders(const SliderPositions& s, SceneParameters& p)
{
    p.turnX = static_cast<float>(s.turnX) * kTurnPerStep;
    p.turnY = static_cast<float>(s.turnY) * kTurnPerStep;
    p.tilt = static_cast<float>(s.tilt) * kTiltPerStep;
    const float left = static_cast<float>(s.leftTemple) / 65536.0f + 0.5f;
    const float right = static_cast<float>(s.rightTemple) / 65536.0f + 0.5f;
    p.templeDiff = (left - right) * 0.5f;
    p.templeMean = (left + right) * 0.5f;
    p.lens.alphaOffset = static_cast<float>(s.transparency) / 32768.0f;
}

uint32_t chooserColourFromLens(const LensColourRecord& lens)
{
    auto channel = [](float v) {
        const float scaled = v * 255.0f;
        return scaled <= 0.0f ? 0u : (scaled >= 255.0f ? 255u : static_cast<uint32_t>(scaled));
    };
    return channel(lens.r) | (channel(lens.g) << 8) | (channel(lens.b) << 16);
}

void lensFromChooserColour(uint32_t colour, LensColourRecord& lens)
{
    lens.r = static_cast<float>(colour & 0xFF) * kByteToUnit;
    lens.g = static_cast<float>((colour >> 8) & 0xFF) * kByteToUnit;
    lens.b = static_cast<float>((colour >> 16) & 0xFF) * kByteToUnit;
}
