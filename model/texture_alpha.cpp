// The texture alpha query, answered here until the texture module exists.
//
// No Texture object can exist yet (the type is only declared), so no material carries one and
// mesh building never reaches this call with a real texture. When textures are loaded, this
// answer moves beside Texture and becomes the test of its alpha mask (alphaMask != 0).
#include "model/texture_alpha.h"

bool textureHasAlphaChannel(const Texture&)
{
    return false;
}
