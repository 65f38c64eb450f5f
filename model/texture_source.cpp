// The process-wide texture source and the folder of the model being read.
#include "model/texture_source.h"

#include "base/cp932.h"

namespace {
RecordingTextureSource fallbackSource;
TextureSource* currentSource = &fallbackSource;
}  // namespace

TextureSource& textureSource()
{
    return *currentSource;
}

void setTextureSource(TextureSource* source)
{
    currentSource = source ? source : &fallbackSource;
}

std::string_view folderPart(std::string_view path)
{
    size_t end = 0;
    for (size_t pos = 0; pos < path.size(); pos += cp932CharLength(path, pos)) {
        if (path[pos] == '\\' || path[pos] == '/')
            end = pos + 1;
    }
    return path.substr(0, end);
}

ModelFolderScope::ModelFolderScope(std::string_view modelPath)
    : source_(textureSource()), previous_(source_.modelFolder())
{
    source_.setModelFolder(std::string(folderPart(modelPath)));
}

ModelFolderScope::~ModelFolderScope()
{
    source_.setModelFolder(std::move(previous_));
}
