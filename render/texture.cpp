// Texture loading: picture and alpha plane, power-of-two resize, format choice, device surface.
#include "render/texture.h"

#include <algorithm>

#include "base/cp932.h"
#include "model/texture_alpha.h"

namespace {

// Loads image from the first place that gives a picture; path ends holding the last name tried.
void loadPicture(ImageBuffer& image, std::string& path, std::string_view modelFolder)
{
    for (std::string& candidate : textureSearchPaths(path, modelFolder)) {
        path = std::move(candidate);
        if (image.load(path))
            return;
    }
}

// The lower-cased file-name part of path (the paths arrive lower-cased already; lower-casing
// again keeps the key right for a fallback path too).
std::string fileNameKey(const std::string& path)
{
    return lowerCp932(textureFileNamePart(path));
}

}  // namespace

Texture::~Texture()
{
    surface.reset();
}

bool Texture::loadTexture(DrawDevice* device, const std::string& path, const std::string* alphaPath,
                          std::string_view modelFolder)
{
    std::string usedPath = path;
    loadPicture(*this, usedPath, modelFolder);

    std::string usedAlphaPath;
    if (alphaPath != nullptr) {
        usedAlphaPath = *alphaPath;
        ImageBuffer plane;
        loadPicture(plane, usedAlphaPath, modelFolder);
        setAlphaFromMask(plane);  // only when the sizes agree; otherwise the picture stays as it is
    }

    const int32_t wantWidth = roundToPowerOfTwo(width() * 3 / 2);
    const int32_t wantHeight = roundToPowerOfTwo(height() * 3 / 2);
    resize(wantWidth, wantHeight);
    if (empty())
        return false;
    // A picture that could not be resized (no memory, or a depth resizing does not take) would
    // reach the device with sides that are not powers of two.
    if (width() != wantWidth || height() != wantHeight)
        return false;

    if (device == nullptr || !makeSurface(*device))
        return false;

    nameKey = fileNameKey(usedPath);
    if (alphaPath != nullptr)
        alphaNameKey = fileNameKey(usedAlphaPath);
    return true;
}

bool Texture::makeSurface(DrawDevice& device)
{
    desktopDepth = device.desktopDepth();
    const uint16_t code = chooseTextureFormatCode(bitsPerPixel(), device.colourDepth());
    if (!createTextureSurface(device, width(), height(), code)) {
        device.debugMessage("CreateTextureSurface() error\n");
        return false;
    }
    fillTexture(device);  // a failed copy leaves the surface in place, its contents undefined
    return true;
}

bool Texture::createTextureSurface(DrawDevice& device, int32_t width, int32_t height, uint16_t code)
{
    const TextureFormat format = TextureFormat::fromCode(code);
    formatCode = code;
    redMask = format.redMask;
    greenMask = format.greenMask;
    blueMask = format.blueMask;
    alphaMask = format.alphaMask;
    wantAlpha = true;

    TextureSurfaceRequest request;
    request.width = width;
    request.height = height;
    request.format = format;
    request.wantAlpha = wantAlpha;
    request.desktopDepth = desktopDepth;
    surface = device.createTextureSurface(request);
    return surface != nullptr;
}

bool Texture::fillTexture(DrawDevice& device)
{
    return surface != nullptr && !empty() && device.fillTexture(*surface, *this);
}

bool Texture::recreateSurface(DrawDevice* device)
{
    surface.reset();
    if (device == nullptr || nameKey.empty() || empty())
        return false;
    return makeSurface(*device);
}

bool textureHasAlphaChannel(const Texture& texture)
{
    return texture.hasAlphaChannel();
}

std::string_view textureFileNamePart(std::string_view path)
{
    size_t afterBackslash = std::string_view::npos;
    size_t afterSlash = std::string_view::npos;
    for (size_t pos = 0; pos < path.size(); pos += cp932CharLength(path, pos)) {
        if (path[pos] == '\\')
            afterBackslash = pos + 1;
        else if (path[pos] == '/')
            afterSlash = pos + 1;
    }
    const size_t start = afterBackslash != std::string_view::npos ? afterBackslash
                         : afterSlash != std::string_view::npos   ? afterSlash
                                                                  : 0;
    return path.substr(start);
}

std::string textureFallbackPath(std::string_view path)
{
    std::string fallback(kTextureDirectory);
    fallback.append(textureFileNamePart(path));
    return fallback;
}

std::vector<std::string> textureSearchPaths(std::string_view path, std::string_view modelFolder)
{
    std::vector<std::string> paths;
    const auto add = [&paths](std::string candidate) {
        if (std::find(paths.begin(), paths.end(), candidate) == paths.end())
            paths.push_back(std::move(candidate));
    };
    add(std::string(path));
    add(textureFallbackPath(path));
    if (!modelFolder.empty()) {
        add(std::string(modelFolder) + std::string(path));
        add(std::string(modelFolder) + std::string(textureFileNamePart(path)));
    }
    return paths;
}

int32_t roundToPowerOfTwo(int32_t n)
{
    if (n <= 1)
        return 4;
    int32_t p = 1;
    while (n > 1) {
        n /= 2;
        p *= 2;
    }
    return p < 4 ? 4 : p;
}
