// XMesh: one .x mesh while it is read: its positions (already placed in model space), its faces
// with their corners, and the steps that finish it before its faces go to buildMeshes.
#pragma once

#include <cstdint>
#include <vector>

#include "model/face.h"
#include "model/mesh_vertex.h"

struct XPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// The faces of one mesh, with their corners and vertex numbers in two arrays shared by all
// faces, which the records point into once the face list is complete (link). The records grow
// with the faces actually read, so a count that promises more than the file holds allocates
// no more than the rest of the file could describe.
struct XFaceList {
    std::vector<Face> faces;          // in file order; faces left out keep no corners
    std::vector<int32_t> indices;     // the vertex number of every corner, face after face
    std::vector<MeshVertex> corners;  // made by link

    int32_t count() const { return static_cast<int32_t>(faces.size()); }
};

struct XMesh {
    std::vector<XPoint> positions;  // in model space, in file order; fewer than declared when cut short
    XFaceList faces;
    bool materialsRead = false;  // the first of each sub-block has been read
    bool normalsRead = false;
    bool textureCoordsRead = false;

    // The corners with their positions (normals and texture coordinates zero), and every face
    // pointed at its share of them.
    void link();

    // Reverses the corner order of every face, keeping its first corner (so the fan of
    // triangles around it stays the same, each turned over).
    void reverseCorners();

    // Gives every corner without a normal (zero, as none was read or the one read has no
    // length) the smooth normal of its vertex: the faces around the vertex that lie within the
    // facet angle of the corner's own face are averaged, so edges sharper than that stay sharp.
    // Normals read from the file are kept.
    void completeNormals();
};
