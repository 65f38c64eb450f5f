// A face of n corners is drawn as the fan of triangles (0, k + 1, k + 2) around its first
// corner: 3 (n - 2) vertices of a triangle-list mesh. The readers write each face's corners
// once, at the start of its fan's place in the mesh, and spread them into the fan there.
#pragma once

#include <cstdint>

#include "model/mesh_vertex.h"

// Vertices the fan of a face of cornerCount corners takes; none below three corners.
inline int64_t fanVertices(int32_t cornerCount)
{
    return cornerCount >= 3 ? 3 * (static_cast<int64_t>(cornerCount) - 2) : 0;
}

// Spreads a face's corners, held at the start of its fan's place, into the fan. Working from
// the last triangle back, triangle k fills fan[3k .. 3k + 2], which lies past every corner the
// triangles before it still read (corners 0 .. k + 1); triangle 0 is the first three corners
// as they stand.
inline void expandFan(MeshVertex* fan, int32_t cornerCount)
{
    for (int32_t k = cornerCount - 3; k >= 1; --k) {
        fan[3 * k + 2] = fan[k + 2];
        fan[3 * k + 1] = fan[k + 1];
        fan[3 * k] = fan[0];
    }
}
