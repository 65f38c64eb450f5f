// TextureCache: every texture loaded for the models, found again by the lower-cased file names
// of its picture and alpha plane, so that each distinct pair of files is loaded once and
// shared by every material that names it. The model readers reach it as their TextureSource;
// the World holds it and empties it when it is cleared.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "model/texture_source.h"
#include "render/texture.h"

class DrawDevice;

class TextureCache : public TextureSource {
public:
    TextureCache() = default;
    ~TextureCache() override;
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // The texture loaded before for the same file names (directory and letter case aside),
    // else a new one appended and loaded; null only for an empty path. A texture whose load
    // failed is returned too, keeps empty keys and is never found again.
    Texture* findOrLoadTexture(const std::string& path, const std::string* alphaPath) override;

    // The device that new surfaces are made on (null: none). Changing it gives back every
    // surface and makes each loaded texture's surface again on the new device.
    void setDevice(DrawDevice* device);
    DrawDevice* device() const { return device_; }

    // Destroys every texture, first to last.
    void clear();

    // The texture added index-th (from 0); null past the last.
    Texture* at(size_t index) const { return index < textures_.size() ? textures_[index].get() : nullptr; }
    size_t count() const { return textures_.size(); }

private:
    std::vector<std::unique_ptr<Texture>> textures_;  // in the order they were added
    DrawDevice* device_ = nullptr;
};
