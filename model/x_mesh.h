// XMesh: one .x mesh while it is read: its positions (already placed in model space), its faces
// with their corners, and the steps that finish it before its faces become mesh frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "math/vector3.h"
#include "model/bounds.h"
#include "model/face.h"
#include "model/mesh_vertex.h"

struct XPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// The faces of one mesh, with their corners and vertex numbers in arrays shared by all faces,
// which the records point into once the face list is complete (link). The records grow with
// the faces actually read, so a count that promises more than the file holds allocates no more
// than the rest of the file could describe.
//
// The corners of a face of three or more corners stand at the start of the place its fan of
// triangles takes in a triangle list of all those faces (three vertices per triangle, faces in
// file order): when the mesh's faces share one material, the fans are then spread out in place
// and the array becomes the mesh's vertex buffer as it is, without a copy.
struct XFaceList {
    std::vector<Face> faces;                 // in file order; faces left out keep no corners
    std::vector<int32_t> indices;            // the vertex number of every corner, face after face
    std::unique_ptr<MeshVertex[]> fanSlots;  // made by link: the triangle list's vertices
    std::size_t fanVertices = 0;             // the length of fanSlots
    std::vector<MeshVertex> smallCorners;    // made by link: the corners of one- and two-corner faces

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

    // Whether every face has the material of the first (faces of one material make one mesh).
    bool oneMaterial() const;

    // The triangle list of all faces, as buildMeshes makes it for faces of one material: each
    // face's fan around its first corner, triangles (0, k + 1, k + 2). bounds become those of
    // every corner, also of one- and two-corner faces. The faces' corners are
    // used up: the list is taken over by the caller (new[]-allocated, fanVertices long).
    MeshVertex* releaseTriangleList(Bounds& bounds);
};
