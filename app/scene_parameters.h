// SceneParameters: the user's settings of the glasses scene that the mouse, the wheel, the
// sliders and the colour chooser change. Writers never clamp; the scene clamps every value
// when it makes a picture and writes the clamped value back.
#pragma once

#include <cstdint>

struct LensColourRecord {
    float r = 0.0f;  // the user's lens colour, 0..1 per channel
    float g = 0.0f;
    float b = 0.0f;
    float alphaOffset = 0.0f;  // added to each lens's alpha; kept in [-1, 1]
};

struct SceneParameters {
    float turnX = 0.0f;       // radians about X, kept in [-pi/2, pi/2]
    float turnY = 0.0f;       // radians about Y, kept in [-pi/2, pi/2]
    float tilt = 0.0f;        // radians about Z, kept in [-pi, pi]
    float templeDiff = 0.0f;  // (left - right) / 2 of the temple lengths
    float templeMean = 0.0f;  // (left + right) / 2
    float lightPadX = -0.5f;  // light position on the pad, kept in [-1, 1]
    float lightPadY = -0.5f;
    LensColourRecord lens;  // lens colour and transparency offset
};

inline constexpr float kHalfPi = 1.5707964f;
inline constexpr float kPi = 3.1415927f;

// 0 at or below 0, 1 at or above 1, else the value.
inline float clamp01(float v)
{
    return v <= 0.0f ? 0.0f : (v >= 1.0f ? 1.0f : v);
}

// The bound at or beyond a bound, else the value.
inline float clampTo(float v, float low, float high)
{
    return v <= low ? low : (v >= high ? high : v);
}

// The temple lengths the user sees, each 0..1.
inline float leftTemple(const SceneParameters& p)
{
    return clamp01(p.templeDiff + p.templeMean);
}

inline float rightTemple(const SceneParameters& p)
{
    return clamp01(p.templeMean - p.templeDiff);
}
