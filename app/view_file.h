// The view file "vellarn.ini": how the user left the glasses, so that the next start shows them
// the same way. Where the window stood, the render size, the turn and the tilt, the temple
// lengths, the light, the lens colour and transparency, and whether and where the control
// dialog was shown. The settings file "vellarn.cfg" keeps only the model's name, in the form
// every earlier copy of the program reads; this file is ours alone.
//
// UTF-8 text, one "key=value" a line, for example:
//   windowPosition=40,30
//   renderWidth=400
//   turnX=0.25
//   lensColour=255,128,0
//   controlDialogShown=1
// Each key stands alone: a value that is missing, unreadable or outside what the program allows
// is left unset, and the program keeps its own value for it. Lines with keys this program does
// not know (words of ASCII letters, digits and "_.-") are kept and written back after its own,
// so that they survive a save; other lines are dropped.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/scene_parameters.h"

inline constexpr char kViewFileName[] = "vellarn.ini";

// Longest view file that is read at all: ours is a few hundred bytes. A larger file is taken
// as damaged, so that nothing in it is used.
inline constexpr std::size_t kMaxViewFileBytes = 64 * 1024;

// The screen coordinates a position may have: the range of the 16-bit coordinates that window
// messages carry.
inline constexpr int32_t kMinScreenCoordinate = -32768;
inline constexpr int32_t kMaxScreenCoordinate = 32767;

struct ScreenPoint {
    int32_t x = 0;  // screen pixels
    int32_t y = 0;

    bool operator==(const ScreenPoint&) const = default;
};

// The remembered values; each is unset when the file did not hold it (or not a usable one).
struct ViewState {
    std::optional<ScreenPoint> windowPosition;         // the floating window's top-left corner
    std::optional<int32_t> renderWidth;                // pixels, kMinRenderSize..kMaxRenderSize
    std::optional<int32_t> renderHeight;               // pixels, kMinRenderSize..kMaxRenderSize
    std::optional<float> turnX;                        // radians, [-pi/2, pi/2]
    std::optional<float> turnY;                        // radians, [-pi/2, pi/2]
    std::optional<float> tilt;                         // radians, [-pi, pi]
    std::optional<float> leftTemple;                   // the length the user sees, [0, 1]
    std::optional<float> rightTemple;                  // [0, 1]
    std::optional<float> lightPadX;                    // [-1, 1]
    std::optional<float> lightPadY;                    // [-1, 1]
    std::optional<uint32_t> lensColour;                // 0x00BBGGRR, as the colour chooser has it
    std::optional<float> lensAlphaOffset;              // [-1, 1]
    std::optional<bool> controlDialogShown;            // the control dialog was visible
    std::optional<ScreenPoint> controlDialogPosition;  // its top-left corner

    bool operator==(const ViewState&) const = default;
};

// A view file as read: the values, and the lines of keys the program does not know.
struct ViewFile {
    ViewState view;
    std::vector<std::string> otherLines;  // "key=value" each, in file order, without line ends
};

// The file's text: the view's set values one key a line, then the other lines.
std::string encodeView(const ViewFile& file);

// What the file's bytes hold. Never fails: damaged lines and values are passed over.
ViewFile decodeView(std::span<const uint8_t> bytes);

// The named view file; nothing set when it is missing, unreadable or too large.
ViewFile readViewFile(const std::string& fileName);

// Replaces (or creates) the named view file, whole or not at all; false when it cannot be
// written, and the file that was there is then kept as it was.
bool writeViewFile(const std::string& fileName, const ViewFile& file);

// The scene's values as the user sees them (clamped as a picture clamps them) into view.
void viewOfScene(const SceneParameters& scene, ViewState& view);

// Sets the scene's values that the view holds; the others keep theirs.
void restoreScene(const ViewState& view, SceneParameters& scene);

// Each value that now leaves unset takes the one from before.
void fillUnset(ViewState& now, const ViewState& before);
