// ObjectFaces: the faces of one Metasequoia object while it is read, kept as three growing
// arrays (records, corners, vertex numbers) so that reading a face costs no allocation of its
// own; the records point into the shared arrays once those have stopped growing.
#pragma once

#include <cstdint>
#include <vector>

#include "model/face.h"
#include "model/mesh_vertex.h"

struct ObjectFaces {
    std::vector<Face> faces;
    std::vector<MeshVertex> corners;
    std::vector<int32_t> indices;
    // Smoothing waits for the end of the object (only its last face chunk counts), with the
    // vertex count and facet angle in force at that chunk.
    int32_t vertexCount = 0;
    float facetAngle = 0.0f;

    void clear();
    // Points every face at its corners.
    void link();
    // Gives every corner its face's normal (flat shading).
    void takeFaceNormals();
    int32_t count() const { return static_cast<int32_t>(faces.size()); }
};
