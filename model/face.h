// Face: the reader-side polygon. Readers collect faces with their own corner vertices, hand
// them to buildMeshes, which copies what it needs, and then free them.
#pragma once

#include <cstdint>

#include "math/vector3.h"
#include "model/material.h"
#include "model/mesh_vertex.h"

struct Face {
    const Material* material = nullptr;  // not owned: points into a NamedMaterial
    int32_t vertexCount = 0;             // number of corners n
    MeshVertex* vertices = nullptr;      // n corners in file order; owned, new[]-allocated
    int32_t* indices = nullptr;          // per corner, the object vertex it came from; owned, new[]
    Vector3 normal;                      // face normal; unit length once computed, else zero
    int32_t tag = 0;                     // per-face value of the .rok format; unused elsewhere
};

// A block of count zeroed faces, or null when count is negative or the block too large.
Face* allocateFaces(int32_t count);

// Frees each face's vertices and indices and then the block itself; null is allowed.
void freeFaces(Face* faces, int32_t count);
