// The one question the model side asks of a texture: does its surface carry alpha bits?
// Mesh building turns alpha blending on for such textures. Answered beside Texture
// (render/texture.cpp), so that mesh building needs nothing else of it.
#pragma once

class Texture;

// True when the texture's surface format has alpha bits (a non-zero alpha mask).
bool textureHasAlphaChannel(const Texture& texture);
