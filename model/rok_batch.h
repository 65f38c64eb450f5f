// RokBatchBuilder: turns a batch of .rok faces (those of one key, colour + 16 * group, in file
// order) into mesh frames: each face followed by its reversed copy, smoothed together, and one
// mesh per palette colour of the batch (a key holds several colours only where the palette
// has more than 16). Each face's corners are written where its triangles go in its mesh,
// smoothed there and then spread into the triangles, so that the meshes are the only copy of
// the vertices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/build_meshes.h"
#include "model/named_material.h"
#include "model/rok_smoothing.h"

struct RokPoint {
    float x = 0.0f;  // already scaled by the negated caller scale
    float y = 0.0f;
    float z = 0.0f;
    bool usable = false;  // false when a coordinate is no finite float
};

// One face as read; its reversed copy is made when the batch is built. Kept small: a model
// holds a million of them while its meshes are built.
struct RokFace {
    float nx = 0.0f;  // unit face normal, or zero for a face without area
    float ny = 0.0f;
    float nz = 0.0f;
    uint32_t firstCorner = 0;  // where its corners' point numbers start in the corner list
    int32_t cornerCount = 0;
    int32_t colour = 0;  // palette index from 0, checked when the palette is known
    uint16_t group = 0;  // group of the face's first edge
};

// What the reader read: the faces, their corners' point numbers face after face, the points.
struct RokRecords {
    std::vector<RokPoint> points;  // in file order, numbered from 0
    std::vector<int32_t> corners;  // every corner names a usable point
    std::vector<RokFace> faces;    // in file order; colours within the palette once built
};

// A batch's entries, each a face's key (colour + 16 * group) in the upper 32 bits and its
// number in the lower ones, the face numbers in file order.
using RokBatch = std::span<const uint64_t>;

inline uint64_t rokBatchEntry(int64_t key, size_t faceNumber)
{
    return static_cast<uint64_t>(key) << 32 | faceNumber;
}
inline int64_t rokBatchKey(uint64_t entry)
{
    return static_cast<int64_t>(entry >> 32);
}
inline size_t rokFaceNumber(uint64_t entry)
{
    return static_cast<uint32_t>(entry);
}

class RokBatchBuilder {
public:
    RokBatchBuilder(const RokRecords& records, MaterialList& materials, FrameBudget& frames);

    // Adds the batch's meshes under parent, each taking a frame from the budget; the faces of a
    // colour for which none is left are counted as dropped there.
    void build(RokBatch batch, Frame* parent);

private:
    struct ColourMesh;
    class BatchPairs;

    void planMeshes(RokBatch batch, std::vector<ColourMesh>& meshes);
    void placeFaces(RokBatch batch, std::vector<ColourMesh>& meshes, std::vector<uint32_t>& fans);

    const RokRecords& records;
    MaterialList& materials;
    FrameBudget& frames;
    RokSmoothing smoothing;
    std::vector<int32_t> meshOfColour;  // per palette colour, its mesh in the batch, or -1
};
