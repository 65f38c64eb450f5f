// ObjectFaces: the faces of one Metasequoia object while it is read, kept compact until its
// meshes are made: a small record per face, and per corner its vertex number and texture
// coordinate, so that no corner is held in the device's vertex layout before it is written
// where its mesh keeps it (mqo_meshes.h).
#pragma once

#include <cstdint>
#include <vector>

#include "model/mesh_vertex.h"

// A position of the object, scaled and mirrored in X.
struct ObjectPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct ObjectFace {
    float nx = 0.0f;  // unit face normal, or zero for a face without area (or fewer than three
    float ny = 0.0f;  // corners)
    float nz = 0.0f;
    uint32_t firstCorner = 0;  // where its corners start in indices and uvs (a document holds
                               // fewer than 2^32 corners: kMaxDocumentCorners)
    int32_t cornerCount = 0;
    uint16_t slot = 0;              // its material's slot (mqo_reader.cpp), the fallback's after them
    uint8_t mirrorMask = 0;         // the reflection it is a copy by; 0 for a face of the file
    MeshVertex* corners = nullptr;  // where its corners stand in its mesh, once placed; null
                                    // for a face that adds no triangle or whose mesh is not made
};

struct TexturePoint {
    float u = 0.0f;
    float v = 0.0f;
};

struct ObjectFaces {
    std::vector<ObjectFace> faces;
    std::vector<int32_t> indices;   // per corner: its vertex number (mirror copies numbered apart)
    std::vector<TexturePoint> uvs;  // per corner: its texture coordinate
    // The positions the faces were read against, when the object's positions were replaced
    // after them (a vertex list after the face list); empty while they are still the object's.
    std::vector<ObjectPoint> ownPositions;
    // Smoothing waits for the end of the object (only its last face chunk counts), with the
    // vertex count and facet angle in force at that chunk.
    int32_t vertexCount = 0;
    float facetAngle = 0.0f;

    void clear();
    int32_t count() const { return static_cast<int32_t>(faces.size()); }
};
