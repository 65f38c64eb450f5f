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

    Texture* last = &head_;
    for (Texture* t = head_.next; t != nullptr; t = t->next) {
        // Without an alpha plane only a texture loaded without one matches.
        if (t->nameKey == key && t->alphaNameKey == alphaKey)
            return t;
        last = t;
    }

    Texture* texture = new Texture;
    texture->prev = last;
    last->next = texture;
    texture->loadTexture(device_, lowered, alphaPath != nullptr ? &loweredAlpha : nullptr);
    return texture;
}

void TextureCache::setDevice(DrawDevice* device)
{
    if (device == device_)
        return;
    device_ = device;
    for (Texture* t = head_.next; t != nullptr; t = t->next)
        t->recreateSurface(device_);
}

void TextureCache::clear()
{
    // Each destructor unlinks its texture, which moves head_.next on.
    while (head_.next != nullptr)
        delete head_.next;
}

size_t TextureCache::count() const
{
    size_t n = 0;
    for (const Texture* t = head_.next; t != nullptr; t = t->next)
        ++n;
    return n;
}
