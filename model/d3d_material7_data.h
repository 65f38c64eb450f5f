// D3DMaterial7Data: the colours and specular power of a material in exactly the byte layout of
// Direct3D 7's D3DMATERIAL7, so that a copy goes to the device as it is. Portable: the Windows
// build checks this layout against the SDK's own structure.
#pragma once

#include <type_traits>

// Four floats r, g, b, a, each 0 to 1 (the layout of D3DCOLORVALUE).
struct ColourValue {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

struct D3DMaterial7Data {
    ColourValue diffuse;   // diffuse colour; its alpha is the material's opacity
    ColourValue ambient;   // ambient colour
    ColourValue specular;  // specular colour
    ColourValue emissive;  // emissive colour
    float power = 0.0f;    // specular exponent
};

static_assert(sizeof(ColourValue) == 16, "D3DCOLORVALUE is four floats");
static_assert(sizeof(D3DMaterial7Data) == 68, "D3DMATERIAL7 is 68 bytes");
static_assert(std::is_standard_layout_v<D3DMaterial7Data>, "copied to the device byte for byte");
static_assert(std::is_trivially_copyable_v<D3DMaterial7Data>, "copied to the device byte for byte");
