// readX: reads the text form of a DirectX .x file into a model entry. Understood are named
// materials at any level, meshes with their positions, faces, material list, normals and
// texture coordinates, and the frames around meshes with their FrameTransformMatrix; templates
// and every other block are passed over. The meshes stand side by side under the entry's root
// frame, unnamed, each placed where its frames put it. Nothing is ever written in this format.
#pragma once

#include <cstdint>
#include <string>

#include "math/vector3.h"
#include "model/model_entry.h"

// What one read found, for tests and tools that compare a file with independent counts.
struct XReadCounts {
    int32_t meshes = 0;         // Mesh blocks read to their closing line and handed on as meshes
    int32_t meshesDropped = 0;  // Mesh blocks left out: end of text inside, or counts the file
                                // cannot hold
    int32_t facesDropped = 0;   // faces left out of kept meshes: a corner index outside the
                                // vertex list, fewer indices than corners, or past the limit
                                // of mesh frames
};

// Reads fileName (or, when it does not open, modelFallbackPath(fileName)). Each position is
// carried through the matrices of the frames around its mesh, innermost first, and then
// multiplied by scale component by component; normals turn with it (x_placement.h). A mesh
// that lacks normals at some corners gets smooth ones there (x_mesh.h). Each mesh becomes mesh
// frames under the entry's root through buildMeshes. entry.materials is emptied before and after.
// False only when the file opens under neither name, a read fails, the file proves larger than
// kMaxModelFileBytes or memory runs out; damaged content is left out instead. The limits are listed at the
// top of x_reader.cpp.
bool readX(ModelEntry& entry, const std::string& fileName, const Vector3& scale);
bool readX(ModelEntry& entry, const std::string& fileName, const Vector3& scale, XReadCounts& counts);
