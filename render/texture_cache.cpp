// The texture cache: lookup by file-name keys, loading on a miss, device changes, clearing.
#include "render/texture_cache.h"

#include "base/cp932.h"

TextureCache::~TextureCache()
{
    clear();
}

Texture* TextureCache::findOrLoadTexture(const std::string& path, const std::string* alphaPath)
{
    if (path.empty())
        return nullptr;
    const std::string lowered = lowerCp932(path);
    const std::string key(textureFileNamePart(lowered));
    std::string loweredAlpha;
    std::string alphaKey;
    if (alphaPath != nullptr) {
        loweredAlpha = lowerCp932(*alphaPath);
        alphaKey = textureFileNamePart(loweredAlpha);
    }

    for (const std::unique_ptr<Texture>& t : textures_) {
        // Without an alpha plane only a texture loaded without one matches.
        if (t->nameKey == key && t->alphaNameKey == alphaKey)
            return t.get();
    }

    Texture* texture = textures_.emplace_back(std::make_unique<Texture>()).get();
    texture->loadTexture(device_, lowered, alphaPath != nullptr ? &loweredAlpha : nullptr,
                         lowerCp932(modelFolder()));
    return texture;
}

void TextureCache::setDevice(DrawDevice* device)
{
    if (device == device_)
        return;
    device_ = device;
    for (const std::unique_ptr<Texture>& t : textures_)
        t->recreateSurface(device_);
}

void TextureCache::clear()
{
    // One by one, so that the surfaces are given back in the order the textures were added.
    for (std::unique_ptr<Texture>& texture : textures_)
        texture.reset();
    textures_.clear();
}
