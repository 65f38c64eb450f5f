// The one question the model side asks of a texture: does its surface carry alpha bits?
// Mesh building turns alpha blending on for such textures.
#pragma once

class Texture;

// True when the texture's surface format has alpha bits (a non-zero alpha mask).
bool textureHasAlphaChannel(const Texture& texture);
