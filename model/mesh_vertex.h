// MeshVertex: one corner of a mesh in the device's vertex layout, so that a frame's vertex
// array goes to the device exactly as it is stored.
#pragma once

#include <cstdint>

struct MeshVertex {
    float x = 0.0f;  // position, already scaled (and mirrored where the reader does so)
    float y = 0.0f;
    float z = 0.0f;
    float nx = 0.0f;  // vertex normal
    float ny = 0.0f;
    float nz = 0.0f;
    float u = 0.0f;  // texture coordinate
    float v = 0.0f;

    // The flexible vertex format of this layout: D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1.
    static constexpr int32_t kFormat = 274;
};

static_assert(sizeof(MeshVertex) == 32, "the device reads 32-byte vertices");
