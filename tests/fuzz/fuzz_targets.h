// The fuzz targets: what a file or a plug-in can hand the program, taken through the program's
// own code the way the program takes it. The libFuzzer harnesses (tests/fuzz/*_fuzz.cpp) drive
// them with generated input; the unit tests replay every input kept in tests/data/regress/
// through the same functions, so that a fault once found stays found.
//
// Each target returns what came of its input. `broken` means that the input went through
// without a crash but the result breaks a rule that must hold for any input (a mesh whose
// vertex count is no multiple of three, a settings name that does not survive being written
// and read back, ...): the harnesses abort on it, the unit tests fail.
#pragma once

#include <cstdint>
#include <span>
#include <string>

enum class TargetResult {
    refused,  // "could not load": no model, no picture, no settings name
    loaded,   // a model, a picture or a settings name
    broken,   // loaded or refused, but a rule about the result does not hold
};

const char* targetResultName(TargetResult result);

// loadModel of the file (a code-page-932 name ending in .mqo, .rok or .x) at the scene's scale,
// a second load that comes from the cache, then the cache cleared. Textures the materials name
// are not read: each is stood in for by one empty texture.
TargetResult modelTarget(const std::string& fileName);

// The texture path for a picture file: ImageBuffer::load (no decoder plug-in or system decoder
// installed, so the BMP reader for a name holding ".bmp", the TGA reader for one ending in
// ".tga"), then the power-of-two resize a texture gets.
TargetResult pictureFileTarget(const std::string& fileName);

// decodeSettings of a settings file's bytes; a name it yields must encode and decode to itself.
TargetResult settingsTarget(std::span<const uint8_t> bytes);

// decodeView of a view file's bytes: what it yields must be written and read back as the same,
// and give the scene only finite values.
TargetResult viewTarget(std::span<const uint8_t> bytes);

// A picture as a decoder plug-in returns it, taken through a fake decoder into a texture: the
// input is split by splitPluginResult below into the header block and the pixel block, which
// ImageBuffer::takeDecodedPicture checks and installs; then the texture's alpha merge and resize.
TargetResult pluginResultTarget(std::span<const uint8_t> bytes);

// ScanFormat and the number readers on the text, with a format the first byte picks among the
// readers' formats and a few that reach every conversion; then LineReader over the text.
TargetResult scanFormatTarget(std::span<const uint8_t> bytes);

// How pluginResultTarget reads its input: byte 0 holds flags (bit 0: the picture is also its own
// alpha plane), bytes 1 and 2 the header block's length (little-endian, cut to what follows),
// then the header block; the pixel block is the rest.
struct PluginResult {
    bool ownAlphaPlane = false;
    std::span<const uint8_t> headerBlock;
    std::span<const uint8_t> pixelBlock;
};
PluginResult splitPluginResult(std::span<const uint8_t> bytes);
