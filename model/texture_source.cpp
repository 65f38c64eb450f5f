// The process-wide texture source.
#include "model/texture_source.h"

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
