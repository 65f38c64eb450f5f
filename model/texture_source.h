// TextureSource: where the model readers get the textures their materials name. The World's
// texture cache implements it; until the device layer exists, RecordingTextureSource stands in
// and only notes the names asked for.
//
// Models usually come with their textures in their own folder, wherever that is: while a reader
// reads a file, a ModelFolderScope tells the source that folder, so that textures are looked for
// there as well as where the name points.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class Texture;

class TextureSource {
public:
    virtual ~TextureSource() = default;
    // The texture for a picture file (and, when alphaPath is not null, its alpha-plane file),
    // loaded on first request; null when it cannot be loaded.
    virtual Texture* findOrLoadTexture(const std::string& path, const std::string* alphaPath) = 0;

    // The folder of the model file being read, ending in its separator; "" while no file is
    // read or for a model named without a folder.
    const std::string& modelFolder() const { return modelFolder_; }
    void setModelFolder(std::string folder) { modelFolder_ = std::move(folder); }

private:
    std::string modelFolder_;
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

// The folder part of a path: everything up to and including its last '\\' or '/' ("" when it has
// none). A second byte of a double-byte character is never taken for a separator.
std::string_view folderPart(std::string_view path);

// For as long as it lives, the process-wide texture source knows the folder of the model file a
// reader has opened (modelPath, the name it was opened under); the folder it knew before comes
// back afterwards.
class ModelFolderScope {
public:
    explicit ModelFolderScope(std::string_view modelPath);
    ~ModelFolderScope();
    ModelFolderScope(const ModelFolderScope&) = delete;
    ModelFolderScope& operator=(const ModelFolderScope&) = delete;

private:
    TextureSource& source_;
    std::string previous_;
};
