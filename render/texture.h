// Texture: a picture loaded for a model's material, resized to power-of-two sides, together
// with the device texture surface made from it. Textures live in the TextureCache, which finds
// them by their lower-cased file names. The picture stays in the texture after the surface is
// made, so that the surface can be made again for a rebuilt device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_buffer.h"
#include "render/draw_device.h"

// Texture files not found under their own name are looked for here (relative to the working
// directory).
inline constexpr std::string_view kTextureDirectory = "data\\texture\\";

class Texture : public ImageBuffer {
public:
    std::unique_ptr<TextureSurface> surface;  // null until made, or when making it failed
    int32_t desktopDepth = 0;                 // bits per pixel of the screen when the surface was requested
    bool wantAlpha = false;                   // set whenever a surface is requested: its format carries alpha
    uint16_t formatCode = 0;                  // format code of the requested surface; 0 until requested
    uint32_t redMask = 0;                     // masks of the requested format; all 0 until requested
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    uint32_t alphaMask = 0;
    std::string nameKey;       // lower-cased file name of the picture loaded; "" until loaded
    std::string alphaNameKey;  // the same for the alpha plane; "" when there is none

    Texture() = default;
    // Releases the surface, then frees the picture.
    ~Texture() override;

    // Loads the picture from the first of textureSearchPaths(path, modelFolder) that gives one,
    // merges the alpha plane (looked for the same way) when alphaPath is given and has the
    // picture's size, resizes to power-of-two sides and makes the device surface. The keys are
    // set only when all this succeeded. Without a device no surface can be made, and the load
    // fails.
    bool loadTexture(DrawDevice* device, const std::string& path, const std::string* alphaPath,
                     std::string_view modelFolder = {});

    // Sets the masks for code and asks the device for a surface of that format and size.
    // False, with no surface, when the device has no matching format or cannot make it.
    bool createTextureSurface(DrawDevice& device, int32_t width, int32_t height, uint16_t code);

    // Copies the picture into the surface; false when there is no surface or the copy failed.
    bool fillTexture(DrawDevice& device);

    // Gives back the surface of a device that goes away and, for a texture that was loaded,
    // makes and fills a new one on device (null: none). The picture is not read again.
    bool recreateSurface(DrawDevice* device);

    // True when the requested format has alpha bits (every requested format has).
    bool hasAlphaChannel() const { return alphaMask != 0; }

private:
    bool makeSurface(DrawDevice& device);
};

// The file-name part of a path: the text after its last '\', else after its last '/', else
// the whole path. A second byte of a double-byte character is never taken for a separator.
std::string_view textureFileNamePart(std::string_view path);

// The texture directory followed by the file-name part of path.
std::string textureFallbackPath(std::string_view path);

// Where a texture named path is looked for, in this order, each place once: path as given
// (relative to the working directory), textureFallbackPath(path), then, for a model read from
// modelFolder (ending in its separator; "" for none), modelFolder + path and modelFolder + the
// file-name part of path. Models are mostly handed out with their textures beside them.
std::vector<std::string> textureSearchPaths(std::string_view path, std::string_view modelFolder);

// The largest power of two not above n, and at least 4 (4 for every n up to 5).
int32_t roundToPowerOfTwo(int32_t n);
