// TextureSource: where the model readers get the textures their materials name. The World's
// texture cache implements it; until the device layer exists, RecordingTextureSource stands in
// and only notes the names asked for.
#pragma once

#include <string>
#include <vector>

class Texture;

class TextureSource {
public:
    virtual ~TextureSource() = default;
    // The texture for a picture file (and, when alphaPath is not null, its alpha-plane file),
    // loaded on first request; null when it cannot be loaded.
    virtual Texture* findOrLoadTexture(const std::string& path, const std::string* alphaPath) = 0;
};

// Records every request and returns no texture.
class RecordingTextureSource : public TextureSource {
public:
    struct Request {
        std::string path;
        std::string alphaPath;  // "" when none was given
    };

    Texture* findOrLoadTexture(const std::string& path, const std::string* alphaPath) override
    {
        requests.push_back({path, alphaPath ? *alphaPath : std::string()});
        return nullptr;
    }

    std::vector<Request> requests;
};

// The process-wide texture source the readers use (the World's cache once it exists).
TextureSource& textureSource();
void setTextureSource(TextureSource* source);
