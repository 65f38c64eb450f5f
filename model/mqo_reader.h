// readMetasequoia: reads a Metasequoia text document (.mqo) into a model entry. Its materials
// become the entry's named materials for the time of the read (textures come from the texture
// source); every object becomes mesh frames under the entry's root, named after the object,
// with positions scaled and mirrored in X and vertex normals smoothed within the object's
// facet angle (or, with "shading 0", flat). Bone and anchor objects are left out, and so are
// objects hidden in the file ("visible 0") unless they are parts the scene drives (lens,
// masks). A mirrored object ("mirror 1" separate, "mirror 2" connected, on the "mirror_axis"
// planes through the origin) gets a reflected copy of its faces for each combination of its
// axes, turned to face outward; a connected mirror smooths across its planes the corners that
// lie within "mirror_dis" of them. A material's opacity is the fourth value of col, its
// diffuse colour col scaled by dif. Besides the vertex list an object's
// positions may come from a binary BVertex block; sub-chunks an object holds (vertexattr and
// the like) are passed over whole. Names in a document marked "CodePage utf8" are converted to
// code page 932. A material line's entries (col, dif, amb, emi, spc, power, tex, aplane) are
// found in any order among others (shader, vcol, uid, ...); what a line lacks takes the value
// of a new Metasequoia material.
//
// Damaged input: a face whose V( list is missing, shorter than its corner count or names a
// vertex the object lacks is left out; an M( number outside the material list gives the face
// white; counts only bound loops (lists end at their closing brace, at a line that cannot
// belong to them, or at the next object); binary blocks are cut to the bytes the file holds.
#pragma once

#include <cstdint>
#include <string>

#include "math/vector3.h"
#include "model/build_meshes.h"
#include "model/model_entry.h"

// Limits: a document makes at most kMaxMeshFrames mesh frames (build_meshes.h); faces that would
// make further frames are left out. Further limits are listed at the top of mqo_reader.cpp.

// What one read found, for tests and tools that compare a file with independent counts.
struct MqoReadCounts {
    int32_t objects = 0;         // objects read and shown (each handed to buildMeshes, even
                                 // without faces)
    int32_t objectsSkipped = 0;  // bone and anchor objects left out
    int32_t objectsHidden = 0;   // objects left out because the file hides them
    int32_t facesDropped = 0;    // faces left out: no corners, a corner index outside the
                                 // vertex list, a V( list shorter than the corner count, or
                                 // past the limit of mesh frames or corners (mirror copies
                                 // count as faces)
    int32_t meshFrames = 0;      // mesh frames made
};

// Reads fileName (or, when it does not open, modelFallbackPath(fileName)) with every position
// multiplied by (-scale.x, scale.y, scale.z). False when the file opens under neither name (or
// is larger than kMaxModelFileBytes), a read of it fails or memory runs out; any content, however damaged,
// otherwise reads as true, without the damaged parts. entry.materials is emptied before and after.
bool readMetasequoia(ModelEntry& entry, const std::string& fileName, const Vector3& scale);
bool readMetasequoia(ModelEntry& entry, const std::string& fileName, const Vector3& scale,
                     MqoReadCounts& counts);

// The same for a document already in memory.
bool readMetasequoiaText(ModelEntry& entry, std::string text, const Vector3& scale, MqoReadCounts& counts);
