// buildMeshes: turns the faces a model reader collected into mesh frames: one child frame per
// material, holding that material's faces as a triangle list in the device's vertex layout.
#pragma once

#include <cstdint>

#include "model/face.h"
#include "model/frame.h"
#include "model/model_entry.h"

// Bit 0 of flipWinding: emit each triangle as (0, k + 2, k + 1) instead of (0, k + 1, k + 2).
constexpr int32_t kFlipWinding = 1;

// The most vertices one mesh frame may hold: its count is an int32 and its array must be
// addressable. Faces that would push a mesh past it are left out of the mesh.
constexpr int64_t kMaxMeshVertices = static_cast<uint64_t>(INT32_MAX) < SIZE_MAX / sizeof(MeshVertex)
                                         ? INT32_MAX
                                         : static_cast<int64_t>(SIZE_MAX / sizeof(MeshVertex));

// The most frames one model may make below its root (mesh frames, and the group frames of a
// .rok model): every frame joins its parent's child list, whose insertion walks the list, so an
// unbounded number would make loading quadratic, and each frame takes memory. Real models use a
// few hundred at most; faces that would make further frames are left out.
constexpr int32_t kMaxMeshFrames = 4096;

// The frames one model may still make, shared by all the building calls for that model, and
// the faces left out because none was left.
struct FrameBudget {
    int32_t framesLeft = kMaxMeshFrames;
    int32_t facesDropped = 0;

    int32_t framesMade() const { return kMaxMeshFrames - framesLeft; }
    // Takes one frame; false when none is left.
    bool take()
    {
        if (framesLeft <= 0)
            return false;
        --framesLeft;
        return true;
    }
};

// Adds one mesh child per material to parent (or, when parent is null, to the entry's root
// frame, which is created when missing and lit) and returns the frame they were added to.
// Faces are grouped by material pointer, groups in the order their materials first occur;
// each face becomes a fan of triangles around its first corner, so faces with fewer than
// three corners add nothing. Each child is lit, owns its vertices and lends them to copies,
// carries a copy of the material, its texture, the bounds of its corners and the name (when
// not null), and blends when its diffuse alpha is not exactly 1 or its texture has alpha.
// The faces are left to the caller.
Frame* buildMeshes(ModelEntry& entry, const Face* faces, int32_t faceCount, int32_t flipWinding,
                   Frame* parent, const char* name);

// Hangs a lit mesh child holding the triangle list buffer[0, vertexCount) under parent and
// returns it: the child takes the buffer over (it was allocated with new[]) and lends it to
// copies, carries a copy of the material (when not null) and its texture, the bounds low to
// high and the name (when not null), and blends when the material asks for it.
Frame* addMeshFrame(Frame* parent, const Material* material, MeshVertex* buffer, int32_t vertexCount,
                    const Vector3& low, const Vector3& high, const char* name);

// buildMeshes for the faces one material at a time, the materials in the order they first
// occur (the order in which one buildMeshes call makes its frames), so that the frames come out
// as from one call while the work stays linear however many materials the faces use (one call
// walks its list of materials for every face). Each material whose faces make a mesh takes a
// frame from the budget; once none is left, such faces are left out and counted there. Like
// buildMeshes, makes the entry's root when parent is null (also for no faces) and returns the
// frame the meshes were added to.
Frame* buildMeshesByMaterial(ModelEntry& entry, const Face* faces, int32_t faceCount, int32_t flipWinding,
                             Frame* parent, const char* name, FrameBudget& budget);
