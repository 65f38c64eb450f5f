// buildObjectMeshes: the mesh frames of one Metasequoia object, made from its compact face
// records (object_faces.h) the way buildMeshesByMaterial makes them from Face records: one mesh
// per material in the order the materials first occur, each face a fan of triangles around its
// first corner, the same frames, bounds and limits. Each corner is written once, at the start
// of its face's fan in the mesh that keeps it, given its normal there and only then spread into
// the fan's triangles, so that the meshes are the only copy of the corners.
#pragma once

#include <cstdint>
#include <vector>

#include "model/build_meshes.h"
#include "model/material.h"
#include "model/object_faces.h"

// What the object's faces refer to: its positions, its materials by slot (a face's slot past
// them takes the fallback), how its corners get their normals, and the frames' name.
struct ObjectMeshSource {
    const std::vector<ObjectPoint>& positions;  // the faces' vertex numbers below faces.vertexCount
    const std::vector<const Material*>& materials;
    const Material* fallback = nullptr;
    bool flatShading = false;      // corners take their face's normal instead of a smoothed one
    int32_t smoothedVertices = 0;  // vertex numbers smoothing tells apart (mirror copies included)
    const char* name = nullptr;
};

// Adds the meshes under the entry's root (made when missing and lit, also for no faces), each
// taking a frame from the budget; faces of a material for which none is left are counted as
// dropped there. Uses up the faces' texture coordinates.
void buildObjectMeshes(ModelEntry& entry, ObjectFaces& faces, const ObjectMeshSource& source,
                       FrameBudget& budget);
