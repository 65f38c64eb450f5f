// Material: a model material as the readers build it: the device's colour-and-power record
// followed by the texture it names. Frames copy only the colour-and-power part.
#pragma once

#include "model/d3d_material7_data.h"

// A loaded texture; it belongs to the texture cache, never to a material or a frame.
class Texture;

// The colour-and-power part is the base, so it stands first, and a Material can be handed
// wherever a D3DMaterial7Data is expected (Frame::setMaterial copies just that part).
struct Material : D3DMaterial7Data {
    Texture* texture = nullptr;  // not owned; null when the material names no texture
};
