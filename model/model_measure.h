// What a loaded model draws, measured: its triangles, its corners, the corners without a
// normal, and the box around every drawn corner in the space of the model's root frame, with
// each frame's own scale, rotation and position below the root applied as drawing applies
// them. The root's own transform (the user's turn of the glasses) is left out.
#pragma once

#include <cstdint>

#include "math/vector3.h"
#include "model/frame.h"

struct ModelMeasure {
    int64_t triangles = 0;    // of every drawn triangle-list mesh
    int64_t corners = 0;      // vertices of those meshes
    int64_t zeroNormals = 0;  // corners whose normal is (0, 0, 0)
    Vector3 boundsMin;        // box around every drawn corner; zero when there is none
    Vector3 boundsMax;

    // boundsMax - boundsMin: the model's extent along each axis.
    Vector3 size() const { return boundsMax.minus(boundsMin); }
};

// A frame draws a mesh when it holds a triangle list with vertices and is not a pure group.
bool drawsTriangles(const Frame& frame);

// True when root or any frame below it draws at least one triangle.
bool hasTriangles(const Frame& root);

// Walks root and every frame below it.
ModelMeasure measureModel(const Frame& root);
